#pragma once

#include <QListView>

// The font selection list: one entry per font name with a tick, each drawn in its own face.
class FontCheckList : public QListView
{
    Q_OBJECT
public:
    explicit FontCheckList(QWidget* parent = nullptr) : QListView(parent) {}
};
