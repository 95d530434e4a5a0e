#pragma once

#include <QString>
#include <QStringList>

class TfrmAdvanced;

// The listing settings a catalogue run reads, named after their registry values, plus the fonts
// to list. Read afresh from the advanced window's controls at every run.
struct ReportSettings
{
    struct FontLook
    {
        QString face; // "" = no entry chosen
        int size = 10;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeout = false;
    };

    QString Message = QStringLiteral("This is %f");
    bool FontName = true;
    bool DisplayTitle = true;
    QString TitleText = QStringLiteral("Typovex");
    bool DisplayHeader = true;
    QString HeaderText = QStringLiteral("Windows font list");
    bool ListChars = true;
    bool SuppressHeader = true;
    bool DateTime = true;
    bool PageNo = true;
    int FirstPage = 1;
    int PrinterIndex = -1;
    int Orientation = 0;
    int PointSize = 12;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;
    int PaperSize = 2;
    int Units = 0;
    QString Top = QStringLiteral("10.0");
    QString Bottom = QStringLiteral("15.0");
    QString Left = QStringLiteral("10.0");
    QString Right = QStringLiteral("10.0");
    int Columns = 0;
    bool UseBorders = false;
    FontLook Title{QStringLiteral("Arial"), 14, true};
    FontLook Header{QStringLiteral("Arial"), 8};
    FontLook Footer{QStringLiteral("Arial"), 8};

    // Defaults are those of a fresh registry.

    // The faces to list, in list order.
    QStringList Fonts;

    // The live settings: the advanced window's controls, and every entry of clbFonts when
    // "All fonts" is fully ticked, otherwise the ticked ones.
    static ReportSettings fromAdvanced(const TfrmAdvanced& advanced);
};
