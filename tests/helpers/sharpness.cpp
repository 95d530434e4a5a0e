// Prints how much of a screenshot taken at a scale of 2 was drawn at that scale (Sharpness.h):
// "uneven <p> steep <q>", the percentages of busy 2 x 2 blocks that are uneven and of edge pairs
// that are steep. A picture drawn at scale 1 and scaled up has p = 0 (pixels repeated) or q = 0
// (scaled smoothly).
// Argument: a PNG file.
#include "../support/Sharpness.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sharpness IMAGE\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const Sharpness s = Sharpness::measure(image);
    std::printf("uneven %d steep %d\n", s.percentUneven(), s.percentSteep());
    return 0;
}
