#include "app/CatalogueCommand.h"

#include "app/Translations.h"
#include "base/Ending.h"
#include "base/Errors.h"
#include "base/Messages.h"
#include "engine/PageStore.h"
#include "engine/PrinterList.h"
#include "engine/ReportPrinter.h"
#include "fonts/FolderWalk.h"
#include "fonts/FontFolders.h"
#include "fontservices/FontFileName.h"
#include "fontservices/FontServices.h"
#include "fontservices/NativePath.h"
#include "report/Report.h"
#include "settings/ListingSettings.h"
#include "settings/WinReg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace CatalogueCommand {

namespace {

const char* const programName = "typovex-catalogue";
const char* const versionText = "3.9.0";

void say(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", programName, text.toLocal8Bit().constData());
}

// Shell-style pattern to an anchored expression: "*", "?", "[...]" ("!" or "^" negates), "\"
// quotes the next character; an unclosed "[" stands for itself.
QRegularExpression patternExpression(const QString& pattern)
{
    QString rx;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            rx += QStringLiteral(".*");
        } else if (c == u'?') {
            rx += u'.';
        } else if (c == u'\\' && i + 1 < pattern.size()) {
            rx += QRegularExpression::escape(pattern.mid(++i, 1));
        } else if (c == u'[') {
            qsizetype j = i + 1;
            const bool negated = j < pattern.size() && (pattern[j] == u'!' || pattern[j] == u'^');
            if (negated)
                ++j;
            // A "]" right after the opening stands for itself.
            qsizetype close =
                pattern.indexOf(u']', j < pattern.size() && pattern[j] == u']' ? j + 1 : j);
            if (close < 0) {
                rx += QRegularExpression::escape(QString(c));
                continue;
            }
            QString set = pattern.mid(j, close - j);
            set.replace(u'\\', QStringLiteral("\\\\"));
            set.replace(u'[', QStringLiteral("\\["));
            set.replace(u']', QStringLiteral("\\]"));
            rx += (negated ? QStringLiteral("[^") : QStringLiteral("[")) + set + u']';
            i = close;
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(rx),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
}

// The choice groups' entry counts: a stored index beyond the last selects the last, as the
// advanced window's groups do.
int choiceCount(const char* field)
{
    static const std::pair<const char*, int> counts[] = {
        {"Orientation", 2}, {"PaperSize", 4}, {"Units", 2}, {"Columns", 2}, {"Startup", 2}};
    for (const auto& [name, count] : counts)
        if (qstrcmp(name, field) == 0)
            return count;
    return 1;
}

// The saved settings as the advanced window shows them once loaded: choices held to their groups,
// a printer index outside the list and a face that is not installed as "none chosen", face names
// spelled as the family list spells them. A value that cannot be read keeps its default.
ListingSettings loadSettings(const QString& document)
{
    using C = ListingSettings::ControlKind;
    TWinRegistry store{QString::fromLatin1(ListingSettings::applicationKey),
                       [](const QString& text) { say(text); }, TWinRegistry::Access::ReadOnly,
                       document};
    const ListingSettings defaults = ListingSettings::defaults();
    ListingSettings values = defaults;
    const QStringList printers = PrinterList::names();
    const int currentPrinter = PrinterList::currentIndex();
    const QStringList faces = FontServices::familyList();
    for (const ListingSettings::Field& f : ListingSettings::fields()) {
        if (f.control == C::Printer && printers.isEmpty())
            continue;
        try {
            ListingSettings::readField(store, f, values, currentPrinter);
        } catch (const TypovexError& error) {
            std::visit([&](auto member) { values.*member = defaults.*member; }, f.member);
            // The window skips an unreadable printer choice without a word, as here.
            if (f.control != C::Printer)
                say(QStringLiteral("%1: the default is used").arg(error.message()));
            continue;
        }
        if (f.control == C::Choice) {
            int& index = values.*std::get<int ListingSettings::*>(f.member);
            index = std::clamp(index, -1, choiceCount(f.name) - 1);
        } else if (f.control == C::Printer) {
            int& index = values.*std::get<int ListingSettings::*>(f.member);
            if (index < 0 || index >= printers.size())
                index = -1;
        } else if (f.control == C::Face) {
            QString& face = values.*std::get<QString ListingSettings::*>(f.member);
            const auto it = std::find_if(faces.cbegin(), faces.cend(), [&](const QString& name) {
                return name.compare(face, Qt::CaseInsensitive) == 0;
            });
            face = it != faces.cend() ? *it : QString();
        }
    }
    return values;
}

// The fonts of the folders, added to the font table for the run as the Paths tab's Apply adds
// them; removed again when this goes.
class FolderFonts
{
public:
    ~FolderFonts()
    {
        for (auto it = m_added.crbegin(); it != m_added.crend(); ++it)
            FontServices::removeFontFile(*it);
    }

    void add(const QStringList& roots, bool recurse)
    {
        QStringList folders;
        QSet<QString> listed;
        const auto list = [&](const QString& folder) {
            if (!listed.contains(folder)) {
                listed.insert(folder);
                folders.append(folder);
            }
        };
        for (const QString& root : roots) {
            if (Ending::requested())
                return;
            list(root);
            if (!recurse)
                continue;
            FolderWalk walk(root);
            for (;;) {
                const FolderWalk::Batch batch = walk.take(FontFolders::refreshMs);
                for (const QString& folder : batch.folders)
                    list(folder);
                if (batch.finished || Ending::requested())
                    break;
                if (batch.folders.isEmpty() && walk.idleMs() > FontFolders::stallMs) {
                    say(QStringLiteral("the folders below %1 are not all listed: the drive "
                                       "stopped answering")
                            .arg(NativePath::shown(root)));
                    break;
                }
            }
        }
        FontFileReader reader;
        QSet<QString> added;
        for (const QString& folder : std::as_const(folders)) {
            if (Ending::requested())
                return;
            const auto files = reader.read(folder, FontFolders::stallMs, Ending::requested);
            if (!files) {
                say(QStringLiteral("%1 stopped answering; its fonts are left out")
                        .arg(NativePath::shown(folder)));
                continue;
            }
            for (const FontFileReader::File& file : *files) {
                const QString path = FontFolders::joinPath(folder, file.name);
                if (added.contains(path) || !FontServices::addFontData(path, file.data))
                    continue;
                added.insert(path);
                m_added.append(path);
                FontFolders::insertSortedNoCase(m_found, ReadFullFontNameFromData(file.data));
            }
        }
    }

    // The names found, sorted, one for names that differ in letter case only.
    const QStringList& found() const { return m_found; }

private:
    QStringList m_added;
    QStringList m_found;
};

bool lessNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

// The faces the font list gives the report: the installed families with the found names at
// their sorted places, all of them ("All fonts"), or only the entries Apply ticked, which are
// the first of each found name.
QStringList fontList(const QStringList& found, bool onlyFound, bool withInstalled)
{
    struct Entry
    {
        QString name;
        bool ticked = false;
    };
    std::vector<Entry> entries;
    if (withInstalled) {
        for (const QString& family : FontServices::familyList())
            entries.push_back({family});
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return lessNoCase(a.name, b.name); });
    }
    for (const QString& name : found) {
        const auto at = std::upper_bound(
            entries.begin(), entries.end(), name,
            [](const QString& n, const Entry& e) { return lessNoCase(n, e.name); });
        entries.insert(at, {name});
        const auto first = std::lower_bound(
            entries.begin(), entries.end(), name,
            [](const Entry& e, const QString& n) { return lessNoCase(e.name, n); });
        first->ticked = true;
    }
    QStringList fonts;
    for (const Entry& e : entries)
        if (!onlyFound || e.ticked)
            fonts.append(e.name);
    return fonts;
}

QString counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString durationText(double seconds)
{
    const int s = int(seconds + 0.5);
    return s >= 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'))
                   : QStringLiteral("%1 s").arg(s);
}

// One line on a terminal, rewritten in place at most ten times a second.
class ProgressLine
{
public:
    explicit ProgressLine(bool shown) : m_shown(shown) { m_clock.start(); }
    ~ProgressLine() { clear(); }

    void fonts(int done, int total, int pages)
    {
        if (!due())
            return;
        const double seconds = m_clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        const QString left = rate > 0 ? durationText((total - done) / rate) : QStringLiteral("?");
        show(QStringLiteral("%1 pages, %2 of %3 fonts, %4 fonts/s, %5 left")
                 .arg(pages)
                 .arg(done)
                 .arg(total)
                 .arg(rate, 0, 'f', 0)
                 .arg(left));
    }
    void phase(const QString& text)
    {
        m_last = {};
        if (due())
            show(text);
    }
    void clear()
    {
        if (m_written)
            std::fputs("\r\033[K", stderr);
        m_written = false;
    }
    double seconds() const { return m_clock.elapsed() / 1000.0; }

private:
    bool due()
    {
        if (!m_shown || (m_last.isValid() && !m_last.hasExpired(100)))
            return false;
        m_last.start();
        return true;
    }
    void show(const QString& text)
    {
        std::fprintf(stderr, "\r\033[K%s", text.toLocal8Bit().constData());
        std::fflush(stderr);
        m_written = true;
    }

    bool m_shown;
    bool m_written = false;
    QElapsedTimer m_clock;
    QElapsedTimer m_last;
};

int usageError(const QString& reason)
{
    say(reason);
    std::fputs(usage().toLocal8Bit().constData(), stderr);
    return UsageError;
}

int runCatalogue(const Options& options)
{
    // Fonts and settings are read before anything is written: a run that lists nothing or
    // fails leaves an existing output file alone.
    const ListingSettings saved = loadSettings(options.settingsPath);
    FolderFonts folders;
    folders.add(options.folders, options.recurse);
    QStringList fonts;
    for (const QString& face :
         fontList(folders.found(), options.onlyFromFolders, !options.onlyFromFolders))
        if (matchesAny(face, options.familyPatterns))
            fonts.append(face);
    if (Ending::requested())
        return Interrupted;
    if (fonts.isEmpty()) {
        say(QStringLiteral("no font to list"));
        return NothingToList;
    }

    ListingSettings settings = saved;
    settings.Fonts = fonts;
    TfrmReport report(settings);
    ReportModel& model = report.qrFontRpt;
    ProgressLine progress(!options.quiet && ::isatty(STDERR_FILENO));
    model.beforePrint();
    PageStore store(model.setup.pageSize());
    store.setTitle(model.documentTitle);
    const auto needData = model.onNeedData;
    model.onNeedData = [&] {
        // Told to end: no more bands, and nothing is written.
        if (Ending::requested())
            return false;
        const bool more = needData();
        progress.fonts(report.PrintCursor(), int(fonts.size()), store.pageCount());
        return more;
    };
    ReportEngine::generate(model, store);
    model.afterPrint();
    if (Ending::requested()) {
        progress.clear();
        say(QStringLiteral("interrupted; nothing was written"));
        return Interrupted;
    }

    QString error;
    QString where;
    qint64 bytes = -1;
    int pages = store.pageCount();
    if (options.output == Options::Output::Print) {
        const QString printer = options.printer.isEmpty()
                                    ? ReportPrinter::printerName(model.setup.printerIndex)
                                    : options.printer;
        if (printer.isEmpty()) {
            progress.clear();
            say(QStringLiteral("no printer is installed"));
            return OutputFailed;
        }
        progress.phase(QStringLiteral("sending %1 pages to %2").arg(pages).arg(printer));
        const ReportEngine::PrintResult sent =
            ReportPrinter::print(store, model.setup, printer, QStringLiteral("Typovex"));
        if (sent.status != ReportEngine::PrintResult::Status::Printed)
            error = sent.reason.isEmpty() ? QStringLiteral("the print system refused the job")
                                          : sent.reason;
        pages = sent.pagesSent;
        where = QStringLiteral("sent to %1").arg(printer);
    } else if (options.output == Options::Output::Pdf) {
        progress.phase(QStringLiteral("writing %1 pages").arg(pages));
        // Every page, as the preview's Save as PDF writes it, and as atomically; the commit
        // waits for the writer, so that an interrupt while it writes still leaves no file.
        QSaveFile file(options.pdfPath);
        if (!file.open(QIODevice::WriteOnly) ||
            ReportPrinter::writePdf(store, 0, file, &error) < 0 || Ending::requested() ||
            !file.commit()) {
            if (error.isEmpty())
                error = file.errorString();
            file.cancelWriting();
            if (Ending::requested()) {
                progress.clear();
                say(QStringLiteral("interrupted; nothing was written"));
                return Interrupted;
            }
            error = QStringLiteral("cannot write %1: %2").arg(options.pdfPath, error);
        }
        bytes = QFileInfo(options.pdfPath).size();
        where = options.pdfPath;
    } else {
        progress.phase(QStringLiteral("writing %1 pages").arg(pages));
        QFile out;
        if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) ||
            ReportPrinter::writePdf(store, 0, out, &error) < 0 || !out.flush()) {
            if (error.isEmpty())
                error = out.errorString();
            error = QStringLiteral("cannot write to standard output: %1").arg(error);
        }
        bytes = out.pos();
        where = QStringLiteral("standard output");
    }
    progress.clear();
    if (!error.isEmpty()) {
        say(error);
        return OutputFailed;
    }
    if (!options.quiet)
        say(QStringLiteral("%1, %2, %3 s%4, %5")
                .arg(counted(int(fonts.size()), "font", "fonts"))
                .arg(counted(pages, "page", "pages"))
                .arg(progress.seconds(), 0, 'f', 1)
                .arg(bytes >= 0 ? QStringLiteral(", ") + sizeText(bytes) : QString())
                .arg(where));
    return Done;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Usage: typovex-catalogue [--pdf FILE | --print [PRINTER]] [--fonts-from FOLDER]... "
        "[--recurse]\n"
        "                         [--only-from-folders] [--family PATTERN]... [--settings FILE] "
        "[--quiet]\n");
}

QString help()
{
    return usage() +
           QStringLiteral("Makes Typovex's font catalogue with the saved settings, without a "
                          "window.\n\n"
                          "  --pdf FILE           write the catalogue to FILE as PDF\n"
                          "  --print [PRINTER]    send it to PRINTER, or to the printer the "
                          "settings choose\n"
                          "  --fonts-from FOLDER  also list the font files of FOLDER (repeatable)\n"
                          "  --recurse            and of every folder below each FOLDER\n"
                          "  --only-from-folders  list only the fonts of the folders\n"
                          "  --family PATTERN     keep the families matching PATTERN (*, ?, [...]; "
                          "letter case\n"
                          "                       ignored; repeatable)\n"
                          "  --settings FILE      read the settings from FILE instead of the saved "
                          "ones\n"
                          "  --quiet              no progress and no summary on standard error\n"
                          "  --help               show this help\n"
                          "  --version            show the version\n\n"
                          "Without --pdf or --print the PDF goes to standard output.\n"
                          "Exit status: 0 done, 1 no font to list, 2 usage error, 3 output not "
                          "written or job refused.\n");
}

bool matchesAny(const QString& family, const QStringList& patterns)
{
    if (patterns.isEmpty())
        return true;
    return std::any_of(patterns.cbegin(), patterns.cend(), [&](const QString& pattern) {
        return patternExpression(pattern).match(family).hasMatch();
    });
}

bool parse(const QStringList& arguments, Options& options, QString* reason)
{
    const auto fail = [&](const QString& text) {
        *reason = text;
        return false;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        std::optional<QString> value;
        const qsizetype equals = name.indexOf(u'=');
        if (name.startsWith(QLatin1String("--")) && equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const auto takeValue = [&]() -> std::optional<QString> {
            if (!value && i + 1 < arguments.size())
                value = arguments[++i];
            if (!value || value->isEmpty())
                return std::nullopt;
            return value;
        };
        const QHash<QString, bool*> switches = {
            {QStringLiteral("--recurse"), &options.recurse},
            {QStringLiteral("--only-from-folders"), &options.onlyFromFolders},
            {QStringLiteral("--quiet"), &options.quiet},
            {QStringLiteral("--help"), &options.help},
            {QStringLiteral("--version"), &options.version},
        };
        const auto flag = [&](bool& set) {
            if (value)
                return fail(QStringLiteral("%1 takes no value").arg(name));
            set = true;
            return true;
        };
        if (name == QLatin1String("--pdf") || name == QLatin1String("--print")) {
            if (options.output != Options::Output::Default)
                return fail(QStringLiteral("give one of --pdf and --print, once"));
            if (name == QLatin1String("--pdf")) {
                const auto file = takeValue();
                if (!file)
                    return fail(QStringLiteral("--pdf needs a file name"));
                options.output = Options::Output::Pdf;
                options.pdfPath = *file;
            } else {
                // The printer is optional: a following word that is no option names it.
                if (!value && i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-'))
                    value = arguments[++i];
                if (value && value->isEmpty())
                    return fail(QStringLiteral("--print= needs a printer name"));
                options.output = Options::Output::Print;
                options.printer = value.value_or(QString());
            }
        } else if (name == QLatin1String("--fonts-from")) {
            const auto folder = takeValue();
            if (!folder)
                return fail(QStringLiteral("--fonts-from needs a folder"));
            options.folders.append(*folder);
        } else if (name == QLatin1String("--family")) {
            const auto pattern = takeValue();
            if (!pattern)
                return fail(QStringLiteral("--family needs a pattern"));
            options.familyPatterns.append(*pattern);
        } else if (name == QLatin1String("--settings")) {
            const auto file = takeValue();
            if (!file)
                return fail(QStringLiteral("--settings needs a file name"));
            if (!options.settingsPath.isEmpty())
                return fail(QStringLiteral("--settings is given twice"));
            options.settingsPath = *file;
        } else if (bool* set = switches.value(name)) {
            if (!flag(*set))
                return false;
        } else if (name.startsWith(u'-')) {
            return fail(QStringLiteral("unknown option %1").arg(name));
        } else {
            return fail(QStringLiteral("unexpected argument %1").arg(name));
        }
    }
    if (options.help || options.version)
        return true;
    if (options.onlyFromFolders && options.folders.isEmpty())
        return fail(QStringLiteral("--only-from-folders needs --fonts-from"));
    if (options.recurse && options.folders.isEmpty())
        return fail(QStringLiteral("--recurse needs --fonts-from"));
    for (const QString& folder : std::as_const(options.folders))
        if (!QFileInfo(folder).isDir())
            return fail(QStringLiteral("%1 is not a folder").arg(NativePath::shown(folder)));
    if (!options.settingsPath.isEmpty() && !QFileInfo(options.settingsPath).isFile())
        return fail(QStringLiteral("no settings file %1").arg(options.settingsPath));
    if (options.output == Options::Output::Default && ::isatty(STDOUT_FILENO))
        return fail(QStringLiteral("standard output is a terminal: give --pdf FILE or --print"));
    return true;
}

int run(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NativePath::fromNative(QByteArray(argv[i])));
    Options options;
    QString reason;
    if (!parse(arguments, options, &reason))
        return usageError(reason);
    if (options.help) {
        std::fputs(help().toLocal8Bit().constData(), stdout);
        return Done;
    }
    if (options.version) {
        std::printf("%s (Typovex) %s\n", programName, versionText);
        return Done;
    }

    // No display is needed or looked for; the report's fonts and pages still want the toolkit's
    // GUI side. Only the program's name goes to it, so that no argument is taken as Qt's own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A reader that went away is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    // Ctrl+C or a job's end stops the run at the next step, so that no half-made output and no
    // temporary file is left behind.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        action.sa_handler = [](int) { Ending::request(); };
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    // Without a runtime folder the toolkit picks one itself; saying so on every run would only be
    // noise in a build log.
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:")))
                return;
            std::fprintf(stderr, "%s\n",
                         qFormatLogMessage(type, context, text).toLocal8Bit().constData());
        });
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(Messages::applicationTitle());
    // The report's own texts ("Size 12") in the language the window would use.
    Translations::install(QLocale::system());
    // Nothing may wait for a box that nobody can see.
    Messages::setHook([](Messages::Kind, const QString& text) {
        say(text);
        return QMessageBox::Ok;
    });
    try {
        return runCatalogue(options);
    } catch (const TypovexError& error) {
        say(error.message());
        return OutputFailed;
    }
}

} // namespace CatalogueCommand
