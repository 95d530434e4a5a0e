#include "fonts/FontCheckList.h"

#include "fonts/FontListModel.h"
#include "fontservices/FontServices.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QToolTip>

namespace {

// The entries whose name holds a text, letter case ignored. A plain substring test: the text is
// what the user typed, not a pattern.
class NameFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setText(const QString& text)
    {
        m_text = text;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (m_text.isEmpty())
            return true;
        const auto* entries = static_cast<const FontListModel*>(sourceModel());
        return !parent.isValid() && entries->name(row).contains(m_text, Qt::CaseInsensitive);
    }

private:
    QString m_text;
};

} // namespace

FontCheckList::FontCheckList(QWidget* parent)
    : QListView(parent), m_model(new FontListModel(this)), m_shown(new NameFilter(this)),
      m_delegate(new FontListDelegate(this)), m_prefetch(new QTimer(this))
{
    m_prefetch->setSingleShot(true);
    m_prefetch->setInterval(0);
    connect(m_prefetch, &QTimer::timeout, this, &FontCheckList::prefetch);
    m_model->setMeasure([this](const QString& name) { return measure(name); });
    m_shown->setSourceModel(m_model);
    // Ticks and heights never change what is shown: only a new filter text does.
    m_shown->setDynamicSortFilter(false);
    setModel(m_shown);
    setItemDelegate(m_delegate);
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
}

void FontCheckList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    schedulePrefetch();
}

void FontCheckList::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    schedulePrefetch();
}

void FontCheckList::schedulePrefetch()
{
    if (!m_prefetch->isActive())
        m_prefetch->start();
}

void FontCheckList::prefetch()
{
    const int n = m_shown->rowCount();
    if (n == 0 || !isVisible())
        return;
    const int page = viewport()->height();
    const QModelIndex top = indexAt(QPoint(0, 0));
    const int first = top.isValid() ? top.row() : 0;
    const QModelIndex bottom = indexAt(QPoint(0, page - 1));
    const int last = bottom.isValid() ? bottom.row() : n - 1;
    const auto entry = [this](int row) { return entryOf(m_shown->index(row, 0)); };

    // The page below first, the way one reads, then the page above.
    QList<int> entries;
    for (int row = last + 1, height = 0; row < n && height < page; ++row) {
        entries.append(entry(row));
        height += m_model->height(entries.last());
    }
    for (int row = first - 1, height = 0; row >= 0 && height < page; --row) {
        entries.append(entry(row));
        height += m_model->height(entries.last());
    }
    // Work in slices short enough to keep the program responsive; the rest follows when idle.
    QElapsedTimer slice;
    slice.start();
    for (int index : entries) {
        const QString name = m_model->name(index);
        if (m_delegate->isPrepared(name))
            continue;
        if (slice.elapsed() >= 8) {
            m_prefetch->start();
            return;
        }
        m_delegate->prepareFont(name);
    }
}

int FontCheckList::measure(const QString& name) const
{
    // The height of "Wg" in the entry's face at point size 0 and the current style, plus 2.
    const Style& style = m_delegate->entryStyle();
    return FontServices::lineHeight(name, style.bold, style.italic, this) + 2;
}

void FontCheckList::fill(const QStringList& names)
{
    m_model->fill(names);
}
int FontCheckList::addEntry(const QString& name, bool checked)
{
    return m_model->addEntry(name, checked);
}
bool FontCheckList::removeFirst(const QString& name)
{
    return m_model->removeFirst(name);
}
int FontCheckList::indexOf(const QString& name) const
{
    return m_model->indexOf(name);
}
int FontCheckList::count() const
{
    return m_model->count();
}
QString FontCheckList::name(int index) const
{
    return m_model->name(index);
}
bool FontCheckList::isChecked(int index) const
{
    return m_model->isChecked(index);
}
void FontCheckList::setChecked(int index, bool checked)
{
    m_model->setChecked(index, checked);
}
void FontCheckList::setAllChecked(bool checked)
{
    m_model->setAllChecked(checked);
}
void FontCheckList::invertAll()
{
    m_model->invertAll();
}
int FontCheckList::entryHeight(int index) const
{
    return m_model->height(index);
}

int FontCheckList::entryAt(const QPoint& viewportPos) const
{
    return entryOf(indexAt(viewportPos));
}

int FontCheckList::entryOf(const QModelIndex& viewIndex) const
{
    const QModelIndex entry = m_shown->mapToSource(viewIndex);
    return entry.isValid() ? entry.row() : -1;
}

QModelIndex FontCheckList::viewIndexOf(int entry) const
{
    return m_shown->mapFromSource(m_model->index(entry));
}

void FontCheckList::setFilterText(const QString& text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    static_cast<NameFilter*>(m_shown)->setText(text);
    schedulePrefetch();
}

int FontCheckList::shownCount() const
{
    return m_shown->rowCount();
}

void FontCheckList::setEntryStyle(const Style& style)
{
    m_delegate->setEntryStyle(style);
    viewport()->update();
    schedulePrefetch();
}

FontCheckList::Style FontCheckList::entryStyle() const
{
    return m_delegate->entryStyle();
}

void FontCheckList::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    emit listClicked();
}

void FontCheckList::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    emit pointerMoved(event->position().toPoint());
}

void FontCheckList::keyPressEvent(QKeyEvent* event)
{
    // The window system turns the Menu key into a context menu event; Shift+F10 is the other
    // customary key for it.
    if (event->key() == Qt::Key_F10 &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
        emit menuRequested(keyboardMenuPos(), true);
        return;
    }
    QListView::keyPressEvent(event);
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select)
        emit listClicked();
}

void FontCheckList::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuRequested(keyboardMenuPos(), true);
    else
        emit menuRequested(event->globalPos(), false);
    event->accept();
}

QPoint FontCheckList::keyboardMenuPos() const
{
    const QRect entry = visualRect(currentIndex()).intersected(viewport()->rect());
    const QPoint at = entry.isValid() ? entry.bottomLeft() + QPoint(entry.height() / 2, 0)
                                      : viewport()->rect().topLeft();
    return viewport()->mapToGlobal(at);
}

bool FontCheckList::viewportEvent(QEvent* event)
{
    // The hint is the list's own tooltip text, which follows the pointer from entry to entry.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (toolTip().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), toolTip(), viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

QModelIndex FontCheckList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex moved = QListView::moveCursor(action, modifiers);
    // A face with huge metrics can make an entry taller than the view; paging would stop there.
    const QModelIndex current = currentIndex();
    if (moved == current && current.isValid()) {
        if (action == MovePageDown && current.row() + 1 < m_shown->rowCount())
            return m_shown->index(current.row() + 1, 0);
        if (action == MovePageUp && current.row() > 0)
            return m_shown->index(current.row() - 1, 0);
    }
    return moved;
}
