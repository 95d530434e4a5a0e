#include "report/ReportPrinter.h"

#include "report/PageSetup.h"
#include "report/PageStore.h"
#include "ui/PrinterList.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryDir>

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
    int drawn = 0;
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Typovex"));
        writer.setTitle(store.title());
        writer.setPageLayout(pageLayoutOf(store));
        writer.setResolution(1200);
        drawn = render(store, writer, firstPage);
        if (drawn == 0) {
            // A document needs a page; an empty run gives one blank page.
            QPainter blank(&writer);
        }
    }
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
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(file);
    device.setPrinterName(printer);
    device.setDocName(jobTitle);
    device.setFullPage(true);
    device.setPageLayout(pageLayoutOf(store));
    const int sent = render(store, device, setup.firstPage);
    if (sent < 0)
        return {Result::Status::Failed,
                QCoreApplication::translate("ReportPrinter", "The print job could not be prepared"),
                0};
    if (sent == 0)
        return {Result::Status::Printed, {}, 0};
    const int job = cupsPrintFile(name.constData(), QFile::encodeName(file).constData(),
                                  jobTitle.toUtf8().constData(), 0, nullptr);
    if (job == 0)
        return {Result::Status::Failed, QString::fromUtf8(cupsLastErrorString()), 0};
    return {Result::Status::Printed, {}, sent};
}

} // namespace ReportPrinter
