#pragma once

#include <QByteArray>

// One face of a font file, as the text shaper and the page painter open it without asking the
// font system to match a name: the file, the face's index in it, and the styles the face lacks
// that are made up when it is drawn.
struct FaceFile
{
    QByteArray file; // local 8-bit path
    int index = 0;   // face index in a collection, with a named instance in the high 16 bits
    bool syntheticBold = false;
    bool syntheticOblique = false;

    bool isValid() const { return !file.isEmpty(); }
    friend bool operator==(const FaceFile&, const FaceFile&) = default;
};
