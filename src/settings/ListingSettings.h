#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <variant>

class TWinRegistry;

// Every choice that shapes a catalogue, named after its stored value. Its live copy is the
// advanced window's controls; a value of this type is what the store reads and writes and what
// the report receives at every run. The field table below is the one place that says, for each
// field, where it is stored, of which kind, with which default, which control shows it and which
// member holds it.
struct ListingSettings
{
    QString Message;
    bool FontName = false;
    bool DisplayTitle = false;
    QString TitleText;
    bool DisplayHeader = false;
    QString HeaderText;
    bool ListChars = false;
    bool SuppressHeader = false;
    bool DateTime = false;
    bool PageNo = false;
    int FirstPage = 0;

    int PrinterIndex = -1;
    int Orientation = 0;
    int PointSize = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;
    int PaperSize = 0;
    int Units = 0;
    QString Top;
    QString Bottom;
    QString Left;
    QString Right;
    int Columns = 0;

    bool StartMinimised = false;
    bool UseBorders = false;
    int Startup = 0;
    bool ScriptSamples = false;

    QString RTFontName; // "" = no entry chosen, likewise for the other two faces
    int RTFontSize = 0;
    bool RTBold = false;
    bool RTItalic = false;
    bool RTUnderline = false;
    bool RTStrikeout = false;
    QString HFontName;
    int HFontSize = 0;
    bool HBold = false;
    bool HItalic = false;
    bool HUnderline = false;
    bool HStrikeout = false;
    QString FFontName;
    int FFontSize = 0;
    bool FBold = false;
    bool FItalic = false;
    bool FUnderline = false;
    bool FStrikeout = false;

    // Not stored: the faces a run lists, in list order (the ticked ones, or every entry when
    // "All fonts" is fully ticked).
    QStringList Fonts;

    // Every field at its default, as a fresh store gives it (PrinterIndex -1: the default
    // printer), with no faces to list.
    static ListingSettings defaults();

    // How a value goes into its control and back.
    enum class ControlKind {
        Text,    // QLineEdit: the text exactly as typed
        Memo,    // QPlainTextEdit: lines joined with CR LF when stored
        Check,   // check box or toggle button
        Size,    // QSpinBox held to 1..999
        Number,  // QSpinBox taken unchanged
        Choice,  // RadioGroup: the entry index, -1 for none
        Printer, // the printer drop-down: the entry index, -1 for none
        Face,    // a face-name drop-down: the family name, "" for none
    };

    // The member that holds a field; its type is the field's stored kind (string, integer, flag).
    using Member =
        std::variant<QString ListingSettings::*, int ListingSettings::*, bool ListingSettings::*>;

    struct Field
    {
        const char* name; // the value name, also the member's name
        const char* section;
        ControlKind control;
        const char* controlName; // the advanced window control's objectName
        Member member;
        int intDefault;          // integers and flags
        const char* textDefault; // strings
    };

    // Every field, in the order in which it is loaded and saved.
    static std::span<const Field> fields();

    static constexpr const char* applicationKey = "Software\\Typovex";

    // Reads one field from the store into `values`; a missing value gives the field's default,
    // PrinterIndex's being `currentPrinter`. Sizes are held to 1..999. A read error is thrown.
    static void readField(TWinRegistry& store, const Field& field, ListingSettings& values,
                          int currentPrinter = -1);
    // Writes one field of `values` to the store; a write error is thrown.
    static void writeField(TWinRegistry& store, const Field& field, const ListingSettings& values);
};
