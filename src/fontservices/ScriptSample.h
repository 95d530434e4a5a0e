#pragma once

#include "fontservices/FaceFile.h"

#include <QString>

// What a face can show, read from its own Unicode character map (no glyphs borrowed from other
// faces): whether it has every character of a text, and the sample it prints when it cannot show
// the catalogue's message.
namespace ScriptSample {

// A face's character map, as the text shaper has the face open.
class CharacterMap
{
public:
    virtual ~CharacterMap() = default;
    virtual bool isOpen() const = 0;
    // Only a Unicode map says which characters a face draws as text; a face with a symbol map
    // alone has none.
    virtual bool isUnicode() const = 0;
    virtual bool has(char32_t c) const = 0;
    // Moves pos to the next mapped code after it (-1: before the first); false past the last.
    virtual bool next(qint64& pos) const = 0;
};

// Whether a 'cmap' table's bytes hold a Unicode subtable.
bool hasUnicodeSubtable(const char* cmap, unsigned length);

// Whether the face's Unicode character map has every character of the text other than spaces
// and line breaks. A face without a Unicode map (a symbol font) has none; so has a face that
// cannot be opened.
bool covers(const FaceFile& face, const QString& text);

// The sample of a face for an expanded message: the message itself when the face covers it;
// otherwise, of the known scripts whose sample line the face has whole (spaces included), the one
// the face maps the most characters of; otherwise a run of the face's first characters in code
// order, without spaces, controls or marks (empty for a face that maps nothing). A face that
// cannot be opened keeps the message. The answer is kept for the face and its last message, and the
// sample for a message it cannot show is found once per face.
QString sampleFor(const FaceFile& face, const QString& message);

// The scripts known, in the order they are tried, with their sample lines.
struct Script
{
    const char* name;
    const char16_t* line;
};
int scriptCount();
Script script(int index);

// Forgets the choices made (fonts changed, or a test wants a fresh start).
void clearCache();

} // namespace ScriptSample
