#include "fonts/FontFolders.h"

#include "base/Messages.h"
#include "base/Progress.h"
#include "fonts/FontCheckList.h"
#include "fonts/SelectFolderDialog.h"
#include "fontservices/FontFileName.h"
#include "fontservices/FontServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QStringList fontFilePatterns = {QStringLiteral("*.ttf"), QStringLiteral("*.otf"),
                                      QStringLiteral("*.ttc")};

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

class BusyScope
{
public:
    explicit BusyScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~BusyScope() { m_flag = m_was; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

bool lessNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

// Folders, hidden ones included; entries that are neither files nor folders never match.
QStringList subfolders(const QString& folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
}

// What makes two paths the same folder. Device and inode where there are such: one stat, where
// resolving the canonical path would look up every component of every prefix, which is cubic in
// the depth of a tree thousands of levels deep.
QString folderIdentity(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QString::number(info.st_dev) + QLatin1Char(':') + QString::number(info.st_ino);
#else
    return QFileInfo(path).canonicalFilePath();
#endif
}

} // namespace

FontFolders::FontFolders(const Widgets& widgets, QStringList& addedFontFiles,
                         QStringList& foundFontNames, std::function<void()> clbFontsClickCheck,
                         QObject* parent)
    : QObject(parent), m_w(widgets), m_added(addedFontFiles), m_found(foundFontNames),
      m_clbFontsClickCheck(std::move(clbFontsClickCheck))
{}

FontFolders::~FontFolders() = default;

QString FontFolders::joinPath(const QString& folder, const QString& name)
{
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
    return base + QLatin1Char('/') + name;
}

bool FontFolders::insertSortedNoCase(QStringList& list, const QString& value)
{
    const auto it = std::lower_bound(list.begin(), list.end(), value, lessNoCase);
    if (it != list.end() && it->compare(value, Qt::CaseInsensitive) == 0)
        return false;
    list.insert(it, value);
    return true;
}

bool FontFolders::containsSortedNoCase(const QStringList& list, const QString& value)
{
    const auto it = std::lower_bound(list.cbegin(), list.cend(), value, lessNoCase);
    return it != list.cend() && it->compare(value, Qt::CaseInsensitive) == 0;
}

QString FontFolders::newFontsMessage(const QStringList& names)
{
    QString text = tr("These fonts were found ... \n\n");
    for (qsizetype i = 0; i < names.size(); ++i) {
        text += names.at(i);
        if (i + 1 < names.size())
            text += QStringLiteral(", ");
        if ((i + 1) % 5 == 0)
            text += QLatin1Char('\n');
    }
    return text;
}

bool FontFolders::isListed(const QString& path)
{
    // Rebuilt when the list was changed behind this object's back.
    if (m_listed.size() != m_w.lbFontPath->count()) {
        m_listed.clear();
        for (int i = 0; i < m_w.lbFontPath->count(); ++i)
            m_listed.insert(m_w.lbFontPath->item(i)->text());
    }
    return m_listed.contains(path);
}

void FontFolders::folderListChanged()
{
    m_w.bApply->setEnabled(true);
    m_w.bNewFonts->setEnabled(false);
}

void FontFolders::AddFontFolder(const QString& path)
{
    if (isListed(path))
        return;
    m_w.lbFontPath->addItem(path);
    m_listed.insert(path);
    m_w.lblInfo->setText(tr("%n directories", nullptr, m_w.lbFontPath->count()));
    folderListChanged();
    // The list grows visibly during a long scan.
    QCoreApplication::processEvents();
}

void FontFolders::ScanFolderTree(const QString& path, bool recurse)
{
    BusyScope busy(m_busy);
    AddFontFolder(path);
    if (!recurse)
        return;

    // An explicit stack rather than recursion: trees thousands of levels deep are walked
    // without exhausting the call stack. Each frame holds one folder's subfolders still to visit.
    struct Frame
    {
        QString folder;
        QStringList children;
        qsizetype next = 0;
    };
    QSet<QString> entered{folderIdentity(path)};
    std::vector<Frame> stack;
    stack.push_back({path, subfolders(path)});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.children.size()) {
            stack.pop_back();
            continue;
        }
        const QString child = joinPath(top.folder, top.children.at(top.next++));
        // A link back into the tree leads to a folder entered already.
        const QString identity = folderIdentity(child);
        if (identity.isEmpty() || entered.contains(identity))
            continue;
        entered.insert(identity);
        AddFontFolder(child);
        stack.push_back({child, subfolders(child)});
    }
}

void FontFolders::bAddClick()
{
    TSelectFolder* picker = m_picker;
    if (m_busy || !picker)
        return;
    picker->ShowRecurse = true;
    if (!picker->Execute())
        return;
    const QString folder = picker->Directory;
    const bool recurse = picker->Recurse;
    WaitCursor cursor;
    if (recurse)
        Messages::showMessage(tr(
            "You have elected to recurse subdirectories; Typovex will now look for subdirectories "
            "that contain uninstalled fonts. This may take a little while."));
    ScanFolderTree(folder, recurse);
}

void FontFolders::bRemoveClick()
{
    if (m_busy)
        return;
    QListWidget* list = m_w.lbFontPath;
    for (int i = list->count() - 1; i >= 0; --i) {
        if (!list->item(i)->isSelected())
            continue;
        m_listed.remove(list->item(i)->text());
        delete list->takeItem(i);
        folderListChanged();
    }
    m_w.lblInfo->setText(tr("%n directories", nullptr, list->count()));
}

void FontFolders::RecordAddedFontFile(const QString& path)
{
    insertSortedNoCase(m_added, path);
    m_w.lblInfo->setText(tr("%n new fonts", nullptr, int(m_added.size())));
    // The font services sent the change notice when they added the file.
}

void FontFolders::LoadFolderFonts(const QString& folder)
{
    QDir dir(folder);
    // Files only: sockets, pipes and devices named like fonts are left out.
    const QStringList names =
        dir.entryList(fontFilePatterns, QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& name : names) {
        const QString path = joinPath(folder, name);
        // A path recorded already, or one differing only in letter case, would be added a
        // second time without a record to remove it by; it is in the table once, and stays so.
        if (containsSortedNoCase(m_added, path))
            continue;
        if (!FontServices::addFontFile(path))
            continue;
        RecordAddedFontFile(path);
        insertSortedNoCase(m_found, ReadFullFontName(path));
    }
}

void FontFolders::ListFoundFonts()
{
    for (const QString& name : std::as_const(m_found)) {
        m_w.clbFonts->addEntry(name, false);
        const int first = m_w.clbFonts->indexOf(name);
        if (first >= 0)
            m_w.clbFonts->setChecked(first, true);
    }
}

void FontFolders::RemoveAddedFonts()
{
    while (!m_added.isEmpty()) {
        FontServices::removeFontFile(m_added.constLast());
        m_added.removeLast();
        // Only what the window system needs: a click now would find the lists half emptied.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    for (const QString& name : std::as_const(m_found))
        m_w.clbFonts->removeFirst(name);
    m_found.clear();
}

void FontFolders::bApplyClick()
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    {
        WaitCursor cursor;
        RemoveAddedFonts();

        QListWidget* list = m_w.lbFontPath;
        Progress* wait = m_wait;
        if (wait)
            wait->begin(list->count());
        struct EndWait
        {
            Progress* wait;
            ~EndWait()
            {
                if (wait)
                    wait->end();
            }
        } endWait{wait};
        for (int i = 0; i < list->count(); ++i) {
            LoadFolderFonts(list->item(i)->text());
            if (wait)
                wait->advance(i);
        }
        ListFoundFonts();
    }
    m_w.bApply->setEnabled(false);
    if (m_clbFontsClickCheck)
        m_clbFontsClickCheck();

    const qsizetype n = m_found.size();
    if (n == 0) {
        Messages::showMessage(m_w.lbFontPath->count() == 0 ? tr("All uninstalled fonts removed.")
                                                           : tr("No uninstalled fonts found."));
        return;
    }
    m_w.bNewFonts->setEnabled(true);
    Messages::showMessage(n == 1 ? tr("Found 1 uninstalled font.")
                                 : tr("Found %n uninstalled fonts.", nullptr, int(n)));
}

void FontFolders::bNewFontsClick()
{
    Messages::showMessage(newFontsMessage(m_found));
}
