#pragma once

#include <QApplication>

// The application object. Any exception that leaves an event handler ends here: it is shown in
// the error box and the program goes on with the next user action.
class TypovexApplication : public QApplication
{
    Q_OBJECT
public:
    TypovexApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
