#include "base/Guarded.h"

#include <QCoreApplication>

#include "base/Errors.h"
#include "base/Messages.h"

void reportException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const TypovexError& e) {
        Messages::showError(e.message());
    } catch (const std::exception& e) {
        Messages::showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Messages::showError(QCoreApplication::translate("TypovexApplication", "Unknown error"));
    }
}
