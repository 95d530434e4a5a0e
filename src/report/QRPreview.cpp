#include "report/QRPreview.h"
#include "ui_QRPreview.h"

#include "base/Errors.h"
#include "base/Guarded.h"
#include "base/Messages.h"
#include "engine/PageStore.h"
#include "report/PageIcons.h"
#include "report/SavePdf.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>

namespace {

struct ZoomChoice
{
    const char* text;
    int percent; // 0: a fitting mode
};

// One table for the drop-down (index = choice - 1) and the menu (tag = choice).
constexpr ZoomChoice zoomChoices[] = {
    {"50%", 50},
    {"75%", 75},
    {"100%", 100},
    {"150%", 150},
    {"200%", 200},
    {QT_TRANSLATE_NOOP("TRptPreviewFrm", "Page width"), 0},
    {QT_TRANSLATE_NOOP("TRptPreviewFrm", "Fit to window"), 0},
};
constexpr int zoomChoiceCount = int(std::size(zoomChoices));
constexpr int pageWidthChoice = 6;
constexpr int fitChoice = 7;

// A button that gives an action's command: clicking triggers it, and it is enabled with it.
void bindButton(QAbstractButton* button, QAction* action)
{
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    button->setEnabled(action->isEnabled());
}

// The controls sit at fixed places sized for the English texts; a translation may need more
// room. The zoom box grows to its longest entry and the page controls move along; the bottom
// buttons grow to their texts (not to the style's minimum width, which the design undercuts)
// towards the free space on their left.
void fitTranslatedTexts(Ui::TRptPreviewFrm& ui)
{
    const int zoomGrowth = qMax(0, ui.cbZoom->sizeHint().width() - ui.cbZoom->width());
    ui.cbZoom->resize(ui.cbZoom->width() + zoomGrowth, ui.cbZoom->height());
    for (QWidget* w :
         {static_cast<QWidget*>(ui.btnFirstPage), static_cast<QWidget*>(ui.btnPrevPage),
          static_cast<QWidget*>(ui.edPageNumber), static_cast<QWidget*>(ui.lblPages),
          static_cast<QWidget*>(ui.btnNextPage), static_cast<QWidget*>(ui.btnLastPage)})
        w->move(w->x() + zoomGrowth, w->y());

    const auto growthOf = [](const QPushButton* b) {
        const QStyle* style = b->style();
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        return qMax(0, b->fontMetrics().horizontalAdvance(b->text()) + 2 * margin - b->width());
    };
    const int closeGrowth = growthOf(ui.bClose);
    const int saveGrowth = growthOf(ui.bSavePdf);
    ui.bClose->setGeometry(ui.bClose->geometry().adjusted(-closeGrowth, 0, 0, 0));
    ui.bSavePdf->setGeometry(
        ui.bSavePdf->geometry().adjusted(-closeGrowth - saveGrowth, 0, -closeGrowth, 0));
    // Past the left edge the panel itself grows (it is anchored to the right).
    const int lack = qMax(0, 8 - ui.bSavePdf->x());
    if (lack > 0) {
        ui.pRight->setFixedWidth(ui.pRight->minimumWidth() + lack);
        for (QWidget* b : {ui.bSavePdf, ui.bClose})
            b->move(b->x() + lack, b->y());
    }
}

} // namespace

TRptPreviewFrm::TRptPreviewFrm(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TRptPreviewFrm>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMinimumSize(330, 300);
    auto& ui = *m_ui;

    for (const ZoomChoice& choice : zoomChoices)
        ui.cbZoom->addItem(tr(choice.text));
    fitTranslatedTexts(ui);
    using PageIcons::Glyph;
    ui.btnFirstPage->setIcon(PageIcons::icon(Glyph::First));
    ui.btnPrevPage->setIcon(PageIcons::icon(Glyph::Prev));
    ui.btnNextPage->setIcon(PageIcons::icon(Glyph::Next));
    ui.btnLastPage->setIcon(PageIcons::icon(Glyph::Last));
    for (QToolButton* b : {ui.btnFirstPage, ui.btnPrevPage, ui.btnNextPage, ui.btnLastPage})
        b->setIconSize(QSize(16, 16));

    setupActions();
    bindButton(ui.btnFirstPage, m_firstPageAction);
    bindButton(ui.btnPrevPage, m_prevPageAction);
    bindButton(ui.btnNextPage, m_nextPageAction);
    bindButton(ui.btnLastPage, m_lastPageAction);
    bindButton(ui.bSavePdf, m_savePdfAction);
    bindButton(ui.bClose, m_closeAction);
    connect(ui.cbZoom, &QComboBox::activated, this, [this](int index) {
        m_zoomGroup->actions().value(index)->trigger();
        // The focus stays where the user put it; only a zoom change hands it to the page.
        m_keyPreview = true;
        m_ui->RptPreview->setFocus();
    });

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("pmPreview"));
    m_menu->addActions(m_zoomGroup->actions());
    m_menu->addSeparator();
    m_menu->addActions({m_firstPageAction, m_prevPageAction, m_nextPageAction, m_lastPageAction});
    m_menu->addSeparator();
    m_menu->addActions({m_savePdfAction, m_closeAction});

    connect(ui.RptPreview, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_ui->RptPreview->mapToGlobal(pos)); });
    connect(ui.RptPreview, &PreviewControl::pageAvailable, this,
            &TRptPreviewFrm::RptPreviewPageAvailable);
    connect(ui.RptPreview, &PreviewControl::changed, this, &TRptPreviewFrm::updateNavActions);
    connectGuarded(ui.edPageNumber, &QLineEdit::returnPressed, this,
                   &TRptPreviewFrm::edPageNumberExit);

    // Keys reach the window before the focused control; the same filter follows the focus of
    // the zoom box and the page box and the size of pLeft.
    qApp->installEventFilter(this);
}

void TRptPreviewFrm::setupActions()
{
    m_zoomGroup = new QActionGroup(this);
    for (int choice = 1; choice <= zoomChoiceCount; ++choice) {
        QAction* action = m_zoomGroup->addAction(tr(zoomChoices[choice - 1].text));
        action->setCheckable(true);
        action->setData(choice);
    }
    connect(m_zoomGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { ApplyZoom(action->data().toInt()); });

    const auto command = [this](const QString& text, void (TRptPreviewFrm::*handler)()) {
        auto* action = new QAction(text, this);
        connectGuarded(action, &QAction::triggered, this, handler);
        return action;
    };
    m_firstPageAction = command(tr("First page"), &TRptPreviewFrm::btnFirstPageClick);
    m_prevPageAction = command(tr("Previous page"), &TRptPreviewFrm::btnPrevPageClick);
    m_nextPageAction = command(tr("Next page"), &TRptPreviewFrm::btnNextPageClick);
    m_lastPageAction = command(tr("Last page"), &TRptPreviewFrm::btnLastPageClick);
    m_savePdfAction = command(tr("Save as PDF..."), &TRptPreviewFrm::bSavePdfClick);
    m_closeAction = new QAction(tr("Close"), this);
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);
}

TRptPreviewFrm::~TRptPreviewFrm()
{
    m_ui->RptPreview->detach();
}

void TRptPreviewFrm::setSaveFileHook(SaveFileHook hook)
{
    SavePdf::setAskHook(std::move(hook));
}

void TRptPreviewFrm::showRun(PageStore& store)
{
    m_ui->RptPreview->attach(&store);
    FormShow();
    showMaximized();
    raise();
    activateWindow();
}

bool TRptPreviewFrm::hasRun() const
{
    return m_ui->RptPreview->store() != nullptr;
}

void TRptPreviewFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    pLeftResize();
}

void TRptPreviewFrm::FormShow()
{
    auto& ui = *m_ui;
    ui.RptPreview->hide();
    ui.bClose->setFocus();
    ui.lblMsg->setText(tr("Generating report, please wait ..."));
    ui.lblMsg->show();
    ui.pgbReport->setValue(0);
    ui.pgbReport->show();
    ui.edPageNumber->setText(QStringLiteral("0"));
    ui.lblPages->setText(tr("of %1").arg(0));
    ui.cbZoom->setCurrentIndex(fitChoice - 1);
    m_firstPageShown = false;
    for (QAction* action :
         {m_firstPageAction, m_prevPageAction, m_nextPageAction, m_lastPageAction, m_savePdfAction})
        action->setEnabled(false);
}

void TRptPreviewFrm::HideProgress()
{
    m_ui->lblMsg->hide();
    m_ui->pgbReport->hide();
}

void TRptPreviewFrm::setProgress(int percent)
{
    m_ui->pgbReport->setValue(percent);
}

void TRptPreviewFrm::RptPreviewPageAvailable()
{
    if (!hasRun() || m_firstPageShown)
        return;
    ApplyZoom(fitChoice);
    m_ui->RptPreview->show();
    m_ui->RptPreview->setPageNumber(1);
    m_firstPageShown = true;
}

void TRptPreviewFrm::ApplyZoom(int choice)
{
    if (choice < 1 || choice > zoomChoiceCount)
        return;
    PreviewControl* preview = m_ui->RptPreview;
    if (choice == pageWidthChoice)
        preview->zoomToWidth();
    else if (choice == fitChoice)
        preview->zoomToPage();
    else
        preview->setZoom(zoomChoices[choice - 1].percent);
    {
        const QSignalBlocker blocker(m_ui->cbZoom);
        m_ui->cbZoom->setCurrentIndex(choice - 1);
    }
    m_zoomGroup->actions().at(choice - 1)->setChecked(true);
}

void TRptPreviewFrm::updateNavActions()
{
    if (!hasRun())
        return;
    auto& ui = *m_ui;
    const int page = ui.RptPreview->pageNumber();
    const int count = ui.RptPreview->pageCount();
    ui.edPageNumber->setText(QString::number(page));
    ui.lblPages->setText(tr("of %1").arg(count));
    const bool back = page > 1;
    const bool forward = page < count;
    m_firstPageAction->setEnabled(back);
    m_prevPageAction->setEnabled(back);
    m_nextPageAction->setEnabled(forward);
    m_lastPageAction->setEnabled(forward);
    // A PDF saved while pages are still being made would be a cut-off catalogue that looks
    // whole; saving waits until the last page is in.
    m_savePdfAction->setEnabled(count > 0 && ui.RptPreview->store()->isFinished());
}

void TRptPreviewFrm::gotoPage(int page)
{
    if (hasRun())
        m_ui->RptPreview->setPageNumber(page);
}

void TRptPreviewFrm::btnFirstPageClick()
{
    gotoPage(1);
}

void TRptPreviewFrm::btnPrevPageClick()
{
    gotoPage(m_ui->RptPreview->pageNumber() - 1);
}

void TRptPreviewFrm::btnNextPageClick()
{
    gotoPage(m_ui->RptPreview->pageNumber() + 1);
}

void TRptPreviewFrm::btnLastPageClick()
{
    gotoPage(m_ui->RptPreview->pageCount());
}

void TRptPreviewFrm::edPageNumberExit()
{
    const QString text = m_ui->edPageNumber->text();
    bool ok = false;
    const int page = text.trimmed().toInt(&ok);
    if (ok && hasRun())
        m_ui->RptPreview->setPageNumber(page);
    // A page that is not there leaves the box showing the current one.
    updateNavActions();
    if (!ok)
        throw TypovexError(tr("'%1' is not a valid integer value").arg(text));
}

void TRptPreviewFrm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool control = (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier;
    switch (key) {
    case Qt::Key_PageUp:
        control ? btnFirstPageClick() : btnPrevPageClick();
        break;
    case Qt::Key_PageDown:
        control ? btnLastPageClick() : btnNextPageClick();
        break;
    case Qt::Key_Home:
        btnFirstPageClick();
        break;
    case Qt::Key_End:
        btnLastPageClick();
        break;
    default:
        break;
    }
}

void TRptPreviewFrm::pLeftResize()
{
    m_ui->pgbReport->resize(m_ui->pLeft->width() - 16, m_ui->pgbReport->height());
}

void TRptPreviewFrm::done(int result)
{
    QDialog::done(result);
    m_ui->RptPreview->detach();
}

void TRptPreviewFrm::bSavePdfClick()
{
    const PageStore* store = m_ui->RptPreview->store();
    if (store && store->pageCount() > 0 && store->isFinished())
        SavePdf::save(this, *store);
}

bool TRptPreviewFrm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Only the first receiver of a key, the focused control of this window, counts: the same
        // key passes here again while it travels up to the parents.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!m_keyPreview || !widget || widget->window() != this ||
            (QApplication::focusWidget() ? widget != QApplication::focusWidget() : widget != this))
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        FormKeyDown(key->key(), key->modifiers());
        break; // the focused control still receives the key
    }
    case QEvent::ToolTip:
        // The window keeps its hint texts but does not display them.
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == this)
            return true;
        break;
    case QEvent::FocusIn:
        if (watched == m_ui->cbZoom)
            m_keyPreview = false;
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            break;
        if (watched == m_ui->cbZoom)
            m_keyPreview = true;
        else if (watched == m_ui->edPageNumber)
            guarded([this] { edPageNumberExit(); });
        break;
    }
    case QEvent::Resize:
        if (watched == m_ui->pLeft)
            pLeftResize();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
