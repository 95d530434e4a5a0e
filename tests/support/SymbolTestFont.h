#pragma once

// A font with a symbol character map, made for tests from an installed TrueType font: no font
// installed here has one. The copy's cmap is replaced by a single platform 3, encoding 0
// subtable that keeps glyphs at U+F020 to U+F0FF (the letters on Greek glyphs, as a symbol font
// does) and its name table names a family of its own, so it never stands in for the original.

#include <QByteArray>
#include <QFile>
#include <QRawFont>
#include <QString>
#include <QtEndian>

#include <fontconfig/fontconfig.h>

namespace SymbolTestFont {

inline QString installedFontFile(const char* family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString path;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        path = QString::fromUtf8(reinterpret_cast<const char*>(file));
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return path;
}

inline void put16(QByteArray& data, quint16 value)
{
    char bytes[2];
    qToBigEndian(value, bytes);
    data.append(bytes, 2);
}

inline void put32(QByteArray& data, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    data.append(bytes, 4);
}

inline quint32 tableChecksum(const QByteArray& table)
{
    QByteArray padded = table;
    while (padded.size() % 4)
        padded.append('\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += qFromBigEndian<quint32>(padded.constData() + i);
    return sum;
}

// The character whose glyph the symbol code shows.
inline QChar glyphSource(int code)
{
    static const QString upper = QStringLiteral("ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ");
    static const QString lower = QStringLiteral("αβχδεφγηιϕκλμνοπθρστυϖωξψζ");
    if (code >= 'A' && code <= 'Z')
        return upper.at(code - 'A');
    if (code >= 'a' && code <= 'z')
        return lower.at(code - 'a');
    return QChar(char16_t(code));
}

inline QByteArray symbolCmap(const QByteArray& base)
{
    QString sources;
    for (int code = 0x20; code <= 0xFF; ++code)
        sources.append(glyphSource(code));
    const QList<quint32> glyphs = QRawFont(base, 12).glyphIndexesForString(sources);

    QByteArray sub; // format 4: one segment F020..F0FF read from the glyph array, then the end
    const int segCount = 2;
    const quint16 length = quint16(16 + 8 * segCount + 2 * glyphs.size());
    put16(sub, 4);
    put16(sub, length);
    put16(sub, 0); // language
    put16(sub, 2 * segCount);
    put16(sub, 4); // search range
    put16(sub, 1); // entry selector
    put16(sub, 0); // range shift
    put16(sub, 0xF0FF);
    put16(sub, 0xFFFF); // end codes
    put16(sub, 0);      // reserved pad
    put16(sub, 0xF020);
    put16(sub, 0xFFFF); // start codes
    put16(sub, 0);
    put16(sub, 1); // deltas
    put16(sub, 2 * segCount);
    put16(sub, 0); // range offsets: the first leads to the glyph array right behind them
    for (quint32 glyph : glyphs)
        put16(sub, quint16(glyph));

    QByteArray cmap;
    put16(cmap, 0);
    put16(cmap, 1);
    put16(cmap, 3);
    put16(cmap, 0); // Microsoft, symbol
    put32(cmap, 12);
    cmap.append(sub);
    return cmap;
}

inline QByteArray nameTable(const QString& family)
{
    QString postscript = family;
    postscript.remove(QLatin1Char(' '));
    const QList<QPair<int, QString>> names = {
        {1, family}, {2, QStringLiteral("Regular")}, {3, family}, {4, family}, {6, postscript}};
    QByteArray strings;
    QByteArray table;
    put16(table, 0);
    put16(table, quint16(names.size()));
    put16(table, quint16(6 + 12 * names.size()));
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (QChar ch : text)
            put16(utf16, ch.unicode());
        put16(table, 3);
        put16(table, 1);
        put16(table, 0x409);
        put16(table, quint16(id));
        put16(table, quint16(utf16.size()));
        put16(table, quint16(strings.size()));
        strings.append(utf16);
    }
    table.append(strings);
    return table;
}

// The bytes of the symbol font, or empty when the base font is not a TrueType file.
inline QByteArray make(const QString& basePath, const QString& family)
{
    QFile file(basePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray font = file.readAll();
    if (font.size() < 12 || qFromBigEndian<quint32>(font.constData()) != 0x00010000)
        return {};
    const QByteArray cmap = symbolCmap(font);
    const QByteArray name = nameTable(family);
    const int tables = qFromBigEndian<quint16>(font.constData() + 4);
    // The new tables go at the end; the directory entries are pointed at them.
    for (int i = 0; i < tables; ++i) {
        const QByteArray tag = font.mid(12 + 16 * i, 4);
        const QByteArray* table = tag == "cmap" ? &cmap : tag == "name" ? &name : nullptr;
        if (!table)
            continue;
        while (font.size() % 4)
            font.append('\0');
        char* record = font.data() + 12 + 16 * i; // after the padding, which may move the data
        qToBigEndian(tableChecksum(*table), record + 4);
        qToBigEndian(quint32(font.size()), record + 8);
        qToBigEndian(quint32(table->size()), record + 12);
        font.append(*table);
    }
    while (font.size() % 4)
        font.append('\0');
    return font;
}

} // namespace SymbolTestFont
