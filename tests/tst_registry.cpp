#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "settings/WinReg.h"
#include "support/ReadOnlyFolder.h"
#include "support/TestMain.h"
#include "support/Watchdog.h"

#include <memory>
#include <optional>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString AppKey = QStringLiteral("Software\\Typovex");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Registry rows are written as JSON text so that every stored type can be expressed exactly.
QByteArray documentWithListingProperties(const QByteArray& members)
{
    return R"({"Software": {"Typovex": {"Options": {"Probe": "probe"}, "ListingProperties": {)" +
           members + "}}}}";
}

} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readsEachKindFromEachStoredType_data();
    void readsEachKindFromEachStoredType();
    void writesEachKindAsItsRegistryType_data();
    void writesEachKindAsItsRegistryType();
    void writingTwiceLeavesOneValueWithTheSecondData();
    void failedWriteReportsAndLeavesStoreUsable_data();
    void failedWriteReportsAndLeavesStoreUsable();
    void firstRunCreatesApplicationKeyButNoSection();
    void textRoundTrips_data();
    void textRoundTrips();
    void unopenableApplicationKeyLooksSectionsUpAtTheRoot();

    void killedWriterLeavesAPrefixOfItsWrites();
    void concurrentWritersKeepEveryValue();

    void damagedDocumentIsMovedAsideWithOneWarning_data();
    void damagedDocumentIsMovedAsideWithOneWarning();
    void emptyFileIsAFreshDocumentWithoutWarning();
    void laterDamageKeepsTheEarlierAsideFile();
    void unmovableDamagedDocumentIsNeverReplaced();

private:
    QString documentPath() const
    {
        return m_dir->path() + QStringLiteral("/Typovex/registry.json");
    }
    void writeDocument(const QByteArray& bytes);
    std::optional<QJsonObject> parsedDocument() const;
    QStringList asideFiles() const;
    QString writerProgram() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_warnings;
};

void tst_Registry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    m_warnings.clear();
    Messages::setHook([this](Messages::Kind kind, const QString& text) {
        if (kind == Messages::Kind::Warning)
            m_warnings << text;
        return QMessageBox::Ok;
    });
}

void tst_Registry::cleanup()
{
    Messages::setHook({});
    m_dir.reset();
}

void tst_Registry::writeDocument(const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(documentPath()).absolutePath());
    QFile file(documentPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::optional<QJsonObject> tst_Registry::parsedDocument() const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(fileBytes(documentPath()), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QStringList tst_Registry::asideFiles() const
{
    const QDir folder(QFileInfo(documentPath()).absolutePath());
    const QStringList names = folder.entryList({QStringLiteral("registry.json.damaged-*")},
                                               QDir::AllEntries | QDir::Hidden | QDir::System);
    QStringList paths;
    for (const QString& name : names)
        paths << folder.filePath(name);
    return paths;
}

QString tst_Registry::writerProgram() const
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/registry_writer");
}

void tst_Registry::readsEachKindFromEachStoredType_data()
{
    QTest::addColumn<QString>("kind");
    // JSON text of the value "Value" in section ListingProperties; empty: no such value;
    // "<no section>": no ListingProperties at all.
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("error");

    const QString type = QStringLiteral("Invalid data type for 'Value'");
    const QString getData = QStringLiteral("Failed to get data for 'Value'");
    const QVariant dflt = QStringLiteral("default");
    const QByteArray noSection = "<no section>";
    auto s = [](const char* text) { return QVariant(QString::fromUtf8(text)); };

    // clang-format off
    QTest::newRow("string from REG_SZ") << "string" << QByteArray(R"("This is %f")") << dflt << s("This is %f") << "";
    QTest::newRow("string: empty reads empty, not the default") << "string" << QByteArray(R"("")") << dflt << s("") << "";
    QTest::newRow("string cut at the first NUL") << "string" << QByteArray(R"("ab\u0000cd")") << dflt << s("ab") << "";
    QTest::newRow("string from integer") << "string" << QByteArray("5") << dflt << QVariant() << type;
    QTest::newRow("string from integer 0 (4 bytes, not empty)") << "string" << QByteArray("0") << dflt << QVariant() << type;
    QTest::newRow("string from float") << "string" << QByteArray("1.5") << dflt << QVariant() << type;
    QTest::newRow("string from bool") << "string" << QByteArray("true") << dflt << QVariant() << type;
    QTest::newRow("string from null") << "string" << QByteArray("null") << dflt << QVariant() << type;
    QTest::newRow("string from array") << "string" << QByteArray(R"(["a"])") << dflt << QVariant() << type;
    QTest::newRow("string: subkey is no value") << "string" << QByteArray(R"({"Value": "x"})") << dflt << dflt << "";
    QTest::newRow("string: absent value") << "string" << QByteArray() << dflt << dflt << "";
    QTest::newRow("string: absent section") << "string" << noSection << dflt << dflt << "";

    QTest::newRow("integer from REG_DWORD") << "integer" << QByteArray("42") << QVariant(3) << QVariant(42) << "";
    QTest::newRow("integer negative") << "integer" << QByteArray("-7") << QVariant(3) << QVariant(-7) << "";
    QTest::newRow("integer lowest") << "integer" << QByteArray("-2147483648") << QVariant(3) << QVariant(INT_MIN) << "";
    QTest::newRow("integer highest") << "integer" << QByteArray("2147483647") << QVariant(3) << QVariant(INT_MAX) << "";
    QTest::newRow("integer beyond 32 bits") << "integer" << QByteArray("2147483648") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer below 32 bits") << "integer" << QByteArray("-2147483649") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from string \"1\" (2 bytes)") << "integer" << QByteArray(R"("1")") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from string \"abc\" (4 bytes)") << "integer" << QByteArray(R"("abc")") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from string \"abcd\" (5 bytes)") << "integer" << QByteArray(R"("abcd")") << QVariant(3) << QVariant() << getData;
    QTest::newRow("integer from empty string") << "integer" << QByteArray(R"("")") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from \"é\" (3 bytes in UTF-8)") << "integer" << QByteArray("\"\xc3\xa9\"") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from \"éé\" (5 bytes in UTF-8)") << "integer" << QByteArray("\"\xc3\xa9\xc3\xa9\"") << QVariant(3) << QVariant() << getData;
    QTest::newRow("integer from float") << "integer" << QByteArray("2.5") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from bool") << "integer" << QByteArray("false") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from null") << "integer" << QByteArray("null") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer from array") << "integer" << QByteArray("[1]") << QVariant(3) << QVariant() << type;
    QTest::newRow("integer: subkey is no value") << "integer" << QByteArray("{}") << QVariant(3) << QVariant(3) << "";
    QTest::newRow("integer: absent value") << "integer" << QByteArray() << QVariant(-3) << QVariant(-3) << "";
    QTest::newRow("integer: absent section") << "integer" << noSection << QVariant(3) << QVariant(3) << "";

    QTest::newRow("flag 7 reads true") << "flag" << QByteArray("7") << QVariant(false) << QVariant(true) << "";
    QTest::newRow("flag 1") << "flag" << QByteArray("1") << QVariant(false) << QVariant(true) << "";
    QTest::newRow("flag 0") << "flag" << QByteArray("0") << QVariant(true) << QVariant(false) << "";
    QTest::newRow("flag -1 reads true") << "flag" << QByteArray("-1") << QVariant(false) << QVariant(true) << "";
    QTest::newRow("flag from string \"1\"") << "flag" << QByteArray(R"("1")") << QVariant(false) << QVariant() << type;
    QTest::newRow("flag from string \"true\" (5 bytes)") << "flag" << QByteArray(R"("true")") << QVariant(false) << QVariant() << getData;
    QTest::newRow("flag from JSON true (no REG_DWORD)") << "flag" << QByteArray("true") << QVariant(false) << QVariant() << type;
    QTest::newRow("flag from float") << "flag" << QByteArray("0.5") << QVariant(false) << QVariant() << type;
    QTest::newRow("flag from null") << "flag" << QByteArray("null") << QVariant(false) << QVariant() << type;
    QTest::newRow("flag from array") << "flag" << QByteArray("[]") << QVariant(false) << QVariant() << type;
    QTest::newRow("flag: subkey is no value") << "flag" << QByteArray("{}") << QVariant(true) << QVariant(true) << "";
    QTest::newRow("flag: absent value") << "flag" << QByteArray() << QVariant(true) << QVariant(true) << "";
    QTest::newRow("flag: absent section") << "flag" << noSection << QVariant(true) << QVariant(true) << "";
    // clang-format on
}

void tst_Registry::readsEachKindFromEachStoredType()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, stored);
    QFETCH(QVariant, defaultValue);
    QFETCH(QVariant, expected);
    QFETCH(QString, error);

    if (stored == "<no section>")
        writeDocument(R"({"Software": {"Typovex": {"Options": {"Probe": "probe"}}}})");
    else if (stored.isEmpty())
        writeDocument(documentWithListingProperties(R"("Other": 1)"));
    else
        writeDocument(documentWithListingProperties(R"("Value": )" + stored));
    const QByteArray before = fileBytes(documentPath());

    TWinRegistry registry(AppKey, Messages::showWarning);
    QVariant result;
    QString raised;
    try {
        if (kind == QLatin1String("string"))
            result = registry.ReadString(QStringLiteral("ListingProperties"),
                                         QStringLiteral("Value"), defaultValue.toString());
        else if (kind == QLatin1String("integer"))
            result = registry.ReadInteger(QStringLiteral("ListingProperties"),
                                          QStringLiteral("Value"), defaultValue.toInt());
        else
            result = registry.ReadBool(QStringLiteral("ListingProperties"), QStringLiteral("Value"),
                                       defaultValue.toBool());
    } catch (const ERegistryException& e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QCOMPARE(result, expected);

    // Reading changes nothing on disk, and the application key is current again, so a
    // neighbouring section is still found.
    QCOMPARE(fileBytes(documentPath()), before);
    QCOMPARE(registry.CurrentPath(), AppKey);
    QCOMPARE(registry.ReadString(QStringLiteral("Options"), QStringLiteral("Probe"), QString()),
             QStringLiteral("probe"));
    QVERIFY(m_warnings.isEmpty());
}

void tst_Registry::writesEachKindAsItsRegistryType_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QJsonValue>("stored");

    // clang-format off
    QTest::newRow("string as JSON string") << "string" << QVariant(QStringLiteral("This is %f")) << QJsonValue(QStringLiteral("This is %f"));
    QTest::newRow("empty string") << "string" << QVariant(QString()) << QJsonValue(QString());
    QTest::newRow("integer as JSON integer") << "integer" << QVariant(-5) << QJsonValue(-5);
    QTest::newRow("highest integer") << "integer" << QVariant(INT_MAX) << QJsonValue(INT_MAX);
    QTest::newRow("lowest integer") << "integer" << QVariant(INT_MIN) << QJsonValue(INT_MIN);
    QTest::newRow("flag true as 1, not JSON true") << "flag" << QVariant(true) << QJsonValue(1);
    QTest::newRow("flag false as 0") << "flag" << QVariant(false) << QJsonValue(0);
    // clang-format on
}

void tst_Registry::writesEachKindAsItsRegistryType()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, value);
    QFETCH(QJsonValue, stored);

    const QString section = QStringLiteral("Options");
    const QString name = QStringLiteral("Value");
    {
        TWinRegistry registry(AppKey, Messages::showWarning);
        if (kind == QLatin1String("string"))
            registry.WriteString(section, name, value.toString());
        else if (kind == QLatin1String("integer"))
            registry.WriteInteger(section, name, value.toInt());
        else
            registry.WriteBool(section, name, value.toBool());
    }
    const std::optional<QJsonObject> document = parsedDocument();
    QVERIFY(document);
    const QJsonValue written = (*document)[u"Software"][u"Typovex"][u"Options"][u"Value"];
    QCOMPARE(written, stored);
    QCOMPARE(written.type(), stored.type());

    TWinRegistry registry(AppKey, Messages::showWarning);
    if (kind == QLatin1String("string"))
        QCOMPARE(registry.ReadString(section, name, QStringLiteral("x")), value.toString());
    else if (kind == QLatin1String("integer"))
        QCOMPARE(registry.ReadInteger(section, name, 77), value.toInt());
    else
        QCOMPARE(registry.ReadBool(section, name, !value.toBool()), value.toBool());
}

void tst_Registry::writingTwiceLeavesOneValueWithTheSecondData()
{
    TWinRegistry registry(AppKey, Messages::showWarning);
    registry.WriteString(QStringLiteral("PageLayout"), QStringLiteral("Top"),
                         QStringLiteral("10.0"));
    registry.WriteString(QStringLiteral("PageLayout"), QStringLiteral("Top"),
                         QStringLiteral("0.39"));
    registry.WriteInteger(QStringLiteral("PageLayout"), QStringLiteral("Columns"), 1);
    registry.WriteInteger(QStringLiteral("PageLayout"), QStringLiteral("Columns"), 2);

    const std::optional<QJsonObject> document = parsedDocument();
    QVERIFY(document);
    const QJsonObject section = (*document)[u"Software"][u"Typovex"][u"PageLayout"].toObject();
    QCOMPARE(section.keys(), QStringList({QStringLiteral("Columns"), QStringLiteral("Top")}));
    QCOMPARE(section.value(u"Top"), QJsonValue(QStringLiteral("0.39")));
    QCOMPARE(section.value(u"Columns"), QJsonValue(2));
}

void tst_Registry::failedWriteReportsAndLeavesStoreUsable_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");

    // The section path runs through the string value "Message".
    QTest::newRow("section path through a value")
        << "ListingProperties\\Message"
        << "Top"
        << "Failed to create key ListingProperties\\Message";
    // Replacing the key "Sub" by a value would lose what it holds.
    QTest::newRow("value name of a subkey") << "ListingProperties"
                                            << "Sub"
                                            << "Failed to set data for 'Sub'";
}

void tst_Registry::failedWriteReportsAndLeavesStoreUsable()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QString, error);

    writeDocument(documentWithListingProperties(R"("Message": "This is %f", "Sub": {"Keep": 1})"));
    const QByteArray before = fileBytes(documentPath());
    TWinRegistry registry(AppKey, Messages::showWarning);

    QString raised;
    try {
        registry.WriteString(section, name, QStringLiteral("x"));
    } catch (const ERegistryException& e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QCOMPARE(fileBytes(documentPath()), before);
    QCOMPARE(registry.CurrentPath(), AppKey);

    registry.WriteInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 1);
    QCOMPARE(registry.ReadInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 0), 1);
    QCOMPARE(registry.ReadString(QStringLiteral("Options"), QStringLiteral("Probe"), QString()),
             QStringLiteral("probe"));
}

void tst_Registry::firstRunCreatesApplicationKeyButNoSection()
{
    QCOMPARE(TWinRegistry::documentPath(), documentPath());
    QVERIFY(!QFile::exists(documentPath()));

    TWinRegistry registry(AppKey, Messages::showWarning);
    QCOMPARE(registry.KeyPath(), AppKey);
    QCOMPARE(registry.CurrentPath(), AppKey);
    const QJsonObject emptyAppKey{
        {QStringLiteral("Software"), QJsonObject{{QStringLiteral("Typovex"), QJsonObject()}}}};
    QCOMPARE(parsedDocument(), emptyAppKey);
    const QByteArray created = fileBytes(documentPath());

    QCOMPARE(registry.ReadString(QStringLiteral("ListingProperties"), QStringLiteral("Message"),
                                 QStringLiteral("This is %f")),
             QStringLiteral("This is %f"));
    QCOMPARE(registry.ReadInteger(QStringLiteral("PageLayout"), QStringLiteral("PointSize"), 12),
             12);
    QCOMPARE(registry.ReadBool(QStringLiteral("HeaderFooter"), QStringLiteral("RTBold"), true),
             true);
    QCOMPARE(fileBytes(documentPath()), created);

    registry.WriteInteger(QStringLiteral("PageLayout"), QStringLiteral("Columns"), 2);
    const QJsonObject withSection{
        {QStringLiteral("Software"),
         QJsonObject{{QStringLiteral("Typovex"),
                      QJsonObject{{QStringLiteral("PageLayout"),
                                   QJsonObject{{QStringLiteral("Columns"), 2}}}}}}}};
    QCOMPARE(parsedDocument(), withSection);
    QVERIFY(m_warnings.isEmpty());
}

void tst_Registry::textRoundTrips_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße, 日本語 — ½ %F");
    QTest::newRow("two lines with CR LF") << QStringLiteral("First line\r\nSecond line");
    QTest::newRow("quotes and backslashes") << QStringLiteral("C:\\Fonts \"bold\" \\");
    QTest::newRow("leading and trailing spaces") << QStringLiteral("  10.0 ");
}

void tst_Registry::textRoundTrips()
{
    QFETCH(QString, text);
    TWinRegistry(AppKey, Messages::showWarning)
        .WriteString(QStringLiteral("ListingProperties"), QStringLiteral("Message"), text);
    TWinRegistry registry(AppKey, Messages::showWarning);
    QCOMPARE(registry.ReadString(QStringLiteral("ListingProperties"), QStringLiteral("Message"),
                                 QString()),
             text);
}

void tst_Registry::unopenableApplicationKeyLooksSectionsUpAtTheRoot()
{
    writeDocument(R"({"Options": {"Probe": "under the root"}})");
    const QByteArray before = fileBytes(documentPath());
    ReadOnlyFolder folder(QFileInfo(documentPath()).absolutePath());
    if (!folder.isReadOnly())
        QSKIP("cannot make a folder read-only here");

    // The application key cannot be created, which the constructor does not report.
    TWinRegistry registry(AppKey, Messages::showWarning);
    QCOMPARE(registry.CurrentPath(), QString());
    QCOMPARE(registry.ReadString(QStringLiteral("Options"), QStringLiteral("Probe"), QString()),
             QStringLiteral("under the root"));

    auto writeError = [&](const QString& section, const QString& name) {
        try {
            registry.WriteString(section, name, QStringLiteral("x"));
        } catch (const ERegistryException& e) {
            return e.message();
        }
        return QString();
    };
    QCOMPARE(writeError(QStringLiteral("Options"), QStringLiteral("Probe")),
             QStringLiteral("Failed to set data for 'Probe'"));
    QCOMPARE(writeError(QStringLiteral("PageLayout"), QStringLiteral("Top")),
             QStringLiteral("Failed to create key PageLayout"));
    QCOMPARE(fileBytes(documentPath()), before);
    QVERIFY(m_warnings.isEmpty());
}

// Reads the writer's progress lines; returns the highest index it has reported written.
static int readProgress(QProcess& writer, int reported)
{
    while (writer.canReadLine()) {
        bool ok = false;
        const int index = writer.readLine().trimmed().toInt(&ok);
        if (ok)
            reported = qMax(reported, index);
    }
    return reported;
}

void tst_Registry::killedWriterLeavesAPrefixOfItsWrites()
{
    QVERIFY2(QFile::exists(writerProgram()), "build the registry_writer helper");
    auto* random = QRandomGenerator::global();
    QMap<QString, int> landed; // run prefix -> values it left
    const int runs = 30;
    for (int run = 0; run < runs; ++run) {
        const QString prefix = QStringLiteral("r%1_").arg(run);
        QProcess writer;
        writer.start(writerProgram(), {QStringLiteral("Crash"), prefix, QStringLiteral("1000000")});
        QVERIFY(writer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(writer.canReadLine(), 30000);
        QCOMPARE(writer.readLine(), QByteArray("ready\n"));
        writer.write("go\n");

        // Kill after a random number of finished writes and a random short moment more, so
        // that the kill lands at different points of a write.
        const int target = random->bounded(6);
        int reported = -1;
        QTRY_VERIFY_WITH_TIMEOUT((reported = readProgress(writer, reported)) >= target - 1, 30000);
        QThread::usleep(random->bounded(4000));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        reported = readProgress(writer, reported);

        const std::optional<QJsonObject> document = parsedDocument();
        QVERIFY2(document, qPrintable(QStringLiteral("run %1: document damaged").arg(run)));
        const QJsonObject section = (*document)[u"Software"][u"Typovex"][u"Crash"].toObject();
        int count = 0;
        while (section.contains(prefix + QString::number(count))) {
            QCOMPARE(section.value(prefix + QString::number(count)), QJsonValue(count));
            ++count;
        }
        // Every write that returned is there; the one under way when killed may be too.
        QVERIFY2(count == reported + 1 || count == reported + 2,
                 qPrintable(QStringLiteral("run %1: %2 values, %3 reported")
                                .arg(run)
                                .arg(count)
                                .arg(reported + 1)));
        landed[prefix] = count;
        // A prefix: nothing of this run beyond the first missing value, nothing lost of earlier
        // runs.
        int total = 0;
        for (auto it = landed.cbegin(); it != landed.cend(); ++it)
            total += it.value();
        QCOMPARE(section.size(), total);
        for (auto it = landed.cbegin(); it != landed.cend(); ++it)
            QVERIFY(it.value() == 0 ||
                    section.contains(it.key() + QString::number(it.value() - 1)));
    }
    QCOMPARE(asideFiles(), QStringList());

    // The next write clears whatever an interrupted save left, and the lock file left by the
    // killed writers holds nobody back.
    Watchdog watchdog;
    TWinRegistry registry(AppKey);
    registry.WriteInteger(QStringLiteral("Crash"), QStringLiteral("after"), 1);
    QCOMPARE(QDir(QFileInfo(documentPath()).absolutePath())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("registry.json"), QStringLiteral("registry.json.lock")}));
}

void tst_Registry::concurrentWritersKeepEveryValue()
{
    QVERIFY2(QFile::exists(writerProgram()), "build the registry_writer helper");
    const int count = 500;
    QProcess first;
    QProcess second;
    first.start(writerProgram(),
                {QStringLiteral("Shared"), QStringLiteral("a"), QString::number(count)});
    second.start(writerProgram(),
                 {QStringLiteral("Shared"), QStringLiteral("b"), QString::number(count)});
    QVERIFY(first.waitForStarted());
    QVERIFY(second.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(first.canReadLine() && second.canReadLine(), 30000);
    // Both have their store open before either writes.
    first.write("go\n");
    second.write("go\n");
    QTRY_VERIFY_WITH_TIMEOUT(
        first.state() == QProcess::NotRunning && second.state() == QProcess::NotRunning, 120000);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    const std::optional<QJsonObject> document = parsedDocument();
    QVERIFY(document);
    const QJsonObject section = (*document)[u"Software"][u"Typovex"][u"Shared"].toObject();
    QCOMPARE(section.size(), 2 * count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(section.value(QStringLiteral("a") + QString::number(i)), QJsonValue(i));
        QCOMPARE(section.value(QStringLiteral("b") + QString::number(i)), QJsonValue(i));
    }
}

void tst_Registry::damagedDocumentIsMovedAsideWithOneWarning_data()
{
    QTest::addColumn<QByteArray>("content");
    // "file", "unreadable file", "folder", "fifo", "socket", "link to fifo", "device link",
    // "link loop", "sparse file" (content: its size in MiB) or "valid file" (read, not moved)
    QTest::addColumn<QString>("form");

    const QByteArray valid = documentWithListingProperties(R"("Message": "kept")");
    QTest::newRow("not JSON") << QByteArray("ListingProperties=1\n") << "file";
    QTest::newRow("truncated JSON") << valid.left(valid.size() / 2) << "file";
    QTest::newRow("top level array") << QByteArray(R"([{"Software": {}}])") << "file";
    QTest::newRow("top level string") << QByteArray(R"("Software")") << "file";
    QTest::newRow("Software a string") << QByteArray(R"({"Software": "Typovex"})") << "file";
    QTest::newRow("Typovex a number") << QByteArray(R"({"Software": {"Typovex": 5}})") << "file";
    QTest::newRow("section a string")
        << QByteArray(R"({"Software": {"Typovex": {"Options": "Startup=1"}}})") << "file";
    QTest::newRow("invalid UTF-8 in a string")
        << QByteArray("{\"Software\": \"\xff\xfe\"}") << "file";
    QTest::newRow("file without read permission (skipped as root, who reads anyway)")
        << valid << "unreadable file";
    QTest::newRow("folder in the file's place (unreadable even for root)")
        << QByteArray() << "folder";
    // Nothing that is not a regular file is opened: a pipe would block the start for good, a
    // device would be read without end.
    QTest::newRow("FIFO") << QByteArray() << "fifo";
    QTest::newRow("socket") << QByteArray() << "socket";
    QTest::newRow("link to a FIFO") << QByteArray() << "link to fifo";
    QTest::newRow("link to /dev/zero") << QByteArray("/dev/zero") << "device link";
    QTest::newRow("link to /dev/urandom") << QByteArray("/dev/urandom") << "device link";
    QTest::newRow("link that loops") << QByteArray() << "link loop";
    // Over the 64 MiB bound: refused unread (zeros, and sparse, so that it costs no disk).
    QTest::newRow("65 MiB file") << QByteArray("65") << "sparse file";
    // Under it: a real document, however large, is read and kept.
    QTest::newRow("30 MB valid document")
        << QByteArray(R"({"Software": {"Typovex": {"Options": {"Big": ")") +
               QByteArray(30 * 1000 * 1000, 'x') +
               R"("}, "ListingProperties": {"Message": "kept"}}}})"
        << "valid file";
}

void tst_Registry::damagedDocumentIsMovedAsideWithOneWarning()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, form);

    if (form == QLatin1String("unreadable file") && runningAsRoot())
        QSKIP("root reads files without read permission");
    const QByteArray path = QFile::encodeName(documentPath());
    QVERIFY(QDir().mkpath(QFileInfo(documentPath()).absolutePath()));
    std::optional<QTemporaryDir> elsewhere;
    int socketFd = -1;
    const auto closeSocket = qScopeGuard([&] {
        if (socketFd >= 0)
            ::close(socketFd);
    });
    if (form == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(documentPath()));
    } else if (form == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (form == QLatin1String("link to fifo")) {
        elsewhere.emplace();
        const QByteArray fifo = QFile::encodeName(elsewhere->filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::symlink(fifo.constData(), path.constData()), 0);
    } else if (form == QLatin1String("device link")) {
        QCOMPARE(::symlink(content.constData(), path.constData()), 0);
    } else if (form == QLatin1String("link loop")) {
        QCOMPARE(::symlink(path.constData(), path.constData()), 0);
    } else if (form == QLatin1String("socket")) {
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (path.size() >= qsizetype(sizeof(address.sun_path)))
            QSKIP("the temporary folder's path is too long for a socket");
        std::strcpy(address.sun_path, path.constData());
        QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    } else if (form == QLatin1String("sparse file")) {
        writeDocument(QByteArray());
        QVERIFY(QFile::resize(documentPath(), content.toLongLong() * 1024 * 1024));
    } else {
        writeDocument(content);
        if (form == QLatin1String("unreadable file"))
            QVERIFY(QFile::setPermissions(documentPath(), QFileDevice::WriteOwner));
    }
    struct stat before = {};
    QCOMPARE(::lstat(path.constData(), &before), 0);

    Watchdog watchdog;
    TWinRegistry registry(AppKey, Messages::showWarning);
    const bool kept = form == QLatin1String("valid file");
    QCOMPARE(registry.ReadString(QStringLiteral("ListingProperties"), QStringLiteral("Message"),
                                 QStringLiteral("This is %f")),
             kept ? QStringLiteral("kept") : QStringLiteral("This is %f"));
    QCOMPARE(registry.ReadInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 0), 0);
    QCOMPARE(registry.ReadBool(QStringLiteral("Options"), QStringLiteral("UseBorders"), false),
             false);

    const QStringList aside = asideFiles();
    if (kept) {
        QCOMPARE(aside, QStringList());
        QCOMPARE(m_warnings, QStringList());
    } else {
        QCOMPARE(aside.size(), 1);
        QCOMPARE(m_warnings.size(), 1);
        QVERIFY2(m_warnings.first().contains(QDir::toNativeSeparators(aside.first())),
                 qPrintable(m_warnings.first()));
        // The very entry was moved: a link as a link, a pipe as a pipe.
        struct stat after = {};
        QCOMPARE(::lstat(QFile::encodeName(aside.first()).constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_ino, before.st_ino);
        if (form == QLatin1String("file") || form == QLatin1String("unreadable file")) {
            QFile::setPermissions(aside.first(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QVERIFY(fileBytes(aside.first()) == content);
        }
    }

    registry.WriteString(QStringLiteral("ListingProperties"), QStringLiteral("Message"),
                         QStringLiteral("fresh"));
    const std::optional<QJsonObject> document = parsedDocument();
    QVERIFY(document);
    QCOMPARE((*document)[u"Software"][u"Typovex"][u"ListingProperties"][u"Message"],
             QJsonValue(QStringLiteral("fresh")));
    if (kept) // the rest of a large document is kept by a write
        QCOMPARE((*document)[u"Software"][u"Typovex"][u"Options"][u"Big"].toString().size(),
                 30 * 1000 * 1000);

    TWinRegistry again(AppKey, Messages::showWarning);
    QCOMPARE(
        again.ReadString(QStringLiteral("ListingProperties"), QStringLiteral("Message"), QString()),
        QStringLiteral("fresh"));
    QCOMPARE(m_warnings.size(), kept ? 0 : 1);
    QCOMPARE(asideFiles(), aside);
}

void tst_Registry::emptyFileIsAFreshDocumentWithoutWarning()
{
    // Nothing in an empty file can be lost, so it is started afresh without troubling the user.
    writeDocument(QByteArray());
    TWinRegistry registry(AppKey, Messages::showWarning);
    QCOMPARE(registry.CurrentPath(), AppKey);
    QCOMPARE(registry.ReadInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 4), 4);
    QVERIFY(m_warnings.isEmpty());
    QCOMPARE(asideFiles(), QStringList());
    const std::optional<QJsonObject> document = parsedDocument();
    QVERIFY(document);
    QVERIFY((*document)[u"Software"][u"Typovex"].isObject());
}

void tst_Registry::laterDamageKeepsTheEarlierAsideFile()
{
    writeDocument("first damage");
    TWinRegistry registry(AppKey, Messages::showWarning);
    QCOMPARE(asideFiles().size(), 1);

    // Damaged again within the same second, behind the back of an open store: its next read
    // finds it and sets it aside under another name.
    writeDocument("second damage");
    QCOMPARE(
        registry.ReadString(QStringLiteral("Options"), QStringLiteral("X"), QStringLiteral("d")),
        QStringLiteral("d"));
    const QStringList aside = asideFiles();
    QCOMPARE(aside.size(), 2);
    QStringList contents{QString::fromLatin1(fileBytes(aside.at(0))),
                         QString::fromLatin1(fileBytes(aside.at(1)))};
    contents.sort();
    QCOMPARE(contents,
             QStringList({QStringLiteral("first damage"), QStringLiteral("second damage")}));
    QCOMPARE(m_warnings.size(), 2);
}

void tst_Registry::unmovableDamagedDocumentIsNeverReplaced()
{
    // A folder in the document's place cannot be read by anyone, and in a read-only folder it
    // cannot be moved aside either.
    QVERIFY(QDir().mkpath(documentPath()));
    QFile inside(documentPath() + QStringLiteral("/inside"));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.close();
    ReadOnlyFolder folder(QFileInfo(documentPath()).absolutePath());
    if (!folder.isReadOnly())
        QSKIP("cannot make a folder read-only here");

    for (int i = 0; i < 2; ++i) {
        TWinRegistry registry(AppKey, Messages::showWarning);
        QCOMPARE(registry.CurrentPath(), QString());
        QCOMPARE(registry.ReadInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 9), 9);
        QString raised;
        try {
            registry.WriteInteger(QStringLiteral("Options"), QStringLiteral("Startup"), 1);
        } catch (const ERegistryException& e) {
            raised = e.message();
        }
        QCOMPARE(raised, QStringLiteral("Failed to create key Options"));
    }
    QCOMPARE(m_warnings.size(), 1);
    QVERIFY(m_warnings.first().contains(QStringLiteral("could not be moved aside")));
    QVERIFY(m_warnings.first().contains(QDir::toNativeSeparators(documentPath())));
    QVERIFY(QFileInfo(documentPath()).isDir());
    QVERIFY(QFile::exists(inside.fileName()));
}

TYPOVEX_TEST_MAIN(tst_Registry)

#include "tst_registry.moc"
