#pragma once

#include "engine/ReportEngine.h"

#include <QString>

class PageStore;
class QPagedPaintDevice;
struct PageSetup;

// Replays stored pages onto paper or into a PDF file.
namespace ReportPrinter {

// The printer at `index` of the system list; the default printer for -1 or an index not in the
// list; "" when no printer is installed.
QString printerName(int index);

// Draws pages from `firstPage` (1-based; 1 or less = all) onto a paged device already open for
// the set-up's paper; returns the number of pages drawn.
int render(const PageStore& store, QPagedPaintDevice& device, int firstPage);

// Writes pages from `firstPage` to a PDF file with the fonts embedded. The file is replaced only
// when the whole document was written, so a failed save leaves an existing file as it was.
// Returns the pages written; on failure sets `error`.
int savePdf(const PageStore& store, const QString& path, int firstPage, QString* error);

// Sends pages from the set-up's FirstPage to the named printer through the print system.
ReportEngine::PrintResult print(const PageStore& store, const PageSetup& setup,
                                const QString& printer, const QString& jobTitle);

} // namespace ReportPrinter
