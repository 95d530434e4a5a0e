#pragma once

#include <QString>
#include <QStringList>

// typovex-catalogue: the font listing report of the saved settings, made without a window and
// written as a PDF file, to standard output or to a printer. The settings are only read.
namespace CatalogueCommand {

// What the command line asks for.
struct Options
{
    enum class Output { Default, Pdf, Print };
    Output output = Output::Default;
    QString pdfPath;
    QString printer; // empty: the printer the settings choose
    QStringList folders;
    bool recurse = false;
    bool onlyFromFolders = false;
    QStringList familyPatterns;
    QString settingsPath; // empty: the program's own settings document
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The exit statuses.
enum Status { Done = 0, NothingToList = 1, UsageError = 2, OutputFailed = 3, Interrupted = 130 };

// Parses the arguments after the program's name; false with a one-line reason on a usage error.
bool parse(const QStringList& arguments, Options& options, QString* reason);

QString usage();
QString help();

// Whether a family name matches any of the shell-style patterns (letter case ignored); every name
// matches when there are none.
bool matchesAny(const QString& family, const QStringList& patterns);

// The whole command: arguments, application object, run; returns the exit status.
int run(int argc, char** argv);

} // namespace CatalogueCommand
