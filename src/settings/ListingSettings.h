#pragma once

#include <QString>
#include <span>

class TfrmAdvanced;

// The listing settings. Their one live copy is the advanced window's controls; this table says
// where each field is stored, of which kind, with which default, and which control shows it.
namespace ListingSettings {

enum class Kind { String, Integer, Flag };

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

struct Field
{
    const char* name; // the value name, also the field's name
    const char* section;
    Kind kind;
    ControlKind control;
    const char* controlName; // the advanced window control's objectName
    int intDefault;          // integers and flags
    const char* textDefault; // strings
};

// Every field, in the order in which it is loaded and saved.
std::span<const Field> fields();

inline constexpr const char* applicationKey = "Software\\Typovex";

// Reads every field from the store into the advanced window's controls. A read error ends the
// loading at that value and is thrown on; the printer step alone swallows its errors.
void LoadSettings(TfrmAdvanced& advanced);

// Writes every field from the controls, then confirms with "Your settings have been saved.".
// A write error ends the save at that value and is thrown on, without the confirmation.
void SaveSettings(TfrmAdvanced& advanced);

} // namespace ListingSettings
