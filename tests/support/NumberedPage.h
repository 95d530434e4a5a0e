// A recorded page that shows only its number, for preview tests that need pages without running
// a report.
#pragma once

#include "engine/PageStore.h"

#include <QRect>
#include <QString>

inline RecordedPage pageNumbered(int number)
{
    RecordedPage page;
    page.number = number;
    PageItem item;
    item.rect = QRect(40, 40, 300, 20);
    item.text = QStringLiteral("Page %1").arg(number);
    item.font.setPixelSize(16);
    page.items.push_back(item);
    return page;
}
