#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this))
{
    // Exclusivity is kept by hand: an exclusive QButtonGroup cannot show "nothing selected".
    m_group->setExclusive(false);
    m_layout->setContentsMargins(8, 4, 8, 4);
    m_layout->setVerticalSpacing(2);
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::buttonClicked);
}

void RadioGroup::setItems(const QStringList& items)
{
    m_items = items;
    rebuild();
}

void RadioGroup::setColumns(int columns)
{
    m_columns = qMax(1, columns);
    rebuild();
}

QRadioButton* RadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

void RadioGroup::rebuild()
{
    const auto old = m_group->buttons();
    for (QAbstractButton* b : old) {
        m_group->removeButton(b);
        delete b;
    }
    const int n = int(m_items.size());
    const int rows = (n + m_columns - 1) / m_columns;
    for (int i = 0; i < n; ++i) {
        auto* b = new QRadioButton(m_items.at(i), this);
        b->setObjectName(objectName() + QLatin1Char('_') + QString::number(i));
        b->setAutoExclusive(false);
        m_group->addButton(b, i);
        // Entries run down the first column, then the next, like a classic radio group.
        m_layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    const int keep = m_index;
    m_index = -1;
    setItemIndex(keep);
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1)
        index = -1;
    if (index >= count())
        index = count() - 1;
    for (QAbstractButton* b : m_group->buttons())
        b->setChecked(m_group->id(b) == index);
    if (index == m_index)
        return;
    m_index = index;
    emit itemIndexChanged(m_index);
}

void RadioGroup::buttonClicked(int id)
{
    // A click on the selected entry keeps it selected, as a radio button does.
    setItemIndex(id);
}
