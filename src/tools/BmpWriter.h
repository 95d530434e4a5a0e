#pragma once

#include <QByteArray>

class QImage;

// Windows bitmap files as every viewer reads them: 24 bits per pixel, uncompressed, rows from the
// bottom up, each padded to four bytes, with a BITMAPINFOHEADER.
class BmpWriter
{
public:
    // The whole file; empty for an empty image or one too large for the format's 32-bit sizes.
    static QByteArray encode(const QImage& image);
};
