// The catalogue of every installed family (defaults otherwise) beside plain Qt, each measurement
// in a child process of its own (this program run again with a hidden mode), interleaved with
// its reference, one untimed warm-up of each, medians of N (default 5):
//   ours       a preview run into a page store: time to the first page, to the finished store,
//              then Save as PDF from the open preview; the peak memory over both; the longest
//              stretch without handled events while generating; and, in a second run, the time
//              from closing the preview mid-run (detaching the store) until generation returns.
//   reference  a fresh QFont per row (NoFontMerging), drawn straight into a QPdfWriter.
// Options: --faces-subset (ms per family with fontconfig limited to part of the faces, for every
// installed family and for the smallest subset's families alone), --print-job (finished store to
// a job handed to a cups-pdf queue), --families-4000 (2,000 more families added from renamed
// copies of installed files), --script-samples (the whole catalogue generated with each face's
// own script where it cannot draw the message, interleaved with runs without; the rows whose
// placed sample holds a missing glyph in each; the pages saved as a PDF), --timeout S (per child,
// default 600). BENCH_KEEP_PDF=FILE keeps the PDF of a --script-samples child there.
// The last line is RESULT with the medians.
//
// Run: build/bench/bench_report [N] [options]   (offscreen unless QT_QPA_PLATFORM is set)

#include "app/TypovexApplication.h"
#include "engine/PageStore.h"
#include "engine/ReportEngine.h"
#include "engine/ReportPrinter.h"
#include "engine/TextLayout.h"
#include "fontservices/FontServices.h"
#include "report/Report.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fontconfig/fontconfig.h>
#include <map>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

using Figures = std::map<QString, double>;

double msSince(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e6;
}

double peakMb()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Files and face counts as fontconfig's current configuration lists them.
std::map<QString, int> fontconfigFiles()
{
    FcInit();
    std::map<QString, int> files;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_STYLE, nullptr);
    if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
                ++files[QFile::decodeName(reinterpret_cast<const char*>(file))];
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return files;
}

int faceCount()
{
    int faces = 0;
    for (const auto& [file, count] : fontconfigFiles())
        faces += count;
    return faces;
}

QStringList installedFamilies()
{
    QStringList families = FontServices::familyList();
    families.removeAll(QStringLiteral("Default")); // the interface font, not an installed family
    return families;
}

// The index of every installed face, which the program builds at start-up for the font list's
// heights (a cost of start-up, measured there), before any catalogue.
void buildFaceIndex(const QStringList& families)
{
    if (!families.isEmpty())
        FontServices::quickLineHeight(families.first(), false, false, nullptr);
}

struct Run
{
    double firstMs = -1, wholeMs = -1, saveMs = -1, printMs = -1, gapMs = -1, cancelMs = -1;
    double storePeakMb = -1; // peak memory when the store is finished, before the save
    int pages = 0;
    QString error;
};

// A preview run the way the preview window makes one, without the window: the store is attached
// when the run hands it over; once it is finished, Save as PDF (and a print) from the open
// preview, then the preview is closed. With cancelAtPage, the preview is closed as that page
// arrives instead, through the event loop as a click would.
Run previewRun(const QStringList& families, const QString& pdf, const QString& printer,
               int cancelAtPage = 0)
{
    ListingSettings settings = ListingSettings::defaults();
    settings.Fonts = families;
    TfrmReport host(settings);
    Run run;
    QElapsedTimer clock;
    qint64 detachedAt = 0, lastTick = 0;
    // Fires as often as the event loop lets it: the longest stretch between two firings is the
    // longest the interface went without handling events.
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    auto tick = [&] {
        const qint64 now = clock.nsecsElapsed();
        run.gapMs = std::max(run.gapMs, (now - lastTick) / 1e6);
        lastTick = now;
    };
    QObject::connect(&ticks, &QTimer::timeout, &ticks, tick);
    host.qrFontRpt.onPreview = [&](PageStore& store) {
        store.setAttached(true);
        QObject::connect(&store, &PageStore::pageAdded, &store, [&, s = &store](int count) {
            if (count == 1)
                run.firstMs = msSince(clock);
            if (count == cancelAtPage) {
                QTimer::singleShot(0, s, [&, s] {
                    if (s->isFinished())
                        return; // ended before the close arrived: no latency to tell
                    detachedAt = clock.nsecsElapsed();
                    s->setAttached(false);
                });
            }
        });
        QObject::connect(&store, &PageStore::finished, &store, [&, s = &store](int count) {
            run.wholeMs = msSince(clock);
            run.pages = count;
            run.storePeakMb = peakMb();
            tick();
            ticks.stop();
            QTimer::singleShot(0, s, [&, s] {
                QElapsedTimer phase;
                if (!pdf.isEmpty() && cancelAtPage == 0) {
                    phase.start();
                    ReportPrinter::savePdf(*s, pdf, 0, &run.error);
                    run.saveMs = msSince(phase);
                }
                if (!printer.isEmpty() && cancelAtPage == 0) {
                    phase.start();
                    const auto result = ReportPrinter::print(*s, host.qrFontRpt.setup, printer,
                                                             QStringLiteral("Typovex benchmark"));
                    run.printMs = msSince(phase);
                    if (result.status != ReportEngine::PrintResult::Status::Printed)
                        run.error = QStringLiteral("print: ") + result.reason;
                }
                s->setAttached(false);
            });
        });
    };
    clock.start();
    ticks.start();
    ReportEngine::preview(host.qrFontRpt);
    if (detachedAt > 0)
        run.cancelMs = (clock.nsecsElapsed() - detachedAt) / 1e6;
    return run;
}

// Child: ours. Options: --add DIR (font files added first), --print QUEUE, --list FILE (writes
// the installed families there and ends), --only FILE (catalogues only the families listed).
int oursChild(const QStringList& args)
{
    const QString addDir = args.value(args.indexOf(QStringLiteral("--add")) + 1);
    const QString printer = args.value(args.indexOf(QStringLiteral("--print")) + 1);
    if (args.contains(QStringLiteral("--add"))) {
        QElapsedTimer clock;
        clock.start();
        int added = 0;
        for (const QFileInfo& file : QDir(addDir).entryInfoList(QDir::Files, QDir::Name))
            added += FontServices::addFontFile(file.filePath());
        std::printf("add_ms %.1f\nadded %d\n", msSince(clock), added);
    }
    QStringList families = installedFamilies();
    if (const qsizetype at = args.indexOf(QStringLiteral("--list")); at >= 0) {
        QFile out(args.value(at + 1));
        return out.open(QIODevice::WriteOnly) && out.write(families.join('\n').toUtf8()) >= 0 ? 0
                                                                                              : 1;
    }
    if (const qsizetype at = args.indexOf(QStringLiteral("--only")); at >= 0) {
        QFile in(args.value(at + 1));
        if (!in.open(QIODevice::ReadOnly))
            return 1;
        const QStringList wanted = QString::fromUtf8(in.readAll()).split('\n');
        const QSet<QString> only(wanted.begin(), wanted.end());
        families.removeIf([&](const QString& family) { return !only.contains(family); });
    }
    buildFaceIndex(families);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("catalogue.pdf"));
    const Run run =
        previewRun(families, pdf, args.contains(QStringLiteral("--print")) ? printer : QString());
    const double peak = peakMb();
    const Run cancelled = previewRun(families, {}, {}, std::max(2, run.pages / 2));
    std::printf("families %lld\nfaces %d\npages %d\nfirst_page_ms %.1f\npreview_all_ms %.1f\n"
                "save_pdf_ms %.1f\nprint_ms %.1f\ngap_ms %.1f\ncancel_ms %.1f\npeak_rss_mb %.1f\n"
                "pdf_bytes %lld\nstore_peak_mb %.1f\n",
                qlonglong(families.size()), faceCount(), run.pages, run.firstMs, run.wholeMs,
                run.saveMs, run.printMs, run.gapMs, cancelled.cancelMs, peak,
                qlonglong(QFileInfo(pdf).size()), run.storePeakMb);
    if (!run.error.isEmpty())
        std::fprintf(stderr, "ours: %s\n", qPrintable(run.error));
    return run.error.isEmpty() && run.pages > 0 ? 0 : 1;
}

// Child: the whole catalogue into a page store with ScriptSamples on or off; the time, and the rows
// whose sample (the texts drawn without borrowed glyphs) was shaped with a missing glyph, the
// glyph a face's character map gives a character it lacks.
int samplesChild(bool on)
{
    ListingSettings settings = ListingSettings::defaults();
    settings.Fonts = installedFamilies();
    settings.ScriptSamples = on;
    buildFaceIndex(settings.Fonts);
    TfrmReport host(settings);
    QElapsedTimer clock;
    clock.start();
    host.qrFontRptBeforePrint();
    PageStore store(host.qrFontRpt.setup.pageSize());
    ReportEngine::generate(host.qrFontRpt, store);
    const double ms = msSince(clock);
    int rows = 0, missing = 0;
    for (int p = 0; p < store.pageCount(); ++p) {
        for (const PageItem& item : store.page(p).items) {
            if (item.kind != PageItem::Kind::Text || item.text.isEmpty() || !item.layout ||
                !(item.font.styleStrategy() & QFont::NoFontMerging))
                continue;
            ++rows;
            bool lacks = false;
            for (const GlyphRun& run : item.layout->runs)
                lacks = lacks ||
                        std::find(run.glyphs.begin(), run.glyphs.end(), 0u) != run.glyphs.end();
            missing += lacks;
            if (lacks && qEnvironmentVariableIsSet("BENCH_VERBOSE"))
                std::fprintf(stderr, "missing: %s: %s\n", qPrintable(item.font.family()),
                             qPrintable(item.text));
        }
    }
    // The rest of the user's job: the same pages saved as a PDF (more glyphs to embed with the
    // scripts shown).
    QTemporaryDir dir;
    QString error;
    clock.start();
    ReportPrinter::savePdf(
        store,
        qEnvironmentVariable("BENCH_KEEP_PDF", dir.filePath(QStringLiteral("catalogue.pdf"))), 0,
        &error);
    const double saveMs = msSince(clock);
    if (!error.isEmpty())
        std::fprintf(stderr, "save: %s\n", qPrintable(error));
    std::printf("generate_ms %.1f\nsave_pdf_ms %.1f\nrows %d\nmissing_rows %d\npages %d\n", ms,
                saveMs, rows, missing, store.pageCount());
    return error.isEmpty() ? 0 : 1;
}

// Child: plain Qt, the catalogue's default layout in 1/96 inch (Letter, margins 10 mm and 15 mm
// below; title, header and footer bands; name label, sample wrapped beside it).
int referenceChild()
{
    const QStringList families = installedFamilies();
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    QPdfWriter writer(dir.filePath(QStringLiteral("reference.pdf")));
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(96);
    QPainter painter(&writer);
    const int left = 38, width = 740, footerTop = 1056 - 57 - 20, sampleWidth = width - 232;
    const QFont label(QStringLiteral("Arial"), 10), small(QStringLiteral("Arial"), 8);
    const QFont title(QStringLiteral("Arial"), 14, QFont::Bold);
    int page = 1, y = 38, firstRow = 0;
    auto startPage = [&] {
        y = 38;
        painter.setFont(page == 1 ? title : small);
        painter.drawText(QRect(left + 4, y + 4, width - 8, 20), Qt::AlignLeft,
                         page == 1 ? QStringLiteral("Typovex")
                                   : QStringLiteral("Windows font list"));
        if (page > 1)
            painter.drawRect(left, y, width, 20);
        y += page == 1 ? 30 : 20;
        firstRow = y;
    };
    auto endPage = [&] {
        painter.setFont(small);
        painter.drawRect(left, footerTop, width, 20);
        painter.drawText(QRect(left + 4, footerTop + 4, width - 8, 12), Qt::AlignRight,
                         QString::number(page));
    };
    startPage();
    for (const QString& family : families) {
        QFont font(family, 12);
        font.setStyleStrategy(QFont::NoFontMerging);
        const QString sample = QStringLiteral("This is ") + family;
        const int height = std::max(17, QFontMetrics(font, &writer)
                                            .boundingRect(QRect(0, 0, sampleWidth, 100000),
                                                          Qt::TextWordWrap, sample)
                                            .height()) +
                           4;
        if (y + height > footerTop && y > firstRow) {
            endPage();
            writer.newPage();
            ++page;
            startPage();
        }
        painter.setFont(label);
        painter.drawText(QRect(left + 4, y + 2, 222, 17), Qt::AlignLeft, family);
        painter.setFont(font);
        painter.drawText(QRect(left + 228, y + 2, sampleWidth, height - 4),
                         Qt::AlignLeft | Qt::TextWordWrap, sample);
        y += height;
    }
    endPage();
    painter.end();
    std::printf("ref_qt_pdf_ms %.1f\npages %d\npeak_rss_mb %.1f\n", msSince(clock), page, peakMb());
    return 0;
}

int timeoutS = 600;

std::optional<Figures> runChild(const QStringList& args, const QStringList& env = {})
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : env)
        environment.insert(setting.section(QLatin1Char('='), 0, 0),
                           setting.section(QLatin1Char('='), 1));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(timeoutS * 1000)) {
        child.kill();
        child.waitForFinished();
        std::printf("  child %s hung: killed after %d s\n", qPrintable(args.join(' ')), timeoutS);
        return std::nullopt;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::printf("  child %s failed (exit %d)\n", qPrintable(args.join(' ')), child.exitCode());
        return std::nullopt;
    }
    Figures figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            figures[QString::fromLatin1(parts[0])] = parts[1].toDouble();
    }
    return figures;
}

// Median of one figure over the runs, leaving out runs that could not measure it (-1).
double median(const std::vector<Figures>& runs, const char* key)
{
    std::vector<double> v;
    for (const Figures& run : runs) {
        const auto it = run.find(QLatin1String(key));
        if (it != run.end() && it->second >= 0)
            v.push_back(it->second);
    }
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One kind of child run: its name in the output, its arguments, its environment changes.
struct Config
{
    QString name;
    QStringList args;
    QStringList env = {};
};

// Each configuration in turn, `rounds` times, after one untimed warm-up of each; prints every
// run's figures as the child gave them.
std::vector<std::vector<Figures>> series(int rounds, const std::vector<Config>& configs)
{
    std::vector<std::vector<Figures>> runs(configs.size());
    for (int round = -1; round < rounds; ++round) {
        for (size_t c = 0; c < configs.size(); ++c) {
            const auto figures = runChild(configs[c].args, configs[c].env);
            if (!figures || round < 0)
                continue;
            runs[c].push_back(*figures);
            QString line = QStringLiteral("  %1, run %2:").arg(configs[c].name).arg(round + 1);
            for (const auto& [key, value] : *figures)
                line += QStringLiteral(" %1=%2").arg(key).arg(value, 0, 'f',
                                                              value == qRound64(value) ? 0 : 1);
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        }
    }
    return runs;
}

// Nested subsets of the installed files, near 431, 817, 1,701 and all faces, each a fontconfig
// configuration that rejects the other files, sharing one cache folder of their own.
void facesSubset(int rounds, const QString& work)
{
    const std::map<QString, int> files = fontconfigFiles();
    std::vector<QString> order;
    QSet<QString> dirs;
    for (const auto& [file, count] : files) {
        order.push_back(file);
        dirs.insert(QFileInfo(file).path());
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(20261209));
    std::vector<Config> configs;
    for (const int target : {431, 817, 1701, 1 << 30}) {
        size_t n = 0;
        int faces = 0;
        while (n < order.size() && faces + files.at(order[n]) <= target)
            faces += files.at(order[n++]);
        QString xml = QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                                     "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
                                     "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
                                     "<cachedir>%1/cache</cachedir>\n")
                          .arg(work.toHtmlEscaped());
        for (const QString& dir : std::as_const(dirs))
            xml += QStringLiteral("<dir>%1</dir>\n").arg(dir.toHtmlEscaped());
        if (n < order.size()) {
            xml += QStringLiteral("<selectfont><rejectfont>\n");
            for (size_t i = n; i < order.size(); ++i)
                xml += QStringLiteral("<glob>%1</glob>\n").arg(order[i].toHtmlEscaped());
            xml += QStringLiteral("</rejectfont></selectfont>\n");
        }
        const QString path = work + QStringLiteral("/subset%1.conf").arg(faces);
        QFile conf(path);
        if (!conf.open(QIODevice::WriteOnly) || conf.write((xml + "</fontconfig>\n").toUtf8()) < 0)
            return;
        conf.close();
        configs.push_back({QStringLiteral("%1 faces").arg(faces),
                           {QStringLiteral("--child-ours")},
                           {QStringLiteral("FONTCONFIG_FILE=") + path}});
    }
    std::printf("faces subsets: building their font cache\n");
    std::fflush(stdout);
    QProcess cache;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), configs.back().env.front().section('=', 1));
    cache.setProcessEnvironment(env);
    cache.start(QStringLiteral("fc-cache"), {});
    if (!cache.waitForFinished(timeoutS * 1000))
        std::printf("fc-cache did not finish in %d s; the warm-up runs build the cache\n",
                    timeoutS);
    // The families of the smallest subset, catalogued again with each larger subset installed:
    // the same rows, so that only the number of installed faces changes. Over all installed
    // families the rows differ too (a subset drawn by files holds a family of many faces more
    // often than a family of one, and a face of a CJK collection costs twenty of most others).
    const QString smallest = work + QStringLiteral("/smallest-families.txt");
    QProcess list;
    env.insert(QStringLiteral("FONTCONFIG_FILE"), configs.front().env.front().section('=', 1));
    list.setProcessEnvironment(env);
    list.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--child-ours"), QStringLiteral("--list"), smallest});
    const bool listed = list.waitForFinished(timeoutS * 1000) && list.exitCode() == 0;
    const size_t subsets = configs.size();
    for (size_t i = 0; listed && i < subsets; ++i) {
        Config same = configs[i];
        same.name += QStringLiteral(", same families");
        same.args << QStringLiteral("--only") << smallest;
        configs.push_back(same);
    }
    const auto runs = series(rounds, configs);
    auto spread = [](const std::vector<double>& v) {
        const auto [low, high] = std::minmax_element(v.begin(), v.end());
        return *low > 0 ? (*high - *low) / *low * 100 : -1;
    };
    for (size_t from = 0; from < runs.size(); from += subsets) {
        const bool same = from > 0;
        std::vector<double> previewPer, savePer;
        std::printf("faces subset (medians of %d), %s: faces, families, ms per family for "
                    "preview and for save\n",
                    rounds, same ? "the smallest subset's families" : "every installed family");
        for (size_t i = from; i < std::min(runs.size(), from + subsets); ++i) {
            const std::vector<Figures>& c = runs[i];
            const double families = median(c, "families");
            previewPer.push_back(median(c, "preview_all_ms") / families);
            savePer.push_back(median(c, "save_pdf_ms") / families);
            std::printf("SUBSET%s faces=%.0f families=%.0f preview_ms_per_family=%.3f "
                        "save_ms_per_family=%.3f peak_rss_mb=%.0f\n",
                        same ? "_SAME" : "", median(c, "faces"), families, previewPer.back(),
                        savePer.back(), median(c, "peak_rss_mb"));
        }
        std::printf("spread of the cost per family, largest over smallest, %s: preview %.0f %%, "
                    "save %.0f %% (goal within 20 %%)\n",
                    same ? "the same families" : "every installed family", spread(previewPer),
                    spread(savePer));
    }
}

// The print job: ReportPrinter::print to a cups-pdf queue (never to real paper).
void printJob(int rounds)
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-v")});
    lpstat.waitForFinished(10000);
    QString queue;
    for (const QString& line : QString::fromLocal8Bit(lpstat.readAllStandardOutput()).split('\n')) {
        // "device for PDF: cups-pdf:/"
        if (line.startsWith(QLatin1String("device for ")) &&
            line.contains(QLatin1String("cups-pdf:")))
            queue = line.mid(11).section(QLatin1Char(':'), 0, 0);
    }
    if (queue.isEmpty()) {
        std::printf("print job: skipped, no cups-pdf queue (lpstat -v: %s)\n",
                    qPrintable(QString::fromLocal8Bit(lpstat.readAllStandardError() +
                                                      lpstat.readAllStandardOutput())
                                   .trimmed()));
        return;
    }
    const auto runs = series(
        rounds, {{queue, {QStringLiteral("--child-ours"), QStringLiteral("--print"), queue}}});
    std::printf("PRINTJOB queue=%s print_ms=%.0f save_pdf_ms=%.0f (medians of %d): from a finished "
                "store to the job handed to CUPS, and Save as PDF of the same store\n",
                qPrintable(queue), median(runs[0], "print_ms"), median(runs[0], "save_pdf_ms"),
                rounds);
}

quint32 be(const QByteArray& d, qsizetype at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | quint8(d[at + i]);
    return v;
}

void put(QByteArray& d, quint32 v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        d.append(char(v >> (8 * i)));
}

// A 'name' table (written as format 0) whose family names (IDs 1, 16, 21) and full names (4, 18)
// are `family`; empty when the table does not hold together.
QByteArray renamedTable(const QByteArray& name, const QString& family)
{
    if (name.size() < 6 || 6 + 12 * qsizetype(be(name, 2, 2)) > name.size())
        return {};
    const int count = int(be(name, 2, 2));
    const quint32 storage = be(name, 4, 2);
    QByteArray records, strings;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype rec = 6 + 12 * i;
        const quint32 platform = be(name, rec, 2), language = be(name, rec + 4, 2);
        const quint32 id = be(name, rec + 6, 2), length = be(name, rec + 8, 2);
        const quint32 offset = storage + be(name, rec + 10, 2);
        if (language >= 0x8000) // names by language tag: format 1 only
            continue;
        QByteArray text;
        if (id == 1 || id == 4 || id == 16 || id == 18 || id == 21) {
            for (const QChar c : family) // ASCII: Mac Roman on platform 1, UTF-16BE elsewhere
                put(text, c.unicode(), platform == 1 ? 1 : 2);
        } else if (qint64(offset) + length <= name.size()) {
            text = name.mid(offset, length);
        } else {
            continue;
        }
        records += name.mid(rec, 6);
        put(records, id, 2);
        put(records, quint32(text.size()), 2);
        put(records, quint32(strings.size()), 2);
        strings += text;
        ++kept;
    }
    if (strings.size() > 0xFFFF)
        return {};
    QByteArray out;
    put(out, 0, 2);
    put(out, quint32(kept), 2);
    put(out, quint32(6 + 12 * kept), 2);
    return out + records + strings;
}

// The font with its family renamed and its tables laid out afresh (offsets recomputed, each on
// 4 bytes); checksums are left as they were, FreeType and fontconfig do not check them. Empty
// for anything but a single TrueType or OpenType font.
QByteArray withFamily(const QByteArray& font, const QString& family)
{
    const quint32 version = font.size() >= 12 ? be(font, 0, 4) : 0;
    if (version != 0x00010000 && version != 0x4F54544F && version != 0x74727565)
        return {};
    const int count = int(be(font, 4, 2));
    if (12 + 16 * qsizetype(count) > font.size())
        return {};
    std::vector<QByteArray> tables;
    bool renamed = false;
    for (int t = 0; t < count; ++t) {
        const qsizetype rec = 12 + 16 * t;
        const quint32 offset = be(font, rec + 8, 4), length = be(font, rec + 12, 4);
        if (qint64(offset) + length > font.size())
            return {};
        tables.push_back(font.mid(offset, length));
        if (font.mid(rec, 4) == "name") {
            tables.back() = renamedTable(tables.back(), family);
            renamed = !tables.back().isEmpty();
        }
    }
    if (!renamed)
        return {};
    QByteArray out = font.left(12);
    quint32 at = 12 + 16 * count;
    for (int t = 0; t < count; ++t) {
        out += font.mid(12 + 16 * t, 8); // tag and checksum
        put(out, at, 4);
        put(out, quint32(tables[t].size()), 4);
        at += (tables[t].size() + 3) & ~3;
    }
    for (const QByteArray& table : tables)
        out += table + QByteArray((4 - table.size() % 4) % 4, '\0');
    return out;
}

// The bench set plus 2,000 families from renamed copies of installed files, added in the child.
void families4000(int rounds)
{
    std::vector<QString> sources;
    qint64 bytes = 0;
    for (const auto& [file, faces] : fontconfigFiles()) {
        const QString suffix = QFileInfo(file).suffix().toLower();
        if (faces == 1 && (suffix == QLatin1String("ttf") || suffix == QLatin1String("otf"))) {
            sources.push_back(file);
            bytes += QFileInfo(file).size();
        }
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench-families-XXXXXX"));
    const qint64 free = QStorageInfo(QDir::tempPath()).bytesAvailable();
    if (sources.empty() || !dir.isValid() || free < bytes * 2) {
        std::printf("families 4000: skipped (%zu source files, %lld MB free in %s)\n",
                    sources.size(), free >> 20, qPrintable(QDir::tempPath()));
        return;
    }
    int written = 0;
    for (size_t i = 0; written < 2000 && i < 4 * sources.size(); ++i) {
        // Spread over the whole set, in steps that visit each file before any twice.
        const QString& source = sources[(i * 7919) % sources.size()];
        QFile in(source);
        const QString family = QStringLiteral("Bench Extra %1").arg(written + 1, 4, 10, QChar('0'));
        const QByteArray font =
            in.open(QIODevice::ReadOnly) ? withFamily(in.readAll(), family) : QByteArray();
        QFile out(dir.filePath(QStringLiteral("extra%1.%2")
                                   .arg(written + 1, 4, 10, QChar('0'))
                                   .arg(QFileInfo(source).suffix())));
        if (!font.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(font) == font.size())
            ++written;
    }
    std::printf("families 4000: %d renamed copies in %s\n", written, qPrintable(dir.path()));
    std::fflush(stdout);
    const auto runs =
        series(rounds, {{QStringLiteral("4,000 families"),
                         {QStringLiteral("--child-ours"), QStringLiteral("--add"), dir.path()}}});
    const std::vector<Figures>& r = runs[0];
    std::printf("FAMILIES4000 families=%.0f faces=%.0f added=%.0f add_ms=%.0f pages=%.0f "
                "first_page_ms=%.0f preview_all_ms=%.0f save_pdf_ms=%.0f peak_rss_mb=%.0f (goal "
                "< 200) gap_ms=%.1f cancel_ms=%.1f\n",
                median(r, "families"), median(r, "faces"), median(r, "added"), median(r, "add_ms"),
                median(r, "pages"), median(r, "first_page_ms"), median(r, "preview_all_ms"),
                median(r, "save_pdf_ms"), median(r, "peak_rss_mb"), median(r, "gap_ms"),
                median(r, "cancel_ms"));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--child-ours" || mode == "--child-ref") {
        TypovexApplication app(argc, argv);
        return mode == "--child-ours" ? oursChild(app.arguments().mid(2)) : referenceChild();
    }
    if (mode == "--child-samples") {
        TypovexApplication app(argc, argv);
        return samplesChild(app.arguments().value(2) == QLatin1String("on"));
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int rounds = 5;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--timeout"))
            timeoutS = std::max(1, args.value(++i).toInt());
        else if (args[i].toInt() > 0)
            rounds = args[i].toInt();
    }
    const int faces = faceCount();
    QFile load(QStringLiteral("/proc/loadavg"));
    std::printf("bench set: %d faces as fontconfig lists them%s; load average %s\n", faces,
                faces < 3000 ? " (fewer than the bench set's 3,171: not fully installed?)" : "",
                load.open(QIODevice::ReadOnly) ? load.readLine(15).trimmed().constData() : "?");
    std::fflush(stdout);

    if (args.contains(QStringLiteral("--script-samples"))) {
        const auto samples =
            series(rounds, {{QStringLiteral("script samples off"),
                             {QStringLiteral("--child-samples"), QStringLiteral("off")}},
                            {QStringLiteral("script samples on"),
                             {QStringLiteral("--child-samples"), QStringLiteral("on")}}});
        const double off = median(samples[0], "generate_ms"),
                     on = median(samples[1], "generate_ms");
        std::printf("whole catalogue: %.0f ms with script samples, %.0f ms without: %+.1f %% "
                    "(goal within 5 %%)\n",
                    on, off, off > 0 ? (on / off - 1) * 100 : 0.0);
        const double offSave = median(samples[0], "save_pdf_ms"),
                     onSave = median(samples[1], "save_pdf_ms");
        std::printf("whole catalogue and its PDF: %.0f ms with script samples, %.0f ms without: "
                    "%+.1f %%\n",
                    on + onSave, off + offSave,
                    off + offSave > 0 ? ((on + onSave) / (off + offSave) - 1) * 100 : 0.0);
        std::printf("rows whose sample holds a missing glyph: %.0f of %.0f with script samples, "
                    "%.0f without\n",
                    median(samples[1], "missing_rows"), median(samples[1], "rows"),
                    median(samples[0], "missing_rows"));
        return samples[0].empty() || samples[1].empty() ? 1 : 0;
    }

    const auto runs =
        series(rounds, {{QStringLiteral("ours"), {QStringLiteral("--child-ours")}},
                        {QStringLiteral("reference"), {QStringLiteral("--child-ref")}}});
    const std::vector<Figures>&ours = runs[0], &refs = runs[1];
    std::printf("longest gap between handled events while generating: %.1f ms (goal < 50 ms)\n",
                median(ours, "gap_ms"));
    std::printf("closing the preview mid-run until generation returns: %.1f ms (goal < 100 ms; "
                "-1: every run ended before the close arrived)\n",
                median(ours, "cancel_ms"));
    std::printf("reference peak memory %.0f MB\n", median(refs, "peak_rss_mb"));
    std::fflush(stdout);

    QTemporaryDir work;
    if (args.contains(QStringLiteral("--faces-subset")))
        facesSubset(rounds, work.path());
    if (args.contains(QStringLiteral("--print-job")))
        printJob(rounds);
    if (args.contains(QStringLiteral("--families-4000")))
        families4000(rounds);

    const double whole = median(ours, "preview_all_ms"), save = median(ours, "save_pdf_ms");
    const double ref = median(refs, "ref_qt_pdf_ms");
    std::printf("RESULT families=%.0f faces=%.0f pages=%.0f first_page_ms=%.1f "
                "preview_all_ms=%.1f save_pdf_ms=%.1f peak_rss_mb=%.1f ref_qt_pdf_ms=%.1f "
                "ratio_vs_ref=%.3f\n",
                median(ours, "families"), median(ours, "faces"), median(ours, "pages"),
                median(ours, "first_page_ms"), whole, save, median(ours, "peak_rss_mb"), ref,
                ref > 0 && whole >= 0 && save >= 0 ? (whole + save) / ref : -1.0);
    return ours.empty() || refs.empty() ? 1 : 0;
}
