// Prints a catalogue of the fonts named on the command line through the main window's Print
// command, as a user would after ticking them. Message boxes go to stderr; the exit code is 0
// when no error box showed. Run with a temporary XDG_CONFIG_HOME.
#include "app/AppGlobals.h"
#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "base/Guarded.h"
#include "base/Messages.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "ui/Advanced.h"

#include <cstdio>
#include <QCoreApplication>
#include <QLineEdit>

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    QStringList fonts = app.arguments().mid(1);
    // --top=MM: a deep top margin, for a catalogue of a few fonts over several pages.
    QString top;
    if (!fonts.isEmpty() && fonts.first().startsWith(QLatin1String("--top=")))
        top = fonts.takeFirst().mid(6);
    int errors = 0;
    Messages::setHook([&](Messages::Kind kind, const QString& text) {
        errors += kind == Messages::Kind::Error;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });
    TfrmMain main;
    main.show();
    while (!frmAdvanced)
        QCoreApplication::processEvents();
    if (!top.isEmpty())
        frmAdvanced->findChild<QLineEdit*>(QStringLiteral("eTop"))->setText(top);
    auto* list = frmAdvanced->findChild<FontCheckList*>(QStringLiteral("clbFonts"));
    list->setAllChecked(false);
    for (const QString& font : fonts) {
        const int index = list->indexOf(font);
        if (index < 0) {
            std::fprintf(stderr, "font not installed: %s\n", qPrintable(font));
            return 2;
        }
        list->setChecked(index, true);
    }
    frmAdvanced->fontSelection()->clbFontsClickCheck();
    guarded([&] { main.bPrintClick(); });
    return errors == 0 ? 0 : 1;
}
