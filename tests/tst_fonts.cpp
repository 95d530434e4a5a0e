#include "fonts/FontCheckList.h"
#include "fonts/FontListDelegate.h"
#include "fonts/FontSelection.h"
#include "fontservices/FontServices.h"
#include "fontservices/ScriptSample.h"
#include "ui/TriStateCheckBox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <QVBoxLayout>

#include <fontconfig/fontconfig.h>

namespace {

// A family's regular face and its characters as fontconfig matches and reads them, apart from
// the program's own face lookup and character map reading.
struct FcFace
{
    FaceFile file;
    FcCharSet* charset = nullptr;
    FcFace(const QString& family)
    {
        FcPattern* pattern =
            FcNameParse(reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        FcChar8* name = nullptr;
        FcChar8* matched = nullptr;
        if (match && FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch &&
            family.compare(QString::fromUtf8(reinterpret_cast<const char*>(matched)),
                           Qt::CaseInsensitive) == 0 &&
            FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch) {
            file.file = QByteArray(reinterpret_cast<const char*>(name));
            FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
            FcCharSet* set = nullptr;
            if (FcPatternGetCharSet(match, FC_CHARSET, 0, &set) == FcResultMatch)
                charset = FcCharSetCopy(set);
        }
        if (match)
            FcPatternDestroy(match);
    }
    ~FcFace()
    {
        if (charset)
            FcCharSetDestroy(charset);
    }
    FcFace(const FcFace&) = delete;
    FcFace& operator=(const FcFace&) = delete;

    bool hasAll(const QString& text, bool skipSpaces) const
    {
        for (char32_t c : text.toUcs4())
            if (!(skipSpaces && QChar::isSpace(c)) && !FcCharSetHasChar(charset, c))
                return false;
        return true;
    }
};

// The rightmost column of a row image that holds ink (differs from the row's last column).
int inkRight(const QImage& row)
{
    const QRgb background = row.pixel(row.width() - 1, row.height() / 2);
    for (int x = row.width() - 1; x >= 0; --x)
        for (int y = 0; y < row.height(); ++y)
            if (row.pixel(x, y) != background)
                return x;
    return -1;
}

const QString dejaVuDir = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

// A copy of a DejaVu Sans file whose names read "Typovex Tst" instead of "DejaVu Sans" (same
// length, so no table moves), optionally with a taller OS/2 ascent: a family nobody installed.
QString renamedCopy(const QString& source, const QString& target, int winAscent = -1)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = in.readAll();
    const QString from = QStringLiteral("DejaVu Sans");
    const QString to = QStringLiteral("Typovex Tst");
    data.replace(from.toLatin1(), to.toLatin1());
    QByteArray from16, to16;
    for (QChar c : from)
        from16.append('\0').append(c.toLatin1());
    for (QChar c : to)
        to16.append('\0').append(c.toLatin1());
    data.replace(from16, to16);
    if (winAscent >= 0) {
        const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
        const int tables = qFromBigEndian<quint16>(bytes + 4);
        for (int i = 0; i < tables; ++i) {
            const uchar* record = bytes + 12 + 16 * i;
            if (memcmp(record, "OS/2", 4) == 0) {
                const quint32 offset = qFromBigEndian<quint32>(record + 8);
                qToBigEndian<quint16>(winAscent,
                                      reinterpret_cast<uchar*>(data.data()) + offset + 74);
            }
            if (memcmp(record, "hhea", 4) == 0) {
                const quint32 offset = qFromBigEndian<quint32>(record + 8);
                qToBigEndian<qint16>(winAscent, reinterpret_cast<uchar*>(data.data()) + offset + 4);
            }
        }
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size())
        return {};
    return target;
}

// The Fonts tab's widgets, built here as the advanced window holds them.
struct FontsTab
{
    QWidget window;
    TriStateCheckBox* cbAllFonts = new TriStateCheckBox(&window);
    QCheckBox* cbUseInstalled = new QCheckBox(&window);
    QLabel* lblFontName = new QLabel(&window);
    QToolButton* cbBold = new QToolButton(&window);
    QToolButton* cbItalic = new QToolButton(&window);
    QToolButton* cbUnderline = new QToolButton(&window);
    QToolButton* cbStrikeout = new QToolButton(&window);
    FontCheckList* clbFonts = new FontCheckList(&window);
    int printButtonUpdates = 0;
    std::unique_ptr<FontSelection> selection;

    FontsTab()
    {
        cbAllFonts->setObjectName(QStringLiteral("cbAllFonts"));
        cbUseInstalled->setObjectName(QStringLiteral("cbUseInstalled"));
        lblFontName->setObjectName(QStringLiteral("lblFontName"));
        clbFonts->setObjectName(QStringLiteral("clbFonts"));
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w :
             std::initializer_list<QWidget*>{cbAllFonts, cbUseInstalled, lblFontName, cbBold,
                                             cbItalic, cbUnderline, cbStrikeout, clbFonts})
            layout->addWidget(w);
        for (QToolButton* b : {cbBold, cbItalic, cbUnderline, cbStrikeout})
            b->setCheckable(true);
        cbAllFonts->setCheckState(Qt::Checked);
        cbUseInstalled->setChecked(true);
        clbFonts->setFixedSize(354, 180);
        selection = std::make_unique<FontSelection>(
            FontSelection::Widgets{clbFonts, cbAllFonts, cbUseInstalled, lblFontName, cbBold,
                                   cbItalic, cbUnderline, cbStrikeout},
            [this] { ++printButtonUpdates; });
    }

    // Entries named "A", "B", ... with the given ticks ('1' ticked, '0' not).
    void setTicks(const QString& ticks)
    {
        clbFonts->fill({});
        for (int i = 0; i < ticks.size(); ++i)
            clbFonts->addEntry(QString(QChar('A' + i)), ticks.at(i) == QLatin1Char('1'));
    }
    QString ticks() const
    {
        QString result;
        for (int i = 0; i < clbFonts->count(); ++i)
            result += clbFonts->isChecked(i) ? QLatin1Char('1') : QLatin1Char('0');
        return result;
    }
};

} // namespace

class tst_Fonts : public QObject
{
    Q_OBJECT
private slots:
    void init() { SelectionSyncBusy = false; }

    void familyListHasEachFamilyOnceDefaultIncludedSortedWithoutCase();
    void familyListIsDroppedAndRebuiltAfterChangeNotice();
    void familyListNamesFamiliesNotFoundries();
    void addAndRemoveFontFileSendOneNoticeEach();
    void nonFontFileIsRefusedWithoutNotice();
    void fullNameOfAddedFileSelectsItsOwnFace();
    void fontForMissingFaceFallsBackWithoutError();

    void quickLineHeightEqualsQtMetrics_data();
    void quickLineHeightEqualsQtMetrics();
    void addedFileHeightIsReadFromItsTablesAndEqualsQt_data();
    void addedFileHeightIsReadFromItsTablesAndEqualsQt();
    void uncertainAddedFaceIsLeftToQt_data();
    void uncertainAddedFaceIsLeftToQt();

    void entriesAreInsertedInCaseInsensitiveOrderWithDuplicates();
    void removeFirstRemovesOnlyTheFirstEqualName();
    void heightsAreMeasuredOnceWhenEntriesAreAdded();

    void recomputeSetsAllFontsFromTicks_data();
    void recomputeSetsAllFontsFromTicks();
    void selectionCommandsSetTicksAndBoxes_data();
    void selectionCommandsSetTicksAndBoxes();
    void clickingGreyAllFontsTicksEverything();
    void busyFlagStopsNestedHandlers();
    void useInstalledTouchesInstalledEntriesOnly();
    void clickOnTickBoxTogglesAndRecomputesAllFonts();
    void pointerNamesEntryAndEmptiesBelowLast();
    void popupMenuHasSixEntriesAndHandsOnTheFontName();

    void eachFaceShowsWhatItsOwnCharactersDraw_data();
    void eachFaceShowsWhatItsOwnCharactersDraw();
};

void tst_Fonts::familyListHasEachFamilyOnceDefaultIncludedSortedWithoutCase()
{
    const QStringList list = FontServices::familyList();
    QVERIFY(list.contains(QStringLiteral("Default")));
    QVERIFY(list.contains(QStringLiteral("DejaVu Sans")));
    for (qsizetype i = 1; i < list.size(); ++i)
        QVERIFY2(list.at(i - 1).compare(list.at(i), Qt::CaseInsensitive) < 0,
                 qPrintable(list.at(i)));
}

void tst_Fonts::familyListNamesFamiliesNotFoundries()
{
    // Independently of Qt: each face's family as fontconfig names it first.
    QProcess fcList;
    fcList.start(QStringLiteral("fc-list"),
                 {QStringLiteral("--format"), QStringLiteral("%{family[0]}\\n")});
    QVERIFY(fcList.waitForFinished(30000));
    const QStringList families =
        QString::fromUtf8(fcList.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!families.isEmpty());
    const QStringList list = FontServices::familyList();
    for (const QString& family : families)
        QVERIFY2(list.count(family) == 1, qPrintable(family));
    // Neither "Name [foundry]" entries nor the name twice (the list is strictly ordered).
    static const QRegularExpression foundryTag(QStringLiteral(" \\[[^]]*\\]$"));
    for (qsizetype i = 0; i < list.size(); ++i) {
        QVERIFY2(!foundryTag.match(list.at(i)).hasMatch(), qPrintable(list.at(i)));
        QVERIFY2(i == 0 || list.at(i - 1).compare(list.at(i), Qt::CaseInsensitive) < 0,
                 qPrintable(list.at(i)));
    }
}

void tst_Fonts::familyListIsDroppedAndRebuiltAfterChangeNotice()
{
    QTemporaryDir dir;
    const QString file = renamedCopy(dejaVuDir + "DejaVuSans.ttf", dir.filePath("renamed.ttf"));
    QVERIFY(!file.isEmpty());
    QVERIFY(!FontServices::familyList().contains(QStringLiteral("Typovex Tst")));
    QVERIFY(FontServices::addFontFile(file));
    QVERIFY(FontServices::familyList().contains(QStringLiteral("Typovex Tst")));
    FontServices::removeFontFile(file);
    QVERIFY(!FontServices::familyList().contains(QStringLiteral("Typovex Tst")));
}

void tst_Fonts::addAndRemoveFontFileSendOneNoticeEach()
{
    QTemporaryDir dir;
    const QString first = renamedCopy(dejaVuDir + "DejaVuSans.ttf", dir.filePath("a.ttf"));
    const QString second = renamedCopy(dejaVuDir + "DejaVuSans-Bold.ttf", dir.filePath("b.ttf"));
    QSignalSpy notices(FontServices::notifier(), &FontServices::fontsChanged);
    QVERIFY(FontServices::addFontFile(first));
    QCOMPARE(notices.count(), 1);
    QVERIFY(FontServices::addFontFile(second));
    QCOMPARE(notices.count(), 2);
    QCOMPARE(FontServices::addedFontFiles(), (QStringList{first, second}));
    FontServices::removeFontFile(first);
    QCOMPARE(notices.count(), 3);
    FontServices::removeFontFile(second);
    QCOMPARE(notices.count(), 4);
    QVERIFY(FontServices::addedFontFiles().isEmpty());
    FontServices::removeFontFile(second); // no longer added: nothing to remove, no notice
    QCOMPARE(notices.count(), 4);
}

void tst_Fonts::nonFontFileIsRefusedWithoutNotice()
{
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.ttf"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a font at all");
    junk.close();
    QSignalSpy notices(FontServices::notifier(), &FontServices::fontsChanged);
    QVERIFY(!FontServices::addFontFile(junk.fileName()));
    QCOMPARE(notices.count(), 0);
    QVERIFY(FontServices::addedFontFiles().isEmpty());
}

void tst_Fonts::fullNameOfAddedFileSelectsItsOwnFace()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("DejaVuSans-BoldOblique.ttf");
    QVERIFY(QFile::copy(dejaVuDir + "DejaVuSans-BoldOblique.ttf", copy));
    const QString renamed =
        renamedCopy(dejaVuDir + "DejaVuSans-BoldOblique.ttf", dir.filePath("renamed.ttf"));
    QVERIFY(FontServices::addFontFile(copy));
    QVERIFY(FontServices::addFontFile(renamed));

    for (const QString& name :
         {QStringLiteral("DejaVu Sans Bold Oblique"), QStringLiteral("typovex tst bold oblique")}) {
        const QFontInfo info(FontServices::fontFor(name, 0, false, false, false, false));
        QCOMPARE(info.styleName(), QStringLiteral("Bold Oblique"));
        QVERIFY(info.family().startsWith(name.left(6), Qt::CaseInsensitive));
    }
    FontServices::removeFontFile(copy);
    FontServices::removeFontFile(renamed);
    // Removed: the name is no face of its own any more.
    QVERIFY(
        QFontInfo(FontServices::fontFor("Typovex Tst Bold Oblique", 0, false, false, false, false))
            .family() != QStringLiteral("Typovex Tst"));
}

void tst_Fonts::fontForMissingFaceFallsBackWithoutError()
{
    const QFont font =
        FontServices::fontFor(QStringLiteral("No Such Face 4711"), 14, true, true, true, true);
    QVERIFY(!QFontInfo(font).family().isEmpty());
    QCOMPARE(font.pointSize(), 14);
    QVERIFY(font.bold() && font.italic() && font.underline() && font.strikeOut());
    QCOMPARE(
        FontServices::fontFor(QStringLiteral("Default"), 0, false, false, false, false).family(),
        QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    QCOMPARE(FontServices::fontFor(QStringLiteral("DejaVu Sans"), 0, false, false, false, false)
                 .pointSizeF(),
             FontServices::defaultPointSize());
    QCOMPARE(FontServices::pixelHeight(12, 96), 16);
    QCOMPARE(FontServices::pixelHeight(9, 96), 12);
    QCOMPARE(FontServices::pixelHeight(10, 96), 13); // 13.33 rounds down
    QCOMPARE(FontServices::pixelHeight(11, 96), 15); // 14.67 rounds up
}

void tst_Fonts::quickLineHeightEqualsQtMetrics_data()
{
    QTest::addColumn<QString>("face");
    for (const char* face : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Liberation Sans",
                             "Liberation Serif", "Liberation Mono", "Default", "No Such Face 4711"})
        QTest::newRow(face) << QString::fromLatin1(face);
}

void tst_Fonts::quickLineHeightEqualsQtMetrics()
{
    QFETCH(QString, face);
    for (int style = 0; style < 4; ++style) {
        const bool bold = style & 1;
        const bool italic = style & 2;
        const int expected =
            QFontMetrics(FontServices::fontFor(face, 0, bold, italic, false, false)).height();
        QCOMPARE(FontServices::lineHeight(face, bold, italic), expected);
    }
}

void tst_Fonts::addedFileHeightIsReadFromItsTablesAndEqualsQt_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("entry");
    QTest::newRow("family of a new file") << "DejaVuSans.ttf" << true << "Typovex Tst";
    QTest::newRow("bold face by full name") << "DejaVuSans-Bold.ttf" << true << "Typovex Tst Bold";
    QTest::newRow("oblique face by full name")
        << "DejaVuSans-Oblique.ttf" << true << "Typovex Tst Oblique";
    QTest::newRow("light face by full name")
        << "DejaVuSans-ExtraLight.ttf" << true << "Typovex Tst ExtraLight";
    QTest::newRow("subfamily face by full name")
        << "DejaVuSansCondensed-BoldOblique.ttf" << true << "Typovex Tst Condensed Bold Oblique";
    QTest::newRow("copy of an installed face")
        << "DejaVuSans-Bold.ttf" << false << "DejaVu Sans Bold";
}

void tst_Fonts::addedFileHeightIsReadFromItsTablesAndEqualsQt()
{
    QFETCH(QString, source);
    QFETCH(bool, rename);
    QFETCH(QString, entry);
    QTemporaryDir dir;
    const QString file = dir.filePath(source);
    QVERIFY(rename ? !renamedCopy(dejaVuDir + source, file).isEmpty()
                   : QFile::copy(dejaVuDir + source, file));
    QVERIFY(FontServices::addFontFile(file));
    for (int style = 0; style < 4; ++style) {
        const bool bold = style & 1;
        const bool italic = style & 2;
        const int qt =
            QFontMetrics(FontServices::fontFor(entry, 0, bold, italic, false, false)).height();
        const int quick = FontServices::quickLineHeight(entry, bold, italic);
        // The plain style never needs Qt; any style answered must be Qt's answer.
        if (style == 0)
            QVERIFY2(quick >= 0, qPrintable(entry));
        if (quick >= 0)
            QCOMPARE(quick, qt);
        QCOMPARE(FontServices::lineHeight(entry, bold, italic), qt);
    }
    FontServices::removeFontFile(file);
}

void tst_Fonts::uncertainAddedFaceIsLeftToQt_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("secondAscent"); // a second copy with this ascent; none when negative
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("same face in two files with other metrics")
        << "DejaVuSans-Bold.ttf" << 2900 << "Typovex Tst Bold" << false << false;
    QTest::newRow("bold asked of a face of normal weight")
        << "DejaVuSans-Oblique.ttf" << -1 << "Typovex Tst Oblique" << true << false;
    QTest::newRow("slant asked of an upright face")
        << "DejaVuSans-Bold.ttf" << -1 << "Typovex Tst Bold" << false << true;
}

void tst_Fonts::uncertainAddedFaceIsLeftToQt()
{
    QFETCH(QString, source);
    QFETCH(int, secondAscent);
    QFETCH(QString, entry);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QTemporaryDir dir;
    QStringList files{renamedCopy(dejaVuDir + source, dir.filePath("first.ttf"))};
    if (secondAscent >= 0)
        files.append(renamedCopy(dejaVuDir + source, dir.filePath("second.ttf"), secondAscent));
    for (const QString& file : std::as_const(files))
        QVERIFY(FontServices::addFontFile(file));

    QCOMPARE(FontServices::quickLineHeight(entry, bold, italic), -1);
    QCOMPARE(FontServices::lineHeight(entry, bold, italic),
             QFontMetrics(FontServices::fontFor(entry, 0, bold, italic, false, false)).height());
    // Without the style asked for, a single file's own face is answered from its tables.
    if (secondAscent < 0)
        QVERIFY(FontServices::quickLineHeight(entry, false, false) >= 0);
    for (const QString& file : std::as_const(files))
        FontServices::removeFontFile(file);
}

void tst_Fonts::entriesAreInsertedInCaseInsensitiveOrderWithDuplicates()
{
    FontCheckList list;
    list.fill({QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("Gamma")});
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.name(0), QStringLiteral("Alpha"));
    QCOMPARE(list.name(2), QStringLiteral("Gamma"));
    QVERIFY(!list.isChecked(0) && !list.isChecked(1) && !list.isChecked(2));

    QCOMPARE(list.addEntry(QStringLiteral("BETA"), true), 2); // after the equal name already there
    QCOMPARE(list.addEntry(QStringLiteral("aardvark"), false), 0);
    QCOMPARE(list.addEntry(QStringLiteral("zulu"), true), 5);
    QCOMPARE(list.name(1), QStringLiteral("Alpha"));
    QCOMPARE(list.name(2), QStringLiteral("beta"));
    QCOMPARE(list.name(3), QStringLiteral("BETA"));
    QVERIFY(!list.isChecked(2));
    QVERIFY(list.isChecked(3));
    QVERIFY(list.isChecked(5));
}

void tst_Fonts::removeFirstRemovesOnlyTheFirstEqualName()
{
    FontCheckList list;
    list.fill({QStringLiteral("Beta"), QStringLiteral("Alpha")});
    list.addEntry(QStringLiteral("beta"), true);
    QVERIFY(list.removeFirst(QStringLiteral("BETA")));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.name(1), QStringLiteral("beta"));
    QVERIFY(list.isChecked(1));
    QVERIFY(!list.removeFirst(QStringLiteral("Gamma")));
    QCOMPARE(list.count(), 2);
}

void tst_Fonts::heightsAreMeasuredOnceWhenEntriesAreAdded()
{
    // Two faces of one family, the bold one with a much taller ascent, so the style shows in the
    // height.
    QTemporaryDir dir;
    const QString regular = renamedCopy(dejaVuDir + "DejaVuSans.ttf", dir.filePath("r.ttf"));
    const QString bold =
        renamedCopy(dejaVuDir + "DejaVuSans-Bold.ttf", dir.filePath("b.ttf"), 4000);
    QVERIFY(FontServices::addFontFile(regular));
    QVERIFY(FontServices::addFontFile(bold));
    const QString family = QStringLiteral("Typovex Tst");
    const int regularHeight =
        QFontMetrics(FontServices::fontFor(family, 0, false, false, false, false)).height() + 2;
    const int boldHeight =
        QFontMetrics(FontServices::fontFor(family, 0, true, false, false, false)).height() + 2;
    QVERIFY(boldHeight > regularHeight);

    FontsTab tab;
    tab.clbFonts->fill({family});
    QCOMPARE(tab.clbFonts->entryHeight(0), regularHeight);
    tab.cbBold->click();
    QVERIFY(tab.clbFonts->entryStyle().bold);
    QCOMPARE(tab.clbFonts->entryHeight(0), regularHeight);
    const int added = tab.clbFonts->addEntry(family, false);
    QCOMPARE(tab.clbFonts->entryHeight(added), boldHeight);
    QCOMPARE(tab.clbFonts->entryHeight(added == 0 ? 1 : 0), regularHeight);
    tab.cbBold->click();
    QCOMPARE(tab.clbFonts->entryHeight(added), boldHeight);

    FontServices::removeFontFile(regular);
    FontServices::removeFontFile(bold);
}

void tst_Fonts::recomputeSetsAllFontsFromTicks_data()
{
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty list is grey") << "" << int(Qt::PartiallyChecked);
    QTest::newRow("all ticked") << "111" << int(Qt::Checked);
    QTest::newRow("none ticked") << "000" << int(Qt::Unchecked);
    QTest::newRow("mixed") << "101" << int(Qt::PartiallyChecked);
    QTest::newRow("one ticked entry") << "1" << int(Qt::Checked);
}

void tst_Fonts::recomputeSetsAllFontsFromTicks()
{
    QFETCH(QString, ticks);
    QFETCH(int, expected);
    for (bool check : {false, true}) {
        FontsTab tab;
        tab.setTicks(ticks);
        check ? tab.selection->clbFontsClickCheck() : tab.selection->clbFontsClick();
        QCOMPARE(int(tab.cbAllFonts->checkState()), expected);
        QCOMPARE(tab.ticks(), ticks); // the nested "All fonts" handler changed nothing
        QCOMPARE(tab.printButtonUpdates, 1);
        QVERIFY(!SelectionSyncBusy);
    }
}

void tst_Fonts::selectionCommandsSetTicksAndBoxes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("expectedTicks");
    QTest::addColumn<int>("expectedBox");
    QTest::addColumn<bool>("expectedUseInstalled"); // cbUseInstalled starts ticked
    const int on = Qt::Checked, off = Qt::Unchecked, grey = Qt::PartiallyChecked;
    QTest::newRow("select all from none") << "select"
                                          << "000" << off << "111" << on << true;
    QTest::newRow("select all from mixed") << "select"
                                           << "010" << grey << "111" << on << true;
    QTest::newRow("unselect all from all") << "unselect"
                                           << "111" << on << "000" << off << false;
    QTest::newRow("unselect all from mixed") << "unselect"
                                             << "100" << grey << "000" << off << false;
    QTest::newRow("toggle all ticked") << "toggle"
                                       << "111" << on << "000" << off << true;
    QTest::newRow("toggle none ticked") << "toggle"
                                        << "000" << off << "111" << on << true;
    QTest::newRow("toggle mixed stays grey") << "toggle"
                                             << "110" << grey << "001" << grey << true;
    QTest::newRow("toggle empty grey") << "toggle"
                                       << "" << grey << "" << grey << true;
}

void tst_Fonts::selectionCommandsSetTicksAndBoxes()
{
    QFETCH(QString, command);
    QFETCH(QString, ticks);
    QFETCH(int, box);
    QFETCH(QString, expectedTicks);
    QFETCH(int, expectedBox);
    QFETCH(bool, expectedUseInstalled);
    FontsTab tab;
    tab.setTicks(ticks);
    SelectionSyncBusy = true; // set up the start state without running the handlers
    tab.cbAllFonts->setCheckState(Qt::CheckState(box));
    SelectionSyncBusy = false;
    if (command == "select")
        tab.selection->Selectall1Click();
    else if (command == "unselect")
        tab.selection->Unselectall1Click();
    else
        tab.selection->Toggleselection1Click();
    QCOMPARE(tab.ticks(), expectedTicks);
    QCOMPARE(int(tab.cbAllFonts->checkState()), expectedBox);
    QCOMPARE(tab.cbUseInstalled->isChecked(), expectedUseInstalled);
    QCOMPARE(tab.printButtonUpdates, 1);
    QVERIFY(!SelectionSyncBusy);
}

void tst_Fonts::clickingGreyAllFontsTicksEverything()
{
    FontsTab tab;
    tab.setTicks("010");
    tab.selection->clbFontsClick();
    QCOMPARE(tab.cbAllFonts->checkState(), Qt::PartiallyChecked);
    tab.printButtonUpdates = 0;
    tab.cbAllFonts->click();
    QCOMPARE(tab.cbAllFonts->checkState(), Qt::Checked);
    QCOMPARE(tab.ticks(), QStringLiteral("111"));
    QCOMPARE(tab.printButtonUpdates, 1);
    tab.cbAllFonts->click();
    QCOMPARE(tab.ticks(), QStringLiteral("000"));

    // Entering the advanced mode with a grey box clears every tick.
    tab.setTicks("011");
    tab.selection->clbFontsClick();
    tab.selection->cbAllFontsClick();
    QCOMPARE(tab.ticks(), QStringLiteral("000"));
    QCOMPARE(tab.cbAllFonts->checkState(), Qt::Unchecked);
}

void tst_Fonts::busyFlagStopsNestedHandlers()
{
    FontsTab tab;
    tab.setTicks("01");
    SelectionSyncBusy = true;
    tab.cbAllFonts->click();
    tab.cbUseInstalled->click();
    tab.selection->cbAllFontsClick();
    tab.selection->cbUseInstalledClick();
    QCOMPARE(tab.ticks(), QStringLiteral("01"));
    QCOMPARE(tab.printButtonUpdates, 0);
    SelectionSyncBusy = false;

    // Unselect all changes both boxes from code; their handlers must not run a second command.
    tab.selection->Selectall1Click();
    QCOMPARE(tab.printButtonUpdates, 1);
    tab.selection->Unselectall1Click();
    QCOMPARE(tab.printButtonUpdates, 2);
    QCOMPARE(tab.ticks(), QStringLiteral("00"));
}

void tst_Fonts::useInstalledTouchesInstalledEntriesOnly()
{
    FontsTab tab;
    tab.clbFonts->fill({});
    tab.clbFonts->addEntry(QStringLiteral("dejavu sans"), true);
    tab.clbFonts->addEntry(QStringLiteral("Default"), true);
    tab.clbFonts->addEntry(QStringLiteral("Not Installed 4711"), true);
    tab.cbUseInstalled->click(); // now clear
    QCOMPARE(tab.ticks(), QStringLiteral("001"));
    QCOMPARE(tab.cbAllFonts->checkState(), Qt::PartiallyChecked);
    QCOMPARE(tab.printButtonUpdates, 1);
    QVERIFY(!SelectionSyncBusy);
    tab.clbFonts->setChecked(2, false);
    tab.cbUseInstalled->click(); // ticked again
    QCOMPARE(tab.ticks(), QStringLiteral("110"));
}

void tst_Fonts::clickOnTickBoxTogglesAndRecomputesAllFonts()
{
    FontsTab tab;
    tab.clbFonts->fill({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Serif")});
    tab.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab.window));
    const QRect row = tab.clbFonts->visualRect(tab.clbFonts->model()->index(0, 0));
    QTest::mouseClick(tab.clbFonts->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() + 8, row.center().y()));
    QCOMPARE(tab.ticks(), QStringLiteral("10"));
    QCOMPARE(tab.cbAllFonts->checkState(), Qt::PartiallyChecked);
    QCOMPARE(tab.printButtonUpdates, 1);
    // A click on the name selects the entry but leaves its tick; "All fonts" is recomputed anyway.
    QTest::mouseClick(tab.clbFonts->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() + 80, row.center().y()));
    QCOMPARE(tab.ticks(), QStringLiteral("10"));
    QCOMPARE(tab.printButtonUpdates, 2);
}

void tst_Fonts::pointerNamesEntryAndEmptiesBelowLast()
{
    FontsTab tab;
    tab.clbFonts->fill({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Serif")});
    tab.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab.window));
    const QRect second = tab.clbFonts->visualRect(tab.clbFonts->model()->index(1, 0));
    tab.selection->clbFontsMouseMove(second.left() + 40, second.center().y());
    QCOMPARE(tab.lblFontName->text(), QStringLiteral("Liberation Serif"));
    QCOMPARE(tab.clbFonts->toolTip(), QStringLiteral("Liberation Serif"));
    tab.selection->clbFontsMouseMove(second.left() + 40, second.bottom() + 20);
    QCOMPARE(tab.lblFontName->text(), QString());
    QCOMPARE(tab.clbFonts->toolTip(), QString());

    // Real pointer movement reaches the handler too.
    const QRect first = tab.clbFonts->visualRect(tab.clbFonts->model()->index(0, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(first.center()),
                     tab.clbFonts->viewport()->mapToGlobal(first.center()), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tab.clbFonts->viewport(), &move);
    QCOMPARE(tab.lblFontName->text(), QStringLiteral("DejaVu Sans"));
}

void tst_Fonts::popupMenuHasSixEntriesAndHandsOnTheFontName()
{
    FontsTab tab;
    const QList<QAction*> actions = tab.selection->popupMenu()->actions();
    QStringList texts;
    for (QAction* a : actions)
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(texts, (QStringList{"Select all", "Unselect all", "Toggle selection", "-", "Preview",
                                 "Export sample as graphic", "View character set"}));
    QString exported, viewed;
    int previews = 0;
    tab.selection->onPreview = [&] { ++previews; };
    tab.selection->onExport = [&](const QString& face) { exported = face; };
    tab.selection->onViewCharSet = [&](const QString& face) { viewed = face; };
    tab.lblFontName->setText(QStringLiteral("DejaVu Serif"));
    actions.at(4)->trigger();
    actions.at(5)->trigger();
    tab.lblFontName->setText(QString());
    actions.at(6)->trigger();
    QCOMPARE(previews, 1);
    QCOMPARE(exported, QStringLiteral("DejaVu Serif"));
    QCOMPARE(viewed, QString()); // the pointer was below the last entry: an empty face name
    tab.setTicks("00");
    actions.at(0)->trigger();
    QCOMPARE(tab.ticks(), QStringLiteral("11"));
}

void tst_Fonts::eachFaceShowsWhatItsOwnCharactersDraw_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("message"); // expanded; empty: "This is <family>"
    QTest::addColumn<QString>("shows");   // "message", a script's name, or "run"
    QTest::newRow("a Latin face prints the message") << "DejaVu Sans"
                                                     << ""
                                                     << "message";
    QTest::newRow("line breaks and spaces are not asked of the face") << "DejaVu Sans"
                                                                      << "two\n lines\t "
                                                                      << "message";
    QTest::newRow("Arabic face, joined") << "Noto Sans Arabic"
                                         << ""
                                         << "Arabic";
    QTest::newRow("Devanagari face, with conjuncts") << "Noto Sans Devanagari"
                                                     << ""
                                                     << "Devanagari";
    QTest::newRow("Thai face") << "Noto Sans Thai"
                               << ""
                               << "Thai";
    QTest::newRow("Tibetan face, stacked") << "Noto Serif Tibetan"
                                           << ""
                                           << "Tibetan";
    // The CJK faces hold Latin letters too; a Syriac letter in the message they lack.
    QTest::newRow("CJK face: the script it holds most of")
        << "Noto Sans CJK JP" << QString::fromUtf8("This is \u0710") << "Han";
    QTest::newRow("symbol face: its first characters") << "OpenSymbol"
                                                       << ""
                                                       << "run";
    QTest::newRow("dingbat face") << "Noto Sans Symbols2"
                                  << ""
                                  << "run";
    QTest::newRow("historic script: a run of its letters") << "Noto Sans Runic"
                                                           << ""
                                                           << "run";
}

void tst_Fonts::eachFaceShowsWhatItsOwnCharactersDraw()
{
    QFETCH(QString, family);
    QFETCH(QString, message);
    QFETCH(QString, shows);
    if (message.isEmpty())
        message = QStringLiteral("This is ") + family;
    const FcFace face(family);
    if (!face.file.isValid() || !face.charset)
        QSKIP(qPrintable(family + QStringLiteral(" is not installed")));

    ScriptSample::clearCache();
    const QString sample = ScriptSample::sampleFor(face.file, message);
    QVERIFY2(face.hasAll(sample, true), qPrintable(sample));
    QCOMPARE(face.hasAll(message, true), shows == QLatin1String("message"));
    QStringList lines;
    for (int i = 0; i < ScriptSample::scriptCount(); ++i) {
        const ScriptSample::Script s = ScriptSample::script(i);
        lines.append(QString::fromUtf16(s.line));
        if (shows == QLatin1String(s.name))
            QCOMPARE(sample, lines.last());
    }
    if (shows == QLatin1String("message")) {
        QCOMPARE(sample, message);
    } else if (shows == QLatin1String("run")) {
        // No known line fits the face; the run is its own characters in rising code order.
        for (const QString& line : lines)
            QVERIFY2(!face.hasAll(line, false), qPrintable(line));
        const QList<uint> codes = sample.toUcs4();
        QVERIFY(codes.size() >= 4 && codes.size() <= 16);
        QVERIFY(std::is_sorted(codes.cbegin(), codes.cend()));
        QVERIFY(!sample.contains(QLatin1Char(' ')));
    }
    // Asked again, the same choice, from what is kept of the face.
    QCOMPARE(ScriptSample::sampleFor(face.file, message), sample);

    // The font list draws a name its face cannot show in the list's own font, the sample after
    // it still in the face. Widths from Qt's metrics, the text's start from a Latin row.
    FontsTab tab;
    const QString reference = QStringLiteral("DejaVu Sans");
    tab.clbFonts->fill({family, reference});
    tab.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab.window));
    const auto* delegate = qobject_cast<FontListDelegate*>(tab.clbFonts->itemDelegate());
    QVERIFY(delegate);
    const bool ownName = face.hasAll(family, true);
    QCOMPARE(delegate->drawsOwnName(family), ownName);
    const auto rowImage = [&](const QString& name) {
        const QRect rect =
            tab.clbFonts->visualRect(tab.clbFonts->viewIndexOf(tab.clbFonts->indexOf(name)));
        return tab.clbFonts->viewport()->grab(rect).toImage();
    };
    const QString digits = QStringLiteral(" 0123");
    // The sample after the name: the digits, or the face's own characters where it lacks them;
    // never a character the face does not have.
    const QString after = delegate->entrySample(family);
    QVERIFY2(face.hasAll(after, true), qPrintable(after));
    QCOMPARE(after == digits, face.hasAll(digits, true));
    const QFont referenceFont = delegate->entryFont(reference);
    const int start = inkRight(rowImage(reference)) + 1 -
                      QFontMetrics(referenceFont).horizontalAdvance(reference + digits);
    const QFont entry = delegate->entryFont(family);
    const int drawn = inkRight(rowImage(family)) + 1 - start;
    const int inListFont = QFontMetrics(tab.clbFonts->font()).horizontalAdvance(family) +
                           QFontMetrics(entry).horizontalAdvance(after);
    const int inFace = QFontMetrics(entry).horizontalAdvance(family + after);
    const int expected = ownName ? inFace : inListFont;
    QVERIFY2(qAbs(drawn - expected) <= 4,
             qPrintable(QStringLiteral("%1 drawn, %2 expected (%3 all in the face)")
                            .arg(drawn)
                            .arg(expected)
                            .arg(inFace)));
}

QTEST_MAIN(tst_Fonts)
#include "tst_fonts.moc"
