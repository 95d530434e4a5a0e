#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QCursor;

// Where a hint goes: its top edge just below the visible cursor image.
namespace HintPlacement {

// The size of the themed cursor on this desktop: XCURSOR_SIZE as the X and Wayland cursor
// libraries read it, 24 (the usual theme default) when it is unset or not a positive number.
// Standard cursor shapes come from the theme, so Qt cannot report their images directly.
int themeCursorSize();

// The height of `cursor`'s image: its own bitmap or pixmap, or the theme size for a standard shape.
int cursorHeight(const QCursor& cursor);

// The hint's top-left corner for a cursor at `cursorPos` (screen coordinates): moved down by the
// cursor image's height and up by its hot spot, so the hint starts right under the image.
QPoint hintPosition(const QPoint& cursorPos, const QCursor& cursor);

// Keeps a hint of `size` at `wanted` inside `screen`; one that would run off the bottom goes
// above the cursor instead.
QPoint keepOnScreen(const QPoint& wanted, const QSize& size, const QRect& screen, int cursorY);

} // namespace HintPlacement
