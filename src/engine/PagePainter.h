#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <atomic>
#include <vector>

class QIODevice;
struct RecordedPage;

// The one paint path of recorded pages: the preview's images, the printer's job and the saved
// PDF are all drawn here, from the same glyph runs, by cairo.
namespace PagePainter {

// The part `region` (device pixels) of the page drawn at `scale` device pixels per layout
// unit on a transparent ground, as an image the size of the region.
QImage render(const RecordedPage& page, double scale, const QRect& region);

struct PdfDocument
{
    QString title;
    QSize pageSize;    // layout units
    QSizeF pagePoints; // the sheet in points, where it is a paper of known size
    std::vector<const RecordedPage*> pages;
};

// Writes the pages as one PDF document to `out`, fonts embedded as subsets, text extractable, with
// an outline entry for every bookmark of the pages and the title in the document's information.
// Pages are written as they come, so memory does not grow with the document. An empty list
// gives one blank page. False on a write error (`error` says which) or when `cancel` was set.
bool writePdf(const PdfDocument& document, QIODevice& out, QString* error,
              const std::atomic<bool>* cancel = nullptr);

// True where cairo's font subsetter is known to fail on a face with this CFF table, which would
// drop this and every later font from a PDF: such faces are written as outlines instead.
bool cffSubsetterFails(const uchar* cff, size_t length);

} // namespace PagePainter
