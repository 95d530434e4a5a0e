#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class FontCheckList;
class Progress;
class TSelectFolder;
class FontFileReader;
class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
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

    // addedFontFiles and foundFontNames are kept sorted (letter case ignored) and free of
    // duplicates: exact ones for the files (a.ttf and A.TTF are two files here), ones that differ
    // only in letter case for the names. clbFontsClickCheck recomputes "All fonts" after an Apply.
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

    // Paths are NativePath strings: a name that is not UTF-8 keeps its bytes, and the list shows
    // it as well as it can (folderPath gives an entry's path back).
    // Appends the folder unless the list holds exactly that path already.
    void AddFontFolder(const QString& path);
    // Lists the folder and, when recursing, every folder below it, depth first in the order the
    // file system gives; each folder is entered once, however symbolic links loop, and the depth
    // has no limit. Stops when the program is told to end, and with a message when the file
    // system stops answering.
    void ScanFolderTree(const QString& path, bool recurse);
    // Adds the folder's font files (".ttf", ".otf", ".ttc", any letter case; regular files only)
    // to the font table.
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
    // The path of an entry of lbFontPath.
    static QString folderPath(const QListWidgetItem* item);
    // How long the file system may leave a folder or a file unanswered before it is given up.
    static constexpr qint64 stallMs = 15000;
    // A screen refresh: how often a scan shows the folders it found.
    static constexpr int refreshMs = 16;

private:
    void folderListChanged();
    bool isListed(const QString& path);
    // Records a folder to be shown; false when it is listed or pending already.
    bool queueFolder(const QString& path);
    // Appends the recorded folders to lbFontPath and counts them in lblInfo.
    void showPendingFolders();

    Widgets m_w;
    QStringList& m_added;
    QStringList& m_found;
    std::function<void()> m_clbFontsClickCheck;
    // Mirrors lbFontPath's paths, for the exact "already listed" test on long lists.
    QSet<QString> m_listed;
    // Folders a scan found that lbFontPath does not show yet, and the time since it last did.
    QStringList m_pending;
    QElapsedTimer m_sinceShown;
    std::unique_ptr<FontFileReader> m_reader;
    // Set while a scan or an Apply runs: they let events through, and a second click on Add,
    // Remove or Apply must not change the lists under them.
    bool m_busy = false;
    TSelectFolder* m_picker = nullptr;
    Progress* m_wait = nullptr;
};
