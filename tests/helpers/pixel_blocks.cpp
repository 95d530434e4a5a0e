// Prints how much detail a screenshot holds inside 2 x 2 pixel blocks (see PixelBlocks.h): a
// picture drawn at scale 1 and shown at scale 2 has none.
// Argument: a PNG file. Prints "busy <n> uneven <n> percent <p>", p = 100 * uneven / busy.
#include "../support/PixelBlocks.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pixel_blocks IMAGE\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const PixelBlocks blocks = PixelBlocks::count(image);
    std::printf("busy %ld uneven %ld percent %d\n", blocks.busy, blocks.uneven,
                blocks.percentUneven());
    return 0;
}
