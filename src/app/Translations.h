#pragma once

#include <QString>

class QLocale;

// The program's texts are written in English; other languages come from translation catalogues
// (typovex_<language>.qm), with Qt's own catalogue for the toolkit's standard dialogs.
namespace Translations {

// Installs the catalogues of the first of the locale's interface languages that the program
// has, replacing those of an earlier call. English, or a list that reaches English first, keeps
// the source texts. Returns the language installed ("de_DE"), or an empty string.
QString install(const QLocale& locale);

} // namespace Translations
