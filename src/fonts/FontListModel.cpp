#include "fonts/FontListModel.h"

#include <QSize>

#include <algorithm>

namespace {

bool lessNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

} // namespace

FontListModel::FontListModel(QObject* parent) : QAbstractListModel(parent) {}

void FontListModel::fill(const QStringList& names)
{
    // The same result as adding the names one by one at their sorted places, in one reset.
    beginResetModel();
    m_entries.clear();
    m_entries.reserve(names.size());
    for (const QString& name : names)
        m_entries.append(Entry{name, false, measure(name)});
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const Entry& a, const Entry& b) { return lessNoCase(a.name, b.name); });
    endResetModel();
}

int FontListModel::insertionRow(const QString& name) const
{
    auto it =
        std::upper_bound(m_entries.cbegin(), m_entries.cend(), name,
                         [](const QString& n, const Entry& e) { return lessNoCase(n, e.name); });
    return static_cast<int>(it - m_entries.cbegin());
}

int FontListModel::addEntry(const QString& name, bool checked)
{
    const int row = insertionRow(name);
    const int entryHeight = measure(name);
    beginInsertRows({}, row, row);
    m_entries.insert(row, Entry{name, checked, entryHeight});
    endInsertRows();
    return row;
}

int FontListModel::indexOf(const QString& name) const
{
    auto it =
        std::lower_bound(m_entries.cbegin(), m_entries.cend(), name,
                         [](const Entry& e, const QString& n) { return lessNoCase(e.name, n); });
    if (it == m_entries.cend() || it->name.compare(name, Qt::CaseInsensitive) != 0)
        return -1;
    return static_cast<int>(it - m_entries.cbegin());
}

bool FontListModel::removeFirst(const QString& name)
{
    const int row = indexOf(name);
    if (row < 0)
        return false;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    return true;
}

void FontListModel::setChecked(int row, bool checked)
{
    if (m_entries[row].checked == checked)
        return;
    m_entries[row].checked = checked;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void FontListModel::setAllChecked(bool checked)
{
    for (Entry& entry : m_entries)
        entry.checked = checked;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

void FontListModel::invertAll()
{
    for (Entry& entry : m_entries)
        entry.checked = !entry.checked;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

int FontListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FontListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Entry& entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return entry.name;
    case Qt::CheckStateRole:
        return entry.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::SizeHintRole:
        return QSize(0, entry.height);
    default:
        return {};
    }
}

bool FontListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags FontListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}
