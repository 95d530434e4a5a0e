#include "app/TypovexApplication.h"

#include "app/Errors.h"
#include "app/Messages.h"

TypovexApplication::TypovexApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The title is the application name only: a display name would be appended by Qt to every
    // window caption ("Typovex - ver. 3.9 — Typovex").
    setApplicationName(Messages::applicationTitle());
}

bool TypovexApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleException(std::current_exception());
        return false;
    }
}

void TypovexApplication::handleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const TypovexError& e) {
        Messages::showError(e.message());
    } catch (const std::exception& e) {
        Messages::showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Messages::showError(QStringLiteral("Unknown error"));
    }
}
