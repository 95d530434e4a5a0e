#pragma once

#include <QCheckBox>

// A check box with a grey (mixed) state that only the program sets: a click by the user turns a
// clear or grey box ticked and a ticked box clear.
class TriStateCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TriStateCheckBox(QWidget* parent = nullptr) : QCheckBox(parent) { setTristate(true); }

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};
