// typovex-catalogue run as a command: its exit statuses, what its PDF lists (read back by the
// PDF tools), and that it equals the preview's Save as PDF for the same settings.
#include "app/Main.h"
#include "app/Startup.h"
#include "base/Messages.h"
#include "FontFixtures.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "report/QRPreview.h"
#include "support/TestMain.h"
#include "ui/Advanced.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <sys/stat.h>

namespace {

constexpr int runTimeoutMs = 180000;

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// Run with no display of any kind in the environment.
Run runTool(const QString& program, const QStringList& args, const QString& stdoutFile = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(program, args);
    if (!p.waitForFinished(runTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString tool(const char* name, const QStringList& args)
{
    return runTool(QLatin1String(name), args).out;
}

// The outline titles, one per font listed, as qpdf reads them.
QStringList outline(const QString& pdf)
{
    const QJsonObject json =
        QJsonDocument::fromJson(tool("qpdf", {"--json", "--json-key=outlines", pdf}).toUtf8())
            .object();
    QStringList titles;
    for (const QJsonValue& entry : json.value(QLatin1String("outlines")).toArray())
        titles << entry.toObject().value(QLatin1String("title")).toString();
    return titles;
}

// Per page: its text and its size; then the fonts embedded, without their subset tags.
QStringList pdfFacts(const QString& pdf)
{
    QStringList facts = tool("pdftotext", {pdf, "-"}).split(QLatin1Char('\f'));
    static const QRegularExpression size(QStringLiteral("^Page +\\d+ size: .*$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = size.globalMatch(tool("pdfinfo", {"-f", "1", "-l", "9999", pdf})); it.hasNext();)
        facts << it.next().captured();
    QStringList fonts;
    for (const QString& line : tool("pdffonts", {pdf}).split(QLatin1Char('\n')).mid(2))
        fonts << line.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('+'), -1);
    fonts.sort();
    return facts + fonts;
}

// Every file below a folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, FontFixtures::readAll(path));
    }
    return files;
}

const QByteArray damaged = "{\"Software\": {\"Typovex\": ";
// Values the window puts right when it loads them: a landscape index beyond the group, a face in
// other letter case, a face not installed, a printer beyond the list.
const QByteArray chosen = R"({"Software": {"Typovex": {
    "ListingProperties": {"Message": "%F!", "DateTime": 0, "TitleText": "Chosen title"},
    "PageLayout": {"Orientation": 7, "PaperSize": 0, "Columns": 1, "PointSize": 20,
                   "PrinterIndex": 99},
    "HeaderFooter": {"RTFontName": "dejavu serif", "FFontName": "No Such Face"}}}})";

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fonts;
    QString m_config;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The same catalogue through the window: the settings loaded, the fonts ticked, Preview, and
    // Save as PDF once the last page is in.
    void saveFromPreview(const QRegularExpression& families, const QString& pdf)
    {
        Messages::setHook([](Messages::Kind, const QString&) { return QMessageBox::Ok; });
        TRptPreviewFrm::setSaveFileHook([&](QWidget*, const QString&) { return pdf; });
        TypovexWindows windows;
        windows.create();
        windows.main()->show();
        QTRY_VERIFY_WITH_TIMEOUT(frmAdvanced, 60000);
        auto* list = frmAdvanced->findChild<FontCheckList*>(QStringLiteral("clbFonts"));
        for (int i = 0; i < list->count(); ++i)
            list->setChecked(i, families.match(list->name(i)).hasMatch());
        // As after a click: "All fonts" follows the ticks.
        frmAdvanced->fontSelection()->clbFontsClickCheck();
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* preview = qobject_cast<TRptPreviewFrm*>(w);
                auto* save = preview ? preview->findChild<QPushButton*>("bSavePdf") : nullptr;
                if (preview && preview->isVisible() && save && save->isEnabled()) {
                    poll.stop();
                    save->click();
                    preview->findChild<QPushButton*>("bClose")->click();
                }
            }
        });
        poll.start(50);
        windows.main()->bPreviewClick();
        TRptPreviewFrm::setSaveFileHook({});
        Messages::setHook({});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(QStringLiteral(TYPOVEX_CATALOGUE)));
        m_config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Typovex");
        // Renamed copies, so that no installed family answers for them; one a folder down; a
        // pipe named like a font, which the scan must not open.
        m_fonts = path(QStringLiteral("fonts"));
        QVERIFY(QDir().mkpath(m_fonts + QStringLiteral("/sub")));
        using namespace FontFixtures;
        QVERIFY(writeAll(m_fonts + "/a.ttf", renamed(readAll(dejaVuSans), "Tvx Alphaaa")));
        QVERIFY(writeAll(m_fonts + "/B.TTF", renamed(readAll(dejaVuSansBold), "Tvx Betaaaa")));
        QVERIFY(writeAll(m_fonts + "/sub/c.ttf", renamed(readAll(dejaVuSans), "Tvx Gammaaa")));
        QCOMPARE(::mkfifo(QFile::encodeName(m_fonts + "/pipe.ttf").constData(), 0600), 0);
    }

    void command_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("settings"); // the saved settings document; "" for none
        QTest::addColumn<bool>("terminal");       // standard output and error on a terminal
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");   // in what the command writes
        QTest::addColumn<QStringList>("fonts"); // the outline of @out; "@dejavu": see below
        QTest::addColumn<QString>("text");      // in the text of @out

        const QStringList onlyFolder{"--only-from-folders", "--fonts-from", "@fonts"};
        const QStringList found{"Tvx Alphaaa", "Tvx Betaaaa Bold"};
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("help") << QStringList{"--help"} << QByteArray() << false << 0
                    << "Usage:" << QStringList() << "";
        row("version") << QStringList{"--version"} << QByteArray() << false << 0 << "3.9.0"
                       << QStringList() << "";
        row("unknown option: usage error") << QStringList{"--colour"} << QByteArray() << false << 2
                                           << "Usage:" << QStringList() << "";
        row("two outputs: usage error") << QStringList{"--pdf", "@out", "--print"} << QByteArray()
                                        << false << 2 << "once" << QStringList() << "";
        row("missing folder: usage error")
            << QStringList{"--fonts-from", "@fonts/none", "--pdf", "@out"} << QByteArray() << false
            << 2 << "not a folder" << QStringList() << "";
        row("standard output a terminal: usage error")
            << QStringList() << QByteArray() << true << 2 << "terminal" << QStringList() << "";
        row("no font matched: nothing to list, old file kept")
            << QStringList{"--family", "No such family*", "--pdf", "@out"} << QByteArray() << false
            << 1 << "no font" << QStringList() << "";
        row("unwritable output") << (onlyFolder + QStringList{"--pdf", "@fonts/none/out.pdf"})
                                 << QByteArray() << false << 3 << "cannot write" << QStringList()
                                 << "";
        row("printer refuses") << (onlyFolder + QStringList{"--print", "NoSuchPrinter"})
                               << QByteArray() << false << 3 << "NoSuchPrinter" << QStringList()
                               << "";
        row("folder fonts only, summary without progress")
            << (onlyFolder + QStringList{"--pdf", "@out"}) << QByteArray() << false << 0
            << "2 fonts, 1 page," << found << "This is Tvx Betaaaa Bold";
        row("folder tree") << (onlyFolder + QStringList{"--recurse", "--pdf", "@out"})
                           << QByteArray() << false << 0 << "3 fonts"
                           << QStringList{"Tvx Alphaaa", "Tvx Betaaaa Bold", "Tvx Gammaaa"} << "";
        row("to standard output") << onlyFolder << QByteArray() << false << 0 << "standard output"
                                  << found << "";
        row("progress on a terminal") << (onlyFolder + QStringList{"--pdf", "@out"}) << QByteArray()
                                      << true << 0 << "fonts/s" << found << "";
        row("quiet on a terminal") << (onlyFolder + QStringList{"--pdf", "@out", "--quiet"})
                                   << QByteArray() << true << 0 << "" << found << "";
        row("families by pattern")
            << QStringList{"--family", "dejavu*", "--pdf", "@out"} << QByteArray() << false << 0
            << "" << QStringList{"@dejavu"} << "";
        row("damaged settings: defaults, file kept")
            << (onlyFolder + QStringList{"--pdf", "@out"}) << damaged << false << 0
            << "could not be used" << found << "This is Tvx Alphaaa";
        row("other settings document")
            << (onlyFolder + QStringList{"--settings", "@chosen", "--pdf", "@out"}) << QByteArray()
            << false << 0 << "" << found << "TVX ALPHAAA!";
        row("missing settings document: usage error")
            << QStringList{"--settings", "@fonts/none.json", "--pdf", "@out"} << QByteArray()
            << false << 2 << "settings" << QStringList() << "";
        row("equals the preview's Save as PDF")
            << QStringList{"--family", "DejaVu Sans*", "--pdf", "@out"} << chosen << false << 0
            << "" << QStringList() << "DEJAVU SANS MONO!";
    }

    void command()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, settings);
        QFETCH(bool, terminal);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QStringList, fonts);
        QFETCH(QString, text);

        const QString out = path(QStringLiteral("out.pdf"));
        const QString chosenFile = path(QStringLiteral("chosen.json"));
        QVERIFY(FontFixtures::writeAll(out, "old"));
        QVERIFY(FontFixtures::writeAll(chosenFile, chosen));
        QDir(m_config).removeRecursively();
        if (!settings.isEmpty()) {
            QVERIFY(QDir().mkpath(m_config));
            QVERIFY(FontFixtures::writeAll(m_config + "/registry.json", settings));
        }
        const auto settingsBefore = snapshot(m_config);
        for (QString& arg : args)
            arg.replace("@out", out).replace("@fonts", m_fonts).replace("@chosen", chosenFile);
        const bool toStdout =
            status == 0 && !terminal &&
            std::none_of(args.cbegin(), args.cend(), [](const QString& a) {
                return a == "--pdf" || a == "--print" || a == "--help" || a == "--version";
            });

        Run run;
        if (terminal) {
            // script(1) gives the command a terminal; its own output is that terminal's.
            QStringList quoted;
            for (const QString& a : QStringList{TYPOVEX_CATALOGUE} + args)
                quoted << "'" + a + "'";
            run = runTool("script", {"-qec", quoted.join(' '), "/dev/null"});
            run.err = run.out;
        } else {
            run = runTool(TYPOVEX_CATALOGUE, args, toStdout ? out : QString());
        }
        QCOMPARE(run.status, status);
        QVERIFY2((run.out + run.err).contains(message), qPrintable(run.out + run.err));
        if (status == 2)
            QVERIFY(run.err.contains("Usage:"));
        if (!terminal && status == 0)
            QVERIFY2(!run.err.contains("fonts/s"), "a progress line off a terminal");
        if (args.contains("--quiet"))
            QCOMPARE(run.err.trimmed(), QString());
        // The settings are read, never written: not even a lock file or a key appears.
        QCOMPARE(snapshot(m_config), settingsBefore);

        const bool written = status == 0 && (args.contains("--pdf") || toStdout);
        QCOMPARE(FontFixtures::readAll(out) == "old", !written);
        if (!written)
            return;
        QVERIFY(FontFixtures::readAll(out).startsWith("%PDF-"));
        if (fonts == QStringList{"@dejavu"}) {
            // What the toolkit's own font list holds of that pattern, sorted as the list is.
            fonts.clear();
            for (const QString& family : QFontDatabase::families())
                if (family.startsWith("dejavu", Qt::CaseInsensitive))
                    fonts << family;
            fonts.removeDuplicates();
            std::sort(fonts.begin(), fonts.end(), [](const QString& a, const QString& b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
            QVERIFY(fonts.size() >= 3);
        }
        if (!fonts.isEmpty())
            QCOMPARE(outline(out), fonts);
        if (!text.isEmpty())
            QVERIFY(tool("pdftotext", {out, "-"}).contains(text));
        if (QByteArray(QTest::currentDataTag()).startsWith("equals")) {
            const QString gui = path(QStringLiteral("gui.pdf"));
            saveFromPreview(
                QRegularExpression("^DejaVu Sans", QRegularExpression::CaseInsensitiveOption), gui);
            QVERIFY(QFile::exists(gui));
            QVERIFY(outline(gui).size() >= 2);
            QCOMPARE(pdfFacts(out), pdfFacts(gui));
        }
    }
};

TYPOVEX_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
