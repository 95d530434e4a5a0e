#include "report/PageIcons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

using PageIcons::Glyph;

// Draws on a 16 x 16 grid; the painter's transform takes it to the size asked for.
void drawGlyph(QPainter& p, Glyph glyph, const QColor& colour, QPoint offset)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.translate(offset);
    const bool left = glyph == Glyph::First || glyph == Glyph::Prev;
    QPainterPath triangle;
    if (left) {
        triangle.moveTo(11, 3);
        triangle.lineTo(11, 13);
        triangle.lineTo(6, 8);
    } else {
        triangle.moveTo(5, 3);
        triangle.lineTo(5, 13);
        triangle.lineTo(10, 8);
    }
    triangle.closeSubpath();
    p.drawPath(triangle);
    if (glyph == Glyph::First)
        p.drawRect(3, 3, 2, 10);
    if (glyph == Glyph::Last)
        p.drawRect(11, 3, 2, 10);
    p.translate(-offset);
}

class PageIconEngine : public QIconEngine
{
public:
    explicit PageIconEngine(Glyph glyph) : m_glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QGuiApplication::palette();
        painter->save();
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled) {
            const bool lightTheme = palette.color(QPalette::Button).lightness() >
                                    palette.color(QPalette::ButtonText).lightness();
            if (lightTheme) {
                drawGlyph(*painter, m_glyph, palette.color(QPalette::Light), {1, 1});
                drawGlyph(*painter, m_glyph, palette.color(QPalette::Dark), {0, 0});
            } else {
                drawGlyph(*painter, m_glyph,
                          palette.color(QPalette::Disabled, QPalette::ButtonText), {0, 0});
            }
        } else {
            drawGlyph(*painter, m_glyph, palette.color(QPalette::Active, QPalette::ButtonText),
                      {0, 0});
        }
        painter->restore();
    }

    // QIcon asks for the size in device pixels and sets the pixel ratio itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PageIconEngine(m_glyph); }

private:
    Glyph m_glyph;
};

} // namespace

QIcon PageIcons::icon(Glyph glyph)
{
    return QIcon(new PageIconEngine(glyph));
}
