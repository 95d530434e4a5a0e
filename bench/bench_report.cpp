// The catalogue of every installed family, all ticked, one column, defaults otherwise:
// time to the first page, the whole generation into a page store, the longest stretch without
// handling events, Save as PDF of the whole set with its size, and the peak memory of one
// preview; beside them a plain reference that draws the same rows straight into a QPdfWriter with
// a fresh QFont per row. Every measurement runs in a child process of its own (one untimed
// warm-up, then N, argument, default 5), so that the peak memory (VmHWM) is that of one preview;
// prints medians.
//
// Run with QT_QPA_PLATFORM=offscreen.

#include "app/TypovexApplication.h"
#include "engine/PageStore.h"
#include "engine/ReportEngine.h"
#include "engine/ReportPrinter.h"
#include "report/Report.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Sample
{
    double firstPageMs = 0;
    double wholeMs = 0;
    double longestGapMs = 0;
    int pages = 0;
};

Sample generateCatalogue(const QStringList& families, std::unique_ptr<PageStore>* keep = nullptr)
{
    ListingSettings settings = ListingSettings::defaults();
    settings.Fonts = families;
    TfrmReport host(settings);
    QElapsedTimer clock;
    clock.start();
    host.qrFontRptBeforePrint();
    auto store = std::make_unique<PageStore>(host.qrFontRpt.setup.pageSize());
    Sample sample;
    QObject::connect(store.get(), &PageStore::pageAdded, store.get(), [&](int count) {
        if (count == 1)
            sample.firstPageMs = clock.nsecsElapsed() / 1e6;
    });
    // Events are let through once per band: the gap between two asks is the longest time the
    // interface waits.
    qint64 last = clock.nsecsElapsed();
    auto ask = host.qrFontRpt.onNeedData;
    host.qrFontRpt.onNeedData = [&] {
        const qint64 now = clock.nsecsElapsed();
        sample.longestGapMs = std::max(sample.longestGapMs, (now - last) / 1e6);
        const bool more = ask();
        last = clock.nsecsElapsed();
        return more;
    };
    ReportEngine::generate(host.qrFontRpt, *store);
    sample.wholeMs = clock.nsecsElapsed() / 1e6;
    sample.pages = store->pageCount();
    if (keep)
        *keep = std::move(store);
    return sample;
}

double reference(const QStringList& families, const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(96);
    QPainter painter(&writer);
    const int pageHeight = 1056 - 38 - 57;
    int y = 38;
    for (const QString& family : families) {
        QFont font(family, 12);
        painter.setFont(QFont(QStringLiteral("Arial"), 10));
        const int height = QFontMetrics(font, &writer).height() + 4;
        if (y + height > pageHeight) {
            writer.newPage();
            y = 38;
        }
        painter.drawText(QRect(42, y, 222, height), Qt::AlignLeft, family);
        painter.setFont(font);
        painter.drawText(QRect(266, y, 486, height), Qt::AlignLeft | Qt::TextWordWrap,
                         QStringLiteral("This is ") + family);
        y += height;
    }
    painter.end();
    return clock.nsecsElapsed() / 1e6;
}

// One catalogue into the preview's page store, then Save as PDF; prints "key value" lines.
int catalogueChild(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    const QStringList families = QFontDatabase::families();
    QTemporaryDir dir;
    std::unique_ptr<PageStore> store;
    const Sample s = generateCatalogue(families, &store);
    const long previewKb = peakKb();
    QElapsedTimer clock;
    clock.start();
    QString error;
    const QString pdf = dir.filePath(QStringLiteral("catalogue.pdf"));
    ReportPrinter::savePdf(*store, pdf, 0, &error);
    const double saveMs = clock.nsecsElapsed() / 1e6;
    std::printf("families %lld\npages %d\nfirst %.1f\nwhole %.1f\ngap %.1f\nsave %.1f\npdf %lld\n"
                "hwmpreview %ld\nhwmsave %ld\n",
                qlonglong(families.size()), s.pages, s.firstPageMs, s.wholeMs, s.longestGapMs,
                saveMs, qlonglong(QFileInfo(pdf).size()), previewKb, peakKb());
    return error.isEmpty() ? 0 : 1;
}

int referenceChild(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    QTemporaryDir dir;
    const double ms =
        reference(QFontDatabase::families(), dir.filePath(QStringLiteral("reference.pdf")));
    std::printf("reference %.1f\nhwmreference %ld\n", ms, peakKb());
    return 0;
}

using Values = QHash<QString, double>;

bool runChild(const QString& mode, Values& values)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return false;
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n')) {
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        if (space > 0)
            values.insert(line.left(space), line.mid(space + 1).toDouble());
    }
    return true;
}

double medianOf(const std::vector<Values>& runs, const QString& key)
{
    std::vector<double> v;
    for (const Values& r : runs)
        v.push_back(r.value(key));
    return median(v);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--catalogue") == 0)
        return catalogueChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--reference") == 0)
        return referenceChild(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    Values warmUp;
    if (!runChild(QStringLiteral("--catalogue"), warmUp)) {
        std::printf("the catalogue child failed\n");
        return 1;
    }
    std::vector<Values> ours, refs;
    for (int i = 0; i < runs; ++i) {
        Values v;
        if (!runChild(QStringLiteral("--catalogue"), v))
            return 1;
        ours.push_back(v);
        std::printf("run %d: first page %.0f ms, whole %.0f ms, longest gap %.0f ms, save %.0f ms, "
                    "peak %.0f MB (preview) %.0f MB (after save)\n",
                    i + 1, v.value("first"), v.value("whole"), v.value("gap"), v.value("save"),
                    v.value("hwmpreview") / 1024, v.value("hwmsave") / 1024);
        std::fflush(stdout);
    }
    for (int i = 0; i < runs; ++i) {
        Values v;
        if (!runChild(QStringLiteral("--reference"), v))
            return 1;
        refs.push_back(v);
        std::printf("reference run %d: %.0f ms\n", i + 1, v.value("reference"));
        std::fflush(stdout);
    }
    const double whole = medianOf(ours, QStringLiteral("whole"));
    const double ref = medianOf(refs, QStringLiteral("reference"));
    std::printf("families %.0f, pages %.0f (one child process per run, medians of %d)\n",
                warmUp.value("families"), warmUp.value("pages"), runs);
    std::printf("first page: %.0f ms\n", medianOf(ours, QStringLiteral("first")));
    std::printf("whole catalogue into the preview: %.0f ms\n", whole);
    std::printf("plain reference: %.0f ms; ratio %.2f\n", ref, ref > 0 ? whole / ref : 0.0);
    std::printf("longest stretch without events: %.0f ms\n", medianOf(ours, QStringLiteral("gap")));
    std::printf("save as PDF: %.0f ms, %.0f bytes\n", medianOf(ours, QStringLiteral("save")),
                medianOf(ours, QStringLiteral("pdf")));
    std::printf("peak memory of one preview: %.0f MB; after its save as PDF %.0f MB; reference "
                "%.0f MB\n",
                medianOf(ours, QStringLiteral("hwmpreview")) / 1024,
                medianOf(ours, QStringLiteral("hwmsave")) / 1024,
                medianOf(refs, QStringLiteral("hwmreference")) / 1024);
    return 0;
}
