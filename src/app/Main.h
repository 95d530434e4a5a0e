#pragma once

#include <memory>
#include <optional>
#include <QDialog>
#include <QPointer>

class QHelpEvent;
class TdlgJPEGExport;
class TdlgViewCharacterSet;
class TfrmAbout;
class TfrmWait;
class TRptPreviewFrm;
class TSelectFolder;

namespace Ui {
class TfrmMain;
}

// The main window: the program's frame. It carries the application's buttons and hosts the
// wizard or the advanced window in pnlBackground. Closing it ends the program.
//
// A dialog rather than a plain widget, for the keyboard rules of a form: Enter presses the
// focused button or else the default button bPrint, Esc presses bClose.
class TfrmMain : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The long-lived windows the main window opens or hands on; TypovexWindows owns them. Any of
    // them may be missing, and the command that would open it then does nothing.
    struct Windows
    {
        QPointer<TfrmWait> wait;
        QPointer<TRptPreviewFrm> preview;
        QPointer<TdlgJPEGExport> sampleExport;
        QPointer<TdlgViewCharacterSet> characterSet;
        QPointer<TfrmAbout> about;
        QPointer<TSelectFolder> folderPicker;
    };
    // Set before the first showing, which hands the folder picker and the wait window on to the
    // advanced window.
    void setWindows(const Windows& windows);

    void bAboutClick();
    void bAdvancedClick();
    void bPrintClick();
    void bPreviewClick();
    void bCloseClick();

    // The two modes: the wizard or the advanced window embedded in pnlBackground.
    void ShowStartupMode();
    void ShowWizardMode();
    void ShowAdvancedMode();
    // Print and Preview are usable unless "All fonts" is clear.
    void UpdatePrintButtons();

    // Places every hint of the program with its top edge just below the visible cursor. True
    // when it showed the hint; false leaves the event to Qt (no hint text on this control).
    bool AppShowHint(QWidget* control, QHelpEvent* event);

    // Whether a press at `pos` lands on the window's own background (the bevel and labels
    // included), where it moves the window as its title bar does.
    bool isBackgroundAt(const QPoint& pos) const;

    // Esc: what the Close button does.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FormCreate();
    // Runs once, at the first showing; the embedded windows and the start mode begin here.
    void FormShow();
    void FormDestroy();
    // Grows the frame when the embedded windows need more room than the design gives them at
    // the current interface font; buttons stay anchored to the bottom and right edges.
    void fitPanelTo(QSize needed);

    std::unique_ptr<Ui::TfrmMain> ui;
    Windows m_windows;
    bool m_shownOnce = false;
    // Set while the window follows the mouse itself because the window system refused to move it.
    std::optional<QPoint> m_dragOffset;
};
