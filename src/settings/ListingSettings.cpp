#include "settings/ListingSettings.h"

#include "app/Messages.h"
#include "settings/WinReg.h"
#include "ui/Advanced.h"
#include "ui/PrinterList.h"
#include "ui/RadioGroup.h"

#include <array>
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace ListingSettings {
namespace {

using K = Kind;
using C = ControlKind;

constexpr const char* LP = "ListingProperties";
constexpr const char* PL = "PageLayout";
constexpr const char* OP = "Options";
constexpr const char* HF = "HeaderFooter";

// PrinterIndex's default is the system's current printer, found at load time.
constexpr std::array<Field, 46> table{{
    {"Message", LP, K::String, C::Memo, "mMessage", 0, "This is %f"},
    {"FontName", LP, K::Flag, C::Check, "cbFontName", 1, nullptr},
    {"DisplayTitle", LP, K::Flag, C::Check, "cbTitle", 1, nullptr},
    {"TitleText", LP, K::String, C::Text, "eTitleText", 0, "Typovex"},
    {"DisplayHeader", LP, K::Flag, C::Check, "cbHeader", 1, nullptr},
    {"HeaderText", LP, K::String, C::Text, "eHeaderText", 0, "Windows font list"},
    {"ListChars", LP, K::Flag, C::Check, "cbListChars", 1, nullptr},
    {"SuppressHeader", LP, K::Flag, C::Check, "cbSuppressHeader", 1, nullptr},
    {"DateTime", LP, K::Flag, C::Check, "cbDateTime", 1, nullptr},
    {"PageNo", LP, K::Flag, C::Check, "cbPageNo", 1, nullptr},
    {"FirstPage", LP, K::Integer, C::Number, "seFirstPage", 1, nullptr},

    {"PrinterIndex", PL, K::Integer, C::Printer, "cbPrinters", -1, nullptr},
    {"Orientation", PL, K::Integer, C::Choice, "rgOrientation", 0, nullptr},
    {"PointSize", PL, K::Integer, C::Size, "sePointSize", 12, nullptr},
    {"Bold", PL, K::Flag, C::Check, "cbBold", 0, nullptr},
    {"Italic", PL, K::Flag, C::Check, "cbItalic", 0, nullptr},
    {"Underline", PL, K::Flag, C::Check, "cbUnderline", 0, nullptr},
    {"Strikeout", PL, K::Flag, C::Check, "cbStrikeout", 0, nullptr},
    {"PaperSize", PL, K::Integer, C::Choice, "rgPaperSize", 2, nullptr},
    {"Units", PL, K::Integer, C::Choice, "rgUnits", 0, nullptr},
    {"Top", PL, K::String, C::Text, "eTop", 0, "10.0"},
    {"Bottom", PL, K::String, C::Text, "eBottom", 0, "15.0"},
    {"Left", PL, K::String, C::Text, "eLeft", 0, "10.0"},
    {"Right", PL, K::String, C::Text, "eRight", 0, "10.0"},
    {"Columns", PL, K::Integer, C::Choice, "rgColumns", 0, nullptr},

    {"StartMinimised", OP, K::Flag, C::Check, "cbMinimise", 0, nullptr},
    {"UseBorders", OP, K::Flag, C::Check, "cbBorders", 0, nullptr},
    {"Startup", OP, K::Integer, C::Choice, "rgStartup", 0, nullptr},

    {"RTFontName", HF, K::String, C::Face, "cbRTFontName", 0, "Arial"},
    {"RTFontSize", HF, K::Integer, C::Size, "seRTFontSize", 14, nullptr},
    {"RTBold", HF, K::Flag, C::Check, "sbRTBold", 1, nullptr},
    {"RTItalic", HF, K::Flag, C::Check, "sbRTItalic", 0, nullptr},
    {"RTUnderline", HF, K::Flag, C::Check, "sbRTUnderline", 0, nullptr},
    {"RTStrikeout", HF, K::Flag, C::Check, "sbRTStrikeout", 0, nullptr},
    {"HFontName", HF, K::String, C::Face, "cbHFontName", 0, "Arial"},
    {"HFontSize", HF, K::Integer, C::Size, "seHFontSize", 8, nullptr},
    {"HBold", HF, K::Flag, C::Check, "sbHBold", 0, nullptr},
    {"HItalic", HF, K::Flag, C::Check, "sbHItalic", 0, nullptr},
    {"HUnderline", HF, K::Flag, C::Check, "SBHUnderline", 0, nullptr},
    {"HStrikeout", HF, K::Flag, C::Check, "SBHStrikeout", 0, nullptr},
    {"FFontName", HF, K::String, C::Face, "cbFFontName", 0, "Arial"},
    {"FFontSize", HF, K::Integer, C::Size, "seFFontSize", 8, nullptr},
    {"FBold", HF, K::Flag, C::Check, "sbFBold", 0, nullptr},
    {"FItalic", HF, K::Flag, C::Check, "sbFItalic", 0, nullptr},
    {"FUnderline", HF, K::Flag, C::Check, "sbFUnderline", 0, nullptr},
    {"FStrikeout", HF, K::Flag, C::Check, "sbFStrikeout", 0, nullptr},
}};

template <typename W> W* control(TfrmAdvanced& advanced, const Field& f)
{
    auto* w = advanced.findChild<W*>(QLatin1String(f.controlName));
    Q_ASSERT_X(w, f.controlName, "the advanced window lacks a settings control");
    return w;
}

// The memo shows lines; the store keeps them joined with CR LF.
QString memoToStored(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

QString storedToMemo(const QString& stored)
{
    QString s = stored;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

int indexOfFace(const QComboBox* box, const QString& face)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(face, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void loadField(TWinRegistry& reg, TfrmAdvanced& adv, const Field& f)
{
    const QString section = QLatin1String(f.section);
    const QString name = QLatin1String(f.name);
    switch (f.control) {
    case C::Text:
        control<QLineEdit>(adv, f)->setText(
            reg.ReadString(section, name, QLatin1String(f.textDefault)));
        break;
    case C::Memo:
        control<QPlainTextEdit>(adv, f)->setPlainText(
            storedToMemo(reg.ReadString(section, name, QLatin1String(f.textDefault))));
        break;
    case C::Check:
        control<QAbstractButton>(adv, f)->setChecked(
            reg.ReadBool(section, name, f.intDefault != 0));
        break;
    case C::Size:
        control<QSpinBox>(adv, f)->setValue(
            std::clamp(reg.ReadInteger(section, name, f.intDefault), 1, 999));
        break;
    case C::Number:
        control<QSpinBox>(adv, f)->setValue(reg.ReadInteger(section, name, f.intDefault));
        break;
    case C::Choice:
        control<RadioGroup>(adv, f)->setItemIndex(reg.ReadInteger(section, name, f.intDefault));
        break;
    case C::Printer: {
        // The one guarded step: without printers, or with an unreadable value, the selection
        // stays as it was and loading goes on.
        try {
            auto* box = control<QComboBox>(adv, f);
            if (PrinterList::names().isEmpty())
                return;
            const int index = reg.ReadInteger(section, name, PrinterList::currentIndex());
            box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
        } catch (...) {
        }
        break;
    }
    case C::Face: {
        auto* box = control<QComboBox>(adv, f);
        box->setCurrentIndex(
            indexOfFace(box, reg.ReadString(section, name, QLatin1String(f.textDefault))));
        break;
    }
    }
}

void saveField(TWinRegistry& reg, TfrmAdvanced& adv, const Field& f)
{
    const QString section = QLatin1String(f.section);
    const QString name = QLatin1String(f.name);
    switch (f.control) {
    case C::Text:
        reg.WriteString(section, name, control<QLineEdit>(adv, f)->text());
        break;
    case C::Memo:
        reg.WriteString(section, name,
                        memoToStored(control<QPlainTextEdit>(adv, f)->toPlainText()));
        break;
    case C::Check:
        reg.WriteBool(section, name, control<QAbstractButton>(adv, f)->isChecked());
        break;
    case C::Size:
    case C::Number:
        reg.WriteInteger(section, name, control<QSpinBox>(adv, f)->value());
        break;
    case C::Choice:
        reg.WriteInteger(section, name, control<RadioGroup>(adv, f)->itemIndex());
        break;
    case C::Printer:
        reg.WriteInteger(section, name, control<QComboBox>(adv, f)->currentIndex());
        break;
    case C::Face: {
        auto* box = control<QComboBox>(adv, f);
        reg.WriteString(section, name, box->currentIndex() >= 0 ? box->currentText() : QString());
        break;
    }
    }
}

} // namespace

std::span<const Field> fields()
{
    return table;
}

void LoadSettings(TfrmAdvanced& advanced)
{
    TWinRegistry reg{QString::fromLatin1(applicationKey)};
    for (const Field& f : table) {
        loadField(reg, advanced, f);
        // The margins that follow are stored in the units just loaded: they must not be
        // converted, whatever the units choice showed before.
        if (qstrcmp(f.name, "Units") == 0)
            advanced.ShownUnits = control<RadioGroup>(advanced, f)->itemIndex();
    }
}

void SaveSettings(TfrmAdvanced& advanced)
{
    {
        TWinRegistry reg{QString::fromLatin1(applicationKey)};
        for (const Field& f : table)
            saveField(reg, advanced, f);
    }
    Messages::showMessage(
        QCoreApplication::translate("ListingSettings", "Your settings have been saved."));
}

} // namespace ListingSettings
