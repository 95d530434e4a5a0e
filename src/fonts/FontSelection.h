#pragma once

#include <QObject>
#include <QString>

#include <functional>

class FontCheckList;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;

// Set while the program itself changes the font ticks or the "All fonts" and "Use installed fonts"
// boxes, so that their click handlers ignore those changes. The main window clears it when it is
// created.
extern bool SelectionSyncBusy;

// Sets SelectionSyncBusy for its lifetime and restores what it was, also when a change throws.
class SelectionSyncScope
{
public:
    SelectionSyncScope() : m_was(SelectionSyncBusy) { SelectionSyncBusy = true; }
    ~SelectionSyncScope() { SelectionSyncBusy = m_was; }
    SelectionSyncScope(const SelectionSyncScope&) = delete;
    SelectionSyncScope& operator=(const SelectionSyncScope&) = delete;

private:
    bool m_was;
};

// The Fonts tab's behaviour: the ticks of the font selection list, the "All fonts" box that sums
// them up, "Use installed fonts" on the Paths tab, the pointer's font name and the list's pop-up
// menu. The widgets belong to the advanced window; this object only drives them.
class FontSelection : public QObject
{
    Q_OBJECT
public:
    struct Widgets
    {
        FontCheckList* clbFonts = nullptr;
        QCheckBox* cbAllFonts = nullptr; // three states
        QCheckBox* cbUseInstalled = nullptr;
        QLabel* lblFontName = nullptr;
        QAbstractButton* cbBold = nullptr;
        QAbstractButton* cbItalic = nullptr;
        QAbstractButton* cbUnderline = nullptr;
        QAbstractButton* cbStrikeout = nullptr;
        QLineEdit* eFontFilter = nullptr; // optional
    };

    FontSelection(const Widgets& widgets, std::function<void()> updatePrintButtons,
                  QObject* parent = nullptr);
    ~FontSelection() override;

    // The last three entries of the pop-up menu; the program connects them to the main window's
    // Preview command and to the two font tools.
    std::function<void()> onPreview;
    std::function<void(const QString& face)> onExport;
    std::function<void(const QString& face)> onViewCharSet;

    // Empties the list and adds every family of the family list, unticked.
    void fillWithFamilies();

    void clbFontsClick();
    void clbFontsClickCheck();
    void Selectall1Click();
    void Unselectall1Click();
    void Toggleselection1Click();
    void cbAllFontsClick();
    void cbUseInstalledClick();
    void clbFontsMouseMove(int x, int y);
    void cbBoldClick();
    void Preview2Click();
    void ExportsampleasJPEG1Click();
    void Viewcharacterset1Click();
    // Opens the pop-up menu; one opened by the keyboard acts on the list's current entry, one
    // opened by the mouse on the entry last under the pointer.
    void popupMenuRequested(const QPoint& globalPos, bool byKeyboard);

    QMenu* popupMenu() const { return m_menu; }

protected:
    // Esc in the filter clears it rather than reaching the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recomputeAllFonts();
    void selectAll(bool checked);

    Widgets m_w;
    std::function<void()> m_updatePrintButtons;
    QMenu* m_menu = nullptr;
};
