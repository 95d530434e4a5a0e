#include "app/About.h"
#include "app/Main.h"
#include "app/TerminationSignals.h"
#include "app/TypovexApplication.h"
#include "app/Wait.h"
#include "base/Ending.h"
#include "base/Messages.h"
#include "FontFixtures.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontFolders.h"
#include "fonts/SelectFolderDialog.h"
#include "fontservices/FontServices.h"
#include "fontservices/NativePath.h"
#include "support/ReadOnlyFolder.h"
#include "support/TestMain.h"
#include "support/Watchdog.h"
#include "ui/Advanced.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace FontFixtures;

namespace {

template <typename T> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
}

// Every folder below `folder`, depth first in the order the file system lists them.
void walk(const QString& folder, QStringList& out)
{
    for (const QString& name :
         QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        out.append(folder + QLatin1Char('/') + name);
        walk(folder + QLatin1Char('/') + name, out);
    }
}

// Removes everything below an open folder, however deep (paths past the system's limit
// included), and closes it.
void removeBelow(int fd)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat info = {};
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(info.st_mode)) {
            // An unreadable folder of the test is opened again to empty it.
            [[maybe_unused]] const int opened = ::fchmodat(::dirfd(dir), name, 0700, 0);
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (child >= 0)
                removeBelow(child);
            ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(dir), name, 0);
        }
    }
    ::closedir(dir);
}

QImage render(const QFont& font)
{
    QImage image(240, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 30, QStringLiteral("Sample Wg 0123"));
    return image;
}

} // namespace

class ShowCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Show;
        return false;
    }
};

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class tst_FontFolders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void scanListsTreeDepthFirstInFileSystemOrder();
    void scanWithoutRecursionListsOnlyTheFolder();
    void scanJoinsBelowTrailingSeparatorOnce();
    void joinPathNeverDoublesSeparator_data();
    void joinPathNeverDoublesSeparator();
    void alreadyListedComparesExactly();
    void scanEntersEachFolderOnceThroughLoopingLinks();
    void scanWalksDeepTreeWithoutOverflow();
    void hostileEntriesNeverBlockAndNoFontIsDropped_data();
    void hostileEntriesNeverBlockAndNoFontIsDropped();

    void applyFindsFontsAndReports_data();
    void applyFindsFontsAndReports();
    void applyWithEmptyListRemovesEveryAddedFont();
    void sameFullNameCountsOnce();
    void nameOfInstalledFamilyGivesSecondEntry();
    void fileWithoutFullNameGivesTickedEmptyEntry();
    void refusedFilesAreSkippedSilently();
    void addedFontPrintsInItsOwnFace();
    void waitWindowFollowsFolders_data();
    void waitWindowFollowsFolders();
    void buttonsAndLabelFollowTheList();
    void newFontsMessageBreaksAfterEveryFifthName_data();
    void newFontsMessageBreaksAfterEveryFifthName();

    void pickerCancelLeavesFieldsAndListAlone();
    void pickerReturnsFolderAndCarriesStateOver();
    void pickerShowsFoldersAsTheyAreAtEachOpening();
    void pickerOffersRealVolumesOnly();
    void aboutBoxLinksOpenThroughDesktop();
    void waitWindowCannotBeClosedByTheUser();
    void terminationSignalClosesMainWindow();
    void closedMainWindowLeavesNoAddedFont();

private:
    FontFolders* folders() const { return m_adv->fontFolders(); }
    QString folderWith(const QString& name, const QList<QPair<QString, QByteArray>>& files);
    QStringList listed() const;

    TfrmAdvanced* m_adv = nullptr;
    TfrmWait* m_wait = nullptr;
    TSelectFolder* m_picker = nullptr;
    QStringList m_messages;
    QTemporaryDir m_tmp;
    QByteArray m_sans;
    QByteArray m_bold;
};

void tst_FontFolders::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_sans = readAll(dejaVuSans);
    m_bold = readAll(dejaVuSansBold);
    QVERIFY(!m_sans.isEmpty() && !m_bold.isEmpty());
    m_wait = new TfrmWait;
    m_picker = new TSelectFolder;
    m_adv = new TfrmAdvanced;
    folders()->setProgress(m_wait);
    folders()->setFolderPicker(m_picker);
    Messages::setHook([this](Messages::Kind, const QString& text) {
        m_messages.append(text);
        return QMessageBox::Ok;
    });
}

void tst_FontFolders::init()
{
    // A signal raised by an earlier test leaves the program ending.
    Ending::reset();
    folders()->RemoveAddedFonts();
    child<QListWidget>(m_adv, "lbFontPath")->clear();
    child<QPushButton>(m_adv, "bApply")->setEnabled(false);
    child<QPushButton>(m_adv, "bNewFonts")->setEnabled(false);
    child<QLabel>(m_adv, "lblInfo")->clear();
    m_messages.clear();
    TSelectFolder::setExecuteHook({});
}

void tst_FontFolders::cleanupTestCase()
{
    folders()->RemoveAddedFonts();
    QVERIFY(FontServices::addedFontFiles().isEmpty());
    delete m_adv;
    delete m_picker;
    delete m_wait;
    Messages::setHook({});
}

QString tst_FontFolders::folderWith(const QString& name,
                                    const QList<QPair<QString, QByteArray>>& files)
{
    const QString folder = m_tmp.filePath(name);
    QDir().mkpath(folder);
    for (const auto& [file, data] : files)
        writeAll(folder + QLatin1Char('/') + file, data);
    return folder;
}

QStringList tst_FontFolders::listed() const
{
    QStringList paths;
    for (int i = 0; i < child<QListWidget>(m_adv, "lbFontPath")->count(); ++i)
        paths.append(child<QListWidget>(m_adv, "lbFontPath")->item(i)->text());
    return paths;
}

void tst_FontFolders::scanListsTreeDepthFirstInFileSystemOrder()
{
    const QString root = m_tmp.filePath(QStringLiteral("tree"));
    for (const char* sub : {"b/c/d", "a", ".hidden/e", "f/g", "b/h", "m", "z/y/x"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    QVERIFY(writeAll(root + QStringLiteral("/b/plain.ttf"), m_sans));
    QStringList expected{root};
    walk(root, expected);
    QCOMPARE(expected.size(), 14);

    folders()->ScanFolderTree(root, true);
    QCOMPARE(listed(), expected);
}

void tst_FontFolders::scanWithoutRecursionListsOnlyTheFolder()
{
    const QString root = m_tmp.filePath(QStringLiteral("flat"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("sub/deeper")));
    folders()->ScanFolderTree(root, false);
    QCOMPARE(listed(), QStringList{root});
}

void tst_FontFolders::scanJoinsBelowTrailingSeparatorOnce()
{
    const QString root = m_tmp.filePath(QStringLiteral("slash"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("one")));
    folders()->ScanFolderTree(root + QLatin1Char('/'), true);
    QCOMPARE(listed(), (QStringList{root + QLatin1Char('/'), root + QStringLiteral("/one")}));
}

void tst_FontFolders::joinPathNeverDoublesSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("joined");
    QTest::newRow("root of the file system") << "/"
                                             << "usr"
                                             << "/usr";
    QTest::newRow("volume root with its separator") << "/media/cd/"
                                                    << "fonts"
                                                    << "/media/cd/fonts";
    QTest::newRow("plain folder") << "/a/b"
                                  << "c.ttf"
                                  << "/a/b/c.ttf";
}

void tst_FontFolders::joinPathNeverDoublesSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, joined);
    QCOMPARE(FontFolders::joinPath(folder, name), joined);
}

void tst_FontFolders::alreadyListedComparesExactly()
{
    const QString root = m_tmp.filePath(QStringLiteral("exact"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("Sub")));
    folders()->AddFontFolder(root);
    folders()->AddFontFolder(root);
    folders()->AddFontFolder(root + QStringLiteral("/sub"));
    folders()->AddFontFolder(root + QStringLiteral("/Sub"));
    folders()->AddFontFolder(root + QStringLiteral("/Sub/"));
    QCOMPARE(listed(), (QStringList{root, root + "/sub", root + "/Sub", root + "/Sub/"}));
    // Scanning a listed folder again still walks below it, and adds only what is new.
    QVERIFY(QDir(root).mkpath(QStringLiteral("Sub/new")));
    folders()->ScanFolderTree(root + QStringLiteral("/Sub"), true);
    QCOMPARE(listed().size(), 5);
    QCOMPARE(listed().constLast(), root + QStringLiteral("/Sub/new"));
}

void tst_FontFolders::scanEntersEachFolderOnceThroughLoopingLinks()
{
    const QString root = m_tmp.filePath(QStringLiteral("loop"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("a/b")));
    QVERIFY(QFile::link(root, root + QStringLiteral("/a/b/up")));
    QVERIFY(QFile::link(root + QStringLiteral("/a"), root + QStringLiteral("/side")));
    folders()->ScanFolderTree(root, true);
    QStringList canonical;
    for (const QString& path : listed())
        canonical.append(QFileInfo(path).canonicalFilePath());
    QCOMPARE(canonical.size(), 3);
    canonical.removeDuplicates();
    QCOMPARE(canonical.size(), 3);
}

void tst_FontFolders::scanWalksDeepTreeWithoutOverflow()
{
    // Over a thousand levels; a call per level would exhaust a sanitizer build's stack.
    const QString root = m_tmp.filePath(QStringLiteral("deep"));
    QString relative;
    for (int i = 0; i < 1200; ++i)
        relative += QStringLiteral("d/");
    QVERIFY(QDir(root).mkpath(relative));
    folders()->ScanFolderTree(root, true);
    QCOMPARE(child<QListWidget>(m_adv, "lbFontPath")->count(), 1201);
    QCOMPARE(listed().constLast(), root + QLatin1Char('/') + relative.chopped(1));
}

void tst_FontFolders::hostileEntriesNeverBlockAndNoFontIsDropped_data()
{
    // What the folder holds beside good.ttf (a font every row adds), then the folders the scan
    // must list and the files Apply must add, as bytes below the scanned folder.
    QTest::addColumn<QString>("holds");
    QTest::addColumn<QByteArrayList>("listedFolders");
    QTest::addColumn<QByteArrayList>("added");
    const QByteArrayList rootOnly{""};
    const QByteArrayList goodOnly{"good.ttf"};
    // Nothing but a regular file is opened: a pipe would block the reader for good, a device
    // would feed it without end.
    QTest::newRow("FIFO x.ttf") << "fifo" << rootOnly << goodOnly;
    QTest::newRow("socket x.ttf") << "socket" << rootOnly << goodOnly;
    QTest::newRow("x.ttf linking to /dev/zero") << "device link" << rootOnly << goodOnly;
    QTest::newRow("x.ttf linking to a FIFO") << "link to fifo" << rootOnly << goodOnly;
    QTest::newRow("x.ttf linking to itself, folder link back up")
        << "link loop" << QByteArrayList{"", "sub"} << goodOnly;
    QTest::newRow("unreadable x.ttf") << "unreadable file" << rootOnly << goodOnly;
    QTest::newRow("unreadable folder: listed, nothing below")
        << "unreadable folder" << QByteArrayList{"", "locked"} << goodOnly;
    QTest::newRow("folder named x.ttf") << "folder x.ttf" << QByteArrayList{"", "x.ttf"}
                                        << QByteArrayList{"good.ttf", "x.ttf/inner.ttf"};
    QTest::newRow("0-byte and truncated fonts") << "broken fonts" << rootOnly << goodOnly;
    // Two files on this file system: both added, both removed again.
    QTest::newRow("a.ttf and A.TTF")
        << "two cases" << rootOnly << QByteArrayList{"A.TTF", "a.ttf", "good.ttf"};
    QTest::newRow("Latin-1 folder name") << "latin-1" << QByteArrayList{"", "caf\xe9"}
                                         << QByteArrayList{"caf\xe9/inner.ttf", "good.ttf"};
    QByteArray deep;
    QByteArrayList chain{""};
    for (int i = 0; i < 5000; ++i) {
        deep += deep.isEmpty() ? "d" : "/d";
        chain.append(deep);
    }
    QTest::newRow("5,000-deep tree, a font at the bottom")
        << "deep" << chain << QByteArrayList{deep + "/bottom.ttf", "good.ttf"};
}

void tst_FontFolders::hostileEntriesNeverBlockAndNoFontIsDropped()
{
    QFETCH(QString, holds);
    QFETCH(QByteArrayList, listedFolders);
    QFETCH(QByteArrayList, added);
    QTemporaryDir tmp;
    QTemporaryDir elsewhere;
    const QString root = tmp.path();
    const QByteArray native = QFile::encodeName(root);
    const auto at = [&](const QByteArray& name) { return native + '/' + name; };
    const int rootFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(rootFd >= 0);
    // Whatever the row made, the temporary folder can be removed afterwards.
    const auto cleanUp = qScopeGuard([&] { removeBelow(rootFd); });
    QVERIFY(writeAll(root + QStringLiteral("/good.ttf"), renamed(m_sans, "Typovex Aaa")));
    const QByteArray font = renamed(m_bold, "Typovex Bbb");
    int socketFd = -1;
    const auto closeSocket = qScopeGuard([&] {
        if (socketFd >= 0)
            ::close(socketFd);
    });
    if (holds == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(at("x.ttf").constData(), 0600), 0);
    } else if (holds == QLatin1String("socket")) {
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        QVERIFY(at("x.ttf").size() < qsizetype(sizeof(address.sun_path)));
        std::strcpy(address.sun_path, at("x.ttf").constData());
        QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    } else if (holds == QLatin1String("device link")) {
        QCOMPARE(::symlink("/dev/zero", at("x.ttf").constData()), 0);
    } else if (holds == QLatin1String("link to fifo")) {
        // The pipe is not below the scanned folder: only the link is.
        const QByteArray pipe = QFile::encodeName(elsewhere.filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        QCOMPARE(::symlink(pipe.constData(), at("x.ttf").constData()), 0);
    } else if (holds == QLatin1String("link loop")) {
        QCOMPARE(::symlink("x.ttf", at("x.ttf").constData()), 0);
        QCOMPARE(::mkdir(at("sub").constData(), 0700), 0);
        QCOMPARE(::symlink("..", at("sub/up").constData()), 0);
    } else if (holds == QLatin1String("unreadable file")) {
        QVERIFY(writeAll(QFile::decodeName(at("x.ttf")), font));
        QCOMPARE(::chmod(at("x.ttf").constData(), 0), 0);
    } else if (holds == QLatin1String("unreadable folder")) {
        QCOMPARE(::mkdir(at("locked").constData(), 0700), 0);
        QVERIFY(writeAll(QFile::decodeName(at("locked/inner.ttf")), font));
        QCOMPARE(::mkdir(at("locked/below").constData(), 0700), 0);
        QCOMPARE(::chmod(at("locked").constData(), 0), 0);
    } else if (holds == QLatin1String("folder x.ttf")) {
        QCOMPARE(::mkdir(at("x.ttf").constData(), 0700), 0);
        QVERIFY(writeAll(QFile::decodeName(at("x.ttf/inner.ttf")), font));
    } else if (holds == QLatin1String("broken fonts")) {
        QVERIFY(writeAll(QFile::decodeName(at("empty.ttf")), QByteArray()));
        QVERIFY(writeAll(QFile::decodeName(at("truncated.ttf")), font.left(font.size() / 3)));
        QVERIFY(writeAll(QFile::decodeName(at("header.otf")), font.left(12)));
    } else if (holds == QLatin1String("two cases")) {
        QVERIFY(writeAll(QFile::decodeName(at("a.ttf")), font));
        QVERIFY(writeAll(QFile::decodeName(at("A.TTF")), renamed(m_bold, "Typovex Ccc")));
    } else if (holds == QLatin1String("latin-1")) {
        QCOMPARE(::mkdir(at("caf\xe9").constData(), 0700), 0);
        const int fd = ::open(at("caf\xe9/inner.ttf").constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, font.constData(), size_t(font.size())), ssize_t(font.size()));
        ::close(fd);
    } else if (holds == QLatin1String("deep")) {
        // Made one step at a time: the path is longer than the system takes in one call.
        int fd = ::dup(rootFd);
        for (int i = 0; i < 5000; ++i) {
            QCOMPARE(::mkdirat(fd, "d", 0700), 0);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            QVERIFY(fd >= 0);
        }
        const int file = ::openat(fd, "bottom.ttf", O_WRONLY | O_CREAT, 0600);
        ::close(fd);
        QVERIFY(file >= 0);
        QCOMPARE(::write(file, font.constData(), size_t(font.size())), ssize_t(font.size()));
        ::close(file);
    }

    QByteArrayList listedBelow;
    QByteArrayList addedBelow;
    {
        // Root reads whatever the permissions say: the scan and Apply run as nobody then.
        std::optional<AsNobody> nobody;
        if (holds.startsWith(QLatin1String("unreadable")) && runningAsRoot()) {
            QCOMPARE(::chmod(native.constData(), 0755), 0);
            nobody.emplace();
            QVERIFY2(nobody->isNobody(), "cannot take the nobody user's rights");
        }
        Watchdog watchdog(60000); // a sanitizer build walks the deep tree slowly
        folders()->ScanFolderTree(root, true);
        folders()->bApplyClick();
        QListWidget* list = child<QListWidget>(m_adv, "lbFontPath");
        for (int i = 0; i < list->count(); ++i)
            listedBelow.append(NativePath::toNative(FontFolders::folderPath(list->item(i)))
                                   .mid(native.size() + 1));
        for (const QString& path : std::as_const(m_adv->AddedFontFiles))
            addedBelow.append(NativePath::toNative(path).mid(native.size() + 1));
    }
    std::sort(listedBelow.begin(), listedBelow.end());
    std::sort(addedBelow.begin(), addedBelow.end());
    std::sort(listedFolders.begin(), listedFolders.end());
    std::sort(added.begin(), added.end());
    // QCOMPARE would print 5,000 paths of up to 10,000 bytes each.
    QVERIFY2(listedBelow == listedFolders,
             qPrintable(QStringLiteral("%1 folders listed, %2 expected")
                            .arg(listedBelow.size())
                            .arg(listedFolders.size())));
    QCOMPARE(addedBelow, added);
    QCOMPARE(FontServices::addedFontFiles().size(), added.size());
    for (const QString& text : std::as_const(m_messages))
        QVERIFY2(!text.contains(QLatin1String("stopped answering")), qPrintable(text));

    folders()->RemoveAddedFonts();
    QVERIFY(FontServices::addedFontFiles().isEmpty());
}

void tst_FontFolders::applyFindsFontsAndReports_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing in the folder")
        << QStringList{} << QStringList{} << "No uninstalled fonts found.";
    QTest::newRow("one font") << QStringList{"one.ttf"} << QStringList{"Typovex Aaa"}
                              << "Found 1 uninstalled font.";
    // Extensions match without regard to case; ".otf" and ".ttc" files are taken too.
    QTest::newRow("every kind of font file")
        << QStringList{"a.TTF", "b.otf", "c.ttc", "d.txt"}
        << QStringList{"Typovex Aaa", "Typovex Bbb", "Typovex Ccc"} << "Found 3 uninstalled fonts.";
}

void tst_FontFolders::applyFindsFontsAndReports()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, names);
    QFETCH(QString, message);
    const QString folder = m_tmp.filePath(QStringLiteral("apply-") + QTest::currentDataTag());
    QDir().mkpath(folder);
    const QStringList fresh{"Typovex Aaa", "Typovex Bbb", "Typovex Ccc", "Typovex Ddd"};
    for (int i = 0; i < files.size(); ++i) {
        const QByteArray font = renamed(m_sans, fresh.at(i));
        QVERIFY(writeAll(folder + '/' + files.at(i),
                         files.at(i).endsWith(".ttc") ? collectionOf(font) : font));
    }
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    QCOMPARE(m_messages, QStringList{message});
    QCOMPARE(m_adv->FoundFontNames, names);
    for (const QString& name : names) {
        const int index = child<FontCheckList>(m_adv, "clbFonts")->indexOf(name);
        QVERIFY(index >= 0);
        QVERIFY(child<FontCheckList>(m_adv, "clbFonts")->isChecked(index));
    }
    QCOMPARE(FontServices::addedFontFiles().size(), names.size());
}

void tst_FontFolders::applyWithEmptyListRemovesEveryAddedFont()
{
    const QString folder =
        folderWith(QStringLiteral("removed"), {{"r.ttf", renamed(m_sans, "Typovex Rrr")}});
    const int before = child<FontCheckList>(m_adv, "clbFonts")->count();
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    QCOMPARE(child<FontCheckList>(m_adv, "clbFonts")->count(), before + 1);
    QCOMPARE(m_adv->AddedFontFiles, QStringList{folder + "/r.ttf"});

    child<QListWidget>(m_adv, "lbFontPath")->item(0)->setSelected(true);
    folders()->bRemoveClick();
    m_messages.clear();
    folders()->bApplyClick();
    QCOMPARE(m_messages, QStringList{"All uninstalled fonts removed."});
    QVERIFY(m_adv->AddedFontFiles.isEmpty());
    QVERIFY(m_adv->FoundFontNames.isEmpty());
    QVERIFY(FontServices::addedFontFiles().isEmpty());
    QCOMPARE(child<FontCheckList>(m_adv, "clbFonts")->indexOf("Typovex Rrr"), -1);
    QCOMPARE(child<FontCheckList>(m_adv, "clbFonts")->count(), before);
    QVERIFY(!child<QPushButton>(m_adv, "bNewFonts")->isEnabled());

    // Nothing added before: the same message.
    m_messages.clear();
    folders()->bApplyClick();
    QCOMPARE(m_messages, QStringList{"All uninstalled fonts removed."});
}

void tst_FontFolders::sameFullNameCountsOnce()
{
    const QByteArray font = renamed(m_sans, "Typovex Sss");
    const QString folder = folderWith(QStringLiteral("twins"), {{"x.ttf", font}, {"y.ttf", font}});
    QByteArray lower = renamed(m_sans, "typovex sss");
    const QString other = folderWith(QStringLiteral("twins2"), {{"z.ttf", lower}});
    const int before = child<FontCheckList>(m_adv, "clbFonts")->count();
    folders()->AddFontFolder(folder);
    folders()->AddFontFolder(other);
    folders()->bApplyClick();
    QCOMPARE(m_adv->AddedFontFiles.size(), 3);
    QCOMPARE(FontServices::addedFontFiles().size(), 3);
    QCOMPARE(m_adv->FoundFontNames.size(), 1);
    QCOMPARE(child<FontCheckList>(m_adv, "clbFonts")->count(), before + 1);
    QCOMPARE(m_messages, QStringList{"Found 1 uninstalled font."});
}

void tst_FontFolders::nameOfInstalledFamilyGivesSecondEntry()
{
    // An unchanged copy of an installed font: its full name is an installed family's name.
    const QString folder = folderWith(QStringLiteral("installed"), {{"same.ttf", m_sans}});
    const QString name = QStringLiteral("DejaVu Sans");
    auto entriesNamed = [this, &name](QList<bool>* ticks) {
        int n = 0;
        for (int i = 0; i < child<FontCheckList>(m_adv, "clbFonts")->count(); ++i) {
            if (child<FontCheckList>(m_adv, "clbFonts")
                    ->name(i)
                    .compare(name, Qt::CaseInsensitive) == 0) {
                ++n;
                ticks->append(child<FontCheckList>(m_adv, "clbFonts")->isChecked(i));
            }
        }
        return n;
    };
    child<FontCheckList>(m_adv, "clbFonts")->setAllChecked(false);
    QList<bool> ticks;
    QCOMPARE(entriesNamed(&ticks), 1);
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    ticks.clear();
    QCOMPARE(entriesNamed(&ticks), 2);
    QCOMPARE(ticks, (QList<bool>{true, false}));
    // The next Apply deletes the first entry of that name: the ticked one.
    folders()->bApplyClick();
    ticks.clear();
    QCOMPARE(entriesNamed(&ticks), 2);
    QCOMPARE(ticks, (QList<bool>{true, false}));
    child<QListWidget>(m_adv, "lbFontPath")->item(0)->setSelected(true);
    folders()->bRemoveClick();
    folders()->bApplyClick();
    ticks.clear();
    QCOMPARE(entriesNamed(&ticks), 1);
    QCOMPARE(ticks, QList<bool>{false});
}

void tst_FontFolders::fileWithoutFullNameGivesTickedEmptyEntry()
{
    const QString folder = folderWith(QStringLiteral("nameless"),
                                      {{"n.ttf", withoutFullName(renamed(m_sans, "Typovex Nnn"))}});
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    QCOMPARE(m_adv->FoundFontNames, QStringList{QString()});
    const int index = child<FontCheckList>(m_adv, "clbFonts")->indexOf(QString());
    QVERIFY(index >= 0);
    QVERIFY(child<FontCheckList>(m_adv, "clbFonts")->isChecked(index));
    QCOMPARE(m_messages, QStringList{"Found 1 uninstalled font."});
}

void tst_FontFolders::refusedFilesAreSkippedSilently()
{
    QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9");
    const QString folder =
        folderWith(QStringLiteral("refused"), {{"photo.ttf", jpeg}, {"empty.ttf", {}}});
    QVERIFY(QDir(folder).mkpath(QStringLiteral("folder.ttf")));
    QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe.ttf").constData(), 0600), 0);
    QVERIFY(QFile::link(folder + "/missing", folder + "/dangling.ttf"));
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    QCOMPARE(m_messages, QStringList{"No uninstalled fonts found."});
    QVERIFY(m_adv->AddedFontFiles.isEmpty());
    QVERIFY(FontServices::addedFontFiles().isEmpty());
}

void tst_FontFolders::addedFontPrintsInItsOwnFace()
{
    const QString folder =
        folderWith(QStringLiteral("face"), {{"b.ttf", renamed(m_bold, "Typovex Fff")}});
    folders()->AddFontFolder(folder);
    folders()->bApplyClick();
    QCOMPARE(m_adv->FoundFontNames, QStringList{"Typovex Fff Bold"});
    const QImage added =
        render(FontServices::fontFor("Typovex Fff Bold", 12, false, false, false, false));
    const QImage source =
        render(FontServices::fontFor("DejaVu Sans", 12, true, false, false, false));
    const QImage fallback =
        render(FontServices::fontFor("Typovex Nothing Such", 12, false, false, false, false));
    QCOMPARE(added, source);
    QVERIFY(added != fallback);
}

void tst_FontFolders::waitWindowFollowsFolders_data()
{
    QTest::addColumn<int>("folderCount");
    QTest::addColumn<QList<int>>("positions");
    QTest::newRow("three folders") << 3 << QList<int>{0, 0, 1, 2};
    QTest::newRow("no folder") << 0 << QList<int>{0};
}

void tst_FontFolders::waitWindowFollowsFolders()
{
    QFETCH(int, folderCount);
    QFETCH(QList<int>, positions);
    for (int i = 0; i < folderCount; ++i)
        folders()->AddFontFolder(folderWith(QStringLiteral("wait%1").arg(i), {}));
    QSignalSpy spy(m_wait, &TfrmWait::positionSet);
    ShowCounter shows;
    m_wait->installEventFilter(&shows);
    folders()->bApplyClick();
    m_wait->removeEventFilter(&shows);
    QList<int> seen;
    for (const QList<QVariant>& args : spy)
        seen.append(args.at(0).toInt());
    QCOMPARE(seen, positions);
    QCOMPARE(child<QProgressBar>(m_wait, "pbWait")->maximum(), folderCount);
    QCOMPARE(shows.count, 1);
    QVERIFY(!m_wait->isVisible());
}

void tst_FontFolders::buttonsAndLabelFollowTheList()
{
    TfrmAdvanced fresh;
    QVERIFY(!child<QPushButton>(&fresh, "bApply")->isEnabled());
    QVERIFY(!child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    QVERIFY(child<QLabel>(&fresh, "lblInfo")->text().isEmpty());

    const QString one =
        folderWith(QStringLiteral("btn1"), {{"f.ttf", renamed(m_sans, "Typovex Bbt")}});
    const QString two = folderWith(QStringLiteral("btn2"), {});
    fresh.fontFolders()->AddFontFolder(one);
    QVERIFY(child<QPushButton>(&fresh, "bApply")->isEnabled());
    QCOMPARE(child<QLabel>(&fresh, "lblInfo")->text(), QStringLiteral("1 directories"));
    fresh.fontFolders()->AddFontFolder(two);
    QCOMPARE(child<QLabel>(&fresh, "lblInfo")->text(), QStringLiteral("2 directories"));

    child<QPushButton>(&fresh, "bApply")->click();
    QVERIFY(!child<QPushButton>(&fresh, "bApply")->isEnabled());
    QVERIFY(child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    QCOMPARE(child<QLabel>(&fresh, "lblInfo")->text(), QStringLiteral("1 new fonts"));
    m_messages.clear();
    child<QPushButton>(&fresh, "bNewFonts")->click();
    QCOMPARE(m_messages, QStringList{"These fonts were found ... \n\nTypovex Bbt"});

    // Remove with nothing selected: only the label.
    child<QPushButton>(&fresh, "bRemove")->click();
    QVERIFY(!child<QPushButton>(&fresh, "bApply")->isEnabled());
    QVERIFY(child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    QCOMPARE(child<QLabel>(&fresh, "lblInfo")->text(), QStringLiteral("2 directories"));

    child<QListWidget>(&fresh, "lbFontPath")->item(1)->setSelected(true);
    child<QPushButton>(&fresh, "bRemove")->click();
    QVERIFY(child<QPushButton>(&fresh, "bApply")->isEnabled());
    QVERIFY(!child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    QCOMPARE(child<QLabel>(&fresh, "lblInfo")->text(), QStringLiteral("1 directories"));

    child<QPushButton>(&fresh, "bApply")->click();
    QVERIFY(child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    fresh.fontFolders()->AddFontFolder(two);
    QVERIFY(!child<QPushButton>(&fresh, "bNewFonts")->isEnabled());
    fresh.RemoveAddedFonts();
    QVERIFY(FontServices::addedFontFiles().isEmpty());
}

void tst_FontFolders::newFontsMessageBreaksAfterEveryFifthName_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("names");
    const QString head = QStringLiteral("These fonts were found ... \n\n");
    QTest::newRow("one") << 1 << head + "A";
    QTest::newRow("five: the last one breaks too") << 5 << head + "A, B, C, D, E\n";
    QTest::newRow("seven") << 7 << head + "A, B, C, D, E, \nF, G";
    QTest::newRow("ten") << 10 << head + "A, B, C, D, E, \nF, G, H, I, J\n";
}

void tst_FontFolders::newFontsMessageBreaksAfterEveryFifthName()
{
    QFETCH(int, count);
    QFETCH(QString, names);
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QString(QChar('A' + i)));
    QCOMPARE(FontFolders::newFontsMessage(list), names);
}

void tst_FontFolders::pickerCancelLeavesFieldsAndListAlone()
{
    m_picker->Directory = QStringLiteral("/before");
    m_picker->Recurse = true;
    TSelectFolder::setExecuteHook([](TSelectFolder& dialog) {
        child<QCheckBox>(&dialog, "cbRecurse")->setChecked(false);
        dialog.openFolder(QStringLiteral("/"));
        return false;
    });
    child<QPushButton>(m_adv, "bAdd")->click();
    QCOMPARE(m_picker->Directory, QStringLiteral("/before"));
    QVERIFY(m_picker->Recurse);
    QCOMPARE(child<QListWidget>(m_adv, "lbFontPath")->count(), 0);
    QVERIFY(m_messages.isEmpty());
}

void tst_FontFolders::pickerReturnsFolderAndCarriesStateOver()
{
    const QString root = m_tmp.filePath(QStringLiteral("picked"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("inner")));
    bool recurseShown = false;
    TSelectFolder::setExecuteHook([&](TSelectFolder& dialog) {
        recurseShown = !child<QCheckBox>(&dialog, "cbRecurse")->isHidden();
        dialog.openFolder(root);
        child<QCheckBox>(&dialog, "cbRecurse")->setChecked(true);
        return true;
    });
    child<QPushButton>(m_adv, "bAdd")->click();
    QVERIFY(recurseShown);
    QCOMPARE(m_picker->Directory, root);
    QVERIFY(m_picker->Recurse);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.at(0).startsWith("You have elected to recurse subdirectories;"));
    QCOMPARE(listed(), (QStringList{root, root + "/inner"}));

    // The next opening shows what the last one left; a double click opens the folder under it.
    TSelectFolder::setExecuteHook([&](TSelectFolder& dialog) {
        recurseShown = child<QCheckBox>(&dialog, "cbRecurse")->isChecked();
        QListWidget* list = child<QListWidget>(&dialog, "DirectoryListBox");
        emit list->itemDoubleClicked(list->item(list->count() - 1));
        return true;
    });
    QVERIFY(m_picker->Execute());
    QVERIFY(recurseShown);
    QCOMPARE(m_picker->Directory, root + "/inner");
    QCOMPARE(m_picker->openFolder(), root + "/inner");

    // A volume root keeps its trailing separator; without ShowRecurse, Recurse keeps its value.
    m_picker->ShowRecurse = false;
    TSelectFolder::setExecuteHook([](TSelectFolder& dialog) {
        child<QCheckBox>(&dialog, "cbRecurse")->setChecked(false);
        dialog.openFolder(QStringLiteral("/"));
        return true;
    });
    QVERIFY(m_picker->Execute());
    QCOMPARE(m_picker->Directory, QStringLiteral("/"));
    QCOMPARE(m_picker->Drive, QStringLiteral("/"));
    QVERIFY(m_picker->Recurse);
}

void tst_FontFolders::pickerShowsFoldersAsTheyAreAtEachOpening()
{
    const QString root = m_tmp.filePath(QStringLiteral("changing"));
    QVERIFY(QDir(root).mkpath(QStringLiteral("gone/deeper")));
    QStringList shown;
    auto listShown = [&](TSelectFolder& dialog) {
        shown.clear();
        const QListWidget* list = child<QListWidget>(&dialog, "DirectoryListBox");
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text().trimmed());
    };
    TSelectFolder::setExecuteHook([&](TSelectFolder& dialog) {
        dialog.openFolder(root + "/gone/deeper");
        return false;
    });
    QVERIFY(!m_picker->Execute());

    // Made and removed while the dialog was hidden: the open folder went with its parent, so
    // the next opening shows the nearest folder still there, with what it holds now.
    QVERIFY(QDir(root + "/gone").removeRecursively());
    QVERIFY(QDir(root).mkpath(QStringLiteral("new")));
    TSelectFolder::setExecuteHook([&](TSelectFolder& dialog) {
        listShown(dialog);
        return true;
    });
    QVERIFY(m_picker->Execute());
    QCOMPARE(m_picker->Directory, root);
    QCOMPARE(shown.mid(shown.size() - 2),
             (QStringList{QStringLiteral("changing"), QStringLiteral("new")}));
}

void tst_FontFolders::pickerOffersRealVolumesOnly()
{
    const QStringList roots = TSelectFolder::volumeRoots();
    QVERIFY(roots.contains(QStringLiteral("/")));
    QVERIFY(!roots.contains(QStringLiteral("/proc")));
    QVERIFY(!roots.contains(QStringLiteral("/sys")));
    const QComboBox* drives = child<QComboBox>(m_picker, "DriveComboBox");
    QVERIFY(drives->count() >= 1);
    QCOMPARE(m_picker->windowTitle(), QStringLiteral("Select folder"));
}

void tst_FontFolders::aboutBoxLinksOpenThroughDesktop()
{
    TfrmAbout about;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    about.show();
    QTest::mouseClick(child<QLabel>(&about, "Label1"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>(&about, "Label6"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QCOMPARE(catcher.urls, (QList<QUrl>{TfrmAbout::webPage(), TfrmAbout::mailAddress()}));
    QVERIFY(about.isVisible());
    QCOMPARE(child<QLabel>(&about, "Label1")->toolTip(),
             QStringLiteral("Visit the Typovex Web site !"));
    QCOMPARE(child<QLabel>(&about, "Label6")->toolTip(),
             QStringLiteral("Send email to the program's author !"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About ..."));
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
    about.show();
    child<QPushButton>(&about, "okBtn")->click();
    QVERIFY(!about.isVisible());
}

void tst_FontFolders::waitWindowCannotBeClosedByTheUser()
{
    TfrmWait wait;
    QCOMPARE(wait.windowTitle(), QStringLiteral("Please wait ..."));
    QVERIFY(wait.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(wait.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(child<QProgressBar>(&wait, "pbWait")->maximum(), 100);
    wait.show();
    QTest::keyClick(&wait, Qt::Key_Escape);
    QVERIFY(wait.isVisible());
    QCloseEvent request;
    QCoreApplication::sendEvent(&wait, &request);
    QVERIFY(wait.isVisible());
    QVERIFY(!wait.close());
    QVERIFY(wait.isVisible());
    wait.finish();
    QVERIFY(!wait.isVisible());
}

void tst_FontFolders::terminationSignalClosesMainWindow()
{
    QWidget main;
    main.show();
    TerminationSignals handler(&main);
    QSignalSpy closing(&handler, &TerminationSignals::closing);
    ::raise(SIGTERM);
    QTRY_VERIFY(!main.isVisible());
    QCOMPARE(closing.size(), 1);
    QCOMPARE(closing.at(0).at(0).toInt(), SIGTERM);
    main.show();
    ::raise(SIGINT);
    QTRY_VERIFY(!main.isVisible());
}

void tst_FontFolders::closedMainWindowLeavesNoAddedFont()
{
    const QString folder =
        folderWith(QStringLiteral("quit"), {{"q.ttf", renamed(m_sans, "Typovex Qqq")}});
    TfrmAbout about;
    {
        TfrmMain main;
        TfrmMain::Windows windows;
        windows.about = &about;
        main.setWindows(windows);
        main.show();
        QVERIFY(frmAdvanced);
        QCOMPARE(child<QLabel>(&about, "lblCaption")->text(), QStringLiteral("Typovex - ver. 3.9"));
        frmAdvanced->fontFolders()->AddFontFolder(folder);
        frmAdvanced->fontFolders()->bApplyClick();
        QCOMPARE(FontServices::addedFontFiles().size(), 1);
        TerminationSignals handler(&main);
        ::raise(SIGTERM);
        QTRY_VERIFY(!main.isVisible());
    }
    QVERIFY(!frmAdvanced);
    QVERIFY(FontServices::addedFontFiles().isEmpty());
}

TYPOVEX_TEST_MAIN(tst_FontFolders)

#include "tst_fontfolders.moc"
