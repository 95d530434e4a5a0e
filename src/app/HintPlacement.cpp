#include "app/HintPlacement.h"

#include <algorithm>
#include <QBitmap>
#include <QCursor>
#include <QPixmap>

namespace HintPlacement {

int themeCursorSize()
{
    bool ok = false;
    const int size = qEnvironmentVariableIntValue("XCURSOR_SIZE", &ok);
    return ok && size > 0 ? size : 24;
}

int cursorHeight(const QCursor& cursor)
{
    if (cursor.shape() == Qt::BitmapCursor) {
        const QPixmap pixmap = cursor.pixmap();
        if (!pixmap.isNull())
            return qRound(pixmap.height() / pixmap.devicePixelRatio());
        return cursor.bitmap().height();
    }
    return themeCursorSize();
}

QPoint hintPosition(const QPoint& cursorPos, const QCursor& cursor)
{
    // Standard shapes report a hot spot of (0, 0); their theme images point from the top edge.
    return cursorPos + QPoint(0, cursorHeight(cursor) - cursor.hotSpot().y());
}

QPoint keepOnScreen(const QPoint& wanted, const QSize& size, const QRect& screen, int cursorY)
{
    QPoint p = wanted;
    if (p.y() + size.height() > screen.bottom() + 1)
        p.setY(cursorY - size.height());
    p.setX(std::clamp(p.x(), screen.left(),
                      std::max(screen.left(), screen.right() + 1 - size.width())));
    p.setY(std::clamp(p.y(), screen.top(),
                      std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return p;
}

} // namespace HintPlacement
