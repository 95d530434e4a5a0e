#pragma once

#include <functional>
#include <memory>
#include <QDialog>

class PageStore;
class QAction;
class QMenu;

namespace Ui {
class TRptPreviewFrm;
}

// The preview window of the font listing: created hidden at start-up and reused for every preview
// run. Closing it detaches the page store, which ends the run.
class TRptPreviewFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TRptPreviewFrm(QWidget* parent = nullptr);
    ~TRptPreviewFrm() override;

    Ui::TRptPreviewFrm* ui() const { return m_ui.get(); }
    QMenu* popupMenu() const { return m_menu; }

    // Attaches a run's page store and shows the window maximised, without waiting.
    void showRun(PageStore& store);
    // Whether a run is showing in the window right now.
    bool hasRun() const;

    void FormShow();
    void HideProgress();
    void setProgress(int percent);
    void RptPreviewPageAvailable(int pageCount);
    void ApplyZoom(int choice);
    void UpdateNavigation();

    void cbZoomChange();
    void cbZoomEnter();
    void cbZoomExit();
    void MenuZoomClick(QAction* item);
    void btnFirstPageClick();
    void btnPrevPageClick();
    void btnNextPageClick();
    void btnLastPageClick();
    void edPageNumberExit();
    void edPageNumberKeyDown();
    // Window-level key handling; true when the key meant a page command.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void pLeftResize();
    void bCloseClick();
    void FormClose();
    void bSavePdfClick();

    // Asks for the PDF file's name, offering `suggestion` (folder and file name); tests answer it
    // without a dialog. "" = cancelled.
    using SaveFileHook = std::function<QString(QWidget* parent, const QString& suggestion)>;
    static void setSaveFileHook(SaveFileHook hook);

    bool FirstPageShown = false;

    // QDialog ends in done() for Esc, Close and the title bar alike: the run ends there.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void gotoPage(int page);

    std::unique_ptr<Ui::TRptPreviewFrm> m_ui;
    QMenu* m_menu = nullptr;
    QList<QAction*> m_zoomItems;
    QAction* m_firstItem = nullptr;
    QAction* m_prevItem = nullptr;
    QAction* m_nextItem = nullptr;
    QAction* m_lastItem = nullptr;
    QAction* m_saveItem = nullptr;
    // Window-level key handling, off while the zoom box has the focus.
    bool m_keyPreview = true;
};

// The program's one preview window, created at start-up.
extern TRptPreviewFrm* RptPreviewFrm;
