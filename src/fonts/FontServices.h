#pragma once

#include <QStringList>

namespace FontServices {

// Every installed family once, with the pseudo-family "Default", sorted without regard to case.
QStringList familyList();

} // namespace FontServices
