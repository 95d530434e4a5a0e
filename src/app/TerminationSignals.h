#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Turns every catchable way of being told to end (SIGTERM, SIGINT, SIGHUP, SIGQUIT) into the
// same orderly end: open modal boxes are closed, the main window is closed and the event loop
// left, so that the window's destruction removes the fonts the program added, as a click on
// Close does. The handler only raises the ending flag and writes a byte to a pipe; the work runs
// in the event loop, which long work reaches often enough (it also stops at the flag).
// One instance at a time; the previous handlers come back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QWidget* mainWindow, QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // A signal arrived and the main window was asked to close.
    void closing(int signalNumber);

private:
    void readSignal();

    QPointer<QWidget> m_main;
    QSocketNotifier* m_notifier = nullptr;
};
