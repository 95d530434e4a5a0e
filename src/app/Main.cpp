#include "app/Main.h"

#include "app/AppGlobals.h"
#include "app/HintPlacement.h"
#include "app/Messages.h"
#include "app/PrevInstance.h"
#include "app/TypovexApplication.h"
#include "ui_Main.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QWindow>

namespace {

const auto versionText = QStringLiteral("3.9");

// The label Qt shows hints in; it is created by the first QToolTip::showText.
QWidget* visibleHintLabel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
            return w;
    }
    return nullptr;
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

    connect(ui->bAbout, &QPushButton::clicked, this,
            [this] { guarded([this] { bAboutClick(); }); });
    connect(ui->bAdvanced, &QPushButton::clicked, this,
            [this] { guarded([this] { bAdvancedClick(); }); });
    connect(ui->bPrint, &QPushButton::clicked, this,
            [this] { guarded([this] { bPrintClick(); }); });
    connect(ui->bPreview, &QPushButton::clicked, this,
            [this] { guarded([this] { bPreviewClick(); }); });
    connect(ui->bClose, &QPushButton::clicked, this,
            [this] { guarded([this] { bCloseClick(); }); });

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
    setWindowTitle(Messages::applicationTitle() + QStringLiteral(" - ver. ") + versionText);
    ui->lblTitle->setText(Messages::applicationTitle());
}

void TfrmMain::FormShow() {}

void TfrmMain::FormDestroy()
{
    qApp->removeEventFilter(this);
    SetPrevInstanceWindow(nullptr);
    ReleasePrevInstance();
}

void TfrmMain::bAboutClick() {}

void TfrmMain::bAdvancedClick() {}

void TfrmMain::bPrintClick() {}

void TfrmMain::bPreviewClick() {}

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
