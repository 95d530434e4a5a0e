#pragma once

#include <QAbstractListModel>
#include <QList>

#include <functional>

// The entries of the font selection list: a name, a tick and a height fixed when the entry is
// added. Entries stay in case-insensitive order; an entry is inserted after any equal names.
class FontListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    // Measures the height of a new entry from its name.
    using Measure = std::function<int(const QString& name)>;

    explicit FontListModel(QObject* parent = nullptr);

    void setMeasure(Measure measure) { m_measure = std::move(measure); }

    // Empties the list, then adds every name unticked.
    void fill(const QStringList& names);
    // Adds an entry at its sorted place; returns its index.
    int addEntry(const QString& name, bool checked);
    // Removes the first entry bearing the name, letter case ignored; false when there is none.
    bool removeFirst(const QString& name);
    // The index of the first entry bearing the name, letter case ignored, or -1.
    int indexOf(const QString& name) const;

    int count() const { return static_cast<int>(m_entries.size()); }
    QString name(int row) const { return m_entries.at(row).name; }
    int height(int row) const { return m_entries.at(row).height; }
    bool isChecked(int row) const { return m_entries.at(row).checked; }
    void setChecked(int row, bool checked);
    void setAllChecked(bool checked);
    void invertAll();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Entry
    {
        QString name;
        bool checked = false;
        int height = 0;
    };

    int insertionRow(const QString& name) const;
    int measure(const QString& name) const { return m_measure ? m_measure(name) : 0; }

    QList<Entry> m_entries;
    Measure m_measure;
};
