#pragma once

#include <functional>
#include <memory>
#include <QStringList>
#include <QWidget>

namespace Ui {
class TfrmAdvanced;
}
class FontFolders;
class FontSelection;

// The panel on which every listing setting is edited at once. Its controls are the live copy of
// the settings: the loader writes into them, the report and the wizard read them. Other parts
// find its controls by objectName (findChild) or, inside the program library, through ui().
class TfrmAdvanced : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmAdvanced(QWidget* parent = nullptr);
    ~TfrmAdvanced() override;

    Ui::TfrmAdvanced* ui() const { return m_ui.get(); }

    // Font files added to the font table by this program and the full names read from them; both
    // kept sorted and free of duplicates (letter case ignored) by the font folder code.
    QStringList AddedFontFiles;
    QStringList FoundFontNames;

    // The units index (0 millimetres, 1 inches) the margin edits are written in right now. The
    // settings loader sets it right after loading rgUnits, so that loading never converts.
    int ShownUnits = 0;

    // Run by "Save settings"; the program connects it to the settings writer.
    std::function<void()> onSaveSettings;

    // The main window's UpdatePrintButtons, run after every change of the font ticks.
    std::function<void()> onUpdatePrintButtons;

    // The Fonts tab's behaviour: ticks, "All fonts", the pointer's font name, the pop-up menu.
    FontSelection* fontSelection() const { return m_fonts; }

    // The Paths tab's behaviour: the folders of fonts that are not installed, Apply, "See new".
    FontFolders* fontFolders() const { return m_folders; }
    // Removes every font file this window added from the font table and its names from the list.
    void RemoveAddedFonts();

    // Fills the font selection list with the installed families.
    void FillFontList();
    // What a click on "All fonts" does; the main window runs it on entering the advanced mode.
    void cbAllFontsClick();

    void cbTitleClick();
    void cbHeaderClick();
    void bAutoTextClick();
    void rgUnitsClick();
    void bSaveSettingsClick();

private:
    void FormCreate();

    std::unique_ptr<Ui::TfrmAdvanced> m_ui;
    FontSelection* m_fonts = nullptr;
    FontFolders* m_folders = nullptr;
};
