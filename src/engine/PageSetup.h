#pragma once

#include <QSize>

// Page set-up of a report. Every length the engine hands out is in layout units of 1/96 inch.
struct PageSetup
{
    enum class Paper { A4, A3, Letter, B5 };
    enum class Orientation { Portrait, Landscape };
    enum class Units { MM, Inches };

    Paper paper = Paper::A4;
    Orientation orientation = Orientation::Portrait;
    Units units = Units::MM;
    // Margins in `units`.
    double top = 10;
    double bottom = 10;
    double left = 10;
    double right = 10;
    // Position in the system printer list; -1 (or any position not in the list) is the default
    // printer.
    int printerIndex = -1;
    // First page sent to the printer; 1 or less sends every page.
    int firstPage = 0;

    static constexpr int unitsPerInch = 96;

    // The paper in millimetres, portrait.
    static QSizeF paperMillimetres(Paper paper);

    // The page in layout units, turned for the orientation.
    QSize pageSize() const;
    int topMargin() const { return toUnits(top); }
    int bottomMargin() const { return toUnits(bottom); }
    int leftMargin() const { return toUnits(left); }
    int rightMargin() const { return toUnits(right); }
    // Width of every band: the page less both side margins.
    int bandWidth() const;

    // A margin length in `units` as layout units, rounded to the nearest.
    int toUnits(double length) const;
    double toUnitsExact(double length) const;
    QSizeF pageSizeExact() const;
};
