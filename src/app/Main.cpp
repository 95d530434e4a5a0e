#include "app/Main.h"

#include "app/About.h"
#include "app/HintPlacement.h"
#include "app/PrevInstance.h"
#include "app/Wait.h"
#include "base/Errors.h"
#include "base/Guarded.h"
#include "base/Messages.h"
#include "fonts/FontFolders.h"
#include "fonts/FontSelection.h"
#include "fonts/SelectFolderDialog.h"
#include "report/QRPreview.h"
#include "report/Report.h"
#include "tools/Export.h"
#include "tools/ViewCharSet.h"
#include "ui/Advanced.h"
#include "ui/Wizard.h"
#include "ui_Main.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QToolTip>
#include <QWindow>

namespace {

const auto versionText = QStringLiteral("3.9");
// The mode button's captions, translated where they are used.
const char* const toAdvancedCaption = QT_TRANSLATE_NOOP("TfrmMain", "Advanced...");
const char* const toWizardCaption = QT_TRANSLATE_NOOP("TfrmMain", "Wizard...");
const QSize designPanel(376, 273);

// The label Qt shows hints in; it is created by the first QToolTip::showText.
QWidget* visibleHintLabel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
            return w;
    }
    return nullptr;
}

// A run reads the advanced window's controls as they stand when it starts.
ListingSettings liveSettings()
{
    return frmAdvanced->settings();
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmMain>())
{
    ui->setupUi(this);
    setFixedSize(390, 356);

    connectGuarded(ui->bAbout, &QPushButton::clicked, this, &TfrmMain::bAboutClick);
    connectGuarded(ui->bAdvanced, &QPushButton::clicked, this, &TfrmMain::bAdvancedClick);
    connectGuarded(ui->bPrint, &QPushButton::clicked, this, &TfrmMain::bPrintClick);
    connectGuarded(ui->bPreview, &QPushButton::clicked, this, &TfrmMain::bPreviewClick);
    connectGuarded(ui->bClose, &QPushButton::clicked, this, &TfrmMain::bCloseClick);

    FormCreate();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

void TfrmMain::FormCreate()
{
    CheckPrevInstance();
    SetPrevInstanceWindow(this);
    qApp->installEventFilter(this);
    SelectionSyncBusy = false;
    setWindowTitle(Messages::applicationTitle() + tr(" - ver. ") + versionText);
    ui->lblTitle->setText(Messages::applicationTitle());
}

void TfrmMain::setWindows(const Windows& windows)
{
    m_windows = windows;
}

void TfrmMain::FormShow()
{
    // The wizard first, then the advanced window, whose creation fills its printer list, its
    // face-name lists and the font list.
    frmWizard = new TfrmWizard(ui->pnlBackground);
    frmWizard->hide();
    ui->pnlBackground->layout()->addWidget(frmWizard);
    frmAdvanced = new TfrmAdvanced(ui->pnlBackground);
    frmAdvanced->hide();
    ui->pnlBackground->layout()->addWidget(frmAdvanced);

    frmWizard->setAdvanced(frmAdvanced);
    frmWizard->onPrint = [this] { bPrintClick(); };
    frmWizard->onPreview = [this] { bPreviewClick(); };
    frmAdvanced->onSaveSettings = [] { frmAdvanced->SaveSettings(); };
    frmAdvanced->fontFolders()->setFolderPicker(m_windows.folderPicker);
    frmAdvanced->fontFolders()->setProgress(m_windows.wait);
    frmAdvanced->onUpdatePrintButtons = [this] { UpdatePrintButtons(); };
    frmAdvanced->fontSelection()->onPreview = [this] { bPreviewClick(); };
    frmAdvanced->fontSelection()->onExport = [this](const QString& face) {
        if (m_windows.sampleExport)
            m_windows.sampleExport->ShowForFont(face);
    };
    frmAdvanced->fontSelection()->onViewCharSet = [this](const QString& face) {
        if (m_windows.characterSet)
            m_windows.characterSet->ShowForFont(face);
    };
    QSize needed = frmWizard->minimumSizeHint().expandedTo(frmAdvanced->minimumSizeHint());
    // Room for every tab caption of the advanced window, so that no tab hides behind arrows.
    const QMargins margins =
        frmAdvanced->layout() ? frmAdvanced->layout()->contentsMargins() : QMargins();
    needed.setWidth(
        qMax(needed.width(), frmAdvanced->tabsWidth() + margins.left() + margins.right() + 4));
    fitPanelTo(needed);

    // A read error ends the start here: the error box shows it and no mode is entered until
    // the mode button is pressed.
    frmAdvanced->LoadSettings();
    if (frmAdvanced->startMinimised())
        setWindowState(windowState() | Qt::WindowMinimized);
    if (m_windows.about)
        m_windows.about->setCaption(windowTitle());
    ShowStartupMode();
    // The first focus goes where the work starts: the wizard's Next button, or the font list.
    if (!frmWizard->isHidden())
        frmWizard->findChild<QPushButton*>(QStringLiteral("bNext"))->setFocus();
    else
        frmAdvanced->focusFontList();
}

void TfrmMain::fitPanelTo(QSize needed)
{
    const QSize panel = designPanel.expandedTo(needed);
    const int dx = panel.width() - designPanel.width();
    const int dy = panel.height() - designPanel.height();
    if (dx == 0 && dy == 0)
        return;
    ui->pnlBackground->resize(panel);
    ui->Bevel1->resize(ui->Bevel1->width() + dx, ui->Bevel1->height());
    for (QWidget* w : {static_cast<QWidget*>(ui->lblCredit), static_cast<QWidget*>(ui->lblContact)})
        w->move(w->x() + dx, w->y());
    for (QWidget* b : {ui->bAbout, ui->bAdvanced, ui->bPrint, ui->bPreview})
        b->move(b->x(), b->y() + dy);
    ui->bClose->move(ui->bClose->x() + dx, ui->bClose->y() + dy);
    const QPoint centre = geometry().center();
    setFixedSize(width() + dx, height() + dy);
    // Stay centred where the window was, as it was centred on the screen at its design size.
    move(pos() + (centre - geometry().center()));
}

void TfrmMain::ShowStartupMode()
{
    if (frmAdvanced->startupMode() == 0)
        ShowWizardMode();
    else
        ShowAdvancedMode();
}

void TfrmMain::ShowWizardMode()
{
    frmWizard->LoadFromAdvanced();
    ui->bAdvanced->setText(tr(toAdvancedCaption));
    ui->bPrint->hide();
    ui->bPreview->hide();
    frmAdvanced->hide();
    frmWizard->show();
}

void TfrmMain::ShowAdvancedMode()
{
    ui->bAdvanced->setText(tr(toWizardCaption));
    ui->bPrint->show();
    ui->bPreview->show();
    frmWizard->hide();
    frmAdvanced->showFontsTab();
    // As a click on "All fonts" does: ticked ticks every font, clear or grey clears them all.
    frmAdvanced->cbAllFontsClick();
    UpdatePrintButtons();
    frmAdvanced->show();
}

void TfrmMain::UpdatePrintButtons()
{
    const bool any = frmAdvanced && frmAdvanced->anyFontChosen();
    ui->bPrint->setEnabled(any);
    ui->bPreview->setEnabled(any);
}

void TfrmMain::FormDestroy()
{
    // No font added by the program outlives it.
    if (frmAdvanced)
        frmAdvanced->RemoveAddedFonts();
    delete frmWizard;
    frmWizard = nullptr;
    delete frmAdvanced;
    frmAdvanced = nullptr;
    qApp->removeEventFilter(this);
    SetPrevInstanceWindow(nullptr);
    ReleasePrevInstance();
}

void TfrmMain::bAboutClick()
{
    if (m_windows.about)
        m_windows.about->exec();
}

void TfrmMain::bAdvancedClick()
{
    if (ui->bAdvanced->text() == tr(toAdvancedCaption))
        ShowAdvancedMode();
    else
        ShowWizardMode();
}

void TfrmMain::bPrintClick()
{
    // A host of its own for every run, so a print never touches an open preview's host.
    auto host = std::make_unique<TfrmReport>(liveSettings);
    const ReportEngine::PrintResult result = host->print();
    host.reset();
    switch (result.status) {
    case ReportEngine::PrintResult::Status::NoPrinter:
        Messages::showMessage(tr("No printer is installed."));
        break;
    case ReportEngine::PrintResult::Status::Failed:
        throw TypovexError(tr("The catalogue could not be printed: %1").arg(result.reason));
    case ReportEngine::PrintResult::Status::Printed:
        break;
    }
}

void TfrmMain::bPreviewClick()
{
    // One preview at a time: a second Preview brings the open one forward.
    TRptPreviewFrm* window = m_windows.preview;
    if (!window)
        return;
    if (window->hasRun()) {
        window->showNormal();
        window->showMaximized();
        window->raise();
        window->activateWindow();
        return;
    }
    auto host = std::make_unique<TfrmReport>(liveSettings);
    host->preview(*window);
}

void TfrmMain::bCloseClick()
{
    close();
}

void TfrmMain::reject()
{
    ui->bClose->click();
}

bool TfrmMain::AppShowHint(QWidget* control, QHelpEvent* event)
{
    const QString hint = control->toolTip();
    if (hint.isEmpty())
        return false;
    QToolTip::showText(event->globalPos(), hint, control, QRect(), control->toolTipDuration());
    if (QWidget* label = visibleHintLabel()) {
        const QPoint wanted = HintPlacement::hintPosition(event->globalPos(), control->cursor());
        const QScreen* screen =
            label->screen() ? label->screen() : QGuiApplication::primaryScreen();
        label->move(HintPlacement::keepOnScreen(wanted, label->size(), screen->geometry(),
                                                event->globalPos().y()));
    }
    return true;
}

bool TfrmMain::isBackgroundAt(const QPoint& pos) const
{
    const QWidget* child = childAt(pos);
    if (!child)
        return true;
    // The bevel and the labels are drawn on the window itself; buttons and the panel with the
    // embedded window are windows of their own.
    return child->parentWidget() == this &&
           (child == ui->Bevel1 || qobject_cast<const QLabel*>(child) != nullptr);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && watched->isWidgetType())
        return AppShowHint(static_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        guarded([this] { FormShow(); });
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A dialog turns closing into reject(), which here presses Close again; the main window
    // simply closes.
    QWidget::closeEvent(event);
}

void TfrmMain::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isBackgroundAt(event->position().toPoint())) {
        QWindow* window = windowHandle();
        if (window && window->startSystemMove())
            return;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        return;
    }
    QDialog::mousePressEvent(event);
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void TfrmMain::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragOffset && event->button() == Qt::LeftButton) {
        m_dragOffset.reset();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}
