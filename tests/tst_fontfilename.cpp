#include "FontFixtures.h"
#include "fontservices/FontFileName.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace FontFixtures;

// Reading the full font name from font files, sound and damaged. Every damaged file gives the
// empty name or the name as far as it goes, without reading past its end.
class tst_FontFileName : public QObject
{
    Q_OBJECT
private slots:
    void readsFullNameOfRealFonts_data();
    void readsFullNameOfRealFonts();
    void damagedFileGivesEmptyOrPartialName_data();
    void damagedFileGivesEmptyOrPartialName();
    void directoryGivesEmptyName();
    void fileWithoutReadPermissionGivesEmptyName();
    void largeSparseFileEndsQuickly();
    void everyCutOfAFileGivesAPrefixOfItsName();

private:
    QTemporaryDir m_dir;
};

void tst_FontFileName::readsFullNameOfRealFonts_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    const QByteArray sans = readAll(dejaVuSans);
    const QByteArray bold = readAll(dejaVuSansBold);
    QTest::newRow("regular: full name equals the family") << sans << "DejaVu Sans";
    QTest::newRow("bold") << bold << "DejaVu Sans Bold";
    QTest::newRow("renamed copy") << renamed(bold, QStringLiteral("Typovex Abc"))
                                  << "Typovex Abc Bold";
    QTest::newRow("collection: its first font") << collectionOf(bold) << "DejaVu Sans Bold";
    QTest::newRow("no platform 3 full name record") << withoutFullName(sans) << "";
}

void tst_FontFileName::readsFullNameOfRealFonts()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    QVERIFY(!data.isEmpty());
    const QString path = m_dir.filePath(QStringLiteral("font.ttf"));
    QVERIFY(writeAll(path, data));
    QCOMPARE(ReadFullFontName(path), expected);
}

void tst_FontFileName::damagedFileGivesEmptyOrPartialName_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    const QByteArray abc = utf16be(QStringLiteral("Abc"));
    const QList<NameRecord> good{{3, 4, 6, 0}};
    QTest::newRow("sound synthetic file") << synthetic(good, abc) << "Abc";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("11 bytes") << synthetic(good, abc).left(11) << "";
    QTest::newRow("directory never names name") << synthetic({}, {}, -1, -1, false) << "";
    QTest::newRow("name offset past the end") << synthetic(good, abc, -1, 1 << 30) << "";
    QTest::newRow("name header cut short") << synthetic(good, abc).left(12 + 32 + 4) << "";
    // The count is not consulted: the record after the counted ones is still found.
    QTest::newRow("record count says none")
        << synthetic({{1, 4, 6, 0}, {3, 4, 6, 0}}, abc, 0) << "Abc";
    QTest::newRow("record count says more than there are")
        << synthetic({{1, 1, 2, 0}}, abc, 500) << "";
    QTest::newRow("string offset past the end") << synthetic({{3, 4, 6, 4000}}, abc) << "";
    QTest::newRow("string runs past the end") << synthetic({{3, 4, 40, 0}}, abc) << "Abc";
    QTest::newRow("odd length drops the half unit") << synthetic({{3, 4, 5, 0}}, abc) << "Ab";
    QTest::newRow("first platform 3 name 4 record wins")
        << synthetic({{3, 1, 2, 0}, {3, 4, 2, 2}, {3, 4, 6, 0}}, abc) << "b";
    QTest::newRow("high byte lost beyond Latin-1")
        << synthetic(good, utf16be(QStringLiteral("A\u0142c"))) << QStringLiteral("A\u0042c");
    QTest::newRow("NUL unit ends the name") << synthetic(good, QByteArray("\0A\0\0\0C", 6)) << "A";
    const QString longName(300, QLatin1Char('x'));
    QTest::newRow("length over 256 bytes keeps 128 characters")
        << synthetic({{3, 4, 600, 0}}, utf16be(longName)) << QString(128, QLatin1Char('x'));
}

void tst_FontFileName::damagedFileGivesEmptyOrPartialName()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath(QStringLiteral("damaged.ttf"));
    QVERIFY(writeAll(path, data));
    QCOMPARE(ReadFullFontName(path), expected);
}

void tst_FontFileName::directoryGivesEmptyName()
{
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.ttf")));
    QCOMPARE(ReadFullFontName(m_dir.filePath(QStringLiteral("folder.ttf"))), QString());
}

void tst_FontFileName::fileWithoutReadPermissionGivesEmptyName()
{
    if (geteuid() == 0)
        QSKIP("root reads files without read permission");
    const QString path = m_dir.filePath(QStringLiteral("locked.ttf"));
    QVERIFY(writeAll(path, readAll(dejaVuSans)));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QCOMPARE(ReadFullFontName(path), QString());
}

void tst_FontFileName::largeSparseFileEndsQuickly()
{
    const QString path = m_dir.filePath(QStringLiteral("sparse.ttf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(qint64(2) << 30));
    file.close();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(ReadFullFontName(path), QString());
    // Zeros all the way: the search stops after the most records a directory can hold.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QFile::remove(path);
}

void tst_FontFileName::everyCutOfAFileGivesAPrefixOfItsName()
{
    // A file cut anywhere: the name is empty or as far as the bytes go, never anything else.
    const QByteArray data =
        synthetic({{1, 1, 2, 0}, {3, 4, 6, 2}}, utf16be(QStringLiteral("zAbc")));
    const QString path = m_dir.filePath(QStringLiteral("cut.ttf"));
    QStringList names;
    for (int size = 0; size <= data.size(); ++size) {
        QVERIFY(writeAll(path, data.left(size)));
        const QString name = ReadFullFontName(path);
        QVERIFY2(QStringLiteral("Abc").startsWith(name), qPrintable(name));
        names.append(name);
    }
    QCOMPARE(names.constLast(), QStringLiteral("Abc"));
    QVERIFY(names.contains(QStringLiteral("A")));
}

QTEST_MAIN(tst_FontFileName)
#include "tst_fontfilename.moc"
