#pragma once

#include <QImage>

#include <algorithm>
#include <cstdlib>

// How much of a screenshot taken at a scale of 2 was drawn at that scale. A picture drawn at one
// pixel per logical pixel and shown scaled up comes out one of two ways:
// - scaled by repeating pixels, it is made of uniform 2 x 2 blocks; drawn at the screen's
//   resolution, edges fall inside the blocks. Among the busy blocks (not all one colour with
//   their four neighbours) the uneven ones (whose pixels differ) are counted;
// - scaled smoothly, every step of its edges is spread over two pixels, so no two neighbouring
//   pixels differ by much of the picture's contrast. Among the edge pairs of neighbours (differing
//   by an eighth of the grey range or more) the steep ones (by 60% or more) are counted.
struct Sharpness
{
    long busyBlocks = 0;
    long unevenBlocks = 0;
    long edgePairs = 0;
    long steepPairs = 0;

    int percentUneven() const { return busyBlocks > 0 ? int(100 * unevenBlocks / busyBlocks) : 0; }
    int percentSteep() const { return edgePairs > 0 ? int(100 * steepPairs / edgePairs) : 0; }

    static Sharpness measure(const QImage& picture)
    {
        const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
        Sharpness s;
        const int columns = image.width() / 2;
        const int rows = image.height() / 2;
        const auto at = [&image](int bx, int by) { return image.pixel(2 * bx, 2 * by); };
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
                s.unevenBlocks += uneven;
                s.busyBlocks += busy;
            }
        }

        // Transparent pixels count as the white they are mostly shown on.
        const auto grey = [&image](int x, int y) {
            const QRgb p = image.pixel(x, y);
            return (qGray(p) * qAlpha(p) + 255 * (255 - qAlpha(p))) / 255;
        };
        int low = 255;
        int high = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                low = std::min(low, grey(x, y));
                high = std::max(high, grey(x, y));
            }
        }
        const int range = high - low;
        if (range == 0)
            return s;
        const auto pair = [&](int a, int b) {
            const int step = std::abs(a - b);
            s.edgePairs += step * 8 >= range;
            s.steepPairs += step * 10 >= range * 6;
        };
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (x + 1 < image.width())
                    pair(grey(x, y), grey(x + 1, y));
                if (y + 1 < image.height())
                    pair(grey(x, y), grey(x, y + 1));
            }
        }
        return s;
    }
};
