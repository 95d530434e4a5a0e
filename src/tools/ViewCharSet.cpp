#include "tools/ViewCharSet.h"

#include "base/Guarded.h"
#include "fontservices/FontServices.h"
#include "tools/CharacterCodes.h"
#include "ui_ViewCharSet.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

const auto codeFace = QStringLiteral("Arial");
constexpr int codePointSize = 10;

// The grid's cells: numbers in the even columns, characters in the odd ones. The cells are
// drawn by dgSampleDrawCell; the text here serves accessibility and tests.
class CharacterGridModel : public QAbstractTableModel
{
public:
    explicit CharacterGridModel(const TdlgViewCharacterSet* dialog)
        : QAbstractTableModel(const_cast<TdlgViewCharacterSet*>(dialog)), m_dialog(dialog)
    {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : TdlgViewCharacterSet::rowCount;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : TdlgViewCharacterSet::columnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        const int code = TdlgViewCharacterSet::codeAt(index.column(), index.row());
        if (index.column() % 2 == 0)
            return QString::number(code);
        return QString(TdlgViewCharacterSet::characterOf(m_dialog->characterFont(), code));
    }

private:
    const TdlgViewCharacterSet* m_dialog;
};

// Paints a cell's ground and sets its text colour, as a drawing grid does, then leaves the
// contents to the dialog's cell handler.
class CharacterGridDelegate : public QStyledItemDelegate
{
public:
    explicit CharacterGridDelegate(TdlgViewCharacterSet* dialog)
        : QStyledItemDelegate(dialog), m_dialog(dialog)
    {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->fillRect(option.rect,
                          option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        m_dialog->dgSampleDrawCell(*painter, index.column(), index.row(), option.rect);
        painter->restore();
    }

private:
    TdlgViewCharacterSet* m_dialog;
};

} // namespace

TdlgViewCharacterSet::TdlgViewCharacterSet(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TdlgViewCharacterSet>())
{
    m_ui->setupUi(this);

    QTableView* grid = m_ui->dgSample;
    grid->setModel(new CharacterGridModel(this));
    grid->setItemDelegate(new CharacterGridDelegate(this));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()}) {
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    // Whatever the point size, the cells keep their size.
    grid->horizontalHeader()->setDefaultSectionSize(cellWidth);
    grid->verticalHeader()->setDefaultSectionSize(cellHeight);
    grid->setShowGrid(true);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);

    applyColours();
    m_ui->eSample->hide();

    connectGuarded(m_ui->sePointSize, &QSpinBox::valueChanged, this,
                   &TdlgViewCharacterSet::sePointSizeChange);
    connectGuarded(m_ui->sePointSize, &QSpinBox::textChanged, this,
                   &TdlgViewCharacterSet::sePointSizeTextChange);
    m_ui->sePointSize->installEventFilter(this);
    connectGuarded(m_ui->cbBold, &QToolButton::clicked, this, &TdlgViewCharacterSet::cbBoldClick);
    connectGuarded(m_ui->cbItalic, &QToolButton::clicked, this,
                   &TdlgViewCharacterSet::cbItalicClick);
    connectGuarded(m_ui->cbUnderline, &QToolButton::clicked, this,
                   &TdlgViewCharacterSet::cbUnderlineClick);
    connectGuarded(m_ui->cbStrikeout, &QToolButton::clicked, this,
                   &TdlgViewCharacterSet::cbStrikeoutClick);
    connectGuarded(m_ui->cbASCIIcodes, &QCheckBox::clicked, this,
                   &TdlgViewCharacterSet::cbASCIIcodesClick);
    connect(m_ui->bClose, &QPushButton::clicked, this, &QDialog::reject);
}

// Both views stand on the button-face colour: set again at every change of theme, as a colour set
// on a control stays as it was set.
void TdlgViewCharacterSet::applyColours()
{
    const QColor ground = palette().color(QPalette::Button);
    for (QWidget* view :
         {static_cast<QWidget*>(m_ui->dgSample), static_cast<QWidget*>(m_ui->eSample)}) {
        QPalette colours = view->palette();
        colours.setColor(QPalette::Base, ground);
        view->setPalette(colours);
    }
}

void TdlgViewCharacterSet::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

TdlgViewCharacterSet::~TdlgViewCharacterSet() = default;

void TdlgViewCharacterSet::ShowForFont(const QString& face)
{
    PrepareForFont(face);
    exec();
}

void TdlgViewCharacterSet::PrepareForFont(const QString& face)
{
    m_ui->lblFontName->setText(face);
    updateSampleFont();
    m_ui->eSample->setPlainText(characterRun(m_ui->eSample->font()));
    showChosenView();
}

int TdlgViewCharacterSet::codeAt(int column, int row)
{
    return row + rowCount * (column / 2);
}

QFont TdlgViewCharacterSet::characterFont() const
{
    QFont font =
        FontServices::fontFor(m_ui->lblFontName->text(), pointSize(), m_ui->cbBold->isChecked(),
                              m_ui->cbItalic->isChecked(), m_ui->cbUnderline->isChecked(),
                              m_ui->cbStrikeout->isChecked());
    // The viewer shows what this font holds: a code it lacks shows its missing glyph, not a
    // glyph borrowed from another font.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

QChar TdlgViewCharacterSet::characterOf(const QFont& font, int code)
{
    return CharacterCodes::character(code, CharacterCodes::hasSymbolCharMap(font));
}

QString TdlgViewCharacterSet::characterRun(const QFont& font)
{
    const bool symbol = CharacterCodes::hasSymbolCharMap(font);
    QString run;
    run.reserve(255);
    for (int code = 1; code <= 255; ++code) {
        QChar ch = CharacterCodes::character(code, symbol);
        // A text box would break its line at a line feed or carriage return; these control
        // codes show nothing of their own, so the run stays one line of text.
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r'))
            ch = QChar(0x200B);
        run.append(ch);
    }
    return run;
}

void TdlgViewCharacterSet::dgSampleDrawCell(QPainter& painter, int column, int row,
                                            const QRect& rect) const
{
    const int code = codeAt(column, row);
    QString text;
    if (column % 2 == 0) {
        painter.setFont(FontServices::fontFor(codeFace, codePointSize, false, false, false, false));
        text = QString::number(code);
    } else {
        const QFont font = characterFont();
        painter.setFont(font);
        text = QString(characterOf(font, code));
    }
    painter.save();
    // Characters larger than the cell stay inside it rather than spilling onto neighbours.
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setBackgroundMode(Qt::TransparentMode);
    FontServices::drawText(painter, rect.topLeft() + QPoint(1, 1), text);
    painter.restore();
}

// An emptied text gives no new value, but counts as 1 all the same.
void TdlgViewCharacterSet::sePointSizeTextChange()
{
    if (!wholeNumberTyped())
        sePointSizeChange();
}

bool TdlgViewCharacterSet::wholeNumberTyped() const
{
    bool whole = false;
    m_ui->sePointSize->cleanText().toInt(&whole);
    return whole;
}

int TdlgViewCharacterSet::pointSize() const
{
    return wholeNumberTyped() ? m_ui->sePointSize->value() : m_ui->sePointSize->minimum();
}

bool TdlgViewCharacterSet::eventFilter(QObject* watched, QEvent* event)
{
    // Left, or confirmed with Enter, while its text is no whole number: the spin would go back to
    // its last value, but the text counts as 1, and the spin says so.
    if (watched == m_ui->sePointSize && !wholeNumberTyped()) {
        const bool enter = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut || event->type() == QEvent::Hide)
            m_ui->sePointSize->setValue(m_ui->sePointSize->minimum());
    }
    return QDialog::eventFilter(watched, event);
}

void TdlgViewCharacterSet::updateSampleFont()
{
    m_ui->eSample->setFont(characterFont());
}

void TdlgViewCharacterSet::showChosenView()
{
    const bool grid = m_ui->cbASCIIcodes->isChecked();
    m_ui->eSample->setVisible(!grid);
    m_ui->dgSample->setVisible(grid);
}

void TdlgViewCharacterSet::sePointSizeChange()
{
    updateSampleFont();
    m_ui->dgSample->viewport()->update();
}

void TdlgViewCharacterSet::cbBoldClick()
{
    updateSampleFont();
    m_ui->dgSample->viewport()->update();
}

void TdlgViewCharacterSet::cbItalicClick()
{
    cbBoldClick();
}

void TdlgViewCharacterSet::cbUnderlineClick()
{
    cbBoldClick();
}

void TdlgViewCharacterSet::cbStrikeoutClick()
{
    cbBoldClick();
}

void TdlgViewCharacterSet::cbASCIIcodesClick()
{
    showChosenView();
}
