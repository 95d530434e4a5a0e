#pragma once

// Font files for the tests, built from the DejaVu files: renamed copies (same lengths, so no
// table moves), copies whose full name record is gone, a one-font collection, and small
// synthetic files with a hand-made table directory and "name" table.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cstring>

namespace FontFixtures {

inline const QString dejaVuSans = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
inline const QString dejaVuSansBold =
    QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");

inline QByteArray readAll(const QString& path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& data)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(data) == data.size();
}

inline QByteArray utf16be(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));
    return bytes;
}

// Every "DejaVu Sans" (Latin-1 and UTF-16) becomes `to`, which must be 11 characters long.
inline QByteArray renamed(const QByteArray& font, const QString& to)
{
    Q_ASSERT(to.size() == 11);
    const QString from = QStringLiteral("DejaVu Sans");
    QByteArray data = font;
    data.replace(from.toLatin1(), to.toLatin1());
    data.replace(utf16be(from), utf16be(to));
    return data;
}

// Offset of the "name" table in a font, or -1.
inline qint64 nameTable(const QByteArray& font)
{
    const auto* bytes = reinterpret_cast<const uchar*>(font.constData());
    const int tables = qFromBigEndian<quint16>(bytes + 4);
    for (int i = 0; i < tables; ++i) {
        if (memcmp(bytes + 12 + 16 * i, "name", 4) == 0)
            return qFromBigEndian<quint32>(bytes + 12 + 16 * i + 8);
    }
    return -1;
}

// The platform 3, name 4 records renumbered to name 99: the file loads but has no full name there.
inline QByteArray withoutFullName(const QByteArray& font)
{
    QByteArray data = font;
    auto* bytes = reinterpret_cast<uchar*>(data.data());
    const qint64 table = nameTable(data);
    const int count = qFromBigEndian<quint16>(bytes + table + 2);
    for (int i = 0; i < count; ++i) {
        uchar* record = bytes + table + 6 + 12 * i;
        if (qFromBigEndian<quint16>(record) == 3 && qFromBigEndian<quint16>(record + 6) == 4)
            qToBigEndian<quint16>(99, record + 6);
    }
    return data;
}

// A TrueType collection holding the one font: a "ttcf" header in front, table offsets moved.
inline QByteArray collectionOf(const QByteArray& font)
{
    constexpr int header = 16;
    QByteArray data = font;
    auto* bytes = reinterpret_cast<uchar*>(data.data());
    const int tables = qFromBigEndian<quint16>(bytes + 4);
    for (int i = 0; i < tables; ++i) {
        uchar* offset = bytes + 12 + 16 * i + 8;
        qToBigEndian<quint32>(qFromBigEndian<quint32>(offset) + header, offset);
    }
    QByteArray ttc("ttcf", 4);
    ttc.append(QByteArray::fromHex("00010000"));
    ttc.append(QByteArray::fromHex("00000001"));
    ttc.append(QByteArray::fromHex("00000010"));
    return ttc + data;
}

struct NameRecord
{
    quint16 platform = 3;
    quint16 nameId = 4;
    quint16 length = 0;
    quint16 offset = 0;
};

inline void put16(QByteArray& data, quint16 value)
{
    data.append(char(value >> 8)).append(char(value & 0xff));
}

inline void put32(QByteArray& data, quint32 value)
{
    put16(data, quint16(value >> 16));
    put16(data, quint16(value & 0xffff));
}

// An offset table naming `tables` entries, a "head" record, a "name" record at `nameOffset`
// (the real place when negative), then the name table: its header with `count` and the records
// and strings given.
inline QByteArray synthetic(const QList<NameRecord>& records, const QByteArray& strings,
                            int count = -1, qint64 nameOffset = -1, bool withName = true)
{
    QByteArray data;
    put32(data, 0x00010000);
    put16(data, withName ? 2 : 1);
    put16(data, 0);
    put16(data, 0);
    put16(data, 0);
    data.append("head", 4);
    put32(data, 0);
    put32(data, 0);
    put32(data, 0);
    if (!withName)
        return data;
    const quint32 realOffset = 12 + 32;
    data.append("name", 4);
    put32(data, 0);
    put32(data, nameOffset < 0 ? realOffset : quint32(nameOffset));
    put32(data, 0);
    put16(data, 0);
    put16(data, count < 0 ? quint16(records.size()) : quint16(count));
    put16(data, quint16(6 + 12 * records.size()));
    for (const NameRecord& r : records) {
        put16(data, r.platform);
        put16(data, 1);
        put16(data, 0x409);
        put16(data, r.nameId);
        put16(data, r.length);
        put16(data, r.offset);
    }
    return data + strings;
}

} // namespace FontFixtures
