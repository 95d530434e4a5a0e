#include "engine/PrinterList.h"

#include <QPrinterInfo>

namespace PrinterList {

namespace {
std::optional<Override>& overridden()
{
    static std::optional<Override> list;
    return list;
}
} // namespace

QStringList names()
{
    if (overridden())
        return overridden()->names;
    return QPrinterInfo::availablePrinterNames();
}

int currentIndex()
{
    if (overridden()) {
        const Override& o = *overridden();
        return o.current >= 0 && o.current < o.names.size() ? o.current : -1;
    }
    const QString current = QPrinterInfo::defaultPrinterName();
    if (current.isEmpty())
        return -1;
    return int(names().indexOf(current));
}

void setOverride(std::optional<Override> list)
{
    overridden() = std::move(list);
}

} // namespace PrinterList
