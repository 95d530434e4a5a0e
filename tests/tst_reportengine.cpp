#include "engine/PagePainter.h"
#include "engine/PageSetup.h"
#include "engine/PageStore.h"
#include "engine/PdfJoin.h"
#include "engine/ReportEngine.h"
#include "engine/ReportModel.h"
#include "support/TestMain.h"

#include <algorithm>
#include <memory>
#include <QBuffer>
#include <QFontMetrics>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Paper = PageSetup::Paper;
using Orientation = PageSetup::Orientation;
using Units = PageSetup::Units;

ReportLabel* addLabel(ReportBand& band, int height, const QString& text,
                      ReportLabel::SystemData data = ReportLabel::SystemData::None)
{
    band.setHeight(height);
    ReportLabel* label = band.addLabel(data);
    label->setWidth(300);
    label->setText(text);
    return label;
}

// Letter in inches with 1 inch margins: 816 x 1056 units, the body from 96 to 960, bands 624
// wide. Page header "H" and footer "F" are 48 high, the title "T" 96; detail row i shows "i" and
// is heights[i] high. Returns the detail row's label.
ReportLabel* prepare(ReportModel& model, const QList<int>& heights)
{
    model.setup.paper = Paper::Letter;
    model.setup.units = Units::Inches;
    model.setup.top = model.setup.bottom = model.setup.left = model.setup.right = 1;
    addLabel(model.pageHeader, 48, QStringLiteral("H"));
    addLabel(model.title, 96, QStringLiteral("T"));
    addLabel(model.pageFooter, 48, QStringLiteral("F"));
    ReportLabel* row = addLabel(model.detail, 0, QString());
    auto next = std::make_shared<int>(0);
    model.onNeedData = [&model, row, heights, next] {
        if (*next >= heights.size())
            return false;
        model.detail.setHeight(heights[*next]);
        row->setText(QString::number(*next));
        ++*next;
        return true;
    };
    return row;
}

QStringList generate(ReportModel& model, PageStore& store)
{
    ReportEngine::generate(model, store);
    QStringList pages;
    for (int i = 0; i < store.pageCount(); ++i) {
        QStringList texts;
        for (const PageItem& item : store.page(i).items) {
            if (item.kind == PageItem::Kind::Text)
                texts.append(item.text + QLatin1Char('@') + QString::number(item.rect.top()));
        }
        pages.append(texts.join(QLatin1Char(' ')));
    }
    return pages;
}

} // namespace

class tst_ReportEngine : public QObject
{
    Q_OBJECT
private slots:
    // Each page as "text@top" of what it draws, in order.
    void pagination_data()
    {
        QTest::addColumn<QList<int>>("heights");
        QTest::addColumn<bool>("headerOnFirstPage");
        QTest::addColumn<bool>("footerOnLastPage");
        QTest::addColumn<bool>("title");
        QTest::addColumn<QStringList>("pages");
        // With header and footer the details have 144 to 912 on every page.
        QTest::newRow("bands filling the body exactly stay")
            << QList<int>{256, 256, 256} << true << true << false
            << QStringList{"H@96 0@144 1@400 2@656 F@912"};
        QTest::newRow("band one unit too tall moves whole")
            << QList<int>{256, 256, 257} << true << true << false
            << QStringList{"H@96 0@144 1@400 F@912", "H@96 2@144 F@912"};
        QTest::newRow("oversize band alone on its page")
            << QList<int>{100, 1000, 100} << true << true << false
            << QStringList{"H@96 0@144 F@912", "H@96 1@144 F@912", "H@96 2@144 F@912"};
        QTest::newRow("oversize bands one after another")
            << QList<int>{1000, 1000} << true << true << false
            << QStringList{"H@96 0@144 F@912", "H@96 1@144 F@912"};
        QTest::newRow("title once under the first header")
            << QList<int>{300, 300, 300} << true << true << true
            << QStringList{"H@96 T@144 0@240 1@540 F@912", "H@96 2@144 F@912"};
        QTest::newRow("no header on the first page")
            << QList<int>{400, 400, 400} << false << true << false
            << QStringList{"0@96 1@496 F@912", "H@96 2@144 F@912"};
        QTest::newRow("title at the top without the first header")
            << QList<int>{400} << false << true << true << QStringList{"T@96 0@192 F@912"};
        QTest::newRow("no footer on the last page")
            << QList<int>{500, 500} << true << false << false
            << QStringList{"H@96 0@144 F@912", "H@96 1@144"};
        QTest::newRow("single page, neither")
            << QList<int>{100} << false << false << false << QStringList{"0@96"};
    }
    void pagination()
    {
        QFETCH(QList<int>, heights);
        QFETCH(bool, headerOnFirstPage);
        QFETCH(bool, footerOnLastPage);
        QFETCH(bool, title);
        QFETCH(QStringList, pages);
        ReportModel model;
        prepare(model, heights);
        model.headerOnFirstPage = headerOnFirstPage;
        model.footerOnLastPage = footerOnLastPage;
        model.title.setEnabled(title);
        PageStore store(QSize(816, 1056));
        QCOMPARE(generate(model, store), pages);
        QVERIFY(store.isFinished());
    }

    // Three detail bands without header or footer (body 96 to 960): `before` high, 40 high with
    // the label under test, 40 high. The stretching band must grow by what its drawn text needs
    // beyond the label's one line (by at most one leading more), the label with it, and push the
    // next band down.
    void stretch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<bool>("autoStretch");
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("grows");
        QTest::addColumn<int>("page");
        const QString words = QStringLiteral("Typovex Typovex Typovex");
        const QString lines = QStringLiteral("one\ntwo\nthree");
        QTest::newRow("one line keeps the height")
            << "Typovex" << false << true << 40 << false << 1;
        QTest::newRow("line breaks grow the band") << lines << false << true << 40 << true << 1;
        QTest::newRow("wrapped words grow the band") << words << true << true << 40 << true << 1;
        QTest::newRow("no stretch keeps the height") << lines << false << false << 40 << false << 1;
        // At 900 the band fits as designed (940), not grown.
        QTest::newRow("grown band moves to the next page")
            << words << true << true << 804 << true << 2;
    }
    void stretch()
    {
        QFETCH(QString, text);
        QFETCH(bool, wordWrap);
        QFETCH(bool, autoStretch);
        QFETCH(int, before);
        QFETCH(bool, grows);
        QFETCH(int, page);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(16);
        if (QFontInfo(font).family() != font.family())
            QSKIP("Liberation Sans (fonts-liberation2) is not installed");
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QStringLiteral("Typovex")) + 4;
        // Qt sets lines a leading apart and its box ends one leading below the last line's ink.
        const int need = metrics
                             .boundingRect(QRect(0, 0, width, 1 << 20),
                                           Qt::AlignLeft | (wordWrap ? Qt::TextWordWrap : 0), text)
                             .height() -
                         metrics.leading();
        const int least = autoStretch ? 40 + qMax(0, need - metrics.height()) : 40;
        const int most = least > 40 ? least + metrics.leading() : least;
        QCOMPARE(least > 40, grows);

        ReportModel model;
        ReportLabel* label = prepare(model, {});
        model.pageHeader.setEnabled(false);
        model.pageFooter.setEnabled(false);
        model.title.setEnabled(false);
        model.detail.setFrame(Qt::TopEdge | Qt::BottomEdge);
        label->setFont(font);
        label->setWidth(width);
        int row = 0;
        model.onNeedData = [&] {
            model.detail.setHeight(row == 0 ? before : 40);
            label->setText(row == 1 ? text : QString::number(row));
            label->setHeight(metrics.height());
            label->setWordWrap(row == 1 && wordWrap);
            label->setAutoStretch(row == 1 && autoStretch);
            return row++ < 3;
        };
        PageStore store(QSize(816, 1056));
        ReportEngine::generate(model, store);
        QList<std::pair<int, QRect>> bands;
        for (int i = 0; i < store.pageCount(); ++i) {
            for (const PageItem& item : store.page(i).items) {
                if (item.kind == PageItem::Kind::Frame)
                    bands.append({i + 1, item.rect});
            }
        }
        QCOMPARE(bands.size(), 3);
        const int top = page == 1 ? 96 + before : 96;
        QCOMPARE(bands[1].first, page);
        const QRect grown = bands[1].second;
        QVERIFY(grown.height() >= least && grown.height() <= most);
        QCOMPARE(grown, QRect(96, top, 624, grown.height()));
        QCOMPARE(bands[2].first, page);
        QCOMPARE(bands[2].second, QRect(96, top + grown.height(), 624, 40));
        // The label grows with its band, so the text is clipped to all of it.
        const auto& items = store.page(page - 1).items;
        const auto drawn = std::find_if(items.begin(), items.end(),
                                        [&](const PageItem& item) { return item.text == text; });
        QVERIFY(drawn != items.end());
        QCOMPARE(drawn->rect,
                 QRect(96, top, width, metrics.height() + (autoStretch ? grown.height() - 40 : 0)));
    }

    // Five pages; the PDF shows the page numbers of the pages it holds.
    void firstPage_data()
    {
        QTest::addColumn<int>("firstPage");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("firstSent");
        QTest::newRow("0 sends all") << 0 << 5 << 1;
        QTest::newRow("1 sends all") << 1 << 5 << 1;
        QTest::newRow("negative sends all") << -2 << 5 << 1;
        QTest::newRow("from page 2") << 2 << 4 << 2;
        QTest::newRow("last page only") << 5 << 1 << 5;
        QTest::newRow("after the last page") << 6 << 0 << 0;
    }
    void firstPage()
    {
        QFETCH(int, firstPage);
        QFETCH(int, sent);
        QFETCH(int, firstSent);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        ReportModel model;
        prepare(model, {500, 500, 500, 500, 500});
        model.title.setEnabled(false);
        addLabel(model.pageFooter, 48, QStringLiteral("Page "), ReportLabel::SystemData::PageNumber)
            ->setLeft(310);
        model.setup.firstPage = firstPage;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("run.pdf"));
        const ReportEngine::PrintResult result = ReportEngine::printToPdf(model, pdf);
        QCOMPARE(result.status, ReportEngine::PrintResult::Status::Printed);
        QCOMPARE(result.pagesSent, sent);
        if (sent == 0)
            return;
        QProcess process;
        process.start(pdftotext, {pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(60000));
        const QStringList pages = QString::fromUtf8(process.readAllStandardOutput())
                                      .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), sent);
        for (int i = 0; i < sent; ++i)
            QVERIFY2(pages[i].contains(QStringLiteral("Page %1").arg(firstSent + i)),
                     qPrintable(pages[i]));
    }

    // Expected: page width and height, top, bottom, left and right margins, band width; each is
    // the length in millimetres x 96 / 25.4 (an inch is 96 units), to the nearest unit.
    void pageSetup_data()
    {
        QTest::addColumn<Paper>("paper");
        QTest::addColumn<Orientation>("orientation");
        QTest::addColumn<Units>("units");
        QTest::addColumn<QList<double>>("margins"); // top, bottom, left, right
        QTest::addColumn<QList<int>>("expected");
        const auto P = Orientation::Portrait;
        const auto L = Orientation::Landscape;
        using M = QList<double>;
        using E = QList<int>;
        QTest::newRow("A4 portrait mm") << Paper::A4 << P << Units::MM << M{10, 10, 10, 10}
                                        << E{794, 1123, 38, 38, 38, 38, 718};
        QTest::newRow("A4 landscape mm") << Paper::A4 << L << Units::MM << M{5, 12.7, 15, 15}
                                         << E{1123, 794, 19, 48, 57, 57, 1009};
        QTest::newRow("A3 portrait mm") << Paper::A3 << P << Units::MM << M{25.4, 25.4, 20, 20}
                                        << E{1123, 1587, 96, 96, 76, 76, 971};
        QTest::newRow("A3 landscape inches") << Paper::A3 << L << Units::Inches << M{1, 0.5, 1, 1}
                                             << E{1587, 1123, 96, 48, 96, 96, 1395};
        QTest::newRow("Letter portrait inches")
            << Paper::Letter << P << Units::Inches << M{1, 1, 1, 1}
            << E{816, 1056, 96, 96, 96, 96, 624};
        QTest::newRow("Letter landscape inches")
            << Paper::Letter << L << Units::Inches << M{0.25, 0.5, 0.5, 1.5}
            << E{1056, 816, 24, 48, 48, 144, 864};
        QTest::newRow("Letter portrait mm")
            << Paper::Letter << P << Units::MM << M{25.4, 25.4, 25.4, 25.4}
            << E{816, 1056, 96, 96, 96, 96, 624};
        QTest::newRow("B5 portrait mm")
            << Paper::B5 << P << Units::MM << M{15, 15, 15, 15} << E{688, 971, 57, 57, 57, 57, 574};
        QTest::newRow("B5 landscape mm") << Paper::B5 << L << Units::MM << M{20, 20, 10, 30}
                                         << E{971, 688, 76, 76, 38, 113, 820};
    }
    void pageSetup()
    {
        QFETCH(Paper, paper);
        QFETCH(Orientation, orientation);
        QFETCH(Units, units);
        QFETCH(QList<double>, margins);
        QFETCH(QList<int>, expected);
        ReportModel model;
        PageSetup& s = model.setup;
        s.paper = paper;
        s.orientation = orientation;
        s.units = units;
        s.top = margins[0];
        s.bottom = margins[1];
        s.left = margins[2];
        s.right = margins[3];
        const QList<int> actual = {s.pageSize().width(), s.pageSize().height(), s.topMargin(),
                                   s.bottomMargin(),     s.leftMargin(),        s.rightMargin(),
                                   model.bandWidth()};
        QCOMPARE(actual, expected);
    }

    // Documents are written in parts and joined; a part the joiner cannot read is refused, not
    // half joined, and nothing is read beyond it.
    void joinRefusesDamagedParts_data()
    {
        QTest::addColumn<QByteArray>("find"); // replaced; empty: the file is cut to `keep` bytes
        QTest::addColumn<QByteArray>("replace");
        QTest::addColumn<int>("keep");
        QTest::addColumn<bool>("joins");
        QTest::newRow("whole") << QByteArray() << QByteArray() << -1 << true;
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0 << false;
        QTest::newRow("cut in the middle") << QByteArray() << QByteArray() << 600 << false;
        QTest::newRow("table beyond the file")
            << QByteArray("startxref\n") << QByteArray("startxref\n9") << -1 << false;
        QTest::newRow("table longer than it is")
            << QByteArray("xref\n0 ") << QByteArray("xref\n0 9") << -1 << false;
        QTest::newRow("objects not where the table says")
            << QByteArray("\n1 0 obj") << QByteArray("\n 1 0 obj") << -1 << false;
        QTest::newRow("no catalog") << QByteArray("/Root") << QByteArray("/Rout") << -1 << false;
        QTest::newRow("no page list") << QByteArray("/Kids") << QByteArray("/Kits") << -1 << false;
        QTest::newRow("a page that is not there")
            << QByteArray("/Kids [ ") << QByteArray("/Kids [ 999 0 R ") << -1 << false;
    }
    void joinRefusesDamagedParts()
    {
        QFETCH(QByteArray, find);
        QFETCH(QByteArray, replace);
        QFETCH(int, keep);
        QFETCH(bool, joins);
        // One blank page, as cairo writes it.
        QByteArray part;
        QBuffer written(&part);
        written.open(QIODevice::WriteOnly);
        QVERIFY(PagePainter::writePdf({QStringLiteral("Fonts"), QSize(816, 1056), {}, {}}, written,
                                      nullptr));
        if (!find.isEmpty()) {
            QVERIFY(part.contains(find));
            part.replace(part.indexOf(find), find.size(), replace);
        } else if (keep >= 0) {
            part.truncate(keep);
        }
        QByteArray pdf;
        QBuffer out(&pdf);
        out.open(QIODevice::WriteOnly);
        PdfJoin join(out);
        const bool joined = join.add(part) && join.add(part) && join.finish();
        QCOMPARE(joined, joins);
        QCOMPARE(join.errorString().isEmpty(), joins);
        if (!joins)
            return;
        const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
        if (qpdf.isEmpty())
            QSKIP("qpdf is not installed (scripts/deps.sh --tests)");
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("joined.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
        file.close();
        const auto ask = [&](const QString& what) {
            QProcess p;
            p.start(qpdf, {what, file.fileName()});
            return p.waitForFinished(30000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                                 : QByteArray();
        };
        QVERIFY(ask(QStringLiteral("--check")).contains("No syntax or stream"));
        QCOMPARE(ask(QStringLiteral("--show-npages")).trimmed(), QByteArray("2"));
    }
};

TYPOVEX_TEST_MAIN(tst_ReportEngine)
#include "tst_reportengine.moc"
