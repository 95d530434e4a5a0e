#include "settings/ListingSettings.h"

#include "settings/WinReg.h"

#include <algorithm>
#include <array>

namespace {

using S = ListingSettings;
using C = ListingSettings::ControlKind;

constexpr const char* LP = "ListingProperties";
constexpr const char* PL = "PageLayout";
constexpr const char* OP = "Options";
constexpr const char* HF = "HeaderFooter";

// PrinterIndex's default is the system's current printer, found at load time.
constexpr std::array<S::Field, 47> table{{
    {"Message", LP, C::Memo, "mMessage", &S::Message, 0, "This is %f"},
    {"FontName", LP, C::Check, "cbFontName", &S::FontName, 1, nullptr},
    {"DisplayTitle", LP, C::Check, "cbTitle", &S::DisplayTitle, 1, nullptr},
    {"TitleText", LP, C::Text, "eTitleText", &S::TitleText, 0, "Typovex"},
    {"DisplayHeader", LP, C::Check, "cbHeader", &S::DisplayHeader, 1, nullptr},
    {"HeaderText", LP, C::Text, "eHeaderText", &S::HeaderText, 0, "Windows font list"},
    {"ListChars", LP, C::Check, "cbListChars", &S::ListChars, 1, nullptr},
    {"SuppressHeader", LP, C::Check, "cbSuppressHeader", &S::SuppressHeader, 1, nullptr},
    {"DateTime", LP, C::Check, "cbDateTime", &S::DateTime, 1, nullptr},
    {"PageNo", LP, C::Check, "cbPageNo", &S::PageNo, 1, nullptr},
    {"FirstPage", LP, C::Number, "seFirstPage", &S::FirstPage, 1, nullptr},

    {"PrinterIndex", PL, C::Printer, "cbPrinters", &S::PrinterIndex, -1, nullptr},
    {"Orientation", PL, C::Choice, "rgOrientation", &S::Orientation, 0, nullptr},
    {"PointSize", PL, C::Size, "sePointSize", &S::PointSize, 12, nullptr},
    {"Bold", PL, C::Check, "cbBold", &S::Bold, 0, nullptr},
    {"Italic", PL, C::Check, "cbItalic", &S::Italic, 0, nullptr},
    {"Underline", PL, C::Check, "cbUnderline", &S::Underline, 0, nullptr},
    {"Strikeout", PL, C::Check, "cbStrikeout", &S::Strikeout, 0, nullptr},
    {"PaperSize", PL, C::Choice, "rgPaperSize", &S::PaperSize, 2, nullptr},
    {"Units", PL, C::Choice, "rgUnits", &S::Units, 0, nullptr},
    {"Top", PL, C::Text, "eTop", &S::Top, 0, "10.0"},
    {"Bottom", PL, C::Text, "eBottom", &S::Bottom, 0, "15.0"},
    {"Left", PL, C::Text, "eLeft", &S::Left, 0, "10.0"},
    {"Right", PL, C::Text, "eRight", &S::Right, 0, "10.0"},
    {"Columns", PL, C::Choice, "rgColumns", &S::Columns, 0, nullptr},

    {"StartMinimised", OP, C::Check, "cbMinimise", &S::StartMinimised, 0, nullptr},
    {"UseBorders", OP, C::Check, "cbBorders", &S::UseBorders, 0, nullptr},
    {"Startup", OP, C::Choice, "rgStartup", &S::Startup, 0, nullptr},

    {"RTFontName", HF, C::Face, "cbRTFontName", &S::RTFontName, 0, "Arial"},
    {"RTFontSize", HF, C::Size, "seRTFontSize", &S::RTFontSize, 14, nullptr},
    {"RTBold", HF, C::Check, "sbRTBold", &S::RTBold, 1, nullptr},
    {"RTItalic", HF, C::Check, "sbRTItalic", &S::RTItalic, 0, nullptr},
    {"RTUnderline", HF, C::Check, "sbRTUnderline", &S::RTUnderline, 0, nullptr},
    {"RTStrikeout", HF, C::Check, "sbRTStrikeout", &S::RTStrikeout, 0, nullptr},
    {"HFontName", HF, C::Face, "cbHFontName", &S::HFontName, 0, "Arial"},
    {"HFontSize", HF, C::Size, "seHFontSize", &S::HFontSize, 8, nullptr},
    {"HBold", HF, C::Check, "sbHBold", &S::HBold, 0, nullptr},
    {"HItalic", HF, C::Check, "sbHItalic", &S::HItalic, 0, nullptr},
    {"HUnderline", HF, C::Check, "SBHUnderline", &S::HUnderline, 0, nullptr},
    {"HStrikeout", HF, C::Check, "SBHStrikeout", &S::HStrikeout, 0, nullptr},
    {"FFontName", HF, C::Face, "cbFFontName", &S::FFontName, 0, "Arial"},
    {"FFontSize", HF, C::Size, "seFFontSize", &S::FFontSize, 8, nullptr},
    {"FBold", HF, C::Check, "sbFBold", &S::FBold, 0, nullptr},
    {"FItalic", HF, C::Check, "sbFItalic", &S::FItalic, 0, nullptr},
    {"FUnderline", HF, C::Check, "sbFUnderline", &S::FUnderline, 0, nullptr},
    {"FStrikeout", HF, C::Check, "sbFStrikeout", &S::FStrikeout, 0, nullptr},

    // Later options come after the original fields, so that loading those stays as it was
    // whatever a later value holds.
    {"ScriptSamples", OP, C::Check, "cbScriptSamples", &S::ScriptSamples, 1, nullptr},
}};

} // namespace

ListingSettings ListingSettings::defaults()
{
    ListingSettings values;
    for (const Field& f : table) {
        if (auto text = std::get_if<QString ListingSettings::*>(&f.member))
            values.*(*text) = QString::fromUtf8(f.textDefault);
        else if (auto flag = std::get_if<bool ListingSettings::*>(&f.member))
            values.*(*flag) = f.intDefault != 0;
        else
            values.*std::get<int ListingSettings::*>(f.member) = f.intDefault;
    }
    return values;
}

namespace {

// Lines in a value are shown with "\n"; the store keeps them joined with CR LF.
QString toStored(const S::Field& f, const QString& text)
{
    if (f.control != C::Memo)
        return text;
    QString s = text;
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

QString fromStored(const S::Field& f, const QString& stored)
{
    if (f.control != C::Memo)
        return stored;
    QString s = stored;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

std::span<const ListingSettings::Field> ListingSettings::fields()
{
    return table;
}

void ListingSettings::readField(TWinRegistry& store, const Field& f, ListingSettings& values,
                                int currentPrinter)
{
    const QString section = QLatin1String(f.section);
    const QString name = QLatin1String(f.name);
    if (auto text = std::get_if<QString ListingSettings::*>(&f.member)) {
        values.*(*text) =
            fromStored(f, store.ReadString(section, name, QLatin1String(f.textDefault)));
    } else if (auto flag = std::get_if<bool ListingSettings::*>(&f.member)) {
        values.*(*flag) = store.ReadBool(section, name, f.intDefault != 0);
    } else {
        const int fallback = f.control == C::Printer ? currentPrinter : f.intDefault;
        int value = store.ReadInteger(section, name, fallback);
        if (f.control == C::Size)
            value = std::clamp(value, 1, 999);
        values.*std::get<int ListingSettings::*>(f.member) = value;
    }
}

void ListingSettings::writeField(TWinRegistry& store, const Field& f, const ListingSettings& values)
{
    const QString section = QLatin1String(f.section);
    const QString name = QLatin1String(f.name);
    if (auto text = std::get_if<QString ListingSettings::*>(&f.member))
        store.WriteString(section, name, toStored(f, values.*(*text)));
    else if (auto flag = std::get_if<bool ListingSettings::*>(&f.member))
        store.WriteBool(section, name, values.*(*flag));
    else
        store.WriteInteger(section, name, values.*std::get<int ListingSettings::*>(f.member));
}
