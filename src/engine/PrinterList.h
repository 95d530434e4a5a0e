#pragma once

#include <optional>
#include <QStringList>

// The system's printer list, behind a seam so that tests can stand in any number of printers.
namespace PrinterList {

struct Override
{
    QStringList names;
    int current = -1; // index of the current printer in names, -1 when there is none
};

// The installed printers' names in the order the print system gives them.
QStringList names();

// Index of the system's current (default) printer in names(); -1 when there is none.
int currentIndex();

// Replaces the system's list until called again with std::nullopt.
void setOverride(std::optional<Override> list);

} // namespace PrinterList
