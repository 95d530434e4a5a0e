#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "fontservices/FontServices.h"
#include "settings/ListingSettings.h"
#include "settings/WinReg.h"
#include "support/TestMain.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"

#include <memory>
#include <QAbstractButton>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QtTest>

using Field = ListingSettings::Field;
using ControlKind = ListingSettings::ControlKind;

namespace {

// A control's value as the settings see it, whatever its class.
QVariant valueOf(TfrmAdvanced& adv, const Field& f)
{
    QWidget* w = adv.findChild<QWidget*>(QLatin1String(f.controlName));
    if (!w)
        return {};
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return m->toPlainText();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->isChecked();
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return s->value();
    if (auto* r = qobject_cast<RadioGroup*>(w))
        return r->itemIndex();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return f.control == ControlKind::Face
                   ? QVariant(c->currentIndex() >= 0 ? c->currentText() : QString())
                   : QVariant(c->currentIndex());
    return {};
}

const Field& field(const char* name)
{
    for (const Field& f : ListingSettings::fields())
        if (qstrcmp(f.name, name) == 0)
            return f;
    qFatal("no field %s", name);
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRunGivesEveryDefault();
    void firstRunCreatesKeyButNoSection();
    void saveThenLoadGivesBackEveryField();
    void storedValuesAreClampedAndSelected_data();
    void storedValuesAreClampedAndSelected();
    void faceNotInstalledSelectsNothingAndSavesEmpty();
    void twoLineMessageStoredWithCrLf();
    void marginsLoadUnconvertedInStoredUnits();
    void marginTextsAreSavedExactlyAsTyped_data();
    void marginTextsAreSavedExactlyAsTyped();
    void readErrorStopsLoadingAtThatValue_data();
    void readErrorStopsLoadingAtThatValue();
    void printerStepIsGuarded();
    void writeErrorStopsTheSave();

private:
    QString registryFile() const
    {
        return m_dir->path() + QStringLiteral("/Typovex/registry.json");
    }
    void writeDocument(const QJsonObject& appKey);
    QJsonObject readAppKey() const;
    std::unique_ptr<TfrmAdvanced> newAdvanced() { return std::make_unique<TfrmAdvanced>(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_boxes;
};

void tst_Settings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
    PrinterList::setOverride(PrinterList::Override{{"Office", "Laser", "PDF"}, 1});
    m_boxes.clear();
    Messages::setHook([this](Messages::Kind, const QString& t) {
        m_boxes.append(t);
        return QMessageBox::Ok;
    });
}

void tst_Settings::cleanup()
{
    Messages::setHook({});
    PrinterList::setOverride(std::nullopt);
}

void tst_Settings::writeDocument(const QJsonObject& appKey)
{
    QDir().mkpath(m_dir->path() + QStringLiteral("/Typovex"));
    QFile f(registryFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    QJsonObject software{{"Typovex", appKey}};
    f.write(QJsonDocument(QJsonObject{{"Software", software}}).toJson());
}

QJsonObject tst_Settings::readAppKey() const
{
    QFile f(registryFile());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll())
        .object()["Software"]
        .toObject()["Typovex"]
        .toObject();
}

void tst_Settings::firstRunGivesEveryDefault()
{
    // The defaults of a first run, field by field as the controls show them.
    const QString arial = FontServices::familyList().contains("Arial", Qt::CaseInsensitive)
                              ? QStringLiteral("Arial")
                              : QString(); // no entry where no Arial is installed
    const QList<std::pair<const char*, QVariant>> expected{
        {"Message", "This is %f"},
        {"FontName", true},
        {"DisplayTitle", true},
        {"TitleText", "Typovex"},
        {"DisplayHeader", true},
        {"HeaderText", "Windows font list"},
        {"ListChars", true},
        {"SuppressHeader", true},
        {"DateTime", true},
        {"PageNo", true},
        {"FirstPage", 1},
        {"PrinterIndex", 1}, // the system's current printer
        {"Orientation", 0},
        {"PointSize", 12},
        {"Bold", false},
        {"Italic", false},
        {"Underline", false},
        {"Strikeout", false},
        {"PaperSize", 2},
        {"Units", 0},
        {"Top", "10.0"},
        {"Bottom", "15.0"},
        {"Left", "10.0"},
        {"Right", "10.0"},
        {"Columns", 0},
        {"StartMinimised", false},
        {"UseBorders", false},
        {"Startup", 0},
        {"RTFontName", arial},
        {"RTFontSize", 14},
        {"RTBold", true},
        {"RTItalic", false},
        {"RTUnderline", false},
        {"RTStrikeout", false},
        {"HFontName", arial},
        {"HFontSize", 8},
        {"HBold", false},
        {"HItalic", false},
        {"HUnderline", false},
        {"HStrikeout", false},
        {"FFontName", arial},
        {"FFontSize", 8},
        {"FBold", false},
        {"FItalic", false},
        {"FUnderline", false},
        {"FStrikeout", false},
        {"ScriptSamples", true},
    };
    auto adv = newAdvanced();
    adv->LoadSettings();
    QCOMPARE(qsizetype(ListingSettings::fields().size()), expected.size());
    for (const auto& [name, value] : expected)
        QCOMPARE(valueOf(*adv, field(name)), value);
    QCOMPARE(adv->ShownUnits, 0);
    QVERIFY(adv->findChild<QLineEdit*>("eTitleText")->isEnabled());
    QVERIFY(m_boxes.isEmpty());
}

void tst_Settings::firstRunCreatesKeyButNoSection()
{
    auto adv = newAdvanced();
    adv->LoadSettings();
    QVERIFY(QFile::exists(registryFile()));
    QVERIFY(readAppKey().isEmpty());
}

void tst_Settings::saveThenLoadGivesBackEveryField()
{
    auto adv = newAdvanced();
    adv->LoadSettings();
    // Give every field a value other than its default.
    for (const Field& f : ListingSettings::fields()) {
        QWidget* w = adv->findChild<QWidget*>(QLatin1String(f.controlName));
        QVERIFY2(w, f.controlName);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setText(QStringLiteral("x%1").arg(f.name));
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            m->setPlainText(QStringLiteral("first %f\nsecond %F"));
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setChecked(f.intDefault == 0);
        else if (auto* s = qobject_cast<QSpinBox*>(w))
            s->setValue(f.control == ControlKind::Number ? -7 : 321);
        else if (auto* r = qobject_cast<RadioGroup*>(w))
            r->setItemIndex(r->count() - 1);
        else if (auto* c = qobject_cast<QComboBox*>(w))
            c->setCurrentIndex(c->count() - 1);
    }
    QVariantList saved;
    for (const Field& f : ListingSettings::fields())
        saved.append(valueOf(*adv, f));
    adv->SaveSettings();
    QCOMPARE(m_boxes, QStringList{"Your settings have been saved."});
    // The script-samples option, cleared above, is a flag of the "Options" section: a number.
    QCOMPARE(readAppKey()["Options"].toObject()["ScriptSamples"], QJsonValue(0));

    auto again = newAdvanced();
    again->LoadSettings();
    int i = 0;
    for (const Field& f : ListingSettings::fields()) {
        QVariant want = saved.at(i++);
        QCOMPARE(valueOf(*again, f).toString(), want.toString());
    }
    QCOMPARE(again->ShownUnits, 1);
}

void tst_Settings::storedValuesAreClampedAndSelected_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<QVariant>("shown");

    QTest::newRow("PaperSize 7 selects the last entry")
        << "PageLayout"
        << "PaperSize" << QJsonValue(7) << QVariant(3);
    QTest::newRow("Orientation -5 selects nothing")
        << "PageLayout"
        << "Orientation" << QJsonValue(-5) << QVariant(-1);
    QTest::newRow("Orientation -1 selects nothing")
        << "PageLayout"
        << "Orientation" << QJsonValue(-1) << QVariant(-1);
    QTest::newRow("PointSize 0 loads as 1") << "PageLayout"
                                            << "PointSize" << QJsonValue(0) << QVariant(1);
    QTest::newRow("PointSize 5000 loads as 999")
        << "PageLayout"
        << "PointSize" << QJsonValue(5000) << QVariant(999);
    QTest::newRow("RTFontSize -20 loads as 1") << "HeaderFooter"
                                               << "RTFontSize" << QJsonValue(-20) << QVariant(1);
    QTest::newRow("FirstPage -3 unchanged") << "ListingProperties"
                                            << "FirstPage" << QJsonValue(-3) << QVariant(-3);
    QTest::newRow("FirstPage large unchanged")
        << "ListingProperties"
        << "FirstPage" << QJsonValue(2000000) << QVariant(2000000);
    QTest::newRow("Startup -1 selects nothing") << "Options"
                                                << "Startup" << QJsonValue(-1) << QVariant(-1);
    QTest::newRow("Startup 9 selects Advanced") << "Options"
                                                << "Startup" << QJsonValue(9) << QVariant(1);
    QTest::newRow("flag 7 is on") << "Options"
                                  << "UseBorders" << QJsonValue(7) << QVariant(true);
    QTest::newRow("ScriptSamples 0 clears a box ticked by default")
        << "Options"
        << "ScriptSamples" << QJsonValue(0) << QVariant(false);
    QTest::newRow("PrinterIndex outside the list selects none")
        << "PageLayout"
        << "PrinterIndex" << QJsonValue(3) << QVariant(-1);
    QTest::newRow("PrinterIndex 2") << "PageLayout"
                                    << "PrinterIndex" << QJsonValue(2) << QVariant(2);
    QTest::newRow("face differing in case selects the family")
        << "HeaderFooter"
        << "HFontName" << QJsonValue("dejavu SANS") << QVariant("DejaVu Sans");
    QTest::newRow("face not installed selects nothing")
        << "HeaderFooter"
        << "FFontName" << QJsonValue("No Such Face 123") << QVariant("");
}

void tst_Settings::storedValuesAreClampedAndSelected()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QJsonValue, stored);
    QFETCH(QVariant, shown);
    writeDocument(QJsonObject{{section, QJsonObject{{name, stored}}}});
    auto adv = newAdvanced();
    adv->LoadSettings();
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('|')));
    QCOMPARE(valueOf(*adv, field(name.toLatin1().constData())), shown);
}

void tst_Settings::faceNotInstalledSelectsNothingAndSavesEmpty()
{
    writeDocument(QJsonObject{{"HeaderFooter", QJsonObject{{"RTFontName", "Gone Sans"}}}});
    auto adv = newAdvanced();
    adv->LoadSettings();
    QCOMPARE(adv->findChild<QComboBox*>("cbRTFontName")->currentIndex(), -1);
    adv->SaveSettings();
    QCOMPARE(readAppKey()["HeaderFooter"].toObject()["RTFontName"], QJsonValue(""));
    auto again = newAdvanced();
    again->LoadSettings();
    QCOMPARE(again->findChild<QComboBox*>("cbRTFontName")->currentIndex(), -1);
}

void tst_Settings::twoLineMessageStoredWithCrLf()
{
    auto adv = newAdvanced();
    adv->findChild<QPlainTextEdit*>("mMessage")->setPlainText("Line one %f\nLine two");
    adv->SaveSettings();
    QCOMPARE(readAppKey()["ListingProperties"].toObject()["Message"],
             QJsonValue("Line one %f\r\nLine two"));
    auto again = newAdvanced();
    again->LoadSettings();
    QCOMPARE(again->findChild<QPlainTextEdit*>("mMessage")->document()->blockCount(), 2);
    QCOMPARE(again->findChild<QPlainTextEdit*>("mMessage")->toPlainText(),
             QString("Line one %f\nLine two"));
}

void tst_Settings::marginsLoadUnconvertedInStoredUnits()
{
    QLocale::setDefault(QLocale::c());
    writeDocument(QJsonObject{{"PageLayout", QJsonObject{{"Units", 1},
                                                         {"Top", "0.39"},
                                                         {"Bottom", "0.59"},
                                                         {"Left", "0.39"},
                                                         {"Right", "0.39"}}}});
    auto adv = newAdvanced();
    adv->LoadSettings();
    QCOMPARE(adv->ShownUnits, 1);
    const QStringList names{"eTop", "eBottom", "eLeft", "eRight"};
    QStringList shown;
    for (const QString& n : names)
        shown << adv->findChild<QLineEdit*>(n)->text();
    QCOMPARE(shown, (QStringList{"0.39", "0.59", "0.39", "0.39"}));
    // A later switch to millimetres converts from inches.
    adv->findChild<RadioGroup*>("rgUnits")->setItemIndex(0);
    shown.clear();
    for (const QString& n : names)
        shown << adv->findChild<QLineEdit*>(n)->text();
    QCOMPARE(shown, (QStringList{"9.9", "15.0", "9.9", "9.9"}));
}

void tst_Settings::marginTextsAreSavedExactlyAsTyped_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("overflowing number") << "1e309";
    QTest::newRow("negative zero") << "-0";
    QTest::newRow("300 characters") << QString(300, QLatin1Char('7'));
}

void tst_Settings::marginTextsAreSavedExactlyAsTyped()
{
    QFETCH(QString, text);
    auto adv = newAdvanced();
    adv->LoadSettings();
    auto* top = adv->findChild<QLineEdit*>("eTop");
    top->setText(text);
    // A unit change there and back must survive the text whatever it holds.
    adv->findChild<RadioGroup*>("rgUnits")->setItemIndex(1);
    adv->findChild<RadioGroup*>("rgUnits")->setItemIndex(0);
    top->setText(text);
    adv->SaveSettings();
    QCOMPARE(readAppKey()["PageLayout"].toObject()["Top"], QJsonValue(text));
}

void tst_Settings::readErrorStopsLoadingAtThatValue_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<QString>("message");
    // How many of the probed fields (TitleText, Orientation, Columns, FFontSize, in load order)
    // come before the failing one and are therefore loaded.
    QTest::addColumn<int>("loaded");
    QTest::newRow("PointSize as a short string")
        << "PageLayout"
        << "PointSize" << QJsonValue("12") << "Invalid data type for 'PointSize'" << 2;
    QTest::newRow("PointSize as a long string")
        << "PageLayout"
        << "PointSize" << QJsonValue("twelve") << "Failed to get data for 'PointSize'" << 2;
    QTest::newRow("Message as a number")
        << "ListingProperties"
        << "Message" << QJsonValue(5) << "Invalid data type for 'Message'" << 0;
    // A flag is stored as a number, so text is the wrong kind; it is read after all the others.
    QTest::newRow("ScriptSamples as a string")
        << "Options"
        << "ScriptSamples" << QJsonValue("1") << "Invalid data type for 'ScriptSamples'" << 4;
}

void tst_Settings::readErrorStopsLoadingAtThatValue()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QJsonValue, stored);
    QFETCH(QString, message);
    QFETCH(int, loaded);
    // Every field gets a stored value other than the initial one, so that the fields after the
    // failing one show whether they were read.
    QJsonObject doc{
        {"ListingProperties", QJsonObject{{"TitleText", "Stored title"}, {"FirstPage", 5}}},
        {"PageLayout", QJsonObject{{"Orientation", 1}, {"Columns", 1}}},
        {"HeaderFooter", QJsonObject{{"FFontSize", 30}}}};
    QJsonObject s = doc[section].toObject();
    s[name] = stored;
    doc[section] = s;
    writeDocument(doc);

    auto adv = newAdvanced();
    try {
        adv->LoadSettings();
        QFAIL("the load went through");
    } catch (const TypovexError& e) {
        QCOMPARE(e.message(), message);
    }
    // Fields before the failing one are loaded; later ones keep the window's initial values.
    QCOMPARE(adv->findChild<QLineEdit*>("eTitleText")->text(),
             loaded > 0 ? QString("Stored title") : QString("Typovex"));
    QCOMPARE(adv->findChild<RadioGroup*>("rgOrientation")->itemIndex(), loaded > 1 ? 1 : 0);
    QCOMPARE(adv->findChild<RadioGroup*>("rgColumns")->itemIndex(), loaded > 2 ? 1 : 0);
    QCOMPARE(adv->findChild<QSpinBox*>("seFFontSize")->value(), loaded > 3 ? 30 : 8);
}

void tst_Settings::printerStepIsGuarded()
{
    // A PrinterIndex held as a string is swallowed; the rest still loads.
    writeDocument(
        QJsonObject{{"PageLayout", QJsonObject{{"PrinterIndex", "one"}, {"PaperSize", 0}}}});
    auto adv = newAdvanced();
    adv->LoadSettings();
    QCOMPARE(adv->findChild<QComboBox*>("cbPrinters")->currentIndex(), -1);
    QCOMPARE(adv->findChild<RadioGroup*>("rgPaperSize")->itemIndex(), 0);

    // Without any printer the step is skipped silently.
    PrinterList::setOverride(PrinterList::Override{{}, -1});
    writeDocument(QJsonObject{{"PageLayout", QJsonObject{{"PrinterIndex", 0}, {"PaperSize", 1}}}});
    auto none = newAdvanced();
    none->LoadSettings();
    QCOMPARE(none->findChild<QComboBox*>("cbPrinters")->count(), 0);
    QCOMPARE(none->findChild<RadioGroup*>("rgPaperSize")->itemIndex(), 1);
    QVERIFY(m_boxes.isEmpty());
}

void tst_Settings::writeErrorStopsTheSave()
{
    // A subkey where the Orientation value belongs makes that one write fail.
    writeDocument(QJsonObject{{"PageLayout", QJsonObject{{"Orientation", QJsonObject{}}}}});
    auto adv = newAdvanced();
    adv->findChild<QLineEdit*>("eTitleText")->setText("Written before");
    adv->findChild<QComboBox*>("cbPrinters")->setCurrentIndex(2);
    adv->findChild<QSpinBox*>("sePointSize")->setValue(40);
    try {
        adv->SaveSettings();
        QFAIL("the save went through");
    } catch (const TypovexError& e) {
        QCOMPARE(e.message(), QString("Failed to set data for 'Orientation'"));
    }
    QVERIFY(m_boxes.isEmpty()); // no confirmation
    const QJsonObject key = readAppKey();
    QCOMPARE(key["ListingProperties"].toObject()["TitleText"], QJsonValue("Written before"));
    QCOMPARE(key["PageLayout"].toObject()["PrinterIndex"], QJsonValue(2));
    QVERIFY(!key["PageLayout"].toObject().contains("PointSize"));
    QVERIFY(!key.contains("HeaderFooter"));
}

TYPOVEX_TEST_MAIN(tst_Settings)

#include "tst_settings.moc"
