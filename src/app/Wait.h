#pragma once

#include <memory>
#include <QDialog>

namespace Ui {
class TfrmWait;
}

// The small always-on-top window with a progress bar shown while font folders are read. The user
// cannot close it; the code that shows it closes it at the end of the same operation.
class TfrmWait : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmWait(QWidget* parent = nullptr);
    ~TfrmWait() override;

    Ui::TfrmWait* ui() const { return m_ui.get(); }

    void setMaximum(int maximum);
    void setPosition(int position);

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

// The program's wait window, created right after the main window.
extern TfrmWait* frmWait;
