#include "ui/Wizard.h"

#include "base/Errors.h"
#include "base/Guarded.h"
#include "ui/DrawnPicture.h"
#include "ui/RadioGroup.h"
#include "ui_Wizard.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLinearGradient>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

TfrmWizard* frmWizard = nullptr;

namespace {

enum Page { Welcome, Target, Message, Columns, TitleAndFooter, Ready };

enum DisplayMode { PreviewOnScreen = 0, SendToPrinter = 1 };

// The wizard's subset of the settings: the page that asks for each field, the wizard's control
// and the advanced window's control that holds the field, in the order they are loaded. The text
// of the title is kept even with the title off, so it is there when the title is turned on.
struct WizardField
{
    Page page;
    const char* wizard;
    const char* advanced;
};
constexpr WizardField wizardFields[] = {
    {Target, "cbWizPrinters", "cbPrinters"},
    {Message, "mWizMessage", "mMessage"},
    {Columns, "rgWizColumns", "rgColumns"},
    {Columns, "cbWizFontName", "cbFontName"},
    {TitleAndFooter, "cbWizTitle", "cbTitle"},
    {TitleAndFooter, "eWizTitleText", "eTitleText"},
    {TitleAndFooter, "cbWizDateTime", "cbDateTime"},
    {TitleAndFooter, "cbWizPageNo", "cbPageNo"},
};

// Copies a value between two controls of the same kind. A drop-down brings its entries along
// only where they differ, so that the wizard's printer list follows the advanced window's.
void copyValue(const QWidget* from, QWidget* to)
{
    if (auto* box = qobject_cast<const QComboBox*>(from)) {
        auto* target = qobject_cast<QComboBox*>(to);
        QStringList names, shown;
        for (int i = 0; i < box->count(); ++i)
            names.append(box->itemText(i));
        for (int i = 0; i < target->count(); ++i)
            shown.append(target->itemText(i));
        if (names != shown) {
            target->clear();
            target->addItems(names);
        }
        target->setCurrentIndex(box->currentIndex());
    } else if (auto* memo = qobject_cast<const QPlainTextEdit*>(from)) {
        qobject_cast<QPlainTextEdit*>(to)->setPlainText(memo->toPlainText());
    } else if (auto* edit = qobject_cast<const QLineEdit*>(from)) {
        qobject_cast<QLineEdit*>(to)->setText(edit->text());
    } else if (auto* group = qobject_cast<const RadioGroup*>(from)) {
        qobject_cast<RadioGroup*>(to)->setItemIndex(group->itemIndex());
    } else if (auto* button = qobject_cast<const QAbstractButton*>(from)) {
        qobject_cast<QAbstractButton*>(to)->setChecked(button->isChecked());
    }
}

constexpr int PictureWidth = 145;
constexpr int PictureHeight = 260;

// The picture beside the pages: a few letters in different type styles on a dark ground, drawn
// here so that the program carries no artwork files.
QPixmap wizardPicture(qreal devicePixelRatio)
{
    QPixmap pixmap = DrawnPicture::canvas(QSize(PictureWidth, PictureHeight), devicePixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient ground(0, 0, 0, PictureHeight);
    ground.setColorAt(0.0, QColor(0x1d, 0x35, 0x57));
    ground.setColorAt(1.0, QColor(0x2a, 0x6f, 0x97));
    p.fillRect(0, 0, PictureWidth, PictureHeight, ground);

    // Faint ruled lines, like a type specimen sheet.
    p.setPen(QColor(255, 255, 255, 40));
    for (int y = 30; y < PictureHeight; y += 26)
        p.drawLine(10, y, PictureWidth - 10, y);

    auto glyphs = [&p](const QString& text, QFont::StyleHint hint, int pixelSize, bool bold,
                       bool italic, const QColor& colour, const QRect& box) {
        QFont font;
        font.setStyleHint(hint);
        font.setFamily(hint == QFont::Serif       ? QStringLiteral("serif")
                       : hint == QFont::Monospace ? QStringLiteral("monospace")
                                                  : QStringLiteral("sans-serif"));
        font.setPixelSize(pixelSize);
        font.setBold(bold);
        font.setItalic(italic);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(box, Qt::AlignCenter, text);
    };
    const QColor white(0xf1, 0xfa, 0xee);
    const QColor gold(0xf4, 0xd3, 0x5e);
    glyphs(QStringLiteral("Aa"), QFont::Serif, 72, false, false, white, QRect(0, 14, 145, 96));
    glyphs(QStringLiteral("Aa"), QFont::SansSerif, 34, true, false, gold, QRect(0, 112, 145, 44));
    glyphs(QStringLiteral("Aa"), QFont::Serif, 34, false, true, white, QRect(0, 158, 145, 44));
    glyphs(QStringLiteral("Aa"), QFont::Monospace, 24, false, false, QColor(0xa8, 0xda, 0xdc),
           QRect(0, 206, 145, 36));
    return pixmap;
}

} // namespace

TfrmWizard::TfrmWizard(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TfrmWizard>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    FormCreate();

    connectGuarded(ui->bNext, &QPushButton::clicked, this, &TfrmWizard::bNextClick);
    connectGuarded(ui->bPrev, &QPushButton::clicked, this, &TfrmWizard::bPrevClick);
    connectGuarded(ui->bFinish, &QPushButton::clicked, this, &TfrmWizard::bFinishClick);
    connectGuarded(ui->rgWizDisplayMode, &RadioGroup::itemIndexChanged, this,
                   &TfrmWizard::rgWizDisplayModeClick);
    // Toggled rather than clicked: the edit must follow the box when loading changes it too.
    connectGuarded(ui->cbWizTitle, &QCheckBox::toggled, this, &TfrmWizard::cbWizTitleClick);
}

TfrmWizard::~TfrmWizard() = default;

void TfrmWizard::FormCreate()
{
    // pgWizard is a stacked widget, which has no tabs to hide: pages change only through the
    // buttons.
    DrawnPicture::install(ui->imgWizard, wizardPicture);
    ui->pgWizard->setCurrentIndex(Welcome);
    ui->bPrev->setEnabled(false);
    ui->bNext->setEnabled(true);
    // The page font is fitted once the wizard has its real width (resizeEvent), not at the
    // form's design width, which would only cost time at start-up.
}

void TfrmWizard::setAdvanced(QWidget* advanced)
{
    m_advanced = advanced;
}

int TfrmWizard::currentPage() const
{
    return ui->pgWizard->currentIndex();
}

template <typename T> T* TfrmWizard::advancedControl(const char* name) const
{
    T* control = m_advanced ? m_advanced->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!control)
        throw TypovexError(
            QStringLiteral("The settings control '%1' is missing").arg(QLatin1String(name)));
    return control;
}

void TfrmWizard::LoadFromAdvanced()
{
    for (const WizardField& f : wizardFields)
        copyValue(advancedControl<QWidget>(f.advanced), wizardControl(f.wizard));
    ui->bPrev->setEnabled(false);
    ui->bNext->setEnabled(true);
    ui->pgWizard->setCurrentIndex(Welcome);
}

void TfrmWizard::CommitPage()
{
    const int page = ui->pgWizard->currentIndex();
    for (const WizardField& f : wizardFields) {
        if (f.page != page)
            continue;
        // The printer only matters when printing; a preview leaves the chosen printer alone.
        if (f.page == Target && ui->rgWizDisplayMode->itemIndex() != SendToPrinter)
            continue;
        copyValue(wizardControl(f.wizard), advancedControl<QWidget>(f.advanced));
    }
}

QWidget* TfrmWizard::wizardControl(const char* name) const
{
    auto* control = findChild<QWidget*>(QLatin1String(name));
    Q_ASSERT_X(control, name, "the wizard lacks a control of its field table");
    return control;
}

void TfrmWizard::bNextClick()
{
    CommitPage();
    const int page = currentPage();
    if (page >= Ready)
        return;
    if (page == Welcome)
        ui->bPrev->setEnabled(true);
    if (page == TitleAndFooter)
        ui->bNext->setEnabled(false);
    ui->pgWizard->setCurrentIndex(page + 1);
}

void TfrmWizard::bPrevClick()
{
    CommitPage();
    const int page = currentPage();
    if (page <= Welcome)
        return;
    if (page == Target)
        ui->bPrev->setEnabled(false);
    if (page == Ready)
        ui->bNext->setEnabled(true);
    ui->pgWizard->setCurrentIndex(page - 1);
}

void TfrmWizard::bFinishClick()
{
    CommitPage();
    if (ui->rgWizDisplayMode->itemIndex() == SendToPrinter) {
        if (onPrint)
            onPrint();
    } else if (onPreview) {
        onPreview();
    }
}

void TfrmWizard::rgWizDisplayModeClick()
{
    ui->cbWizPrinters->setEnabled(ui->rgWizDisplayMode->itemIndex() == SendToPrinter);
}

void TfrmWizard::cbWizTitleClick()
{
    ui->eWizTitleText->setEnabled(ui->cbWizTitle->isChecked());
}

void TfrmWizard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (width() != m_fittedWidth)
        fitPageFont();
}

// The pages sit in a small fixed panel beside the picture. When the interface font is too wide
// for their lines, the pages' font shrinks in half-point steps until every page fits, rather
// than letting the lines clip.
void TfrmWizard::fitPageFont()
{
    m_fittedWidth = width();
    const QMargins margins = ui->layPanel->contentsMargins();
    const int frame = 2 * ui->pnlWizard->frameWidth();
    const int available = width() - frame - margins.left() - margins.right() - PictureWidth -
                          ui->layPanel->horizontalSpacing();
    const int availableHeight = height() - frame - margins.top() - margins.bottom() -
                                ui->layPanel->verticalSpacing() -
                                ui->layButtons->sizeHint().height();

    const QFont base = font();
    const qreal basePoints = base.pointSizeF() > 0 ? base.pointSizeF() : 9.0;
    const QList<QLabel*> headings{ui->lblPage1Line1, ui->lblPage6Line1};
    auto apply = [&](qreal points) {
        QFont pageFont = base;
        pageFont.setPointSizeF(points);
        ui->pgWizard->setFont(pageFont);
        QFont heading = pageFont;
        heading.setBold(true);
        heading.setPointSizeF(points + 2);
        for (QLabel* label : headings)
            label->setFont(heading);
    };
    auto fits = [&] {
        for (int i = 0; i < ui->pgWizard->count(); ++i) {
            QWidget* page = ui->pgWizard->widget(i);
            page->layout()->invalidate();
            const QSize needed = page->minimumSizeHint();
            if (needed.width() > available || needed.height() > availableHeight)
                return false;
        }
        return true;
    };

    constexpr qreal SmallestPoints = 6.0;
    qreal points = basePoints;
    apply(points);
    while (!fits() && points - 0.5 >= SmallestPoints) {
        points -= 0.5;
        apply(points);
    }
}
