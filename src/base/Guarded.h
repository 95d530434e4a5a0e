#pragma once

#include <exception>
#include <QObject>

// Shows the error box for an exception nobody caught; call from a catch block. A TypovexError
// shows its message, any other exception its text.
void reportException(std::exception_ptr error);

// Runs a handler and routes anything it throws to the error box. Used where an exception would
// otherwise have to cross Qt's own code (signal emission, timers).
template <typename F> void guarded(F&& handler)
{
    try {
        handler();
    } catch (...) {
        reportException(std::current_exception());
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
