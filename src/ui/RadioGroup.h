#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

// A captioned group of radio buttons whose selection is an item index, -1 when no entry is
// selected. Button ids are the item indexes. itemIndexChanged is emitted whenever the index
// changes, by the user or by code, as a click handler expects.
//
// Keyboard: Tab enters the group at its selected button (the first one when none is selected)
// and leaves it at the next Tab; the arrow keys move to the previous or next entry and select it.
class RadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged USER true)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const { return m_items; }
    void setItems(const QStringList& items);
    int columns() const { return m_columns; }
    void setColumns(int columns);

    int itemIndex() const { return m_index; }
    // Below -1 counts as -1; beyond the last entry selects the last one.
    void setItemIndex(int index);

    int count() const { return int(m_items.size()); }
    class QRadioButton* button(int index) const;

signals:
    void itemIndexChanged(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    // Only the selected button (or the first) is a Tab stop, so Tab passes the group in one step.
    void updateTabStops();
    void buttonClicked(int id);

    QStringList m_items;
    int m_columns = 1;
    int m_index = -1;
    int m_pendingIndex = -1;
    QButtonGroup* m_group;
    QGridLayout* m_layout;
};
