#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

// The full font name (platform 3, name 4 of the "name" table) of a TrueType or OpenType file, or
// of the first font of a TrueType collection, as Latin-1: each UTF-16 unit becomes its low byte.
// Damaged files give the empty name or the name as far as it can be read; nothing is read past
// the file's end and the work done is bounded whatever the file holds.
// Only a regular file is opened (a pipe or a device named like a font is no font).
QString ReadFullFontName(const QString& path);
// The same from a file's contents read already.
QString ReadFullFontNameFromData(const QByteArray& data);

namespace FontFileName {

// Reads up to `size` bytes at `offset` into `buffer`; the number read (fewer at the end of the
// source, 0 or less when nothing can be read there).
using ReadAt = std::function<int64_t(uint64_t offset, char* buffer, int64_t size)>;

// The longest name kept, in bytes of the "name" table: 128 UTF-16 units.
constexpr int nameBufferBytes = 256;

// The search itself, over any byte source; the result holds one Latin-1 byte per UTF-16 unit and
// ends before the first NUL unit.
std::string readFullName(const ReadAt& read);

} // namespace FontFileName
