#include "fonts/FontListDelegate.h"

#include "fontservices/FontServices.h"
#include "fontservices/ScriptSample.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBoundaryFinder>

namespace {

const QString sampleSuffix = QStringLiteral(" 0123");
constexpr int checkMargin = 2;

QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

FontListDelegate::FontListDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    // An entry's name may stand for another face once fonts were added or removed.
    connect(FontServices::notifier(), &FontServices::fontsChanged, this, [this] {
        m_fonts.clear();
        m_shown.clear();
    });
}

QFont FontListDelegate::entryFont(const QString& name) const
{
    if (auto it = m_fonts.constFind(name); it != m_fonts.constEnd())
        return *it;
    QFont font = FontServices::fontFor(name, 0, m_style.bold, m_style.italic, m_style.underline,
                                       m_style.strikeout);
    // Each entry shows its own face only, as the sample will print: no glyphs borrowed from other
    // fonts (which also spares a fallback search per family while scrolling).
    font.setStyleStrategy(QFont::NoFontMerging);
    // A few pages' worth is plenty; holding every face loaded would cost memory for nothing.
    constexpr int keep = 200;
    if (m_fonts.size() >= keep)
        m_fonts.clear();
    m_fonts.insert(name, font);
    return font;
}

void FontListDelegate::prepareFont(const QString& name) const
{
    // Measuring loads the face and shapes the text the paint will draw.
    QFontMetrics(entryFont(name)).horizontalAdvance(name + entrySample(name));
}

const FontListDelegate::Shown& FontListDelegate::shown(const QString& name) const
{
    if (auto it = m_shown.constFind(name); it != m_shown.constEnd())
        return *it;
    // Asked of the face's own character map: the list draws each entry without borrowed glyphs,
    // and a symbol face's map holds no text at all.
    const FaceFile face = FontServices::faceFileFor(entryFont(name));
    Shown entry;
    entry.ownName = ScriptSample::covers(face, name);
    entry.sample = sampleSuffix;
    if (!ScriptSample::covers(face, sampleSuffix)) {
        // Whole characters only: a cut inside a cluster would leave a mark without its letter.
        const QString own = ScriptSample::sampleFor(face, sampleSuffix);
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, own);
        int end = 0;
        for (int taken = 0; taken < 4 && end >= 0 && end < own.size(); ++taken)
            end = graphemes.toNextBoundary();
        if (end > 0)
            entry.sample = QLatin1Char(' ') + own.left(end);
    }
    return *m_shown.insert(name, entry);
}

bool FontListDelegate::drawsOwnName(const QString& name) const
{
    return shown(name).ownName;
}

QString FontListDelegate::entrySample(const QString& name) const
{
    return shown(name).sample;
}

QRect FontListDelegate::checkRect(const QStyleOptionViewItem& option) const
{
    QStyle* style = styleOf(option);
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget);
    const int top = option.rect.top() + qMax(0, (option.rect.height() - h) / 2);
    return {option.rect.left() + checkMargin, top, w, h};
}

void FontListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const QRect box = checkRect(option);
    QStyleOptionViewItem check(option);
    check.rect = box;
    check.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_HasFocus);
    check.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                         : QStyle::State_Off;
    painter->save();
    painter->fillRect(QRect(option.rect.left(), option.rect.top(),
                            box.right() + checkMargin + 1 - option.rect.left(),
                            option.rect.height()),
                      option.palette.base());
    styleOf(option)->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter,
                                   option.widget);

    // The entry's own rectangle starts right of the tick box.
    const QRect rect(box.right() + checkMargin + 1, option.rect.top(),
                     option.rect.right() - box.right() - checkMargin, option.rect.height());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->fillRect(rect,
                      option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(rect);
    const QString name = index.data(Qt::DisplayRole).toString();
    const QFont face = entryFont(name);
    const QPoint topLeft = rect.topLeft() + QPoint(1, 1);
    const Shown& entry = shown(name);
    if (entry.ownName) {
        painter->setFont(face);
        FontServices::drawText(*painter, topLeft, name + entry.sample);
    } else {
        // The name in the list's font and the digits in the face, on one baseline: the face's,
        // unless the name needs more room above it; the entry keeps its measured height.
        const QFontMetrics nameMetrics(option.font);
        const QFontMetrics faceMetrics(face);
        const int baseline = qMin(topLeft.y() + qMax(faceMetrics.ascent(), nameMetrics.ascent()),
                                  rect.bottom() + 1 - nameMetrics.descent());
        painter->setFont(option.font);
        painter->drawText(topLeft.x(), baseline, name);
        painter->setFont(face);
        painter->drawText(topLeft.x() + nameMetrics.horizontalAdvance(name), baseline,
                          entry.sample);
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = rect;
        styleOf(option)->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

QSize FontListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The height was measured when the entry was added and is never measured again.
    return {option.rect.width(), index.data(Qt::SizeHintRole).toSize().height()};
}

bool FontListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                   const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto toggle = [&] {
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton ||
            !checkRect(option).contains(mouse->position().toPoint()))
            return false;
        // The tick changes once per click, on release; press and double click are used up.
        return event->type() == QEvent::MouseButtonRelease ? toggle() : true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Select)
            return toggle();
        return false;
    }
    default:
        return false;
    }
}
