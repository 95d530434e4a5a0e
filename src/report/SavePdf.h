#pragma once

#include <functional>
#include <QString>

class PageStore;
class QWidget;

// Save as PDF from the preview window: the file name is asked for, offering "<title>.pdf" in the
// folder the last PDF went to (the home folder before the first), and the pages are written.
namespace SavePdf {

// Asks for the file's name, offering `suggestion` (folder and file name); "" = cancelled.
using AskHook = std::function<QString(QWidget* parent, const QString& suggestion)>;
// While a hook is set, it is asked instead of the save-file dialog.
void setAskHook(AskHook hook);

// Asks and writes the store's pages; cancelling writes nothing. Throws a TypovexError when the
// file could not be written.
void save(QWidget* parent, const PageStore& store);

// "<title>.pdf", with what a file name cannot hold replaced.
QString fileNameFor(const QString& title);

} // namespace SavePdf
