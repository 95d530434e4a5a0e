#include "tools/BmpWriter.h"

#include <QImage>
#include <QtEndian>

#include <limits>

namespace {

void put16(char*& at, quint16 value)
{
    qToLittleEndian(value, at);
    at += 2;
}

void put32(char*& at, quint32 value)
{
    qToLittleEndian(value, at);
    at += 4;
}

constexpr int fileHeaderSize = 14;
constexpr int infoHeaderSize = 40;

} // namespace

QByteArray BmpWriter::encode(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};
    const qint64 width = rgb.width();
    const qint64 height = rgb.height();
    const qint64 rowSize = (width * 3 + 3) / 4 * 4;
    const qint64 dataSize = rowSize * height;
    const qint64 fileSize = fileHeaderSize + infoHeaderSize + dataSize;
    if (fileSize > std::numeric_limits<qint32>::max())
        return {};

    QByteArray file(qsizetype(fileSize), '\0');
    char* at = file.data();
    *at++ = 'B';
    *at++ = 'M';
    put32(at, quint32(fileSize));
    put32(at, 0); // reserved
    put32(at, fileHeaderSize + infoHeaderSize);
    put32(at, infoHeaderSize);
    put32(at, quint32(width));
    put32(at, quint32(height)); // positive: bottom-up rows
    put16(at, 1);               // planes
    put16(at, 24);              // bits per pixel
    put32(at, 0);               // BI_RGB, no compression
    put32(at, quint32(dataSize));
    put32(at, quint32(rgb.dotsPerMeterX()));
    put32(at, quint32(rgb.dotsPerMeterY()));
    put32(at, 0); // colours used
    put32(at, 0); // important colours

    for (qint64 y = 0; y < height; ++y) {
        const uchar* source = rgb.constScanLine(int(height - 1 - y));
        char* target = at + y * rowSize;
        for (qint64 x = 0; x < width; ++x) {
            // Stored blue, green, red.
            target[3 * x] = char(source[3 * x + 2]);
            target[3 * x + 1] = char(source[3 * x + 1]);
            target[3 * x + 2] = char(source[3 * x]);
        }
    }
    return file;
}
