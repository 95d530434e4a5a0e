#include "ui/Advanced.h"

#include "base/Guarded.h"
#include "engine/PrinterList.h"
#include "fonts/FontFolders.h"
#include "fonts/FontSelection.h"
#include "fontservices/FontServices.h"
#include "ui_Advanced.h"

#include <cmath>
#include <optional>
#include <QLocale>
#include <QShortcut>
#include <QTabBar>

TfrmAdvanced* frmAdvanced = nullptr;

namespace {

constexpr int unitsMillimetres = 0;
constexpr int unitsInches = 1;

// Reads a margin as a number in the user's locale and writes it back converted, printf-style
// ("%<width>.<decimals>f") with the locale's decimal separator. Text that is not a finite number,
// or whose converted value no longer fits a 32-bit float, yields nothing: the edit keeps it.
std::optional<QString> convertMargin(const QString& text, bool toInches, int width, int decimals)
{
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    float converted = float(toInches ? value / 25.4 : value * 25.4);
    if (!std::isfinite(converted))
        return std::nullopt;
    // A margin that rounds to nothing reads "0.00", never "-0.00".
    const double scale = std::pow(10.0, decimals);
    if (std::round(std::fabs(double(converted)) * scale) == 0.0)
        converted = 0.0f;

    QLocale out;
    out.setNumberOptions(out.numberOptions() | QLocale::OmitGroupSeparator);
    QString result = out.toString(double(converted), 'f', decimals);
    if (result.size() < width)
        result = QString(width - result.size(), QLatin1Char(' ')) + result;
    return result;
}

// The folder group's caption is longer than the design width at most interface fonts, and a group
// box cannot wrap its title: shrink the title's font until it fits, and keep the contents' font.
void fitGroupTitle(QGroupBox* box, int room)
{
    // Fully resolved, so the children keep it when the box's own font changes.
    QFont contents = box->font();
    contents.setResolveMask(QFont::AllPropertiesResolved);
    QFont title = box->font();
    if (title.pointSizeF() <= 0)
        return;
    constexpr qreal smallest = 6.0;
    while (QFontMetrics(title).horizontalAdvance(box->title()) > room &&
           title.pointSizeF() - 0.5 >= smallest)
        title.setPointSizeF(title.pointSizeF() - 0.5);
    if (title.pointSizeF() == contents.pointSizeF())
        return;
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setFont(contents);
    box->setFont(title);
}

} // namespace

TfrmAdvanced::TfrmAdvanced(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmAdvanced>())
{
    m_ui->setupUi(this);
    // Design width 378 less the tab's frame and margins and the group's own title indent.
    fitGroupTitle(m_ui->gbFontPath, 340);
    // The prompt wraps to two lines at the design width; a tab page does not pass height-for-width
    // on, so reserve both lines or the memo below would overlap it.
    m_ui->lblMessagePrompt->setMinimumHeight(2 *
                                             m_ui->lblMessagePrompt->fontMetrics().lineSpacing());

    connectGuarded(m_ui->cbTitle, &QCheckBox::toggled, this, &TfrmAdvanced::cbTitleClick);
    connectGuarded(m_ui->cbHeader, &QCheckBox::toggled, this, &TfrmAdvanced::cbHeaderClick);
    connectGuarded(m_ui->bAutoText, &QPushButton::clicked, this, &TfrmAdvanced::bAutoTextClick);
    connectGuarded(m_ui->rgUnits, &RadioGroup::itemIndexChanged, this, &TfrmAdvanced::rgUnitsClick);
    connectGuarded(m_ui->bSaveSettings, &QPushButton::clicked, this,
                   &TfrmAdvanced::bSaveSettingsClick);

    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages already; Ctrl+PageDown and Ctrl+PageUp do the
    // same from any control of the window, round the ends as those do.
    const auto turnPage = [this](int step) {
        QTabWidget* pages = m_ui->pgTypovex;
        if (pages->count() > 0)
            pages->setCurrentIndex((pages->currentIndex() + step + pages->count()) %
                                   pages->count());
    };
    for (const auto& [keys, step] :
         {std::pair{Qt::CTRL | Qt::Key_PageDown, 1}, std::pair{Qt::CTRL | Qt::Key_PageUp, -1}}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), m_ui->pgTypovex);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [turnPage, step = step] { turnPage(step); });
    }

    FormCreate();
}

TfrmAdvanced::~TfrmAdvanced() = default;

void TfrmAdvanced::FormCreate()
{
    m_ui->cbPrinters->addItems(PrinterList::names());
    // A drop-down selects its first entry when filled; no printer is chosen until the settings say.
    m_ui->cbPrinters->setCurrentIndex(-1);

    m_ui->pgTypovex->setCurrentWidget(m_ui->tsFonts);

    AddedFontFiles.clear();
    FoundFontNames.clear();

    m_fonts = new FontSelection(
        {m_ui->clbFonts, m_ui->cbAllFonts, m_ui->cbUseInstalled, m_ui->lblFontName, m_ui->cbBold,
         m_ui->cbItalic, m_ui->cbUnderline, m_ui->cbStrikeout, m_ui->eFontFilter},
        [this] {
            if (onUpdatePrintButtons)
                onUpdatePrintButtons();
        },
        this);
    FillFontList();

    m_folders = new FontFolders(
        {m_ui->lbFontPath, m_ui->bAdd, m_ui->bRemove, m_ui->bApply, m_ui->bNewFonts, m_ui->lblInfo,
         m_ui->clbFonts},
        AddedFontFiles, FoundFontNames, [this] { m_fonts->clbFontsClickCheck(); }, this);
    connectGuarded(m_ui->bAdd, &QPushButton::clicked, m_folders, &FontFolders::bAddClick);
    connectGuarded(m_ui->bRemove, &QPushButton::clicked, m_folders, &FontFolders::bRemoveClick);
    connectGuarded(m_ui->bApply, &QPushButton::clicked, m_folders, &FontFolders::bApplyClick);
    connectGuarded(m_ui->bNewFonts, &QPushButton::clicked, m_folders, &FontFolders::bNewFontsClick);

    const QStringList families = FontServices::familyList();
    for (QComboBox* faces : {m_ui->cbRTFontName, m_ui->cbHFontName, m_ui->cbFFontName}) {
        faces->addItems(families);
        faces->setCurrentIndex(-1);
    }
}

QStringList TfrmAdvanced::chosenFonts() const
{
    const FontCheckList* list = m_ui->clbFonts;
    const bool all = m_ui->cbAllFonts->checkState() == Qt::Checked;
    const int count = list->count();
    QStringList fonts;
    fonts.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (all || list->isChecked(i))
            fonts.append(list->name(i));
    }
    return fonts;
}

int TfrmAdvanced::startupMode() const
{
    return m_ui->rgStartup->itemIndex();
}

bool TfrmAdvanced::startMinimised() const
{
    return m_ui->cbMinimise->isChecked();
}

bool TfrmAdvanced::anyFontChosen() const
{
    return m_ui->cbAllFonts->checkState() != Qt::Unchecked;
}

int TfrmAdvanced::tabsWidth() const
{
    return m_ui->pgTypovex->tabBar()->sizeHint().width();
}

void TfrmAdvanced::showFontsTab()
{
    m_ui->pgTypovex->setCurrentWidget(m_ui->tsFonts);
}

void TfrmAdvanced::focusFontList()
{
    m_ui->clbFonts->setFocus();
}

void TfrmAdvanced::RemoveAddedFonts()
{
    m_folders->RemoveAddedFonts();
}

void TfrmAdvanced::FillFontList()
{
    m_fonts->fillWithFamilies();
}

void TfrmAdvanced::cbAllFontsClick()
{
    m_fonts->cbAllFontsClick();
}

void TfrmAdvanced::cbTitleClick()
{
    m_ui->eTitleText->setEnabled(m_ui->cbTitle->isChecked());
}

void TfrmAdvanced::cbHeaderClick()
{
    const bool on = m_ui->cbHeader->isChecked();
    m_ui->eHeaderText->setEnabled(on);
    m_ui->cbListChars->setEnabled(on);
    m_ui->cbSuppressHeader->setEnabled(on);
}

void TfrmAdvanced::bAutoTextClick()
{
    m_ui->mMessage->setPlainText(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!@#$%^&*()"));
}

void TfrmAdvanced::rgUnitsClick()
{
    const int chosen = m_ui->rgUnits->itemIndex();
    const bool toInches = ShownUnits == unitsMillimetres && chosen == unitsInches;
    const bool toMillimetres = ShownUnits == unitsInches && chosen == unitsMillimetres;
    if (toInches || toMillimetres) {
        // Inches are shown as "%4.2f", millimetres as "%3.1f".
        const int width = toInches ? 4 : 3;
        const int decimals = toInches ? 2 : 1;
        for (QLineEdit* margin : {m_ui->eTop, m_ui->eBottom, m_ui->eLeft, m_ui->eRight}) {
            if (const auto converted = convertMargin(margin->text(), toInches, width, decimals))
                margin->setText(*converted);
        }
    }
    ShownUnits = chosen;
}

void TfrmAdvanced::bSaveSettingsClick()
{
    if (onSaveSettings)
        onSaveSettings();
}
