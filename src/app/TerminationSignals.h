#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Turns SIGTERM and SIGINT into an orderly end: the main window is closed and the event loop
// left, so that the window's destruction removes the fonts the program added, as a click on
// Close does. The handler only writes a byte to a pipe; the work runs in the event loop.
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
