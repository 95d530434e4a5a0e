#pragma once

#include <QAbstractScrollArea>
#include <QPointer>

class PageStore;

// Shows one page of an attached page store, zoomed, with scroll bars. Pages are replayed from
// the store at every paint, so the store may still be growing.
class PreviewControl : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum class ZoomMode { Percent, PageWidth, WholePage };

    explicit PreviewControl(QWidget* parent = nullptr);

    // Attaching shows the store's pages; detaching (or attaching another) ends its preview run.
    void attach(PageStore* store);
    void detach();
    PageStore* store() const { return m_store; }

    // The current page, from 1; 0 while no page is there. Values outside 1..pageCount are
    // ignored; a change scrolls to the top left.
    int pageNumber() const { return m_page; }
    void setPageNumber(int page);
    int pageCount() const;

    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    void zoomToWidth();
    void zoomToPage();
    ZoomMode zoomMode() const { return m_mode; }
    // Screen pixels per layout unit at the current zoom.
    double scale() const;

signals:
    // As each page is finished, and once more when generation ends.
    void pageAvailable(int pageCount);
    // Whenever the page, the page count or the zoom changes, and when generation ends: all a
    // window's page commands depend on.
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollBars();
    QSize pagePixels() const;

    QPointer<PageStore> m_store;
    int m_page = 0;
    int m_zoom = 100;
    ZoomMode m_mode = ZoomMode::WholePage;
};
