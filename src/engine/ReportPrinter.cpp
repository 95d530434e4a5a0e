#include "engine/ReportPrinter.h"

#include "engine/PageSetup.h"
#include "engine/PageStore.h"
#include "engine/PrinterList.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include <cups/cups.h>

namespace ReportPrinter {

namespace {

// The whole sheet is ours: the report's own margins are part of the recorded pages.
QPageLayout pageLayoutOf(const PageStore& store)
{
    const QSizeF units = store.pageSize();
    const bool landscape = units.width() > units.height();
    const QSizeF portraitMm =
        (landscape ? units.transposed() : units) * 25.4 / PageSetup::unitsPerInch;
    return QPageLayout(
        QPageSize(portraitMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch),
        landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

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

// Runs `work` on a thread of its own and waits for it. Qt keeps its font engines and FreeType
// faces per thread, and its PDF writer leaves a colour font's shared face in a changed state
// when it embeds it (the next layout measures the emoji differently and loses some of them).
// On a thread that ends with the job, that state goes with it: the preview drawn after a save or
// a print is the preview drawn before it, and every saved file is made from the same state.
template <typename Work> auto onOwnFontThread(Work work)
{
    decltype(work()) result{};
    std::unique_ptr<QThread> thread(QThread::create([&] { result = work(); }));
    thread->start();
    thread->wait();
    return result;
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

int render(const PageStore& store, QPagedPaintDevice& device, int firstPage)
{
    QPainter painter;
    int drawn = 0;
    for (int index = qMax(0, firstPage - 1); index < store.pageCount(); ++index) {
        if (drawn == 0) {
            if (!painter.begin(&device))
                return -1;
        } else {
            device.newPage();
        }
        const double scale = device.logicalDpiX() / double(PageSetup::unitsPerInch);
        painter.resetTransform();
        painter.scale(scale, scale);
        store.paintPage(index, painter);
        ++drawn;
    }
    if (painter.isActive())
        painter.end();
    return drawn;
}

int savePdf(const PageStore& store, const QString& path, int firstPage, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return 0;
    }
    const int drawn = onOwnFontThread([&] {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Typovex"));
        writer.setTitle(store.title());
        writer.setPageLayout(pageLayoutOf(store));
        writer.setResolution(1200);
        const int pages = render(store, writer, firstPage);
        if (pages == 0) {
            // A document needs a page; an empty run gives one blank page.
            QPainter blank(&writer);
        }
        return pages;
    });
    if (drawn < 0 || file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        file.cancelWriting();
        return 0;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return 0;
    }
    return drawn;
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
    const int sent = onOwnFontThread([&] {
        QPrinter device(QPrinter::HighResolution);
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(file);
        device.setPrinterName(printer);
        device.setDocName(jobTitle);
        device.setFullPage(true);
        device.setPageLayout(pageLayoutOf(store));
        return render(store, device, setup.firstPage);
    });
    if (sent < 0)
        return {Result::Status::Failed,
                QCoreApplication::translate("ReportPrinter", "The print job could not be prepared"),
                0};
    if (sent == 0)
        return {Result::Status::Printed, {}, 0};
    const int job = cupsPrintFile(name.constData(), QFile::encodeName(file).constData(),
                                  jobTitle.toUtf8().constData(), options.count, options.list);
    if (job == 0)
        return {Result::Status::Failed, QString::fromUtf8(cupsLastErrorString()), 0};
    return {Result::Status::Printed, {}, sent};
}

} // namespace ReportPrinter
