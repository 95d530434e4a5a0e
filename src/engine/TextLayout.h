#pragma once

#include "fontservices/FaceFile.h"
#include "fontservices/ScriptSample.h"

#include <QFont>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

// A run of shaped glyphs in one face and size, positioned in layout units (1/96 inch) relative to
// the top left of the label that holds it. Everything a page painter needs to draw the run or to
// write it into a PDF with its text, without matching a font name or laying out again.
struct GlyphRun
{
    FaceFile face;
    double pixelSize = 0; // em size in layout units
    std::vector<unsigned> glyphs;
    std::vector<QPointF> positions; // glyph origins on the baseline
    QByteArray utf8;                // the characters the run shows, for text extraction
    // (bytes, glyphs) pairs in visual order, as cairo_show_text_glyphs takes them
    std::vector<std::pair<int, int>> clusters;
    bool backward = false;      // clusters run right to left
    bool colour = false;        // the face has colour glyphs
    bool outlinesInPdf = false; // written as filled outlines: no PDF font can be made of it
};

// A label's text, shaped and broken into lines, ready to be drawn any number of times.
struct TextLayout
{
    std::vector<GlyphRun> runs;
    std::vector<QRectF> rules; // underline and strike-out bars, filled in the text colour
    double width = 0;          // widest line, layout units
    int height = 0;            // lines * line height with the leading between them
    int lines = 0;
};

struct LineMetrics
{
    int ascent = 0;
    int descent = 0;
    int leading = 0;
    int height() const { return ascent + descent; }
};

namespace TextShaper {

// Ascent, descent and leading of the font (pixel size set, as ReportLabel::layoutFont gives it),
// the way QFontMetrics reports them, read from the face's own tables.
LineMetrics metrics(const QFont& font);

// Shapes the text in the font within a box `width` wide. flags: Qt's horizontal alignment
// flags and Qt::TextWordWrap; lines break at '\n' always. Characters the face lacks come from
// another face unless the font's style strategy has QFont::NoFontMerging. Recent layouts are
// kept, so measuring a label and then placing it shapes it once.
std::shared_ptr<const TextLayout> layOut(const QFont& font, const QString& text, int width,
                                         int flags);

// The character map of a face as the shaper opens it, kept among its recent faces: asking it
// before shaping in that face costs no second opening.
std::shared_ptr<const ScriptSample::CharacterMap> characterMap(const FaceFile& face);

} // namespace TextShaper
