#include "report/ReportSettings.h"

#include "settings/ListingSettings.h"
#include "ui/Advanced.h"

ReportSettings ReportSettings::fromAdvanced(const TfrmAdvanced& advanced)
{
    const ListingSettings v = advanced.settings();
    ReportSettings s;
    s.Message = v.Message;
    s.FontName = v.FontName;
    s.DisplayTitle = v.DisplayTitle;
    s.TitleText = v.TitleText;
    s.DisplayHeader = v.DisplayHeader;
    s.HeaderText = v.HeaderText;
    s.ListChars = v.ListChars;
    s.SuppressHeader = v.SuppressHeader;
    s.DateTime = v.DateTime;
    s.PageNo = v.PageNo;
    s.FirstPage = v.FirstPage;
    s.PrinterIndex = v.PrinterIndex;
    s.Orientation = v.Orientation;
    s.PointSize = v.PointSize;
    s.Bold = v.Bold;
    s.Italic = v.Italic;
    s.Underline = v.Underline;
    s.Strikeout = v.Strikeout;
    s.PaperSize = v.PaperSize;
    s.Units = v.Units;
    s.Top = v.Top;
    s.Bottom = v.Bottom;
    s.Left = v.Left;
    s.Right = v.Right;
    s.Columns = v.Columns;
    s.UseBorders = v.UseBorders;
    s.Title = {v.RTFontName, v.RTFontSize, v.RTBold, v.RTItalic, v.RTUnderline, v.RTStrikeout};
    s.Header = {v.HFontName, v.HFontSize, v.HBold, v.HItalic, v.HUnderline, v.HStrikeout};
    s.Footer = {v.FFontName, v.FFontSize, v.FBold, v.FItalic, v.FUnderline, v.FStrikeout};
    s.Fonts = advanced.chosenFonts();
    return s;
}
