#include "engine/PageSetup.h"

#include <cmath>

QSizeF PageSetup::paperMillimetres(Paper paper)
{
    switch (paper) {
    case Paper::A3:
        return {297, 420};
    case Paper::Letter:
        return {215.9, 279.4};
    case Paper::B5:
        return {182, 257};
    case Paper::A4:
        break;
    }
    return {210, 297};
}

QSizeF PageSetup::pageSizeExact() const
{
    const QSizeF mm = paperMillimetres(paper);
    const QSizeF size(mm.width() * unitsPerInch / 25.4, mm.height() * unitsPerInch / 25.4);
    return orientation == Orientation::Portrait ? size : size.transposed();
}

QSize PageSetup::pageSize() const
{
    return pageSizeExact().toSize();
}

int PageSetup::bandWidth() const
{
    // Worked out before rounding, so that A4 with 10 mm margins gives 718 units, not 717 or 719.
    return int(pageSizeExact().width() - toUnitsExact(left) - toUnitsExact(right));
}

double PageSetup::toUnitsExact(double length) const
{
    return (units == Units::MM ? length / 25.4 : length) * unitsPerInch;
}

int PageSetup::toUnits(double length) const
{
    return int(std::lround(toUnitsExact(length)));
}
