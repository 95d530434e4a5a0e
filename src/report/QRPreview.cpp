#include "report/QRPreview.h"
#include "ui_QRPreview.h"

#include "app/Errors.h"
#include "app/Messages.h"
#include "app/TypovexApplication.h"
#include "report/PageStore.h"
#include "report/ReportPrinter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

TRptPreviewFrm* RptPreviewFrm = nullptr;

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
constexpr int pageWidthChoice = 6;
constexpr int fitChoice = 7;

enum class Glyph { First, Prev, Next, Last };

// Draws on a 16 x 16 grid; the painter's transform takes it to the size asked for.
void drawGlyph(QPainter& p, Glyph glyph, const QColor& colour, QPoint offset)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.translate(offset);
    const bool left = glyph == Glyph::First || glyph == Glyph::Prev;
    QPainterPath triangle;
    if (left) {
        triangle.moveTo(11, 3);
        triangle.lineTo(11, 13);
        triangle.lineTo(6, 8);
    } else {
        triangle.moveTo(5, 3);
        triangle.lineTo(5, 13);
        triangle.lineTo(10, 8);
    }
    triangle.closeSubpath();
    p.drawPath(triangle);
    if (glyph == Glyph::First)
        p.drawRect(3, 3, 2, 10);
    if (glyph == Glyph::Last)
        p.drawRect(11, 3, 2, 10);
    p.translate(-offset);
}

// The image in the button text's colour, so that it stands out on light and dark themes alike;
// disabled, a greyed copy, embossed where the theme is light. The colours are taken at every
// paint, so the buttons follow a change of theme while the window is open. Drawn at the size and
// pixel ratio each request asks for, so that the buttons stay sharp on high-resolution screens.
class PageIconEngine : public QIconEngine
{
public:
    explicit PageIconEngine(Glyph glyph) : m_glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QGuiApplication::palette();
        painter->save();
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled) {
            const bool lightTheme = palette.color(QPalette::Button).lightness() >
                                    palette.color(QPalette::ButtonText).lightness();
            if (lightTheme) {
                drawGlyph(*painter, m_glyph, palette.color(QPalette::Light), {1, 1});
                drawGlyph(*painter, m_glyph, palette.color(QPalette::Dark), {0, 0});
            } else {
                drawGlyph(*painter, m_glyph,
                          palette.color(QPalette::Disabled, QPalette::ButtonText), {0, 0});
            }
        } else {
            drawGlyph(*painter, m_glyph, palette.color(QPalette::Active, QPalette::ButtonText),
                      {0, 0});
        }
        painter->restore();
    }

    // QIcon asks for the size in device pixels and sets the pixel ratio itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PageIconEngine(m_glyph); }

private:
    Glyph m_glyph;
};

QIcon pageIcon(Glyph glyph)
{
    return QIcon(new PageIconEngine(glyph));
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

TRptPreviewFrm::SaveFileHook& saveFileHook()
{
    static TRptPreviewFrm::SaveFileHook hook;
    return hook;
}

// The folder the last PDF of this run went to; the home folder before the first.
QString& lastPdfFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

// "<title>.pdf", with what a file name cannot hold replaced.
QString pdfFileName(const QString& title)
{
    QString name = title.simplified();
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || !c.isPrint())
            c = QLatin1Char('-');
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Typovex");
    return name + QStringLiteral(".pdf");
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
    ui.btnFirstPage->setIcon(pageIcon(Glyph::First));
    ui.btnPrevPage->setIcon(pageIcon(Glyph::Prev));
    ui.btnNextPage->setIcon(pageIcon(Glyph::Next));
    ui.btnLastPage->setIcon(pageIcon(Glyph::Last));
    for (QToolButton* b : {ui.btnFirstPage, ui.btnPrevPage, ui.btnNextPage, ui.btnLastPage})
        b->setIconSize(QSize(16, 16));

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("pmPreview"));
    for (int choice = 1; choice <= 7; ++choice) {
        QAction* item = m_menu->addAction(tr(zoomChoices[choice - 1].text));
        item->setCheckable(true);
        item->setData(choice);
        connect(item, &QAction::triggered, this,
                [this, item] { guarded([this, item] { MenuZoomClick(item); }); });
        m_zoomItems.append(item);
    }
    m_menu->addSeparator();
    m_firstItem = m_menu->addAction(tr("First page"), this, [this] { btnFirstPageClick(); });
    m_prevItem = m_menu->addAction(tr("Previous page"), this, [this] { btnPrevPageClick(); });
    m_nextItem = m_menu->addAction(tr("Next page"), this, [this] { btnNextPageClick(); });
    m_lastItem = m_menu->addAction(tr("Last page"), this, [this] { btnLastPageClick(); });
    m_menu->addSeparator();
    m_saveItem = m_menu->addAction(tr("Save as PDF..."), this,
                                   [this] { guarded([this] { bSavePdfClick(); }); });
    QAction* close = m_menu->addAction(tr("Close"), this, [this] { bCloseClick(); });
    for (QAction* item : {m_firstItem, m_prevItem, m_nextItem, m_lastItem, m_saveItem, close})
        item->setData(0);

    connect(ui.RptPreview, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_ui->RptPreview->mapToGlobal(pos)); });
    connect(ui.RptPreview, &PreviewControl::pageAvailable, this,
            [this](int count) { RptPreviewPageAvailable(count); });
    connect(ui.cbZoom, &QComboBox::activated, this, [this] { cbZoomChange(); });
    connect(ui.btnFirstPage, &QToolButton::clicked, this, [this] { btnFirstPageClick(); });
    connect(ui.btnPrevPage, &QToolButton::clicked, this, [this] { btnPrevPageClick(); });
    connect(ui.btnNextPage, &QToolButton::clicked, this, [this] { btnNextPageClick(); });
    connect(ui.btnLastPage, &QToolButton::clicked, this, [this] { btnLastPageClick(); });
    connectGuarded(ui.edPageNumber, &QLineEdit::returnPressed, this,
                   &TRptPreviewFrm::edPageNumberKeyDown);
    connect(ui.bClose, &QPushButton::clicked, this, [this] { bCloseClick(); });
    connectGuarded(ui.bSavePdf, &QPushButton::clicked, this, &TRptPreviewFrm::bSavePdfClick);

    // Keys reach the window before the focused control; the same filter follows the focus of
    // the zoom box and the page box and the size of pLeft.
    qApp->installEventFilter(this);
}

TRptPreviewFrm::~TRptPreviewFrm()
{
    m_ui->RptPreview->detach();
    if (RptPreviewFrm == this)
        RptPreviewFrm = nullptr;
}

void TRptPreviewFrm::setSaveFileHook(SaveFileHook hook)
{
    saveFileHook() = std::move(hook);
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
    FirstPageShown = false;
    for (QToolButton* b : {ui.btnFirstPage, ui.btnPrevPage, ui.btnNextPage, ui.btnLastPage})
        b->setEnabled(false);
    for (QAction* item : {m_firstItem, m_prevItem, m_nextItem, m_lastItem})
        item->setEnabled(false);
    ui.bSavePdf->setEnabled(false);
    m_saveItem->setEnabled(false);
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

void TRptPreviewFrm::RptPreviewPageAvailable(int)
{
    if (!hasRun())
        return;
    if (!FirstPageShown) {
        ApplyZoom(fitChoice);
        m_ui->RptPreview->show();
        m_ui->RptPreview->setPageNumber(1);
        FirstPageShown = true;
    }
    UpdateNavigation();
}

void TRptPreviewFrm::ApplyZoom(int choice)
{
    if (choice < 1 || choice > 7)
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
    for (QAction* item : m_menu->actions()) {
        if (item->isSeparator())
            continue;
        item->setCheckable(item->data().toInt() != 0);
        item->setChecked(item->data().toInt() == choice);
    }
}

void TRptPreviewFrm::UpdateNavigation()
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
    ui.btnFirstPage->setEnabled(back);
    ui.btnPrevPage->setEnabled(back);
    ui.btnNextPage->setEnabled(forward);
    ui.btnLastPage->setEnabled(forward);
    m_firstItem->setEnabled(back);
    m_prevItem->setEnabled(back);
    m_nextItem->setEnabled(forward);
    m_lastItem->setEnabled(forward);
    // A PDF saved while pages are still being made would be a cut-off catalogue that looks
    // whole; saving waits until the last page is in.
    const bool complete = count > 0 && ui.RptPreview->store()->isFinished();
    ui.bSavePdf->setEnabled(complete);
    m_saveItem->setEnabled(complete);
}

void TRptPreviewFrm::gotoPage(int page)
{
    if (!hasRun())
        return;
    m_ui->RptPreview->setPageNumber(page);
    UpdateNavigation();
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
    UpdateNavigation();
    if (!ok)
        throw TypovexError(tr("'%1' is not a valid integer value").arg(text));
}

void TRptPreviewFrm::edPageNumberKeyDown()
{
    edPageNumberExit();
}

bool TRptPreviewFrm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_PageUp:
        mods == Qt::ControlModifier ? btnFirstPageClick() : btnPrevPageClick();
        return true;
    case Qt::Key_PageDown:
        mods == Qt::ControlModifier ? btnLastPageClick() : btnNextPageClick();
        return true;
    case Qt::Key_Home:
        btnFirstPageClick();
        return true;
    case Qt::Key_End:
        btnLastPageClick();
        return true;
    default:
        break;
    }
    return false;
}

void TRptPreviewFrm::cbZoomChange()
{
    ApplyZoom(m_ui->cbZoom->currentIndex() + 1);
    cbZoomExit();
    m_ui->RptPreview->setFocus();
}

void TRptPreviewFrm::cbZoomEnter()
{
    m_keyPreview = false;
}

void TRptPreviewFrm::cbZoomExit()
{
    // The focus stays where the user put it; only a zoom change hands it to the page.
    m_keyPreview = true;
}

void TRptPreviewFrm::MenuZoomClick(QAction* item)
{
    ApplyZoom(item->data().toInt());
}

void TRptPreviewFrm::pLeftResize()
{
    m_ui->pgbReport->resize(m_ui->pLeft->width() - 16, m_ui->pgbReport->height());
}

void TRptPreviewFrm::bCloseClick()
{
    close();
}

void TRptPreviewFrm::done(int result)
{
    QDialog::done(result);
    FormClose();
}

void TRptPreviewFrm::FormClose()
{
    m_ui->RptPreview->detach();
}

void TRptPreviewFrm::bSavePdfClick()
{
    PageStore* store = m_ui->RptPreview->store();
    if (!store || store->pageCount() == 0 || !store->isFinished())
        return;
    const QString name = pdfFileName(store->title());
    QString path;
    if (saveFileHook()) {
        path = saveFileHook()(this, QDir(lastPdfFolder()).filePath(name));
    } else {
        QFileDialog dialog(this, tr("Save as PDF"), lastPdfFolder(), tr("PDF files (*.pdf)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        dialog.selectFile(name);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    QString error;
    ReportPrinter::savePdf(*store, path, 0, &error);
    if (!error.isEmpty())
        throw TypovexError(tr("Could not save \"%1\": %2").arg(path, error));
    lastPdfFolder() = QFileInfo(path).absolutePath();
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
            cbZoomEnter();
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            break;
        if (watched == m_ui->cbZoom)
            cbZoomExit();
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
