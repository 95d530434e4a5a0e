#include "engine/ReportPrinter.h"

#include "engine/PagePainter.h"
#include "engine/PageSetup.h"
#include "engine/PageStore.h"
#include "engine/PrinterList.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPageSize>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include <cups/cups.h>

namespace ReportPrinter {

namespace {

QString cupsOption(const cups_dest_t* dest, const char* name)
{
    const char* value = cupsGetOption(name, dest->num_options, dest->options);
    return value ? QString::fromUtf8(value) : QString();
}

struct JobOptions
{
    int count = 0;
    cups_option_t* list = nullptr;
    JobOptions() = default;
    JobOptions(const JobOptions&) = delete;
    JobOptions& operator=(const JobOptions&) = delete;
    ~JobOptions() { cupsFreeOptions(count, list); }
};

const char* standardMediaName(PageSetup::Paper paper)
{
    switch (paper) {
    case PageSetup::Paper::A3:
        return "iso_a3_297x420mm";
    case PageSetup::Paper::Letter:
        return "na_letter_8.5x11in";
    case PageSetup::Paper::B5:
        return "jis_b5_182x257mm";
    case PageSetup::Paper::A4:
        break;
    }
    return "iso_a4_210x297mm";
}

// The options that bring the chosen sheet out of the printer with the page at 100 %. The
// printer's own sheet of that name is used where it is the chosen size within a point; where a
// driver rounds it further (cups-pdf gives B5 as 518 x 727 pt), the page would not fit and be
// shrunk, so the exact size is asked for as a custom sheet where the printer takes one.
int jobOptions(cups_dest_t* dest, const PageSetup& setup, cups_option_t** options)
{
    constexpr double pointsPerMm = 72 / 25.4;
    const QSizeF wanted = PageSetup::paperMillimetres(setup.paper) * pointsPerMm;
    int count = 0;
    QByteArray media = standardMediaName(setup.paper);
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        cups_size_t size{};
        const bool known = cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, media.constData(),
                                                  CUPS_MEDIA_FLAGS_DEFAULT, &size);
        // cups_size_t lengths are in hundredths of a millimetre.
        const bool exact = known && qAbs(size.width / 100.0 * pointsPerMm - wanted.width()) <= 1 &&
                           qAbs(size.length / 100.0 * pointsPerMm - wanted.height()) <= 1;
        bool custom = false;
        if (ipp_attribute_t* supported =
                cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA)) {
            for (int i = 0; i < ippGetCount(supported) && !custom; ++i) {
                const char* value = ippGetString(supported, i, nullptr);
                custom = value && qstrncmp(value, "custom_min_", 11) == 0;
            }
        }
        cupsFreeDestInfo(info);
        if (!exact && custom) {
            // PageSize is the form the printer's driver takes without rounding to its own list.
            const QByteArray points = QByteArray::number(wanted.width(), 'f', 2) + 'x' +
                                      QByteArray::number(wanted.height(), 'f', 2);
            count = cupsAddOption("PageSize", ("Custom." + points).constData(), count, options);
            media.clear();
        } else if (known) {
            media = size.media;
        }
    }
    if (!media.isEmpty())
        count = cupsAddOption(CUPS_MEDIA, media.constData(), count, options);
    // The recorded pages already have the orientation's shape; this names it so the print system
    // turns the sheet, not the page a second time.
    count = cupsAddOption(CUPS_ORIENTATION,
                          setup.orientation == PageSetup::Orientation::Landscape
                              ? CUPS_ORIENTATION_LANDSCAPE
                              : CUPS_ORIENTATION_PORTRAIT,
                          count, options);
    count = cupsAddOption("print-scaling", "none", count, options);
    count = cupsAddOption("fit-to-page", "false", count, options);
    return count;
}

} // namespace

QString printerName(int index)
{
    const QStringList names = PrinterList::names();
    if (names.isEmpty())
        return {};
    if (index >= 0 && index < names.size())
        return names[index];
    const int current = PrinterList::currentIndex();
    return names[current >= 0 ? current : 0];
}

int writePdf(const PageStore& store, int firstPage, QIODevice& out, QString* error)
{
    // The pages are copied (their glyph runs are shared, not copied): the store may go while the
    // document is written, with the window that showed it.
    std::vector<RecordedPage> pages;
    for (int index = qMax(0, firstPage - 1); index < store.pageCount(); ++index)
        pages.push_back(store.page(index));
    // The sheet's own size where the page is a paper the print system knows (layout units
    // round A4 up by a third of a point).
    const QSize units = store.pageSize();
    const bool landscape = units.width() > units.height();
    const QPageSize paper(QSizeF(landscape ? units.transposed() : units) * 25.4 /
                              PageSetup::unitsPerInch,
                          QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const QSizeF points = paper.id() == QPageSize::Custom ? QSizeF() : paper.size(QPageSize::Point);
    PagePainter::PdfDocument document{
        store.title(), units, landscape ? points.transposed() : points, {}};
    for (const RecordedPage& page : pages)
        document.pages.push_back(&page);

    bool written = false;
    QString reason;
    std::unique_ptr<QThread> thread(
        QThread::create([&] { written = PagePainter::writePdf(document, out, &reason); }));
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        QEventLoop loop;
        QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
        thread->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        thread->start();
    }
    thread->wait();
    if (!written) {
        *error = reason;
        return -1;
    }
    return int(pages.size());
}

int savePdf(const PageStore& store, const QString& path, int firstPage, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return 0;
    }
    const int written = writePdf(store, firstPage, file, error);
    if (written < 0 || file.error() != QFileDevice::NoError) {
        if (error->isEmpty())
            *error = file.errorString();
        file.cancelWriting();
        return 0;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return 0;
    }
    return written;
}

ReportEngine::PrintResult print(const PageStore& store, const PageSetup& setup,
                                const QString& printer, const QString& jobTitle)
{
    using Result = ReportEngine::PrintResult;
    const QByteArray name = printer.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return {
            Result::Status::Failed,
            QCoreApplication::translate("ReportPrinter", "The printer \"%1\" is not available: %2")
                .arg(printer, QString::fromUtf8(cupsLastErrorString())),
            0};
    // A stopped queue would hold the job without a word; say so instead.
    const QString state = cupsOption(dest, "printer-state");
    const QString stateMessage = cupsOption(dest, "printer-state-message");
    const bool accepting = cupsOption(dest, "printer-is-accepting-jobs") != QLatin1String("false");
    JobOptions options;
    options.count = jobOptions(dest, setup, &options.list);
    cupsFreeDests(1, dest);
    if (state == QLatin1String("5") || !accepting) {
        // Whole sentences, as a translation may not put the state where English does.
        QString reason =
            (state == QLatin1String("5")
                 ? QCoreApplication::translate("ReportPrinter", "The printer \"%1\" is stopped")
                 : QCoreApplication::translate("ReportPrinter",
                                               "The printer \"%1\" is not accepting jobs"))
                .arg(printer);
        if (!stateMessage.isEmpty())
            reason += QStringLiteral(": ") + stateMessage;
        return {Result::Status::Failed, reason, 0};
    }

    QTemporaryDir dir;
    if (!dir.isValid())
        return {Result::Status::Failed, dir.errorString(), 0};
    const QString file = dir.filePath(QStringLiteral("job.pdf"));
    if (qMax(0, setup.firstPage - 1) >= store.pageCount())
        return {Result::Status::Printed, {}, 0};
    QString error;
    const int sent = savePdf(store, file, setup.firstPage, &error);
    if (sent <= 0)
        return {
            Result::Status::Failed,
            QCoreApplication::translate("ReportPrinter", "The print job could not be prepared") +
                (error.isEmpty() ? QString() : QStringLiteral(": ") + error),
            0};
    const int job = cupsPrintFile(name.constData(), QFile::encodeName(file).constData(),
                                  jobTitle.toUtf8().constData(), options.count, options.list);
    if (job == 0)
        return {Result::Status::Failed, QString::fromUtf8(cupsLastErrorString()), 0};
    return {Result::Status::Printed, {}, sent};
}

} // namespace ReportPrinter
