#pragma once

#include <memory>
#include <QDialog>

#include "base/Progress.h"

namespace Ui {
class TfrmWait;
}

// The small always-on-top window with a progress bar shown while font folders are read. The user
// cannot close it; the code that shows it closes it at the end of the same operation.
class TfrmWait : public QDialog, public Progress
{
    Q_OBJECT
public:
    explicit TfrmWait(QWidget* parent = nullptr);
    ~TfrmWait() override;

    void setMaximum(int maximum);
    void setPosition(int position);

    // The progress of reading font folders: shows the window, moves the bar, closes it.
    void begin(int steps) override;
    void advance(int position) override;
    void end() override;

    // Closes the window: the one way to close it. Neither Esc nor a close request from the
    // window system or from close() does.
    void finish();
    void reject() override;

signals:
    // Every position set, also one equal to the last.
    void positionSet(int position);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmWait> m_ui;
    bool m_closing = false;
};
