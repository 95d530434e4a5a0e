#include "engine/PageStore.h"

#include <QPainter>

PageStore::PageStore(QSize pageSize, QObject* parent) : QObject(parent), m_pageSize(pageSize) {}

void PageStore::addPage(RecordedPage page)
{
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
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    for (const PageItem& item : m_pages[size_t(index)].items) {
        if (item.kind == PageItem::Kind::Frame) {
            const QRectF r = QRectF(item.rect).adjusted(0.5, 0.5, -0.5, -0.5);
            if (item.sides & Qt::TopEdge)
                painter.drawLine(r.topLeft(), r.topRight());
            if (item.sides & Qt::BottomEdge)
                painter.drawLine(r.bottomLeft(), r.bottomRight());
            if (item.sides & Qt::LeftEdge)
                painter.drawLine(r.topLeft(), r.bottomLeft());
            if (item.sides & Qt::RightEdge)
                painter.drawLine(r.topRight(), r.bottomRight());
            continue;
        }
        // Text is clipped to its label.
        painter.save();
        painter.setClipRect(item.rect, Qt::IntersectClip);
        painter.setFont(item.font);
        painter.drawText(item.rect, item.flags, item.text);
        painter.restore();
    }
    painter.restore();
}
