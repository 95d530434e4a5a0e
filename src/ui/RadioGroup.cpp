#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QKeyEvent>
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
        b->installEventFilter(this);
        m_group->addButton(b, i);
        // Entries run down the first column, then the next, like a classic radio group.
        m_layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    // Entries made after the rest of the form (the translated texts come last) still follow
    // the group in the Tab order, as if the form had made them with the group. setTabOrder
    // ignores a widget that takes no focus, as the group itself does.
    const Qt::FocusPolicy ownPolicy = focusPolicy();
    setFocusPolicy(Qt::TabFocus);
    QWidget* previous = this;
    for (QAbstractButton* b : m_group->buttons()) {
        QWidget::setTabOrder(previous, b);
        previous = b;
    }
    setFocusPolicy(ownPolicy);
    // A form sets its groups' indexes before their entries, which arrive with the translated
    // texts: the first entries take the index asked for while the group was empty.
    const int keep = old.isEmpty() ? m_pendingIndex : m_index;
    m_index = -1;
    setItemIndex(keep);
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1)
        index = -1;
    m_pendingIndex = index;
    if (index >= count())
        index = count() - 1;
    for (QAbstractButton* b : m_group->buttons())
        b->setChecked(m_group->id(b) == index);
    if (index == m_index) {
        updateTabStops();
        return;
    }
    m_index = index;
    updateTabStops();
    emit itemIndexChanged(m_index);
}

void RadioGroup::buttonClicked(int id)
{
    // A click on the selected entry keeps it selected, as a radio button does.
    setItemIndex(id);
}

void RadioGroup::updateTabStops()
{
    const int stop = m_index >= 0 ? m_index : 0;
    for (QAbstractButton* b : m_group->buttons())
        b->setFocusPolicy(m_group->id(b) == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (event->type() == QEvent::KeyPress && button && m_group->id(button) >= 0) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        int step = 0;
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)
            step = -1;
        else if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)
            step = 1;
        if (step != 0 && mods == Qt::NoModifier && count() > 0) {
            // Entries in item order, round the end, skipping disabled ones.
            const int from = m_group->id(button);
            for (int i = 1; i <= count(); ++i) {
                const int next = (from + step * i + count() * i) % count();
                QRadioButton* target = this->button(next);
                if (target && target->isEnabled() && target->isVisibleTo(this)) {
                    setItemIndex(next);
                    target->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                    break;
                }
            }
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
