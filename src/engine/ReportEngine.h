#pragma once

#include <QString>

class ReportModel;
class PageStore;

// Runs a report: generation into a page store, preview and print runs. Generation happens on the
// interface thread and lets pending events through between bands. The engine never opens a
// dialog: outcomes come back as values for the caller to report.
namespace ReportEngine {

struct PrintResult
{
    enum class Status { Printed, NoPrinter, Failed };
    Status status = Status::Printed;
    QString reason;    // Failed: what went wrong, in the print system's words where it gave some
    int pagesSent = 0; // pages laid out from FirstPage on
};

// Lays the report out into the store until the data ends or the store is detached from its
// preview control. Raises onNeedData and onEndPage; not beforePrint.
void generate(ReportModel& report, PageStore& store);

// A preview run: beforePrint, onPreview(store), generation; returns when the store is detached
// from the preview control it was attached to (at once when the client attached it nowhere).
void preview(ReportModel& report);

// A print run to the printer of the set-up's printerIndex (the default printer for -1 or an index
// not in the list). Pages before FirstPage are laid out, not sent. With no printer installed
// nothing runs and NoPrinter comes back.
PrintResult print(ReportModel& report, const QString& jobTitle);

// The same run, sent to a PDF file instead of a printer (written atomically).
PrintResult printToPdf(ReportModel& report, const QString& path);

} // namespace ReportEngine
