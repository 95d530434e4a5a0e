#include "ui/DrawnPicture.h"

#include <QEvent>
#include <QLabel>

DrawnPicture::DrawnPicture(QLabel* label, Draw draw)
    : QObject(label), m_label(label), m_draw(std::move(draw))
{}

void DrawnPicture::install(QLabel* label, Draw draw)
{
    auto* picture = new DrawnPicture(label, std::move(draw));
    picture->refresh();
    label->installEventFilter(picture);
}

QPixmap DrawnPicture::canvas(QSize logicalSize, qreal devicePixelRatio)
{
    QPixmap pixmap(logicalSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

void DrawnPicture::refresh()
{
    const qreal ratio = m_label->devicePixelRatioF();
    const QPixmap current = m_label->pixmap();
    if (!current.isNull() && qFuzzyCompare(current.devicePixelRatio(), ratio))
        return;
    m_label->setPixmap(m_draw(ratio));
}

bool DrawnPicture::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label && event->type() == QEvent::Paint)
        refresh();
    return QObject::eventFilter(watched, event);
}
