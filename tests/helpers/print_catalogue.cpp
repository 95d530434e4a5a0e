// Prints a catalogue of the fonts named on the command line through the main window's Print
// command, as a user would after ticking them. Message boxes go to stderr; the exit code is 0
// when no error box showed. Run with a temporary XDG_CONFIG_HOME.
// Options before the fonts: --top=MM (a deep top margin, for a few fonts over several pages),
// --paper=N and --orientation=N (item indexes of the paper and orientation groups),
// --printer=NAME (chosen in the advanced window) or --wizard-printer=NAME (chosen on the
// wizard's target page, then Finish).
#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "base/Guarded.h"
#include "base/Messages.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"
#include "ui/Wizard.h"

#include <cstdio>
#include <cstdlib>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    QStringList fonts = app.arguments().mid(1);
    QMap<QString, QString> options;
    while (!fonts.isEmpty() && fonts.first().startsWith(QLatin1String("--"))) {
        const QString option = fonts.takeFirst().mid(2);
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        options.insert(option.left(equals), option.mid(equals + 1));
    }
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
    if (options.contains(QStringLiteral("top")))
        frmAdvanced->findChild<QLineEdit*>(QStringLiteral("eTop"))->setText(options["top"]);
    auto choose = [&](const char* group, const QString& option) {
        if (options.contains(option))
            frmAdvanced->findChild<RadioGroup*>(QLatin1String(group))
                ->setItemIndex(options[option].toInt());
    };
    choose("rgPaperSize", QStringLiteral("paper"));
    choose("rgOrientation", QStringLiteral("orientation"));
    auto choosePrinter = [](QComboBox* printers, const QString& name) {
        printers->setCurrentIndex(printers->findText(name));
        if (printers->currentIndex() < 0) {
            std::fprintf(stderr, "printer not listed: %s\n", qPrintable(name));
            std::exit(2);
        }
    };
    if (options.contains(QStringLiteral("printer")))
        choosePrinter(frmAdvanced->findChild<QComboBox*>(QStringLiteral("cbPrinters")),
                      options["printer"]);
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
    if (options.contains(QStringLiteral("wizard-printer"))) {
        auto* wizard = main.findChild<TfrmWizard*>();
        wizard->LoadFromAdvanced();
        wizard->findChild<QPushButton*>(QStringLiteral("bNext"))->click();
        wizard->findChild<RadioGroup*>(QStringLiteral("rgWizDisplayMode"))->button(1)->click();
        choosePrinter(wizard->findChild<QComboBox*>(QStringLiteral("cbWizPrinters")),
                      options["wizard-printer"]);
        guarded([&] { wizard->findChild<QPushButton*>(QStringLiteral("bFinish"))->click(); });
    } else {
        guarded([&] { main.bPrintClick(); });
    }
    return errors == 0 ? 0 : 1;
}
