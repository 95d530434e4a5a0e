#pragma once

#include <QFont>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
struct TextLayout;

// One drawing step of a recorded page, in layout units of 1/96 inch.
struct PageItem
{
    enum class Kind { Text, Frame };
    Kind kind = Kind::Text;
    QRect rect;
    QString text;    // Text only
    QFont font;      // Text only; sized in pixels at 96 per inch
    int flags = 0;   // Text only: Qt alignment and wrapping flags
    Qt::Edges sides; // Frame only
    // Text only: the text shaped into glyph runs, so that drawing the page again, into the
    // preview, a print or a PDF, matches no font and lays nothing out.
    std::shared_ptr<const TextLayout> layout;
};

// An entry of a saved document's outline: a title and the point of the page it leads to.
struct Bookmark
{
    QString title;
    QPoint at; // layout units
};

struct RecordedPage
{
    int number = 0; // the page number as printed
    std::vector<PageItem> items;
    std::vector<Bookmark> bookmarks;
};

// The pages of one run, recorded as they are finished. The preview control, the printer and the
// PDF writer all replay them through paintPage, so what shows is what prints.
class PageStore : public QObject
{
    Q_OBJECT
public:
    explicit PageStore(QSize pageSize, QObject* parent = nullptr);

    QSize pageSize() const { return m_pageSize; }
    // The document's title, as a saved PDF file names it.
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    int pageCount() const { return int(m_pages.size()); }
    const RecordedPage& page(int index) const { return m_pages[size_t(index)]; }

    // Text items without a layout are laid out here.
    void addPage(RecordedPage page);
    // Generation has ended (all data placed, or cancelled).
    void finish();
    bool isFinished() const { return m_finished; }

    // Set by the preview control that shows the store. Detaching ends a preview run.
    bool isAttached() const { return m_attached; }
    bool wasDetached() const { return m_detached; }
    void setAttached(bool attached);

    // Draws page `index` (0-based) with the painter's transform mapping layout units to the device
    // (a scale and a translation), as the preview, the print and the PDF draw it.
    void paintPage(int index, QPainter& painter) const;

signals:
    void pageAdded(int count);
    void finished(int count);
    void detached();

private:
    QSize m_pageSize;
    QString m_title;
    std::vector<RecordedPage> m_pages;
    bool m_finished = false;
    bool m_attached = false;
    bool m_detached = false;
};
