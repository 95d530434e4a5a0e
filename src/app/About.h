#pragma once

#include <memory>
#include <QDialog>
#include <QUrl>

namespace Ui {
class TfrmAbout;
}

// The about box: the program's title and version, a picture, the credit and acknowledgement, and
// two links that the desktop's default handlers open (the web page and a new mail to the author).
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    ~TfrmAbout() override;

    // The first line: the main window's caption, program name and version.
    void setCaption(const QString& caption);

    static QUrl webPage();
    static QUrl mailAddress();

    // The web page link and the mail link; the box stays open whatever the desktop answers.
    void Label1Click();
    void Label6Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyColours();

    std::unique_ptr<Ui::TfrmAbout> m_ui;
};
