#pragma once

#include "engine/ReportEngine.h"

#include <QString>

class PageStore;
class QIODevice;
struct PageSetup;

// Replays stored pages onto paper or into a PDF file.
namespace ReportPrinter {

// The printer at `index` of the system list; the default printer for -1 or an index not in the
// list; "" when no printer is installed.
QString printerName(int index);

// Writes pages from `firstPage` (1-based; 1 or less = all) as a PDF document to `out`, on a
// thread of its own while the interface goes on painting (user input waits); returns the pages
// written, or -1 with `error` set. The printer is sent the very bytes a saved file holds.
int writePdf(const PageStore& store, int firstPage, QIODevice& out, QString* error);

// Writes pages from `firstPage` to a PDF file with the fonts embedded. The file is replaced only
// when the whole document was written, so a failed save leaves an existing file as it was.
// Returns the pages written; on failure sets `error`.
int savePdf(const PageStore& store, const QString& path, int firstPage, QString* error);

// Sends pages from the set-up's FirstPage to the named printer through the print system.
ReportEngine::PrintResult print(const PageStore& store, const PageSetup& setup,
                                const QString& printer, const QString& jobTitle);

} // namespace ReportPrinter
