#include "tools/ViewCharSet.h"

#include "base/Guarded.h"
#include "fontservices/FontServices.h"
#include "tools/CharacterCodes.h"
#include "tools/CharacterGrid.h"
#include "ui_ViewCharSet.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>

namespace {

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
    : FontToolDialog(parent), m_ui(std::make_unique<Ui::TdlgViewCharacterSet>())
{
    m_ui->setupUi(this);

    QTableView* grid = m_ui->dgSample;
    m_model = new CharacterGridModel(this);
    m_model->setFont(characterFont());
    grid->setModel(m_model);
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

    connectGuarded(m_ui->styleBlock, &StyleBlock::changed, this,
                   &TdlgViewCharacterSet::updateSampleFont);
    connectGuarded(m_ui->styleBlock->sizeBox(), &QSpinBox::textChanged, this,
                   &TdlgViewCharacterSet::sePointSizeTextChange);
    m_ui->styleBlock->sizeBox()->installEventFilter(this);
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
    FontToolDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

TdlgViewCharacterSet::~TdlgViewCharacterSet() = default;

void TdlgViewCharacterSet::PrepareForFont(const QString& face)
{
    m_ui->lblFontName->setText(face);
    updateSampleFont();
    m_ui->eSample->setPlainText(characterRun(m_ui->eSample->font()));
    showChosenView();
}

QFont TdlgViewCharacterSet::characterFont() const
{
    QFont font = m_ui->styleBlock->fontFor(m_ui->lblFontName->text(), pointSize());
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
    const QModelIndex cell = m_model->index(row, column);
    painter.save();
    painter.setFont(cell.data(Qt::FontRole).value<QFont>());
    // Characters larger than the cell stay inside it rather than spilling onto neighbours.
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setBackgroundMode(Qt::TransparentMode);
    FontServices::drawText(painter, rect.topLeft() + QPoint(1, 1), cell.data().toString());
    painter.restore();
}

// An emptied text gives no new value, but counts as 1 all the same.
void TdlgViewCharacterSet::sePointSizeTextChange()
{
    if (!wholeNumberTyped())
        updateSampleFont();
}

bool TdlgViewCharacterSet::wholeNumberTyped() const
{
    bool whole = false;
    m_ui->styleBlock->sizeBox()->cleanText().toInt(&whole);
    return whole;
}

int TdlgViewCharacterSet::pointSize() const
{
    return wholeNumberTyped() ? m_ui->styleBlock->sizeBox()->value()
                              : m_ui->styleBlock->sizeBox()->minimum();
}

bool TdlgViewCharacterSet::eventFilter(QObject* watched, QEvent* event)
{
    // Left, or confirmed with Enter, while its text is no whole number: the spin would go back to
    // its last value, but the text counts as 1, and the spin says so.
    if (watched == m_ui->styleBlock->sizeBox() && !wholeNumberTyped()) {
        const bool enter = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut || event->type() == QEvent::Hide)
            m_ui->styleBlock->sizeBox()->setValue(m_ui->styleBlock->sizeBox()->minimum());
    }
    return QDialog::eventFilter(watched, event);
}

void TdlgViewCharacterSet::updateSampleFont()
{
    const QFont font = characterFont();
    m_model->setFont(font);
    m_ui->eSample->setFont(font);
}

void TdlgViewCharacterSet::showChosenView()
{
    const bool grid = m_ui->cbASCIIcodes->isChecked();
    m_ui->eSample->setVisible(!grid);
    m_ui->dgSample->setVisible(grid);
}

void TdlgViewCharacterSet::cbASCIIcodesClick()
{
    showChosenView();
}
