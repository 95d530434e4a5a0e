#pragma once

#include "report/SavePdf.h"

#include <memory>
#include <QDialog>

class PageStore;
class QAction;
class QActionGroup;
class QMenu;

namespace Ui {
class TRptPreviewFrm;
}

// The preview window of the font listing: created hidden at start-up and reused for every preview
// run. Closing it detaches the page store, which ends the run. Its commands are actions shared by
// the buttons, the zoom box, the page's context menu and the keys.
class TRptPreviewFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TRptPreviewFrm(QWidget* parent = nullptr);
    ~TRptPreviewFrm() override;

    // The page's context menu: the zoom choices, the page commands, Save as PDF and Close.
    QMenu* popupMenu() const { return m_menu; }

    // Attaches a run's page store and shows the window maximised, without waiting.
    void showRun(PageStore& store);
    // Whether a run is showing in the window right now.
    bool hasRun() const;

    // The progress of the run while it makes the pages.
    void HideProgress();
    void setProgress(int percent);
    // A zoom choice, from 1 (50%) to 7 (Fit to window) in the order of the zoom box.
    void ApplyZoom(int choice);

    void btnFirstPageClick();
    void btnPrevPageClick();
    void btnNextPageClick();
    void btnLastPageClick();
    void bSavePdfClick();

    // Asks for the PDF file's name, offering `suggestion` (folder and file name); tests answer it
    // without a dialog. "" = cancelled.
    using SaveFileHook = SavePdf::AskHook;
    static void setSaveFileHook(SaveFileHook hook);

    // QDialog ends in done() for Esc, Close and the title bar alike: the run ends there.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupActions();
    // The page box, the page count and which commands apply, from the preview control's state.
    void updateNavActions();
    void FormShow();
    void RptPreviewPageAvailable();
    void gotoPage(int page);
    void edPageNumberExit();
    // Window-level key handling.
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void pLeftResize();

    std::unique_ptr<Ui::TRptPreviewFrm> m_ui;
    QMenu* m_menu = nullptr;
    QActionGroup* m_zoomGroup = nullptr;
    QAction* m_firstPageAction = nullptr;
    QAction* m_prevPageAction = nullptr;
    QAction* m_nextPageAction = nullptr;
    QAction* m_lastPageAction = nullptr;
    QAction* m_savePdfAction = nullptr;
    QAction* m_closeAction = nullptr;
    bool m_firstPageShown = false;
    // Window-level key handling, off while the zoom box has the focus.
    bool m_keyPreview = true;
};
