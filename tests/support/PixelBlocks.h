#pragma once

#include <QImage>

// How much detail a picture holds below the size of a logical pixel at a scale of 2. A picture
// drawn at one pixel per logical pixel and shown scaled up is made of uniform 2 x 2 blocks; one
// drawn at the screen's resolution has edges inside the blocks. Among the busy blocks (those not
// all one colour with their four neighbours) counts the uneven ones (whose pixels differ).
struct PixelBlocks
{
    long busy = 0;
    long uneven = 0;

    int percentUneven() const { return busy > 0 ? int(100 * uneven / busy) : 0; }

    static PixelBlocks count(const QImage& picture)
    {
        const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
        const int columns = image.width() / 2;
        const int rows = image.height() / 2;
        const auto at = [&image](int bx, int by) { return image.pixel(2 * bx, 2 * by); };
        PixelBlocks blocks;
        for (int by = 0; by < rows; ++by) {
            for (int bx = 0; bx < columns; ++bx) {
                const QRgb p = at(bx, by);
                const bool uneven = image.pixel(2 * bx + 1, 2 * by) != p ||
                                    image.pixel(2 * bx, 2 * by + 1) != p ||
                                    image.pixel(2 * bx + 1, 2 * by + 1) != p;
                const bool busy = uneven || (bx > 0 && at(bx - 1, by) != p) ||
                                  (bx + 1 < columns && at(bx + 1, by) != p) ||
                                  (by > 0 && at(bx, by - 1) != p) ||
                                  (by + 1 < rows && at(bx, by + 1) != p);
                blocks.uneven += uneven;
                blocks.busy += busy;
            }
        }
        return blocks;
    }
};
