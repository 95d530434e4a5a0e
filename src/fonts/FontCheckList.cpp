#include "fonts/FontCheckList.h"

#include "fonts/FontListModel.h"
#include "fonts/FontServices.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

FontCheckList::FontCheckList(QWidget* parent)
    : QListView(parent), m_model(new FontListModel(this)), m_delegate(new FontListDelegate(this))
{
    m_model->setMeasure([this](const QString& name) { return measure(name); });
    setModel(m_model);
    setItemDelegate(m_delegate);
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
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
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

void FontCheckList::setEntryStyle(const Style& style)
{
    m_delegate->setEntryStyle(style);
    viewport()->update();
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
    QListView::keyPressEvent(event);
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select)
        emit listClicked();
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
        if (action == MovePageDown && current.row() + 1 < count())
            return m_model->index(current.row() + 1);
        if (action == MovePageUp && current.row() > 0)
            return m_model->index(current.row() - 1);
    }
    return moved;
}
