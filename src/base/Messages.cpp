#include "base/Messages.h"

#include <QApplication>

namespace Messages {
namespace {

Hook& hook()
{
    static Hook h;
    return h;
}

QMessageBox::StandardButton show(Kind kind, const QString& text)
{
    if (hook())
        return hook()(kind, text);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(applicationTitle());
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (kind) {
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Kind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Kind::Information:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("Typovex");
}

QString errorText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showError(const QString& message)
{
    show(Kind::Error, errorText(message));
}

void showMessage(const QString& message)
{
    show(Kind::Information, message);
}

void showWarning(const QString& message)
{
    show(Kind::Warning, message);
}

void setHook(Hook h)
{
    hook() = std::move(h);
}

} // namespace Messages
