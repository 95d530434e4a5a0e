#include "engine/PreviewControl.h"

#include "engine/PageSetup.h"
#include "engine/PageStore.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

namespace {
// Grey space around the page, in screen pixels.
constexpr int gap = 10;
} // namespace

PreviewControl::PreviewControl(QWidget* parent) : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void PreviewControl::attach(PageStore* store)
{
    detach();
    m_store = store;
    m_page = 0;
    if (store) {
        store->setAttached(true);
        connect(store, &PageStore::pageAdded, this, [this](int count) {
            if (m_page == 0)
                m_page = 1;
            updateScrollBars();
            viewport()->update();
            emit changed();
            emit pageAvailable(count);
        });
        connect(store, &PageStore::finished, this, [this](int count) {
            emit changed();
            emit pageAvailable(count);
        });
        if (store->pageCount() > 0)
            m_page = 1;
    }
    updateScrollBars();
    viewport()->update();
    emit changed();
}

void PreviewControl::detach()
{
    if (!m_store)
        return;
    PageStore* store = m_store;
    m_store = nullptr;
    m_page = 0;
    disconnect(store, nullptr, this, nullptr);
    store->setAttached(false);
    updateScrollBars();
    viewport()->update();
    emit changed();
}

int PreviewControl::pageCount() const
{
    return m_store ? m_store->pageCount() : 0;
}

void PreviewControl::setPageNumber(int page)
{
    if (page < 1 || page > pageCount())
        return;
    const bool moved = page != m_page;
    m_page = page;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    if (moved)
        emit changed();
}

void PreviewControl::setZoom(int percent)
{
    m_mode = ZoomMode::Percent;
    m_zoom = qBound(5, percent, 1000);
    updateScrollBars();
    viewport()->update();
    emit changed();
}

void PreviewControl::zoomToWidth()
{
    m_mode = ZoomMode::PageWidth;
    updateScrollBars();
    viewport()->update();
    emit changed();
}

void PreviewControl::zoomToPage()
{
    m_mode = ZoomMode::WholePage;
    updateScrollBars();
    viewport()->update();
    emit changed();
}

double PreviewControl::scale() const
{
    const QSize page = m_store ? m_store->pageSize() : QSize(794, 1123);
    const QSize room = viewport()->size() - QSize(2 * gap, 2 * gap);
    switch (m_mode) {
    case ZoomMode::PageWidth:
        return qMax(0.05, double(room.width()) / page.width());
    case ZoomMode::WholePage:
        return qMax(
            0.05, qMin(double(room.width()) / page.width(), double(room.height()) / page.height()));
    case ZoomMode::Percent:
        break;
    }
    return m_zoom / 100.0 * logicalDpiX() / PageSetup::unitsPerInch;
}

QSize PreviewControl::pagePixels() const
{
    const QSize page = m_store ? m_store->pageSize() : QSize();
    return (QSizeF(page) * scale()).toSize();
}

void PreviewControl::updateScrollBars()
{
    const QSize needed = pagePixels() + QSize(2 * gap, 2 * gap);
    const QSize room = viewport()->size();
    horizontalScrollBar()->setRange(0, qMax(0, needed.width() - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setRange(0, qMax(0, needed.height() - room.height()));
    verticalScrollBar()->setPageStep(room.height());
}

void PreviewControl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PreviewControl::scrollContentsBy(int, int)
{
    viewport()->update();
}

void PreviewControl::paintEvent(QPaintEvent* event)
{
    if (!m_store || m_page < 1 || m_page > m_store->pageCount())
        return;
    QPainter painter(viewport());
    const QSize pixels = pagePixels();
    const int x =
        qMax(gap, (viewport()->width() - pixels.width()) / 2) - horizontalScrollBar()->value();
    const int y = gap - verticalScrollBar()->value();
    const QRect page(x, y, pixels.width(), pixels.height());
    painter.fillRect(page.translated(3, 3), QColor(0, 0, 0, 90));
    painter.fillRect(page, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(x, y);
    const double s = scale();
    painter.scale(s, s);
    // Only the part in view is drawn: a page at a high zoom is far larger than the screen.
    painter.setClipRect(painter.transform().inverted().mapRect(QRectF(event->rect())) &
                        QRectF(QPointF(0, 0), QSizeF(m_store->pageSize())));
    m_store->paintPage(m_page - 1, painter);
}
