#include "app/TypovexApplication.h"

#include "app/Translations.h"
#include "base/Guarded.h"
#include "base/Messages.h"

#include <QDir>
#include <QIcon>
#include <QLocale>

// The icon of every window: each PNG size of the installed icon, so that no window manager has
// to scale a large one down.
static QIcon applicationIcon()
{
    // The resource lives in the program library, which a static link drops unless it is named.
    Q_INIT_RESOURCE(icons);
    const QDir dir(QStringLiteral(":/icons/typovex"));
    QIcon icon;
    for (const QString& name : dir.entryList(QDir::Files))
        icon.addFile(dir.filePath(name));
    return icon;
}

TypovexApplication::TypovexApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The title is the application name only: a display name would be appended by Qt to every
    // window caption ("Typovex - ver. 3.9 — Typovex").
    setApplicationName(Messages::applicationTitle());
    // Lets the desktop match the windows to the installed desktop entry.
    setDesktopFileName(QStringLiteral("typovex"));
    setWindowIcon(applicationIcon());
    // Before any window exists, as windows take their texts when they are built.
    Translations::install(QLocale::system());
}

bool TypovexApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}
