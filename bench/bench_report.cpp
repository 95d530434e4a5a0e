// The catalogue of every installed family, all ticked, one column, defaults otherwise:
// time to the first page, the whole generation into a page store, the longest stretch without
// handling events, Save as PDF of the whole set with its size, and the peak memory; beside them a
// plain reference that draws the same rows straight into a QPdfWriter with a fresh QFont per row.
// Prints medians of N runs (argument, default 5) after one untimed warm-up.
//
// Run with QT_QPA_PLATFORM=offscreen.

#include "app/TypovexApplication.h"
#include "report/PageStore.h"
#include "report/Report.h"
#include "report/ReportEngine.h"
#include "report/ReportPrinter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>
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
    ReportSettings settings;
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

} // namespace

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QStringList families = QFontDatabase::families();
    QTemporaryDir dir;
    std::printf("families %lld\n", qlonglong(families.size()));

    generateCatalogue(families); // warm-up
    std::vector<double> first, whole, gaps, saves, refs;
    qint64 pdfSize = 0;
    int pages = 0;
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<PageStore> store;
        const Sample s = generateCatalogue(families, &store);
        first.push_back(s.firstPageMs);
        whole.push_back(s.wholeMs);
        gaps.push_back(s.longestGapMs);
        pages = s.pages;
        QElapsedTimer clock;
        clock.start();
        QString error;
        const QString pdf = dir.filePath(QStringLiteral("catalogue.pdf"));
        ReportPrinter::savePdf(*store, pdf, 0, &error);
        saves.push_back(clock.nsecsElapsed() / 1e6);
        pdfSize = QFileInfo(pdf).size();
        std::printf(
            "run %d: first page %.0f ms, whole %.0f ms, longest gap %.0f ms, save %.0f ms\n", i + 1,
            s.firstPageMs, s.wholeMs, s.longestGapMs, saves.back());
        std::fflush(stdout);
    }
    const long ours = peakKb();
    for (int i = 0; i < runs; ++i) {
        refs.push_back(reference(families, dir.filePath(QStringLiteral("reference.pdf"))));
        std::printf("reference run %d: %.0f ms\n", i + 1, refs.back());
        std::fflush(stdout);
    }
    std::printf("pages %d\nfirst page: %.0f ms (median of %d)\n", pages, median(first), runs);
    std::printf("whole catalogue into the preview: %.0f ms\n", median(whole));
    std::printf("plain reference: %.0f ms; ratio %.2f\n", median(refs),
                median(whole) / median(refs));
    std::printf("longest stretch without events: %.0f ms\n", median(gaps));
    std::printf("save as PDF: %.0f ms, %lld bytes\n", median(saves), qlonglong(pdfSize));
    std::printf("peak memory: %ld MB through our runs, %ld MB after the reference\n", ours / 1024,
                peakKb() / 1024);
    return 0;
}
