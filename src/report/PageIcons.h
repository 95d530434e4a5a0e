#pragma once

#include <QIcon>

// The pictures of the preview window's page buttons, drawn in code.
namespace PageIcons {

enum class Glyph { First, Prev, Next, Last };

// The image in the button text's colour, so that it stands out on light and dark themes alike;
// disabled, a greyed copy, embossed where the theme is light. The colours are taken at every
// paint, so the buttons follow a change of theme while the window is open. Drawn at the size and
// pixel ratio each request asks for, so that the buttons stay sharp on high-resolution screens.
QIcon icon(Glyph glyph);

} // namespace PageIcons
