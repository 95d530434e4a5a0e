#pragma once

#include <functional>
#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program goes through here, so that tests can answer boxes without a
// modal loop blocking them.
namespace Messages {

enum class Kind {
    Error,       // the error box: error icon, OK
    Information, // plain notice: no icon, OK
    Warning,     // warning icon, OK
};

// The application title, used as the title of every box.
QString applicationTitle();

// The error box's text: a final "." is added when the last character sorts after ".".
QString errorText(const QString& message);

// Shows the error box for an error nobody else handled.
void showError(const QString& message);
// Shows a plain notice ("Your settings have been saved.").
void showMessage(const QString& message);
void showWarning(const QString& message);

// Tests install a hook; while one is set no box is shown and the hook's answer is returned.
using Hook = std::function<QMessageBox::StandardButton(Kind kind, const QString& text)>;
void setHook(Hook hook);

} // namespace Messages
