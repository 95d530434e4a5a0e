#include "tools/CharacterCodes.h"

#include "fontservices/BigEndian.h"
#include "fontservices/FontServices.h"

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QtEndian>

namespace {

// 0x80 to 0x9F, where Windows-1252 parts from Latin-1; 0 marks an undefined byte.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

quint16 readU16(const QByteArray& data, qsizetype offset)
{
    return BigEndian::u16(data.constData() + offset);
}

bool cmapHasSymbolSubtable(const QByteArray& cmap)
{
    // The header is a version and a count, then 8-byte records of platform, encoding, offset.
    if (cmap.size() < 4)
        return false;
    const int count = readU16(cmap, 2);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 4 + 8 * qsizetype(i);
        if (record + 8 > cmap.size())
            return false;
        if (readU16(cmap, record) == 3 && readU16(cmap, record + 2) == 0)
            return true;
    }
    return false;
}

} // namespace

bool CharacterCodes::hasSymbolCharMap(const QFont& font)
{
    // Asked at every repaint of the character grid; the font file's answer never changes while
    // the font is loaded. Added or removed font files may change what a description resolves to.
    static QHash<QString, bool> known;
    static const auto forget =
        QObject::connect(FontServices::notifier(), &FontServices::fontsChanged,
                         FontServices::notifier(), [] { known.clear(); });
    Q_UNUSED(forget);
    const QString key = font.key();
    const auto found = known.constFind(key);
    if (found != known.constEnd())
        return *found;
    const QRawFont raw = QRawFont::fromFont(font);
    const bool symbol = raw.isValid() && cmapHasSymbolSubtable(raw.fontTable("cmap"));
    known.insert(key, symbol);
    return symbol;
}

QChar CharacterCodes::windows1252(int code)
{
    if (code >= 0x80 && code <= 0x9F) {
        const char16_t mapped = cp1252High[code - 0x80];
        return QChar(mapped ? mapped : char16_t(code));
    }
    return QChar(char16_t(code & 0xFF));
}

QChar CharacterCodes::character(int code, bool symbolCharMap)
{
    code &= 0xFF;
    return symbolCharMap ? QChar(char16_t(0xF000 + code)) : windows1252(code);
}
