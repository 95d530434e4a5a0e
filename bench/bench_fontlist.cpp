// Time from process start to the main window painted in advanced mode with the font list
// holding every family, peak memory at that point, and the time per frame when paging through
// the whole list.
//
// The parent runs itself as a child per measurement (one untimed warm-up, then five), notes the
// monotonic clock before each start and takes the median. Each child runs the program's own
// start-up with settings that open the advanced window. A second series runs with a fontconfig
// configuration that sees only DejaVu and Liberation. A last series fills the list to 4,000
// entries and times each keystroke typed into the font filter, the list repainted after it.

#include "app/Main.h"
#include "app/Startup.h"
#include "app/TypovexApplication.h"
#include "fonts/FontCheckList.h"
#include "fontservices/FontHeightIndex.h"
#include "ui/Advanced.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

long peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Lets the font list's viewport paint from inside the filter, so the time taken is when its
// first paint finished.
class FirstPaint : public QObject
{
public:
    qint64 paintedAt = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0 && watched->parent() &&
            watched->parent()->objectName() == QLatin1String("clbFonts")) {
            qApp->removeEventFilter(this);
            QCoreApplication::sendEvent(watched, event);
            paintedAt = monotonicNs();
            return true;
        }
        return false;
    }
};

int runChild(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    FirstPaint firstPaint;
    app.installEventFilter(&firstPaint);
    TypovexWindows windows;
    windows.create();
    windows.main()->show();
    while (firstPaint.paintedAt == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const long hwmAtPaint = peakMemoryKb();
    if (!frmAdvanced || !frmAdvanced->isVisible()) {
        std::fprintf(stderr, "the main window did not open in advanced mode\n");
        return 1;
    }
    auto* list = frmAdvanced->findChild<FontCheckList*>(QStringLiteral("clbFonts"));

    // Page from the first entry to the last, repainting at once after every step.
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    list->viewport()->repaint();
    // A pause between key presses lets the program use idle time, as a person reading each page
    // gives it; without one the pages follow each other back to back.
    const int pauseMs = qEnvironmentVariableIntValue("BENCH_PAGE_PAUSE_MS");
    QList<double> frames;
    int last = -1;
    while (list->currentIndex().row() != last) {
        last = list->currentIndex().row();
        if (pauseMs > 0) {
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < pauseMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, pauseMs);
        }
        QElapsedTimer t;
        t.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &press);
        list->viewport()->repaint();
        frames.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(frames.begin(), frames.end());
    const int faces = FontHeightIndex().faceCount();
    std::printf("painted %lld\nhwm %ld\nframes %lld\nframemax %.2f\nframemedian %.2f\nfamilies "
                "%d\nfaces %d\n"
                "hwmafterpaging %ld\nreachedlast %d\n",
                static_cast<long long>(firstPaint.paintedAt), hwmAtPaint,
                static_cast<long long>(frames.size()), frames.isEmpty() ? 0.0 : frames.last(),
                frames.isEmpty() ? 0.0 : frames.at(frames.size() / 2), list->count(), faces,
                peakMemoryKb(), list->currentIndex().row() == list->count() - 1);
    return 0;
}

// Types a filter text and erases it again, one key at a time, into a list of 4,000 entries or
// more; each keystroke is timed from the key press to the list repainted.
int runFilterChild(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    TypovexWindows windows;
    windows.create();
    windows.main()->show();
    auto* list = frmAdvanced->findChild<FontCheckList*>(QStringLiteral("clbFonts"));
    auto* filter = frmAdvanced->findChild<QLineEdit*>(QStringLiteral("eFontFilter"));
    if (!list || !filter)
        return 1;
    // The installed names again, as folders of fonts that are not installed would add them.
    const int installed = list->count();
    for (int i = 0; list->count() < 4000; i = (i + 1) % installed)
        list->addEntry(list->name(i * 2 % list->count()), false);
    // Shown and painted, with the fonts of the first pages loaded, before the first key.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!list->isVisible())
        return 1;
    filter->setFocus();
    const QString typed = QStringLiteral("noto sans");
    QList<double> keys;
    // The time a key takes is until the list's next paint has finished: the filter, the relayout
    // and the drawing of the entries now shown, whose faces may not be loaded yet.
    struct PaintEnd : QObject
    {
        bool painted = false;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || painted)
                return false;
            watched->removeEventFilter(this);
            QCoreApplication::sendEvent(watched, event);
            painted = true;
            return true;
        }
    };
    const int pauseMs = qEnvironmentVariableIntValue("BENCH_KEY_PAUSE_MS");
    const auto press = [&](int key, const QString& text) {
        PaintEnd paint;
        list->viewport()->installEventFilter(&paint);
        QElapsedTimer t;
        t.start();
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(filter, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(filter, &up);
        // A key that leaves the same entries shown repaints nothing: its time is the work done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        double elapsed = t.nsecsElapsed() / 1e6;
        QElapsedTimer wait;
        wait.start();
        while (!paint.painted && wait.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (paint.painted)
            elapsed = t.nsecsElapsed() / 1e6;
        else
            list->viewport()->removeEventFilter(&paint);
        keys.append(elapsed);
        // Idle time between keys, as a typist leaves, for the list's own work in the background.
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < pauseMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (qEnvironmentVariableIsSet("BENCH_KEYS"))
            std::fprintf(stderr, "key %d: %.2f ms, %d shown\n", key, keys.last(),
                         list->shownCount());
    };
    for (QChar c : typed)
        press(c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_A + (c.unicode() - 'a'), c);
    const int shown = list->shownCount();
    for (qsizetype i = 0; i < typed.size(); ++i)
        press(Qt::Key_Backspace, QString());
    std::sort(keys.begin(), keys.end());
    std::printf("entries %d\nshown %d\nkeys %lld\nkeymax %.2f\nkeymedian %.2f\nallback %d\n",
                list->count(), shown, static_cast<long long>(keys.size()), keys.last(),
                keys.at(keys.size() / 2), list->shownCount() == list->count());
    return 0;
}

void filterSeries(const QString& title, const QString& program, const QProcessEnvironment& env,
                  int count)
{
    QList<double> worst, median;
    QHash<QString, QString> values;
    for (int i = 0; i <= count; ++i) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {QStringLiteral("--filter-child")});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            std::printf("filter: child failed\n");
            return;
        }
        values.clear();
        for (const QString& line :
             QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n')) {
            const int space = line.indexOf(' ');
            if (space > 0)
                values.insert(line.left(space), line.mid(space + 1));
        }
        if (i == 0)
            continue; // the warm-up
        worst.append(values.value(QStringLiteral("keymax")).toDouble());
        median.append(values.value(QStringLiteral("keymedian")).toDouble());
    }
    std::sort(worst.begin(), worst.end());
    std::sort(median.begin(), median.end());
    std::printf("Font filter, %s, %s entries (\"noto sans\" typed, then erased; %s shown at the "
                "end of typing), median of %d runs after a warm-up:\n",
                qPrintable(title), qPrintable(values.value(QStringLiteral("entries"))),
                qPrintable(values.value(QStringLiteral("shown"))), count);
    std::printf("  per keystroke, key to list repainted: worst %.1f ms, median %.1f ms%s\n",
                worst.at(worst.size() / 2), median.at(median.size() / 2),
                values.value(QStringLiteral("allback")) == QLatin1String("1")
                    ? ""
                    : " (not every entry came back)");
    std::fflush(stdout);
}

struct Run
{
    double startToPaintMs = 0;
    double hwmMb = 0;
    double frameMaxMs = 0;
    double frameMedianMs = 0;
    double hwmAfterPagingMb = 0;
    int frames = 0;
    int families = 0;
    int faces = 0;
    bool reachedLast = false;
};

bool runOnce(const QString& program, const QProcessEnvironment& env, Run& run)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 startedAt = monotonicNs();
    child.start(program, {QStringLiteral("--child")});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return false;
    QHash<QString, QString> values;
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n')) {
        const int space = line.indexOf(' ');
        if (space > 0)
            values.insert(line.left(space), line.mid(space + 1));
    }
    run.startToPaintMs = (values.value(QStringLiteral("painted")).toLongLong() - startedAt) / 1e6;
    run.hwmMb = values.value(QStringLiteral("hwm")).toDouble() / 1024;
    run.frameMaxMs = values.value(QStringLiteral("framemax")).toDouble();
    run.frameMedianMs = values.value(QStringLiteral("framemedian")).toDouble();
    run.hwmAfterPagingMb = values.value(QStringLiteral("hwmafterpaging")).toDouble() / 1024;
    run.frames = values.value(QStringLiteral("frames")).toInt();
    run.families = values.value(QStringLiteral("families")).toInt();
    run.faces = values.value(QStringLiteral("faces")).toInt();
    run.reachedLast = values.value(QStringLiteral("reachedlast")).toInt() == 1;
    return true;
}

template <typename F> double median(QList<Run>& runs, F field)
{
    QList<double> v;
    for (const Run& r : runs)
        v.append(field(r));
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

void series(const QString& title, const QString& program, const QProcessEnvironment& env, int count)
{
    Run warmUp;
    if (!runOnce(program, env, warmUp)) {
        std::printf("%s: child failed\n", qPrintable(title));
        return;
    }
    QList<Run> runs;
    for (int i = 0; i < count; ++i) {
        Run r;
        if (runOnce(program, env, r))
            runs.append(r);
    }
    if (runs.isEmpty())
        return;
    const Run& any = runs.first();
    std::printf("%s (%d families, %d faces), median of %lld runs after a warm-up:\n",
                qPrintable(title), any.families, any.faces, static_cast<long long>(runs.size()));
    std::printf("  start to main window painted in advanced mode: %7.1f ms\n",
                median(runs, [](const Run& r) { return r.startToPaintMs; }));
    std::printf("  peak memory (VmHWM):    %7.1f MB at first paint, %.1f MB after paging\n",
                median(runs, [](const Run& r) { return r.hwmMb; }),
                median(runs, [](const Run& r) { return r.hwmAfterPagingMb; }));
    std::printf("  paging, %d frames:     worst %6.1f ms, median %5.1f ms%s\n", any.frames,
                median(runs, [](const Run& r) { return r.frameMaxMs; }),
                median(runs, [](const Run& r) { return r.frameMedianMs; }),
                any.reachedLast ? "" : " (last entry not reached)");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--filter-child") == 0)
        return runFilterChild(argc, argv);

    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Settings that open the advanced window, in folders of this run only.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config/Typovex"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile registry(home.filePath(QStringLiteral("config/Typovex/registry.json")));
    if (!registry.open(QIODevice::WriteOnly))
        return 1;
    registry.write(R"({"Software": {"Typovex": {"Options": {"Startup": 1}}}})");
    registry.close();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QProcessEnvironment typist = env;
    typist.insert(QStringLiteral("BENCH_KEY_PAUSE_MS"), QStringLiteral("120"));
    if (qEnvironmentVariableIsSet("BENCH_FILTER_ONLY")) {
        filterSeries(QStringLiteral("keys back to back"), program, env, 5);
        filterSeries(QStringLiteral("one key every 120 ms"), program, typist, 5);
        return 0;
    }
    series(QStringLiteral("All installed fonts, pages back to back"), program, env, 5);
    QProcessEnvironment paced = env;
    paced.insert(QStringLiteral("BENCH_PAGE_PAUSE_MS"), QStringLiteral("150"));
    series(QStringLiteral("All installed fonts, one page every 150 ms"), program, paced, 3);

    QTemporaryDir dir;
    QFile conf(dir.filePath(QStringLiteral("fonts.conf")));
    if (!conf.open(QIODevice::WriteOnly))
        return 1;
    QTextStream(&conf)
        << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
           "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
           "  <dir>/usr/share/fonts/truetype/liberation2</dir>\n"
           "  <cachedir>"
        << dir.filePath(QStringLiteral("cache")) << "</cachedir>\n</fontconfig>\n";
    conf.close();
    QProcessEnvironment small = env;
    small.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
    series(QStringLiteral("DejaVu and Liberation only"), program, small, 5);
    filterSeries(QStringLiteral("keys back to back"), program, env, 5);
    filterSeries(QStringLiteral("one key every 120 ms"), program, typist, 5);
    return 0;
}
