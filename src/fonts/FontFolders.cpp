#include "fonts/FontFolders.h"

#include "base/Ending.h"
#include "base/Messages.h"
#include "base/Progress.h"
#include "fonts/FolderWalk.h"
#include "fonts/FontCheckList.h"
#include "fonts/SelectFolderDialog.h"
#include "fontservices/FontFileName.h"
#include "fontservices/FontServices.h"
#include "fontservices/NativePath.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace {

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

// Letter case first, so that the list reads sorted; the exact text breaks ties, so that two
// paths differing only in case are two entries.
bool lessNoCaseThenExact(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

bool insertSortedExact(QStringList& list, const QString& value)
{
    const auto it = std::lower_bound(list.begin(), list.end(), value, lessNoCaseThenExact);
    if (it != list.end() && *it == value)
        return false;
    list.insert(it, value);
    return true;
}

bool containsSortedExact(const QStringList& list, const QString& value)
{
    const auto it = std::lower_bound(list.cbegin(), list.cend(), value, lessNoCaseThenExact);
    return it != list.cend() && *it == value;
}

bool endingRequested()
{
    return Ending::requested();
}

} // namespace

FontFolders::FontFolders(const Widgets& widgets, QStringList& addedFontFiles,
                         QStringList& foundFontNames, std::function<void()> clbFontsClickCheck,
                         QObject* parent)
    : QObject(parent), m_w(widgets), m_added(addedFontFiles), m_found(foundFontNames),
      m_clbFontsClickCheck(std::move(clbFontsClickCheck))
{
    // Every entry is one line: with sizes measured once and the layout done in batches, adding a
    // folder to a long list costs no more than adding it to a short one.
    if (m_w.lbFontPath) {
        m_w.lbFontPath->setUniformItemSizes(true);
        m_w.lbFontPath->setLayoutMode(QListView::Batched);
    }
}

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

QString FontFolders::folderPath(const QListWidgetItem* item)
{
    const QVariant path = item->data(Qt::UserRole);
    return path.isValid() ? path.toString() : item->text();
}

bool FontFolders::isListed(const QString& path)
{
    // Rebuilt when the list was changed behind this object's back.
    if (m_listed.size() != m_w.lbFontPath->count() + m_pending.size()) {
        m_listed.clear();
        for (int i = 0; i < m_w.lbFontPath->count(); ++i)
            m_listed.insert(folderPath(m_w.lbFontPath->item(i)));
        for (const QString& pending : std::as_const(m_pending))
            m_listed.insert(pending);
    }
    return m_listed.contains(path);
}

bool FontFolders::queueFolder(const QString& path)
{
    if (isListed(path))
        return false;
    m_pending.append(path);
    m_listed.insert(path);
    return true;
}

void FontFolders::showPendingFolders()
{
    m_sinceShown.start();
    if (m_pending.isEmpty())
        return;
    QListWidget* list = m_w.lbFontPath;
    for (const QString& path : std::as_const(m_pending)) {
        auto* item = new QListWidgetItem(NativePath::shown(path));
        item->setData(Qt::UserRole, path);
        list->addItem(item);
    }
    m_pending.clear();
    m_w.lblInfo->setText(tr("%n directories", nullptr, list->count()));
    folderListChanged();
}

void FontFolders::folderListChanged()
{
    m_w.bApply->setEnabled(true);
    m_w.bNewFonts->setEnabled(false);
}

void FontFolders::AddFontFolder(const QString& path)
{
    if (!queueFolder(path))
        return;
    showPendingFolders();
    // The list grows visibly during a long scan.
    QCoreApplication::processEvents();
}

void FontFolders::ScanFolderTree(const QString& path, bool recurse)
{
    BusyScope busy(m_busy);
    if (Ending::requested())
        return;
    AddFontFolder(path);
    if (!recurse)
        return;

    // Whatever ends the scan, every folder found is in the list.
    struct ShowRest
    {
        FontFolders* self;
        ~ShowRest() { self->showPendingFolders(); }
    } showRest{this};
    // The walk runs beside the window. Pending events are handled after each folder it finds,
    // but the list and its label take the new folders at most once a screen refresh: laying out
    // and painting them once per folder would make each folder cost as much as the whole list.
    FolderWalk walk(path);
    m_sinceShown.start();
    while (!Ending::requested()) {
        const FolderWalk::Batch batch = walk.take(refreshMs);
        for (const QString& folder : batch.folders) {
            if (!queueFolder(folder))
                continue;
            if (m_sinceShown.hasExpired(refreshMs))
                showPendingFolders();
            QCoreApplication::processEvents();
            if (Ending::requested())
                return;
        }
        if (batch.finished)
            return;
        if (batch.folders.isEmpty()) {
            // The walk is slow here: the window stays live while it waits.
            showPendingFolders();
            QCoreApplication::processEvents();
            if (walk.idleMs() > stallMs) {
                Messages::showMessage(
                    tr("The folders below %1 are not all listed: the drive stopped answering.")
                        .arg(NativePath::shown(path)));
                return;
            }
        }
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
        m_listed.remove(folderPath(list->item(i)));
        delete list->takeItem(i);
        folderListChanged();
    }
    m_w.lblInfo->setText(tr("%n directories", nullptr, list->count()));
}

void FontFolders::RecordAddedFontFile(const QString& path)
{
    insertSortedExact(m_added, path);
    m_w.lblInfo->setText(tr("%n new fonts", nullptr, int(m_added.size())));
    // The font services sent the change notice when they added the file.
}

void FontFolders::LoadFolderFonts(const QString& folder)
{
    if (!m_reader)
        m_reader = std::make_unique<FontFileReader>();
    // Read beside the window, with a bound: a file on a drive that stopped answering is left.
    const std::optional<QList<FontFileReader::File>> files =
        m_reader->read(folder, stallMs, endingRequested);
    if (!files)
        return;
    for (const FontFileReader::File& file : *files) {
        if (Ending::requested())
            return;
        const QString path = joinPath(folder, file.name);
        // A path recorded already would be added a second time without a record to remove it
        // by; it is in the table once, and stays so.
        if (containsSortedExact(m_added, path))
            continue;
        if (!FontServices::addFontData(path, file.data))
            continue;
        RecordAddedFontFile(path);
        insertSortedNoCase(m_found, ReadFullFontNameFromData(file.data));
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
        for (int i = 0; i < list->count() && !Ending::requested(); ++i) {
            LoadFolderFonts(folderPath(list->item(i)));
            if (wait)
                wait->advance(i);
        }
        // The helper thread is not kept between runs.
        m_reader.reset();
        // Told to end: the close removes what was added; nothing more to show.
        if (Ending::requested())
            return;
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
