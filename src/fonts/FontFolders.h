#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

class FontCheckList;
class Progress;
class TSelectFolder;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// The Paths tab's behaviour: the list of folders holding fonts that are not installed, the scan
// that fills it, and Apply, which adds those folders' font files to the program's font table for
// the run and lists their full names, ticked, in the font selection list. Every file added is
// removed again at the next Apply and before the program ends (RemoveAddedFonts).
// The widgets and the two string lists belong to the advanced window; this object drives them.
class FontFolders : public QObject
{
    Q_OBJECT
public:
    struct Widgets
    {
        QListWidget* lbFontPath = nullptr;
        QPushButton* bAdd = nullptr;
        QPushButton* bRemove = nullptr;
        QPushButton* bApply = nullptr;
        QPushButton* bNewFonts = nullptr;
        QLabel* lblInfo = nullptr;
        FontCheckList* clbFonts = nullptr;
    };

    // addedFontFiles and foundFontNames are kept sorted and free of duplicates (letter case
    // ignored); clbFontsClickCheck recomputes "All fonts" after an Apply.
    FontFolders(const Widgets& widgets, QStringList& addedFontFiles, QStringList& foundFontNames,
                std::function<void()> clbFontsClickCheck, QObject* parent = nullptr);
    ~FontFolders() override;

    // The folder picker Add opens and the progress Apply shows; Add does nothing without a
    // picker, Apply shows no progress without one.
    void setFolderPicker(TSelectFolder* picker) { m_picker = picker; }
    void setProgress(Progress* wait) { m_wait = wait; }

    void bAddClick();
    void bRemoveClick();
    void bApplyClick();
    void bNewFontsClick();

    // Appends the folder unless the list holds exactly that path already.
    void AddFontFolder(const QString& path);
    // Lists the folder and, when recursing, every folder below it, depth first in the order the
    // file system gives; each folder is entered once, however symbolic links loop.
    void ScanFolderTree(const QString& path, bool recurse);
    // Adds the folder's font files (".ttf", ".otf", ".ttc", any letter case) to the font table.
    void LoadFolderFonts(const QString& folder);
    void RecordAddedFontFile(const QString& path);
    // Adds an entry per found name to the font list and ticks the first entry of that name.
    void ListFoundFonts();
    // Removes every added file from the font table and the found names from the font list.
    void RemoveAddedFonts();

    // The "See new" text: a heading, an empty line, the names separated by ", ", a line break
    // after every fifth.
    static QString newFontsMessage(const QStringList& names);
    // Inserts at the sorted place (letter case ignored); false when an equal entry is there.
    static bool insertSortedNoCase(QStringList& list, const QString& value);
    static bool containsSortedNoCase(const QStringList& list, const QString& value);
    // folder + "/" + name, without doubling the separator of a volume root.
    static QString joinPath(const QString& folder, const QString& name);

private:
    void folderListChanged();
    bool isListed(const QString& path);

    Widgets m_w;
    QStringList& m_added;
    QStringList& m_found;
    std::function<void()> m_clbFontsClickCheck;
    // Mirrors lbFontPath's texts, for the exact "already listed" test on long lists.
    QSet<QString> m_listed;
    // Set while a scan or an Apply runs: they let events through, and a second click on Add,
    // Remove or Apply must not change the lists under them.
    bool m_busy = false;
    TSelectFolder* m_picker = nullptr;
    Progress* m_wait = nullptr;
};
