#include "engine/PageStore.h"

#include "engine/PagePainter.h"
#include "engine/TextLayout.h"

#include <QPainter>

#include <cmath>

PageStore::PageStore(QSize pageSize, QObject* parent) : QObject(parent), m_pageSize(pageSize) {}

void PageStore::addPage(RecordedPage page)
{
    for (PageItem& item : page.items) {
        if (item.kind == PageItem::Kind::Text && !item.layout)
            item.layout = TextShaper::layOut(item.font, item.text, item.rect.width(), item.flags);
    }
    m_pages.push_back(std::move(page));
    emit pageAdded(pageCount());
}

void PageStore::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit finished(pageCount());
}

void PageStore::setAttached(bool attached)
{
    if (attached == m_attached)
        return;
    m_attached = attached;
    if (!attached) {
        m_detached = true;
        emit detached();
    }
}

void PageStore::paintPage(int index, QPainter& painter) const
{
    if (index < 0 || index >= pageCount())
        return;
    // Drawn as an image at the device's scale, so that what shows is cairo's drawing of the
    // glyph runs, the same the PDF carries.
    const QTransform t = painter.transform();
    const double scale = std::hypot(t.m11(), t.m12());
    if (scale <= 0)
        return;
    const QRect device = t.mapRect(QRectF(QPointF(0, 0), QSizeF(m_pageSize))).toAlignedRect();
    QRect region(QPoint(0, 0), device.size());
    if (painter.hasClipping()) {
        const QRect clip = t.mapRect(painter.clipBoundingRect()).toAlignedRect();
        region &= clip.translated(-device.topLeft());
    }
    if (region.isEmpty())
        return;
    // On a high-resolution screen the image has the device's own pixels.
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QRect pixels =
        QRectF(QPointF(region.topLeft()) * ratio, QSizeF(region.size()) * ratio).toAlignedRect();
    QImage image = PagePainter::render(m_pages[size_t(index)], scale * ratio, pixels);
    image.setDevicePixelRatio(ratio);
    painter.save();
    painter.resetTransform();
    painter.setClipping(false);
    painter.drawImage(device.topLeft() + region.topLeft(), image);
    painter.restore();
}
