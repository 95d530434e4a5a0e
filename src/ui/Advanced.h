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
struct ListingSettings;

// The panel on which every listing setting is edited at once. Its controls are the live copy of
// the settings: the loader writes into them, the report and the wizard read them. Other parts
// use the functions below; tests find its controls by objectName (findChild).
class TfrmAdvanced : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmAdvanced(QWidget* parent = nullptr);
    ~TfrmAdvanced() override;

    // Font files added to the font table by this program and the full names read from them; both
    // kept sorted and free of duplicates (letter case ignored) by the font folder code.
    QStringList AddedFontFiles;
    QStringList FoundFontNames;

    // The units index (0 millimetres, 1 inches) the margin edits are written in right now. The
    // settings loader sets it right after loading rgUnits, so that loading never converts.
    int ShownUnits = 0;

    // The settings as the controls show them now, with the faces chosenFonts() gives.
    ListingSettings settings() const;
    // The faces to list, in list order: every entry when "All fonts" is fully ticked, otherwise
    // the ticked ones.
    QStringList chosenFonts() const;
    // Reads every field from the store into its control. A read error ends the loading at that
    // value and is thrown on; the printer step alone swallows its errors.
    void LoadSettings();
    // Writes every field from its control, then confirms with "Your settings have been saved.".
    // A write error ends the save at that value and is thrown on, without the confirmation.
    void SaveSettings();

    // The start mode the settings name: 0 the wizard, anything else the advanced window.
    int startupMode() const;
    bool startMinimised() const;
    // Whether Print and Preview have anything to list: "All fonts" is ticked or grey.
    bool anyFontChosen() const;
    // The width every tab caption needs, so that no tab hides behind scroll arrows.
    int tabsWidth() const;
    // Brings the Fonts tab forward; gives the font list the focus.
    void showFontsTab();
    void focusFontList();

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

// The advanced window, embedded in the main window: set when the main window is first shown,
// cleared when it is destroyed. Other parts of the program reach the settings through it.
extern TfrmAdvanced* frmAdvanced;
