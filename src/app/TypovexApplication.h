#pragma once

#include <exception>
#include <QApplication>

// The application object. Any exception that leaves an event handler ends here: it is shown in
// the error box and the program goes on with the next user action.
class TypovexApplication : public QApplication
{
    Q_OBJECT
public:
    TypovexApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the error box for an exception nobody caught; call from a catch block.
    static void handleException(std::exception_ptr error);
};

// Runs a handler and routes anything it throws to the application's error box. Used where an
// exception would otherwise have to cross Qt's own code (signal emission, timers).
template <typename F> void guarded(F&& handler)
{
    try {
        handler();
    } catch (...) {
        TypovexApplication::handleException(std::current_exception());
    }
}

// Connects a signal to a handler of the receiver, run through guarded().
template <typename Sender, typename Signal, typename Receiver>
void connectGuarded(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)())
{
    QObject::connect(sender, signal, receiver, [receiver, handler] {
        guarded([receiver, handler] { (receiver->*handler)(); });
    });
}
