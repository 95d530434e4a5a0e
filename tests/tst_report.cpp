#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PageStore.h"
#include "engine/PrinterList.h"
#include "engine/ReportEngine.h"
#include "engine/ReportPrinter.h"
#include "engine/TextLayout.h"
#include "fontservices/FontServices.h"
#include "report/Report.h"
#include "support/SymbolTestFont.h"
#include "support/TestMain.h"
#include "support/Watchdog.h"
#include "ui/Advanced.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QStringList threeFonts = {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"),
                                QStringLiteral("Liberation Mono")};

QStringList manyFonts(int count)
{
    const QStringList faces = {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"),
                               QStringLiteral("Liberation Mono"), QStringLiteral("Liberation Sans"),
                               QStringLiteral("Liberation Serif")};
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(faces[i % faces.size()]);
    return list;
}

ListingSettings settingsWith(QStringList fonts)
{
    ListingSettings s = ListingSettings::defaults();
    s.PaperSize = 0;
    s.Fonts = std::move(fonts);
    return s;
}

// The texts drawn on one recorded page.
QStringList textsOf(const RecordedPage& page)
{
    QStringList texts;
    for (const PageItem& item : page.items) {
        if (item.kind == PageItem::Kind::Text)
            texts.append(item.text);
    }
    return texts;
}

int framesOf(const RecordedPage& page)
{
    int frames = 0;
    for (const PageItem& item : page.items)
        frames += item.kind == PageItem::Kind::Frame;
    return frames;
}

// Runs the report into a page store the way a preview does, without a window.
std::unique_ptr<PageStore> generate(TfrmReport& host)
{
    host.qrFontRptBeforePrint();
    auto store = std::make_unique<PageStore>(host.qrFontRpt.setup.pageSize());
    ReportEngine::generate(host.qrFontRpt, *store);
    return store;
}

// Few rows per page: a deep top margin leaves room for about five bands.
ListingSettings shortPages(QStringList fonts)
{
    ListingSettings s = settingsWith(std::move(fonts));
    s.Top = QStringLiteral("230");
    return s;
}

} // namespace

class tst_Report : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void expandMessageReplacesPlaceholders_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name") << "This is %f"
                              << "This is Arial";
        QTest::newRow("capitals") << "%F!"
                                  << "ARIAL!";
        QTest::newRow("double percent keeps one") << "%%f"
                                                  << "%Arial";
        QTest::newRow("percent at the end") << "100%"
                                            << "100%";
        QTest::newRow("other letter copied") << "%x and %f"
                                             << "%x and Arial";
        QTest::newRow("twice") << "%f, %f"
                               << "Arial, Arial";
        QTest::newRow("case sensitive pairs only") << "%d%F%f"
                                                   << "%dARIALArial";
        QTest::newRow("line break stays") << "%f\nsecond"
                                          << "Arial\nsecond";
        QTest::newRow("empty") << ""
                               << "";
    }
    void expandMessageReplacesPlaceholders()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(TfrmReport::ExpandMessage(message, QStringLiteral("Arial")), expected);
    }

    void capitalsChangeOnlyAtoZ()
    {
        QCOMPARE(TfrmReport::ExpandMessage(QStringLiteral("%F"), QStringLiteral("Érté 9b")),
                 QStringLiteral("ÉRTé 9B"));
    }

    void characteristicsTextListsStylesInOrder_data()
    {
        QTest::addColumn<int>("styles");
        QTest::addColumn<QString>("expected");
        const char* names[] = {", bold", ", italic", ", underline", ", strikeout"};
        for (int styles = 0; styles < 16; ++styles) {
            QString expected = QStringLiteral("Size 12");
            QByteArray row = "size 12";
            for (int bit = 0; bit < 4; ++bit) {
                if (styles & (1 << bit)) {
                    expected += QLatin1String(names[bit]);
                    row += names[bit];
                }
            }
            QTest::newRow(row.constData()) << styles << expected;
        }
    }
    void characteristicsTextListsStylesInOrder()
    {
        QFETCH(int, styles);
        QFETCH(QString, expected);
        ListingSettings s = settingsWith({});
        s.Bold = styles & 1;
        s.Italic = styles & 2;
        s.Underline = styles & 4;
        s.Strikeout = styles & 8;
        TfrmReport host(s);
        host.qrFontRptBeforePrint();
        QCOMPARE(host.qrlFontInfo->text(), expected);
    }

    void detailLayoutFollowsBandWidth_data()
    {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("side");
        QTest::addColumn<bool>("fontName");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("width");
        // name1 left/width, text1 left/width, name2 left/width, text2 left/width; -1 = hidden
        QTest::addColumn<QList<int>>("expected");
        const QList<int> hidden{-1, -1};
        auto row = [&](const char* name, int paper, int orientation, int units, const char* side,
                       bool fontName, int columns, int w, QList<int> expected) {
            QTest::newRow(name) << paper << orientation << units << QString::fromLatin1(side)
                                << fontName << columns << w << expected;
        };
        row("A4 name one column", 0, 0, 0, "10", true, 0, 718, {4, 222, 228, 486, -1, -1, -1, -1});
        row("A4 name two columns", 0, 0, 0, "10", true, 1, 718,
            {4, 222, 228, 125, 355, 228, 587, 125});
        row("A4 no name one column", 0, 0, 0, "10", false, 0, 718,
            {-1, -1, 4, 710, -1, -1, -1, -1});
        row("A4 no name two columns", 0, 0, 0, "10", false, 1, 718,
            {-1, -1, 4, 349, -1, -1, 355, 349});
        // 215.9 mm less 20 mm is 740.4 units.
        row("Letter", 2, 0, 0, "10", true, 1, 740, {4, 222, 228, 136, 366, 228, 598, 136});
        // 297 mm less 20 mm is 1046.9 units.
        row("A3 portrait", 1, 0, 0, "10", true, 0, 1046, {4, 222, 228, 814, -1, -1, -1, -1});
        row("A4 landscape", 0, 1, 0, "10", false, 1, 1046, {-1, -1, 4, 513, -1, -1, 519, 513});
        // Half an inch each side: 793.7 less 96 units.
        row("inch margins", 0, 0, 1, "0.5", true, 0, 697, {4, 222, 228, 465, -1, -1, -1, -1});
    }
    void detailLayoutFollowsBandWidth()
    {
        QFETCH(int, paper);
        QFETCH(int, orientation);
        QFETCH(int, units);
        QFETCH(QString, side);
        QFETCH(bool, fontName);
        QFETCH(int, columns);
        QFETCH(int, width);
        QFETCH(QList<int>, expected);
        ListingSettings s = settingsWith({});
        s.PaperSize = paper;
        s.Orientation = orientation;
        s.Units = units;
        s.Left = s.Right = side;
        s.FontName = fontName;
        s.Columns = columns;
        TfrmReport host(s);
        host.qrFontRptBeforePrint();
        QCOMPARE(host.qrFontRpt.bandWidth(), width);
        QList<int> actual;
        for (const ReportLabel* label :
             {host.qrlFontName1, host.qrlText1, host.qrlFontName2, host.qrlText2}) {
            if (label->isEnabled())
                actual << label->left() << label->width();
            else
                actual << -1 << -1;
        }
        QCOMPARE(actual, expected);
        for (const ReportLabel* label :
             {host.qrlFontName1, host.qrlText1, host.qrlFontName2, host.qrlText2})
            QCOMPARE(label->top(), 2);
    }

    void marginThatIsNoNumberStaysTenMillimetres()
    {
        ListingSettings s = settingsWith({});
        s.Top = QStringLiteral("abc");
        s.Bottom = QStringLiteral("20");
        s.Left = QStringLiteral("5");
        s.Right = QStringLiteral("15.5");
        TfrmReport host(s);
        host.qrFontRptBeforePrint();
        const PageSetup& setup = host.qrFontRpt.setup;
        QCOMPARE(setup.topMargin(), 38);    // 10 mm
        QCOMPARE(setup.bottomMargin(), 76); // 20 mm
        QCOMPARE(setup.leftMargin(), 19);   // 5 mm
        QCOMPARE(setup.rightMargin(), 59);  // 15.5 mm
    }

    void unsetChoicesGiveLandscapeInchesAndA4()
    {
        ListingSettings s = settingsWith({});
        s.Orientation = -1;
        s.Units = -1;
        s.PaperSize = -1;
        s.Top = s.Bottom = s.Left = s.Right = QStringLiteral("1");
        TfrmReport host(s);
        host.qrFontRptBeforePrint();
        const PageSetup& setup = host.qrFontRpt.setup;
        QCOMPARE(setup.orientation, PageSetup::Orientation::Landscape);
        QCOMPARE(setup.units, PageSetup::Units::Inches);
        QCOMPARE(setup.paper, PageSetup::Paper::A4);
        QCOMPARE(setup.leftMargin(), 96);
        QCOMPARE(setup.pageSize(), QSize(1123, 794));
    }

    void rightJustifiedLabelsKeepTheirRightEdge()
    {
        TfrmReport host(settingsWith({}));
        host.qrFontRptBeforePrint();
        const int W = host.qrFontRpt.bandWidth();
        QCOMPARE(host.qrlFontInfo->right(), W - 8);
        host.qrlFontInfo->setText(QStringLiteral("Size 12, bold, italic, underline"));
        QCOMPARE(host.qrlFontInfo->right(), W - 8);
        QCOMPARE(host.sdPageNo->right(), W - 8);
    }

    void headerIsSuppressedOnTheFirstPageOnly()
    {
        TfrmReport host(shortPages(manyFonts(12)));
        const auto store = generate(host);
        QVERIFY(store->pageCount() >= 2);
        QVERIFY(!textsOf(store->page(0)).contains(QStringLiteral("Windows font list")));
        QVERIFY(textsOf(store->page(0)).contains(QStringLiteral("Typovex")));
        for (int i = 1; i < store->pageCount(); ++i) {
            QVERIFY(textsOf(store->page(i)).contains(QStringLiteral("Windows font list")));
            QVERIFY(textsOf(store->page(i)).contains(QStringLiteral("Size 12")));
            QVERIFY(!textsOf(store->page(i)).contains(QStringLiteral("Typovex")));
        }
    }

    void noHeaderAnywhereWhenDisplayHeaderIsClear()
    {
        ListingSettings s = shortPages(manyFonts(12));
        s.DisplayHeader = false;
        TfrmReport host(s);
        const auto store = generate(host);
        QVERIFY(store->pageCount() >= 2);
        for (int i = 0; i < store->pageCount(); ++i) {
            QVERIFY(!textsOf(store->page(i)).contains(QStringLiteral("Windows font list")));
            QVERIFY(!textsOf(store->page(i)).contains(QStringLiteral("Size 12")));
        }
    }

    void noFooterBandWhenDateAndPageNumberAreClear()
    {
        ListingSettings s = shortPages(manyFonts(12));
        s.DisplayHeader = false;
        s.DateTime = false;
        s.PageNo = false;
        TfrmReport host(s);
        const auto store = generate(host);
        QVERIFY(store->pageCount() >= 2);
        for (int i = 0; i < store->pageCount(); ++i)
            QCOMPARE(framesOf(store->page(i)), 0);

        // With the page number alone, the footer comes back, framed, numbered from 1.
        s.PageNo = true;
        TfrmReport numbered(s);
        const auto pages = generate(numbered);
        for (int i = 0; i < pages->pageCount(); ++i) {
            QCOMPARE(framesOf(pages->page(i)), 1);
            QVERIFY(textsOf(pages->page(i)).contains(QString::number(i + 1)));
        }
    }

    void twoColumnsWithThreeFontsLeaveTheRightHalfEmpty()
    {
        ListingSettings s = settingsWith(threeFonts);
        s.Columns = 1;
        TfrmReport host(s);
        host.qrFontRptBeforePrint();
        QVERIFY(host.qrFontRptNeedData());
        QCOMPARE(host.qrlText1->text(), QStringLiteral("This is DejaVu Sans"));
        QCOMPARE(host.qrlText2->text(), QStringLiteral("This is DejaVu Serif"));
        QVERIFY(host.qrFontRptNeedData());
        QCOMPARE(host.qrlText1->text(), QStringLiteral("This is Liberation Mono"));
        QCOMPARE(host.qrlFontName1->text(), QStringLiteral("Liberation Mono"));
        QCOMPARE(host.qrlText2->text(), QString());
        QCOMPARE(host.qrlFontName2->text(), QString());
        QVERIFY(!host.qrFontRptNeedData());

        TfrmReport run(s);
        const auto store = generate(run);
        QCOMPARE(store->pageCount(), 1);
        const QStringList texts = textsOf(store->page(0));
        QCOMPARE(texts.filter(QStringLiteral("This is ")).size(), 3);
        QCOMPARE(texts.count(QStringLiteral("This is DejaVu Serif")), 1);
    }

    void progressAndCursorFollowTheData()
    {
        TfrmReport host(settingsWith(threeFonts));
        host.qrFontRptBeforePrint();
        QCOMPARE(host.PrintCursor(), 0);
        QCOMPARE(host.PrintList(), threeFonts);
        QVERIFY(host.qrFontRptNeedData());
        QCOMPARE(host.PrintCursor(), 1);
        QCOMPARE(host.qbDetail->height(), host.qrlText1->height() + 4);
        host.qrFontRptAfterPrint();
        QVERIFY(host.PrintList().isEmpty());
    }

    // Each face's sample as placed, and whether its shaped glyphs hold a missing glyph (glyph 0:
    // the face's character map had no glyph for a character).
    void scriptSamplesReplaceOnlyWhatAFaceCannotDraw_data()
    {
        QTest::addColumn<bool>("scriptSamples");
        QTest::addColumn<int>("columns");
        QTest::newRow("option on, one column") << true << 0;
        QTest::newRow("option on, two columns") << true << 1;
        QTest::newRow("option off: the message everywhere") << false << 0;
        QTest::newRow("option off, two columns") << false << 1;
    }

    void scriptSamplesReplaceOnlyWhatAFaceCannotDraw()
    {
        QFETCH(bool, scriptSamples);
        QFETCH(int, columns);
        // Latin faces, and faces of other scripts and of symbols that lack Latin letters.
        const QStringList latin = {QStringLiteral("DejaVu Sans"),
                                   QStringLiteral("Liberation Serif")};
        const QStringList others = {
            QStringLiteral("Noto Sans Arabic"),   QStringLiteral("Noto Sans Devanagari"),
            QStringLiteral("Noto Sans Thai"),     QStringLiteral("Noto Serif Tibetan"),
            QStringLiteral("Noto Sans Symbols2"), QStringLiteral("Noto Sans Runic")};
        for (const QString& f : latin + others) {
            if (!QFontDatabase::families().contains(f))
                QSKIP(qPrintable(f + " is not installed"));
        }
        ListingSettings s = settingsWith(latin + others);
        s.ScriptSamples = scriptSamples;
        s.Columns = columns;
        TfrmReport host(s);
        const auto store = generate(host);
        QHash<QString, QString> shown;
        QHash<QString, bool> missing;
        for (int p = 0; p < store->pageCount(); ++p) {
            for (const PageItem& item : store->page(p).items) {
                // Samples are the texts drawn without borrowed glyphs.
                if (item.kind != PageItem::Kind::Text || item.text.isEmpty() ||
                    !(item.font.styleStrategy() & QFont::NoFontMerging))
                    continue;
                const QString family = item.font.family();
                QVERIFY2(!shown.contains(family), qPrintable(family));
                shown.insert(family, item.text);
                bool lacks = false;
                for (const GlyphRun& run : item.layout->runs)
                    lacks = lacks ||
                            std::find(run.glyphs.begin(), run.glyphs.end(), 0u) != run.glyphs.end();
                missing.insert(family, lacks);
            }
        }
        QCOMPARE(shown.size(), latin.size() + others.size());
        for (const QString& f : latin) {
            QCOMPARE(shown.value(f), TfrmReport::ExpandMessage(s.Message, f));
            QVERIFY2(!missing.value(f), qPrintable(f));
        }
        for (const QString& f : others) {
            // Off, the message as the face draws it: missing glyphs. On, none.
            QCOMPARE(shown.value(f) == TfrmReport::ExpandMessage(s.Message, f), !scriptSamples);
            QVERIFY2(missing.value(f) == !scriptSamples, qPrintable(f + ": " + shown.value(f)));
        }
    }

    // A row in another script embeds its face once: the spaces between its words once brought an
    // 8-bit copy of the face (a second embedded font) beside its composite one. Its text still
    // comes back, the word breaks found in the gaps.
    void scriptRowsEmbedTheirFaceOnce_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("postScript"); // the name the PDF gives the face's font
        QTest::newRow("Latin, spaces kept") << "Liberation Serif"
                                            << "+LiberationSerif ";
        QTest::newRow("Arabic") << "Noto Sans Arabic"
                                << "+NotoSansArabic-Regular ";
        QTest::newRow("Devanagari") << "Noto Sans Devanagari"
                                    << "+NotoSansDevanagari-Regular ";
        QTest::newRow("Georgian") << "Noto Sans Georgian"
                                  << "+NotoSansGeorgian-Regular ";
        QTest::newRow("Tibetan") << "Noto Serif Tibetan"
                                 << "+NotoSerifTibetan-Regular ";
    }
    void scriptRowsEmbedTheirFaceOnce()
    {
        QFETCH(QString, family);
        QFETCH(QString, postScript);
        for (const char* tool : {"pdffonts", "pdftotext"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QLatin1String(tool) + " is not installed"));
        }
        if (!QFontDatabase::families().contains(family))
            QSKIP(qPrintable(family + " is not installed"));
        ListingSettings s = settingsWith({family});
        TfrmReport host(s);
        QString sample;
        const auto store = generate(host);
        for (const PageItem& item : store->page(0).items) {
            if (item.kind == PageItem::Kind::Text && item.font.family() == family)
                sample = item.text;
        }
        const bool latin = family.startsWith(QLatin1String("Liberation"));
        QCOMPARE(sample == TfrmReport::ExpandMessage(s.Message, family), latin);
        QVERIFY2(sample.contains(QLatin1Char(' ')), qPrintable(sample));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("row.pdf"));
        QCOMPARE(host.printToPdf(pdf).status, ReportEngine::PrintResult::Status::Printed);
        auto output = [&](const char* tool, const QStringList& args) {
            QProcess p;
            p.start(QLatin1String(tool), args);
            return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput())
                                            : QString();
        };
        const QString fonts = output("pdffonts", {pdf});
        QCOMPARE(fonts.count(postScript), 1);
        const QString text = output("pdftotext", {pdf, QStringLiteral("-")});
        if (latin)
            QVERIFY2(text.contains(sample), qPrintable(text));
        static const QRegularExpression blanks(QStringLiteral("[\\s\\x{202A}-\\x{202E}]"));
        QVERIFY2(QString(text).remove(blanks).contains(QString(sample).remove(blanks)),
                 qPrintable(text));
    }

    void emptyListMakesNoPage()
    {
        TfrmReport host(settingsWith({}));
        const auto store = generate(host);
        QCOMPARE(store->pageCount(), 0);
        QVERIFY(store->isFinished());
    }

    void wrappedSampleStretchesItsBand()
    {
        ListingSettings s =
            settingsWith({QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif")});
        s.Message = QStringLiteral("%f ").repeated(20);
        s.UseBorders = true;
        TfrmReport host(s);
        const auto store = generate(host);
        QCOMPARE(store->pageCount(), 1);
        QList<QRect> samples;
        for (const PageItem& item : store->page(0).items) {
            if (item.kind == PageItem::Kind::Text &&
                item.text.startsWith(QStringLiteral("DejaVu Sans DejaVu")))
                samples << item.rect;
        }
        QCOMPARE(samples.size(), 1);
        const int line = host.qrlText1->lineHeight();
        QVERIFY2(samples[0].height() >= 2 * line, qPrintable(QString::number(samples[0].height())));
        // The next band starts below the stretched sample.
        for (const PageItem& item : store->page(0).items) {
            if (item.kind == PageItem::Kind::Text &&
                item.text.startsWith(QStringLiteral("DejaVu Serif DejaVu")))
                QVERIFY(item.rect.top() >= samples[0].bottom());
        }
    }

    void firstPageThreePrintsFromPageThree()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        ListingSettings s = shortPages(manyFonts(24));
        s.FirstPage = 3;
        TfrmReport counting(s);
        const int laidOut = generate(counting)->pageCount();
        QVERIFY(laidOut >= 4);

        TfrmReport host(s);
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        const ReportEngine::PrintResult result = host.printToPdf(pdf);
        QCOMPARE(result.status, ReportEngine::PrintResult::Status::Printed);
        QCOMPARE(result.pagesSent, laidOut - 2);
        QProcess text;
        text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        const QStringList pages = out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), laidOut - 2);
        for (int i = 0; i < pages.size(); ++i) {
            const QStringList lines = pages[i].trimmed().split(QLatin1Char('\n'));
            QVERIFY2(lines.last().trimmed().endsWith(QString::number(i + 3)),
                     qPrintable(lines.last()));
        }
        QVERIFY(!out.contains(QStringLiteral("Typovex"))); // the title was on page 1
    }

    // One page of faces a PDF writer finds hard, drawn bold, italic, underlined and struck out:
    // the saved PDF drawn at 96 dpi by poppler must show each sample as the preview's paint path
    // does, and a preview made after the save must still look like the first one.
    void pdfShowsWhatThePreviewShows_data()
    {
        QTest::addColumn<QString>("face");
        // First: the damage a save once did to a colour font shows only in a process that drew
        // it unharmed before.
        QTest::newRow("colour emoji") << "Noto Color Emoji";
        QTest::newRow("plain face, underline and strikeout") << "DejaVu Sans";
        // These three have no bold or italic face of their own.
        QTest::newRow("CJK") << "WenQuanYi Micro Hei";
        QTest::newRow("symbols") << "OpenSymbol";
        QTest::newRow("Arabic") << "AlArabiya";
    }

    void pdfShowsWhatThePreviewShows()
    {
        QFETCH(QString, face);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        const QStringList faces = {QStringLiteral("DejaVu Sans"),
                                   QStringLiteral("WenQuanYi Micro Hei"),
                                   QStringLiteral("OpenSymbol"), QStringLiteral("AlArabiya"),
                                   QStringLiteral("Noto Color Emoji")};
        for (const QString& f : faces) {
            if (!QFontDatabase::families().contains(f))
                QSKIP(qPrintable(f + " is not installed (scripts/deps.sh --tests)"));
        }
        ListingSettings s = settingsWith(faces);
        s.Message = QString::fromUtf8("%f \u00c5b \u6f22 \u0639\u0631\u0628 \u2211 "
                                      "\U0001F600\u2764");
        s.Bold = s.Italic = s.Underline = s.Strikeout = true;
        s.PointSize = 20;
        // Every face draws this mixed message, its missing characters as missing-glyph marks.
        s.ScriptSamples = false;

        // Pixels far from grey: a colour font's glyphs, not boxes standing for them.
        auto colourfulPixels = [](const QImage& image, const QRect& box) {
            int count = 0;
            for (int y = box.top(); y <= box.bottom(); ++y) {
                for (int x = box.left(); x <= box.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += qMax(c.red(), qMax(c.green(), c.blue())) -
                                 qMin(c.red(), qMin(c.green(), c.blue())) >
                             64;
                }
            }
            return count;
        };
        auto previewImage = [&](QRect* sampleBox, int* colourShown = nullptr) {
            TfrmReport host(s);
            const std::unique_ptr<PageStore> store = generate(host);
            QImage image(store->pageSize(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            store->paintPage(0, painter);
            painter.end();
            for (const PageItem& item : store->page(0).items) {
                if (item.kind == PageItem::Kind::Text && item.font.family() == face)
                    *sampleBox = item.rect;
            }
            if (colourShown)
                *colourShown = colourfulPixels(image, *sampleBox);
            return image.convertToFormat(QImage::Format_Grayscale8);
        };
        // Pixels whose ink differs by more than a quarter of the grey scale, as a share of the
        // box: enough to ignore how two rasterisers smooth an edge.
        auto differing = [](const QImage& a, const QImage& b, QRect box) {
            box &= a.rect() & b.rect();
            int differ = 0;
            for (int y = box.top(); y <= box.bottom(); ++y) {
                const uchar* pa = a.constScanLine(y);
                const uchar* pb = b.constScanLine(y);
                for (int x = box.left(); x <= box.right(); ++x)
                    differ += qAbs(int(pa[x]) - int(pb[x])) > 64;
            }
            return box.isEmpty() ? 1.0 : double(differ) / (box.width() * box.height());
        };
        auto inkOf = [&](const QImage& a, QRect box) {
            QImage white(a.size(), QImage::Format_Grayscale8);
            white.fill(Qt::white);
            return differing(a, white, box);
        };

        QRect box;
        int previewColour = 0;
        const QImage preview = previewImage(&box, &previewColour);
        QVERIFY2(!box.isEmpty(), "no sample of the face on page 1");
        QVERIFY2(inkOf(preview, box) > 0.01, "the preview shows no ink in the sample");

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        {
            TfrmReport host(s);
            QCOMPARE(host.printToPdf(pdf).status, ReportEngine::PrintResult::Status::Printed);
            // A second file: the first one's embedding must not leak into what follows.
            TfrmReport again(s);
            QCOMPARE(again.printToPdf(dir.filePath(QStringLiteral("again.pdf"))).status,
                     ReportEngine::PrintResult::Status::Printed);
        }
        QProcess render;
        render.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-gray"),
                                QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"),
                                QStringLiteral("-singlefile"), pdf, dir.filePath("page")});
        QVERIFY(render.waitForFinished(60000));
        const QImage printed = QImage(dir.filePath(QStringLiteral("page.png")))
                                   .convertToFormat(QImage::Format_Grayscale8);
        QVERIFY(!printed.isNull());

        if (face == QLatin1String("Noto Color Emoji")) {
            // The emoji themselves, in colour, in the preview and in the PDF.
            QProcess colour;
            colour.start(pdftoppm,
                         {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                          QStringLiteral("-singlefile"), pdf, dir.filePath("colour")});
            QVERIFY(colour.waitForFinished(60000));
            const QImage printedColour(dir.filePath(QStringLiteral("colour.png")));
            QVERIFY2(previewColour > 50, qPrintable(QString::number(previewColour)));
            QVERIFY2(colourfulPixels(printedColour, box) > previewColour / 2,
                     qPrintable(QString::number(colourfulPixels(printedColour, box))));
        }

        QRect again;
        const QImage later = previewImage(&again);
        QCOMPARE(again, box);
        QVERIFY2(differing(preview, later, box) == 0, "a preview after saving looks different");

        // Measured against the sample's ink, not its box: a lost pair of emoji in a wide box
        // would otherwise pass. Two rasterisers' edges differ by about 3 % of the ink.
        const double share = differing(preview, printed, box) / inkOf(preview, box);
        QVERIFY2(
            share < 0.08,
            qPrintable(
                QStringLiteral("%1 % of the sample's ink differs").arg(share * 100, 0, 'f', 1)));
    }

    // The saved document as a reader meets it: an outline entry per font in list order, each on
    // its row's page, every font embedded, every name extractable, the title as its title.
    // "OCR B" (where installed) comes early: a face cairo cannot subset once took every later
    // font out of the file.
    void savedPdfHasAnOutlineAndEveryFont_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("firstPage");
        QTest::newRow("one column") << 0 << 1;
        QTest::newRow("two columns") << 1 << 1;
        QTest::newRow("from page 2") << 0 << 2;
    }
    void savedPdfHasAnOutlineAndEveryFont()
    {
        QFETCH(int, columns);
        QFETCH(int, firstPage);
        QStringList tools;
        for (const char* tool : {"qpdf", "pdffonts", "pdftotext", "pdfinfo"}) {
            tools << QStandardPaths::findExecutable(QLatin1String(tool));
            if (tools.last().isEmpty())
                QSKIP(qPrintable(QLatin1String(tool) +
                                 " is not installed (scripts/deps.sh --tests)"));
        }
        QStringList fonts;
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"DejaVu Sans", "OCR B", "DejaVu Serif", "Liberation Mono",
                                 "WenQuanYi Micro Hei", "AlArabiya", "Liberation Sans",
                                 "OpenSymbol", "Liberation Serif", "DejaVu Sans Mono"}) {
            if (installed.contains(QLatin1String(name)))
                fonts << QLatin1String(name);
        }
        ListingSettings s = shortPages(fonts + manyFonts(5));
        s.Columns = columns;
        s.FirstPage = firstPage;
        s.Bold = true; // made-up bold for the faces without one
        // Right-to-left words: their clusters once put cairo in an error state that silently
        // dropped every later page.
        s.Message = QString::fromUtf8("%f \u05d3\u05d2 \u05e1\u05e7\u05e8\u05df");
        TfrmReport counting(s);
        const auto store = generate(counting);
        QVERIFY(store->pageCount() >= 3);
        // Where each row was placed: the page that holds its name.
        QList<QPair<QString, int>> expected;
        for (int page = firstPage - 1; page < store->pageCount(); ++page) {
            for (const QString& text : textsOf(store->page(page))) {
                if (s.Fonts.contains(text))
                    expected.append({text, page - firstPage + 2});
            }
        }

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        TfrmReport host(s);
        QCOMPARE(host.printToPdf(pdf).status, ReportEngine::PrintResult::Status::Printed);
        auto run = [&](int tool, QStringList args) {
            QProcess p;
            // pdftotext takes its output after the input; "-" is standard output.
            p.start(tools[tool], tool == 2 ? QStringList{pdf, QStringLiteral("-")} : args << pdf);
            return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput())
                                            : QString();
        };

        const QJsonArray outline =
            QJsonDocument::fromJson(
                run(0, {QStringLiteral("--json"), QStringLiteral("--json-key=outlines")}).toUtf8())
                .object()
                .value(QLatin1String("outlines"))
                .toArray();
        QList<QPair<QString, int>> entries;
        for (const QJsonValue& entry : outline)
            entries.append({entry[QLatin1String("title")].toString(),
                            entry[QLatin1String("destpageposfrom1")].toInt()});
        QCOMPARE(entries, expected);

        const QStringList fontLines = run(1, {}).split(QLatin1Char('\n')).mid(2);
        static const QRegularExpression embedded(
            QStringLiteral(" (yes|no) +(yes|no) +(yes|no) +\\d+ +\\d+ *$"));
        int fontCount = 0;
        for (const QString& line : fontLines) {
            if (line.trimmed().isEmpty())
                continue;
            const QRegularExpressionMatch m = embedded.match(line);
            QVERIFY2(m.hasMatch() && m.captured(1) == QLatin1String("yes"), qPrintable(line));
            ++fontCount;
        }
        QVERIFY2(fontCount >= 6, qPrintable(QString::number(fontCount)));

        const QString text = run(2, {});
        for (const auto& [name, page] : std::as_const(expected))
            QVERIFY2(text.contains(name), qPrintable(name));
        // The pages are written in parts and joined: the joined file must hold together.
        QVERIFY2(run(0, {QStringLiteral("--check")}).contains(QLatin1String("No syntax or stream")),
                 "qpdf --check finds faults");
        const QString info = run(3, {});
        QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title: +") + s.TitleText)));
        QVERIFY2(info.contains(QRegularExpression(
                     QStringLiteral("Pages: +%1\\n").arg(store->pageCount() - firstPage + 1))),
                 qPrintable(info));
    }

    // The preview goes on painting while a PDF is written on other threads: none may close a
    // face that another is drawing with (cairo closes faces of its own past ten open ones).
    void previewPaintsWhileAPdfIsSaved()
    {
        ListingSettings s = shortPages(QFontDatabase::families().mid(0, 60));
        TfrmReport host(s);
        const auto store = generate(host);
        QVERIFY(store->pageCount() >= 4);
        QImage canvas(store->pageSize(), QImage::Format_ARGB32_Premultiplied);
        int painted = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, &timer, [&] {
            QPainter painter(&canvas);
            store->paintPage(painted++ % store->pageCount(), painter);
        });
        timer.start(0);
        QTemporaryDir dir;
        QString error;
        const int written =
            ReportPrinter::savePdf(*store, dir.filePath(QStringLiteral("out.pdf")), 1, &error);
        timer.stop();
        QVERIFY2(written == store->pageCount(), qPrintable(error));
        QVERIFY(painted > 0);
    }

    // A font file changed after the preview was made: the save stops at once with a message that
    // names it, whatever the file became (a FIFO could once block it for good).
    void saveNamesAFontFileThatChanged_data()
    {
        QTest::addColumn<QString>("becomes");
        QTest::newRow("removed") << "removed";
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("empty") << "empty";
        QTest::newRow("not a font") << "text";
    }
    void saveNamesAFontFileThatChanged()
    {
        QFETCH(QString, becomes);
        const QString base = SymbolTestFont::installedFontFile("Liberation Sans");
        QVERIFY2(!base.isEmpty(), "Liberation Sans is needed (fonts-liberation2)");
        const QString family = QStringLiteral("Typovex Changed ") + becomes;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("changed.ttf"));
        QFile font(path);
        QVERIFY(font.open(QIODevice::WriteOnly) &&
                font.write(SymbolTestFont::make(base, family)) > 0);
        font.close();
        QVERIFY(FontServices::addFontFile(path));
        TfrmReport host(shortPages({QStringLiteral("DejaVu Sans"), family}));
        const auto store = generate(host);
        FontServices::removeFontFile(path);
        QVERIFY(QFile::remove(path));
        if (becomes == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (becomes != QLatin1String("removed"))
            QVERIFY(font.open(QIODevice::WriteOnly) &&
                    font.write(becomes == QLatin1String("text") ? "not a font\n" : "") >= 0);
        font.close();

        Watchdog watchdog;
        QImage page(store->pageSize(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&page);
        for (int index = 0; index < store->pageCount(); ++index)
            store->paintPage(index, painter); // the preview draws what it still can
        painter.end();
        QString error;
        QCOMPARE(ReportPrinter::savePdf(*store, dir.filePath(QStringLiteral("out.pdf")), 1, &error),
                 0);
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.pdf"))));
    }

    // Extremes lay out as Qt measures them: each sample's label is at least as tall as Qt's own
    // bounding box of its text at the label's width, and a band taller than the page still gets
    // a page of its own.
    void extremeSamplesLayOutAsQtMeasures_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("columns");
        QTest::newRow("999-point sample") << 999 << "%f" << 0;
        QTest::newRow("20,000-character message")
            << 10 << QStringLiteral("%f ").append(QStringLiteral("lorem ipsum ").repeated(1667))
            << 0;
        QTest::newRow("two columns, wrapped") << 14 << QStringLiteral("%f ").repeated(12) << 1;
    }
    void extremeSamplesLayOutAsQtMeasures()
    {
        QFETCH(int, pointSize);
        QFETCH(QString, message);
        QFETCH(int, columns);
        ListingSettings s = settingsWith(threeFonts);
        s.PointSize = pointSize;
        s.Message = message;
        s.Columns = columns;
        TfrmReport host(s);
        const auto store = generate(host);
        QVERIFY(store->isFinished());
        int samples = 0;
        for (int page = 0; page < store->pageCount(); ++page) {
            for (const PageItem& item : store->page(page).items) {
                if (item.kind != PageItem::Kind::Text || !item.text.startsWith(item.font.family()))
                    continue;
                ++samples;
                const int qtHeight = QFontMetrics(item.font)
                                         .boundingRect(QRect(0, 0, item.rect.width(), 1 << 24),
                                                       item.flags, item.text)
                                         .height();
                QVERIFY2(item.rect.height() >= qtHeight - 1,
                         qPrintable(QStringLiteral("%1: %2 < %3")
                                        .arg(item.font.family())
                                        .arg(item.rect.height())
                                        .arg(qtHeight)));
            }
        }
        QCOMPARE(samples, threeFonts.size());
        if (pointSize == 999)
            QCOMPARE(store->pageCount(), threeFonts.size());
    }

    void printingWithNoPrinterSaysSo()
    {
        PrinterList::setOverride(PrinterList::Override{});
        TfrmReport host(settingsWith(threeFonts));
        const ReportEngine::PrintResult result = host.print();
        QCOMPARE(result.status, ReportEngine::PrintResult::Status::NoPrinter);

        QStringList shown;
        Messages::setHook([&](Messages::Kind, const QString& text) {
            shown << text;
            return QMessageBox::Ok;
        });
        {
            TfrmMain main;
            main.show();
            QTRY_VERIFY(frmAdvanced != nullptr);
            main.bPrintClick();
        }
        Messages::setHook({});
        PrinterList::setOverride(std::nullopt);
        QCOMPARE(shown, QStringList{QStringLiteral("No printer is installed.")});
    }

private:
    QTemporaryDir m_config;
};

TYPOVEX_TEST_MAIN(tst_Report)

#include "tst_report.moc"
