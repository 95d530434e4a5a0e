#pragma once

#include <QChar>
#include <QString>

class QFont;

// What a character code from 0 to 255 stands for in a font: one byte of the font's own character
// set. A font with a symbol character map keeps its glyphs at U+F000 plus the byte; every other
// font is read as Windows-1252.
namespace CharacterCodes {

// True when the font that the description resolves to has a symbol character map (a cmap
// subtable for platform 3, encoding 0).
bool hasSymbolCharMap(const QFont& font);

// The character of a code (0 to 255) in the font's character set. Bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stay the control character of the same number, as
// the system maps them, and show as the font's missing glyph or as nothing.
QChar character(int code, bool symbolCharMap);

// The Windows-1252 character of a byte.
QChar windows1252(int code);

} // namespace CharacterCodes
