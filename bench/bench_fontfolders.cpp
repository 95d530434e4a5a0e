// Font folders at scale, each measurement in a child process of its own, interleaved with its
// reference, medians printed:
//   scan N      recursive scan of a generated tree of N folders into the Paths tab's list, shown
//               and painted as it grows; time per folder at 500, 5,000 and 50,000 listed (the
//               mean from n/2 to 2n, at least 5,000 wide) and over the whole scan, peak memory.
//               Reference: the same tree walked by QDirIterator without any list.
//   end N       a main window with fonts added by Apply, then a recursive scan of N folders,
//               ended by SIGTERM from the parent: time from the signal to the child's exit, and
//               the fonts left in the font table at its end (must be 0).
//   apply       the former figures: a tree of 2,000 font files scanned and applied twice.
//
// Run: build/bench/bench_fontfolders [rounds]   (offscreen unless QT_QPA_PLATFORM is set)

#include "app/About.h"
#include "app/Main.h"
#include "app/TerminationSignals.h"
#include "app/TypovexApplication.h"
#include "app/Wait.h"
#include "base/Messages.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontFolders.h"
#include "fontservices/FontServices.h"
#include "ui/Advanced.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {

// A tree of exactly `count` folders below root: 100 top folders, the rest spread below them in
// groups of 10, three levels deep.
void makeTree(const QString& root, int count)
{
    QDir().mkpath(root);
    int made = 0;
    for (int a = 0; made < count; ++a) {
        const QString top = root + QStringLiteral("/t%1").arg(a);
        QDir().mkdir(top);
        ++made;
        for (int b = 0; b < 100 && made < count; ++b) {
            const QString mid = top + QStringLiteral("/m%1").arg(b);
            QDir().mkdir(mid);
            ++made;
            for (int c = 0; c < 9 && made < count; ++c, ++made)
                QDir().mkdir(mid + QStringLiteral("/l%1").arg(c));
        }
    }
}

long peakKiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void quietBoxes()
{
    Messages::setHook([](Messages::Kind, const QString&) { return QMessageBox::Ok; });
}

// The advanced window shown, with its wait window and message boxes that answer themselves.
struct ShownAdvanced
{
    TfrmWait wait;
    TfrmAdvanced advanced;
    ShownAdvanced()
    {
        quietBoxes();
        advanced.fontFolders()->setProgress(&wait);
        advanced.resize(400, 300);
        advanced.show();
    }
};

// Child: one recursive scan into the shown list. Prints "total ms", "paints", "per500" ...
int childScan(const QString& root)
{
    ShownAdvanced shown;
    TfrmAdvanced& advanced = shown.advanced;
    QListWidget* list = advanced.findChild<QListWidget*>(QStringLiteral("lbFontPath"));
    advanced.findChild<QTabWidget*>(QStringLiteral("pgTypovex"))
        ->setCurrentWidget(advanced.findChild<QWidget*>(QStringLiteral("tsPath")));
    QCoreApplication::processEvents();

    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    list->viewport()->installEventFilter(&counter);

    QElapsedTimer clock;
    std::vector<qint64> at; // nanoseconds at each count listed
    at.reserve(200000);
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [&] { at.push_back(clock.nsecsElapsed()); });
    clock.start();
    advanced.fontFolders()->ScanFolderTree(root, true);
    const qint64 total = clock.nsecsElapsed();
    std::printf("total %.1f\n", total / 1e6);
    std::printf("folders %lld\n", static_cast<long long>(list->count()));
    std::printf("paints %d\n", counter.paints);
    // The list takes folders once a screen refresh, so the time per folder at n listed is the
    // mean over a window around n, measured at the refreshes that showed its ends: from n/2 to
    // 2n, and at least 5,000 folders wide, so that it spans several refreshes.
    for (int n : {500, 5000, 50000}) {
        const qsizetype first = n / 2;
        const qsizetype last =
            std::min<qsizetype>(std::max(2 * n, n / 2 + 5000), qsizetype(at.size()) - 1);
        if (last < n + n / 2)
            continue;
        std::printf("per%d %.2f\n", n, (at[last] - at[first]) / double(last - first) / 1e3);
    }
    std::printf("mean %.2f\n", total / double(std::max<qsizetype>(1, list->count())) / 1e3);
    std::printf("peak %ld\n", peakKiB());
    return 0;
}

// Child: the reference, a plain walk of the same tree.
int childWalk(const QString& root)
{
    QElapsedTimer clock;
    clock.start();
    qint64 n = 1;
    QDirIterator it(root, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    std::printf("total %.1f\n", clock.nsecsElapsed() / 1e6);
    std::printf("folders %lld\n", static_cast<long long>(n));
    std::printf("peak %ld\n", peakKiB());
    return 0;
}

// Child: the real main window with fonts added, then a long scan that the parent ends.
int childEnd(const QString& root, const QString& fonts)
{
    quietBoxes();
    TfrmAbout about;
    TfrmWait wait;
    int left = -1;
    {
        TfrmMain main;
        TfrmMain::Windows windows;
        windows.wait = &wait;
        windows.about = &about;
        main.setWindows(windows);
        TerminationSignals handler(&main);
        main.show();
        frmAdvanced->fontFolders()->AddFontFolder(fonts);
        frmAdvanced->fontFolders()->bApplyClick();
        std::printf("added %lld\n", static_cast<long long>(FontServices::addedFontFiles().size()));
        QListWidget* list = frmAdvanced->findChild<QListWidget*>(QStringLiteral("lbFontPath"));
        bool told = false;
        QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list, [&] {
            if (!told && list->count() > 20000) {
                told = true;
                std::printf("scanning\n");
                std::fflush(stdout);
            }
        });
        QTimer::singleShot(0, &main,
                           [&] { frmAdvanced->fontFolders()->ScanFolderTree(root, true); });
        QCoreApplication::exec();
        std::printf("listed %lld\n", static_cast<long long>(list->count()));
    }
    left = int(FontServices::addedFontFiles().size());
    std::printf("left %d\n", left);
    return 0;
}

// The former figures: 2,000 font files copied from the installed ones into nested folders.
int childApply(int wanted)
{
    QStringList sources;
    QDirIterator it(QStringLiteral("/usr/share/fonts"), {"*.ttf", "*.otf"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        sources.append(it.next());
    sources.sort();
    if (sources.isEmpty())
        return 1;
    QTemporaryDir tree;
    int copied = 0;
    for (int top = 0; copied < wanted; ++top) {
        for (int sub = 0; sub < 10 && copied < wanted; ++sub) {
            const QString folder = tree.filePath(QStringLiteral("f%1/s%2").arg(top).arg(sub));
            QDir().mkpath(folder);
            for (int n = 0; n < 10 && copied < wanted; ++n, ++copied) {
                const QString source = sources.at(copied % sources.size());
                QFile::copy(source, folder + QLatin1Char('/') + QFileInfo(source).fileName());
            }
        }
    }
    ShownAdvanced shown;
    TfrmAdvanced& advanced = shown.advanced;
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    advanced.fontFolders()->ScanFolderTree(tree.path(), true);
    std::printf("scan of the font tree: %lld ms\n", static_cast<long long>(timer.restart()));
    advanced.fontFolders()->bApplyClick();
    std::printf("first Apply: %lld ms (%lld files added, %lld names)\n",
                static_cast<long long>(timer.restart()),
                static_cast<long long>(advanced.AddedFontFiles.size()),
                static_cast<long long>(advanced.FoundFontNames.size()));
    advanced.fontFolders()->bApplyClick();
    std::printf("next Apply (remove and add again): %lld ms\n",
                static_cast<long long>(timer.restart()));
    int wrong = 0;
    FontCheckList* list = advanced.findChild<FontCheckList*>(QStringLiteral("clbFonts"));
    for (const QString& name : std::as_const(advanced.FoundFontNames)) {
        const int row = list->indexOf(name);
        const int qt =
            QFontMetrics(FontServices::fontFor(name, 0, false, false, false, false), list).height();
        wrong += list->entryHeight(row) != qt + 2;
    }
    std::printf("entry heights differing from Qt's: %d\n", wrong);
    advanced.hide();
    timer.restart();
    advanced.RemoveAddedFonts();
    std::printf("removal at quit: %lld ms (%lld left in the font table)\n",
                static_cast<long long>(timer.elapsed()),
                static_cast<long long>(FontServices::addedFontFiles().size()));
    return 0;
}

using Figures = std::map<QString, double>;

Figures parse(const QByteArray& out)
{
    Figures figures;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            figures[QString::fromLatin1(parts[0])] = parts[1].toDouble();
    }
    return figures;
}

Figures runChild(const QStringList& args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    return parse(child.readAllStandardOutput());
}

// Starts the end child, sends SIGTERM once it scans, and times its end.
Figures runEnd(const QString& root, const QString& fonts)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"end", root, fonts});
    QByteArray out;
    while (!out.contains("scanning\n") && child.waitForReadyRead(60000))
        out += child.readAllStandardOutput();
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(child.processId()), SIGTERM);
    child.waitForFinished(-1);
    Figures figures = parse(out + child.readAllStandardOutput());
    figures[QStringLiteral("endms")] = clock.nsecsElapsed() / 1e6;
    return figures;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "walk") {
        QCoreApplication app(argc, argv);
        return childWalk(QString::fromLocal8Bit(argv[2]));
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", config.path().toLocal8Bit());
    TypovexApplication app(argc, argv);
    if (mode == "scan")
        return childScan(QString::fromLocal8Bit(argv[2]));
    if (mode == "end")
        return childEnd(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (mode == "apply")
        return childApply(2000);

    const int rounds = argc > 1 ? std::max(1, mode.toInt()) : 3;
    QTemporaryDir work;
    const QString small = work.filePath(QStringLiteral("t5000"));
    const QString large = work.filePath(QStringLiteral("t100000"));
    const QString fonts = work.filePath(QStringLiteral("fonts"));
    makeTree(small, 4999); // with its root: 5,000 folders
    makeTree(large, 99999);
    QDir().mkpath(fonts);
    int copied = 0;
    QDirIterator it(QStringLiteral("/usr/share/fonts/truetype/dejavu"), {"*.ttf"}, QDir::Files);
    while (it.hasNext() && copied < 10) {
        const QString source = it.next();
        copied += QFile::copy(source, fonts + QLatin1Char('/') + QFileInfo(source).fileName());
    }
    std::printf("trees made: 5,000 and 100,000 folders; %d font files to add\n", copied);
    std::fflush(stdout);

    std::map<QString, std::map<QString, std::vector<double>>> results;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [name, root] : {std::pair{QStringLiteral("5000"), small},
                                         std::pair{QStringLiteral("100000"), large}}) {
            for (const auto& [key, value] : runChild({"scan", root}))
                results[QStringLiteral("scan ") + name][key].push_back(value);
            for (const auto& [key, value] : runChild({"walk", root}))
                results[QStringLiteral("walk ") + name][key].push_back(value);
        }
        for (const auto& [key, value] : runEnd(large, fonts))
            results[QStringLiteral("end")][key].push_back(value);
    }
    std::printf("medians of %d rounds\n", rounds);
    for (const QString& name : {QStringLiteral("5000"), QStringLiteral("100000")}) {
        auto& scan = results[QStringLiteral("scan ") + name];
        auto& walk = results[QStringLiteral("walk ") + name];
        std::printf("scan of %s folders: %.0f ms (goal %s), %.0f folders listed, %.0f paints of "
                    "the list, peak memory %.1f MiB; reference walk without a list: %.0f ms, "
                    "%.1f MiB\n",
                    qPrintable(name), median(scan["total"]),
                    name == QLatin1String("5000") ? "< 1000 ms" : "< 15000 ms",
                    median(scan["folders"]), median(scan["paints"]), median(scan["peak"]) / 1024,
                    median(walk["total"]), median(walk["peak"]) / 1024);
        std::printf("  time per folder over the whole scan: %.1f us\n", median(scan["mean"]));
        for (const char* at : {"per500", "per5000", "per50000"}) {
            if (!scan[at].empty())
                std::printf("  time per folder at %s listed: %.1f us\n", at + 3, median(scan[at]));
        }
    }
    auto& end = results[QStringLiteral("end")];
    std::printf("SIGTERM during a scan of 100,000 folders: ended in %.0f ms (goal < 1000 ms), "
                "%.0f of %.0f added fonts left at the end, %.0f folders listed by then\n",
                median(end["endms"]), median(end["left"]), median(end["added"]),
                median(end["listed"]));
    std::printf("\nfonts at scale (one run):\n");
    std::fflush(stdout);
    QProcess apply;
    apply.setProcessChannelMode(QProcess::ForwardedChannels);
    apply.start(QCoreApplication::applicationFilePath(), {"apply"});
    apply.waitForFinished(-1);
    return 0;
}
