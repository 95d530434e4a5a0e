#pragma once

#include <QWidget>

// The main window: the program's frame, hosting the wizard or the advanced window.
class TfrmMain : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;
};
