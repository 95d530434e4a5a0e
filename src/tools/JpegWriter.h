#pragma once

#include <QByteArray>

class QImage;

// JPEG files through libjpeg itself, with the writer's standard settings: quality 90, baseline,
// three colour components of 8 bits.
class JpegWriter
{
public:
    static constexpr int quality = 90;

    // The whole JPEG file for the image; empty when libjpeg refuses it (an empty image, or one
    // beyond the format's 65,500 pixels a side).
    static QByteArray encode(const QImage& image);
};
