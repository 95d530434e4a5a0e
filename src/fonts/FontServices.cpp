#include "fonts/FontServices.h"

#include <QFontDatabase>

namespace FontServices {

QStringList familyList()
{
    QStringList list = QFontDatabase::families();
    list.append(QStringLiteral("Default"));
    list.sort(Qt::CaseInsensitive);
    list.removeDuplicates();
    return list;
}

} // namespace FontServices
