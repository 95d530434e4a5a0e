#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "fontservices/FontServices.h"
#include "settings/ListingSettings.h"
#include "support/TestMain.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"
#include "ui/TriStateCheckBox.h"

#include <limits>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <stdexcept>

using Margins = QStringList; // top, bottom, left, right

class tst_Advanced : public QObject
{
    Q_OBJECT

private:
    template <typename T> static T* child(QWidget& form, const char* name)
    {
        auto* w = form.findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("no %s named %s", T::staticMetaObject.className(), name);
        return w;
    }
    static void setMargins(TfrmAdvanced& form, const Margins& m);
    static Margins margins(TfrmAdvanced& form);

private slots:
    void init();
    void cleanup();

    void shouldHaveEveryControlWithItsInitialState_data();
    void shouldHaveEveryControlWithItsInitialState();
    void shouldHaveTabsInOrderWithFontsActive();
    void styleButtonsShowTheirOwnStyle_data();
    void styleButtonsShowTheirOwnStyle();
    void faceSelectorsHoldEveryFamilyWithNoneChosen();
    void firstPageHasNoLimits();

    void printerListFillsTheDropDownWithNoneChosen_data();
    void printerListFillsTheDropDownWithNoneChosen();
    void printerSeamReportsCurrentPrinter_data();
    void printerSeamReportsCurrentPrinter();

    void clearingTitleDisablesTitleText();
    void clearingHeaderDisablesItsThreeControls();
    void autoTextReplacesWholeMessage_data();
    void autoTextReplacesWholeMessage();

    void unitChangeConvertsMargins_data();
    void unitChangeConvertsMargins();
    void shownUnitsFollowsTheChoice();
    void radioGroupsReportMinusOneWhenNothingSelected_data();
    void radioGroupsReportMinusOneWhenNothingSelected();
    void styleTogglesAreIndependent();

    void fontFilterShowsMatchesAndEveryCommandKeepsAllEntries_data();
    void fontFilterShowsMatchesAndEveryCommandKeepsAllEntries();

    void captionsFitAtTheSmallestSize();
    void saveSettingsRunsTheWriter();
    void saveSettingsErrorReachesTheErrorBox();
};

void tst_Advanced::init()
{
    PrinterList::setOverride(PrinterList::Override{});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_Advanced::cleanup()
{
    PrinterList::setOverride(std::nullopt);
    Messages::setHook({});
}

void tst_Advanced::setMargins(TfrmAdvanced& form, const Margins& m)
{
    child<QLineEdit>(form, "eTop")->setText(m.at(0));
    child<QLineEdit>(form, "eBottom")->setText(m.at(1));
    child<QLineEdit>(form, "eLeft")->setText(m.at(2));
    child<QLineEdit>(form, "eRight")->setText(m.at(3));
}

Margins tst_Advanced::margins(TfrmAdvanced& form)
{
    return {child<QLineEdit>(form, "eTop")->text(), child<QLineEdit>(form, "eBottom")->text(),
            child<QLineEdit>(form, "eLeft")->text(), child<QLineEdit>(form, "eRight")->text()};
}

void tst_Advanced::shouldHaveEveryControlWithItsInitialState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char* name, const char* cls, const char* property, const QVariant& v) {
        QTest::addRow("%s %s", name, property) << name << cls << property << v;
    };
    const QVariant on(true), off(false), none{QString()};
    auto check = [&](const char* name, const char* text, const char* hint, bool checked) {
        row(name, "QCheckBox", "text", QString::fromUtf8(text));
        row(name, "QCheckBox", "toolTip", QString::fromUtf8(hint));
        row(name, "QCheckBox", "checked", checked);
    };
    auto toggles = [&](const char* b, const char* i, const char* u, const char* s) {
        const char* names[] = {b, i, u, s};
        const char* captions[] = {"B", "I", "U", "ABC"};
        const char* hints[] = {"Bold", "Italic", "Underline", "Strikeout"};
        for (int k = 0; k < 4; ++k) {
            row(names[k], "QToolButton", "text", QString::fromLatin1(captions[k]));
            row(names[k], "QToolButton", "toolTip", QString::fromLatin1(hints[k]));
            row(names[k], "QToolButton", "checkable", on);
            row(names[k], "QToolButton", "checked", off);
            row(names[k], "QToolButton", "autoRaise", on);
            row(names[k], "QToolButton", "size", QSize(25, 25));
        }
    };
    auto spin = [&](const char* name, int value, const char* hint) {
        row(name, "QSpinBox", "value", value);
        row(name, "QSpinBox", "minimum", 1);
        row(name, "QSpinBox", "maximum", 999);
        row(name, "QSpinBox", "toolTip", QString::fromLatin1(hint));
    };
    auto radio = [&](const char* name, const char* title, const QStringList& items, int index,
                     const char* hint) {
        row(name, "RadioGroup", "title", QString::fromLatin1(title));
        row(name, "RadioGroup", "items", items);
        row(name, "RadioGroup", "itemIndex", index);
        row(name, "RadioGroup", "toolTip", QString::fromLatin1(hint));
    };
    auto button = [&](const char* name, const char* text, const char* hint, bool enabled) {
        row(name, "QPushButton", "text", QString::fromLatin1(text));
        row(name, "QPushButton", "toolTip", QString::fromLatin1(hint));
        row(name, "QPushButton", "enabled", enabled);
    };
    auto edit = [&](const char* name, const char* text, const char* hint) {
        row(name, "QLineEdit", "text", QString::fromLatin1(text));
        row(name, "QLineEdit", "toolTip", QString::fromLatin1(hint));
        row(name, "QLineEdit", "enabled", on);
    };

    row("frmAdvanced", "TfrmAdvanced", "windowTitle", QStringLiteral("Advanced"));
    row("pgTypovex", "QTabWidget", "currentIndex", 0);

    // Fonts
    row("cbAllFonts", "TriStateCheckBox", "text", QStringLiteral("All fonts"));
    row("cbAllFonts", "TriStateCheckBox", "toolTip",
        QStringLiteral("Select or deselect all fonts"));
    row("cbAllFonts", "TriStateCheckBox", "checkState", int(Qt::Checked));
    row("cbAllFonts", "TriStateCheckBox", "tristate", on);
    spin("sePointSize", 12, "Point size");
    toggles("cbBold", "cbItalic", "cbUnderline", "cbStrikeout");
    row("lblFontName", "QLabel", "text", none);
    edit("eFontFilter", "", "");
    row("eFontFilter", "QLineEdit", "placeholderText", QStringLiteral("Filter fonts"));
    row("eFontFilter", "QLineEdit", "clearButtonEnabled", on);
    row("clbFonts", "FontCheckList", "enabled", on);

    // Paths
    check("cbUseInstalled", "Use Windows installed fonts", "", true);
    row("gbFontPath", "QGroupBox", "title",
        QStringLiteral(
            "Specify directories (or drives - including CD drives) with uninstalled fonts"));
    row("lbFontPath", "QListWidget", "count", 0);
    row("lbFontPath", "QListWidget", "selectionMode", int(QAbstractItemView::ExtendedSelection));
    button("bAdd", "Add...", "Add a new font directory", true);
    button("bRemove", "Remove", "Remove a font directory", true);
    button("bApply", "Apply", "Apply all font path changes and reconstruct the list of fonts",
           false);
    button("bNewFonts", "See new", "", false);
    row("lblInfo", "QLabel", "text", none);
    row("lblInfo", "QLabel", "wordWrap", on);
    row("lblInfo", "QLabel", "alignment",
        int(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter));

    // Listing properties
    row("mMessage", "QPlainTextEdit", "plainText", none);
    row("mMessage", "QPlainTextEdit", "verticalScrollBarPolicy", int(Qt::ScrollBarAlwaysOn));
    check("cbFontName", "Include font name on left",
          "Include the font name on the report - in addition to the sample message", true);
    row("bAutoText", "QPushButton", "text", QStringLiteral("&Auto Text"));
    check("cbTitle", "Display title", "Display a title on the report", true);
    edit("eTitleText", "Typovex", "The title to display on the first page of the report");
    row("cbRTFontName", "QComboBox", "editable", off);
    spin("seRTFontSize", 14, "Point size");
    toggles("sbRTBold", "sbRTItalic", "sbRTUnderline", "sbRTStrikeout");

    // Header/Footer
    check("cbHeader", "Display header", "Display a header on the report", true);
    edit("eHeaderText", "Windows font list", "The heading to display on the report's header");
    check("cbListChars", "List font characteristics",
          "Lists the font's attributes - point size, bold, italic, underline, strikeout", true);
    check("cbSuppressHeader", "Suppress on first page",
          "Suppress the header on the first page of the report", true);
    spin("seHFontSize", 8, "Point size");
    toggles("sbHBold", "sbHItalic", "SBHUnderline", "SBHStrikeout");
    check("cbDateTime", "Date and time", "Include the date and time in the footer", true);
    check("cbPageNo", "Page number", "Include the page number in the footer", true);
    spin("seFFontSize", 8, "Point size");
    toggles("sbFBold", "sbFItalic", "sbFUnderline", "sbFStrikeout");

    // Page layout
    row("cbPrinters", "QComboBox", "toolTip", QStringLiteral("Select the printer to use"));
    radio("rgOrientation", "Orientation", {"Portrait", "Landscape"}, 0,
          "Specify the printer's page orientation");
    radio("rgPaperSize", "Paper size", {"A4", "A3", "Letter", "B5"}, 0,
          "Specify the printer's paper size");
    row("rgPaperSize", "RadioGroup", "columns", 2);
    radio("rgUnits", "Units", {"MM", "Inches"}, 0,
          "Specify the units to use for the margin settings");
    edit("eTop", "10.0", "Top margin size");
    edit("eBottom", "15.0", "Bottom margin size");
    edit("eLeft", "10.0", "Left margin size");
    edit("eRight", "10.0", "Right margin size");
    for (const char* label : {"Top", "Bottom", "Left", "Right"}) {
        const QByteArray name = QByteArray("lbl") + label;
        QTest::addRow("label %s", label) << QString::fromLatin1(name) << "QLabel"
                                         << "text" << QVariant(QString::fromLatin1(label));
    }
    radio("rgColumns", "Columns", {"One", "Two"}, 0, "");
    row("seFirstPage", "QSpinBox", "value", 1);
    row("seFirstPage", "QSpinBox", "toolTip",
        QStringLiteral("Begin printing the report at the specified page"));

    // Options
    check("cbMinimise", "Start minimized", "Start the program in a minimized state", false);
    radio("rgStartup", "Startup mode", {"Wizard", "Advanced"}, 0, "");
    check("cbBorders", "Place borders around samples", "", false);
    // On two lines, so that the window keeps its width.
    check("cbScriptSamples", "Show each font's own script when it\ncannot show the message", "",
          true);
    button("bSaveSettings", "Save settings", "Save all settings as the default", true);
}

void tst_Advanced::shouldHaveEveryControlWithItsInitialState()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);

    TfrmAdvanced form;
    QWidget* w = name == QLatin1String("frmAdvanced") ? &form : form.findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(form.objectName(), QStringLiteral("frmAdvanced"));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    // A check box's state is no property in this Qt; read it directly.
    auto* box = qobject_cast<QCheckBox*>(w);
    const QVariant actual = property == QLatin1String("checkState") && box
                                ? QVariant(int(box->checkState()))
                                : w->property(property.toLatin1().constData());
    QVERIFY2(actual.isValid(), qPrintable(property));
    if (expected.typeId() == QMetaType::Int && actual.typeId() != QMetaType::Int)
        QCOMPARE(actual.toInt(), expected.toInt()); // enums and flags
    else
        QCOMPARE(actual, expected);
}

void tst_Advanced::shouldHaveTabsInOrderWithFontsActive()
{
    TfrmAdvanced form;
    auto* pg = child<QTabWidget>(form, "pgTypovex");
    QVERIFY(pg);
    const QStringList names{"tsFonts",        "tsPath",    "tsListProperties",
                            "tsHeaderFooter", "tsPrinter", "tsOptions"};
    const QStringList captions{"Fonts",         "Paths",       "Listing properties",
                               "Header/Footer", "Page layout", "Options"};
    QCOMPARE(pg->count(), names.size());
    for (int i = 0; i < pg->count(); ++i) {
        QCOMPARE(pg->widget(i)->objectName(), names.at(i));
        QCOMPARE(pg->tabText(i), captions.at(i));
    }
    QCOMPARE(pg->currentWidget()->objectName(), QStringLiteral("tsFonts"));
    QCOMPARE(form.ShownUnits, 0);
    QVERIFY(form.AddedFontFiles.isEmpty());
    QVERIFY(form.FoundFontNames.isEmpty());
}

void tst_Advanced::styleButtonsShowTheirOwnStyle_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::newRow("sample") << "cb";
    QTest::newRow("title") << "sbRT";
    QTest::newRow("header") << "sbH";
    QTest::newRow("footer") << "sbF";
}

void tst_Advanced::styleButtonsShowTheirOwnStyle()
{
    QFETCH(QString, prefix);
    TfrmAdvanced form;
    auto find = [&](const QString& style) {
        // The header's last two carry a capital "SB".
        QString name = prefix + style;
        if (prefix == QLatin1String("sbH") && (style == "Underline" || style == "Strikeout"))
            name = QStringLiteral("SBH") + style;
        return form.findChild<QToolButton*>(name);
    };
    QToolButton* b = find("Bold");
    QToolButton* i = find("Italic");
    QToolButton* u = find("Underline");
    QToolButton* s = find("Strikeout");
    QVERIFY(b && i && u && s);
    QVERIFY(b->font().bold() && !b->font().italic());
    QVERIFY(i->font().italic() && !i->font().bold());
    QVERIFY(u->font().underline() && !u->font().strikeOut());
    QVERIFY(s->font().strikeOut() && !s->font().underline());
    QVERIFY(s->font().pointSizeF() < b->font().pointSizeF());
}

void tst_Advanced::faceSelectorsHoldEveryFamilyWithNoneChosen()
{
    TfrmAdvanced form;
    const QStringList families = FontServices::familyList();
    QVERIFY(families.contains(QStringLiteral("Default")));
    for (const char* name : {"cbRTFontName", "cbHFontName", "cbFFontName"}) {
        auto* cb = child<QComboBox>(form, name);
        QVERIFY(cb);
        QStringList items;
        for (int k = 0; k < cb->count(); ++k)
            items.append(cb->itemText(k));
        QCOMPARE(items, families);
        QCOMPARE(cb->currentIndex(), -1);
        QVERIFY(cb->currentText().isEmpty());
    }
}

void tst_Advanced::firstPageHasNoLimits()
{
    TfrmAdvanced form;
    auto* se = child<QSpinBox>(form, "seFirstPage");
    QVERIFY(se);
    se->setValue(-3);
    QCOMPARE(se->value(), -3);
    se->setValue(std::numeric_limits<int>::min());
    QCOMPARE(se->value(), std::numeric_limits<int>::min());
    se->setValue(std::numeric_limits<int>::max());
    QCOMPARE(se->value(), std::numeric_limits<int>::max());
}

void tst_Advanced::printerListFillsTheDropDownWithNoneChosen_data()
{
    QTest::addColumn<QStringList>("printers");
    QTest::newRow("no printer") << QStringList{};
    QTest::newRow("one printer") << QStringList{"PDF"};
    QTest::newRow("three printers, system order kept")
        << QStringList{"Office", "PDF", "Bureau \xc3\xa9tage"};
}

void tst_Advanced::printerListFillsTheDropDownWithNoneChosen()
{
    QFETCH(QStringList, printers);
    PrinterList::setOverride(PrinterList::Override{printers, printers.isEmpty() ? -1 : 0});
    TfrmAdvanced form;
    auto* cb = child<QComboBox>(form, "cbPrinters");
    QVERIFY(cb);
    QStringList items;
    for (int k = 0; k < cb->count(); ++k)
        items.append(cb->itemText(k));
    QCOMPARE(items, printers);
    // The settings loader chooses the printer; a fresh window has none chosen.
    QCOMPARE(cb->currentIndex(), -1);
}

void tst_Advanced::printerSeamReportsCurrentPrinter_data()
{
    QTest::addColumn<QStringList>("printers");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");
    const QStringList three{"Office", "PDF", "Lab"};
    QTest::newRow("none installed") << QStringList{} << -1 << -1;
    QTest::newRow("none installed, stale index") << QStringList{} << 0 << -1;
    QTest::newRow("one, current") << QStringList{"PDF"} << 0 << 0;
    QTest::newRow("three, middle current") << three << 1 << 1;
    QTest::newRow("three, no current") << three << -1 << -1;
    QTest::newRow("three, index beyond list") << three << 3 << -1;
}

void tst_Advanced::printerSeamReportsCurrentPrinter()
{
    QFETCH(QStringList, printers);
    QFETCH(int, current);
    QFETCH(int, expected);
    PrinterList::setOverride(PrinterList::Override{printers, current});
    QCOMPARE(PrinterList::names(), printers);
    QCOMPARE(PrinterList::currentIndex(), expected);
}

void tst_Advanced::clearingTitleDisablesTitleText()
{
    TfrmAdvanced form;
    auto* cb = child<QCheckBox>(form, "cbTitle");
    auto* e = child<QLineEdit>(form, "eTitleText");
    QVERIFY(cb && e);
    cb->click();
    QVERIFY(!cb->isChecked());
    QVERIFY(!e->isEnabled());
    cb->click();
    QVERIFY(e->isEnabled());
    // The settings loader sets the box from code; that has the same effect.
    cb->setChecked(false);
    QVERIFY(!e->isEnabled());
    QCOMPARE(e->text(), QStringLiteral("Typovex"));
}

void tst_Advanced::clearingHeaderDisablesItsThreeControls()
{
    TfrmAdvanced form;
    auto* cb = child<QCheckBox>(form, "cbHeader");
    QWidget* dependents[] = {child<QLineEdit>(form, "eHeaderText"),
                             child<QCheckBox>(form, "cbListChars"),
                             child<QCheckBox>(form, "cbSuppressHeader")};
    QVERIFY(cb);
    for (QWidget* w : dependents)
        QVERIFY(w && w->isEnabled());

    cb->click();
    for (QWidget* w : dependents)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    // Their values are kept while greyed out.
    QVERIFY(child<QCheckBox>(form, "cbListChars")->isChecked());

    cb->click();
    for (QWidget* w : dependents)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));

    cb->setChecked(false);
    for (QWidget* w : dependents)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    // Nothing else on the page follows the header box.
    QVERIFY(child<QCheckBox>(form, "cbDateTime")->isEnabled());
    QVERIFY(child<QComboBox>(form, "cbHFontName")->isEnabled());
}

void tst_Advanced::autoTextReplacesWholeMessage_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("empty") << "";
    QTest::newRow("default message") << "This is %f";
    QTest::newRow("two lines") << "first line\nsecond line";
    QTest::newRow("already the auto text")
        << "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!@#$%^&*()";
}

void tst_Advanced::autoTextReplacesWholeMessage()
{
    QFETCH(QString, before);
    TfrmAdvanced form;
    auto* m = child<QPlainTextEdit>(form, "mMessage");
    auto* b = child<QPushButton>(form, "bAutoText");
    QVERIFY(m && b);
    m->setPlainText(before);
    b->click();
    QCOMPARE(
        m->toPlainText(),
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!@#$%^&*()"));
}

void tst_Advanced::unitChangeConvertsMargins_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("startUnits");
    QTest::addColumn<Margins>("before");
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<Margins>("after");
    QTest::addColumn<int>("shownUnits");

    const Margins defaults{"10.0", "15.0", "10.0", "10.0"};
    const QString us = QStringLiteral("en_US");
    const QString de = QStringLiteral("de_DE");
    const QList<int> toInches{1}, toMm{0}, thereAndBack{1, 0};

    QTest::newRow("defaults to inches")
        << us << 0 << defaults << toInches << Margins{"0.39", "0.59", "0.39", "0.39"} << 1;
    QTest::newRow("there and back is inexact: 10.0 reads 9.9")
        << us << 0 << defaults << thereAndBack << Margins{"9.9", "15.0", "9.9", "9.9"} << 0;
    QTest::newRow("loaded inches to millimetres")
        << us << 1 << Margins{"0.39", "0.59", "0.39", "0.39"} << toMm
        << Margins{"9.9", "15.0", "9.9", "9.9"} << 0;
    QTest::newRow("choosing the unit already shown changes nothing (mm)")
        << us << 0 << defaults << toMm << defaults << 0;
    QTest::newRow("choosing the unit already shown changes nothing (inches)")
        << us << 1 << defaults << toInches << defaults << 1;
    QTest::newRow("decimal comma read and written")
        << de << 0 << Margins{"10,0", "15,0", "10,0", "10,0"} << toInches
        << Margins{"0,39", "0,59", "0,39", "0,39"} << 1;
    QTest::newRow("decimal comma there and back")
        << de << 0 << Margins{"10,0", "15,0", "10,0", "10,0"} << thereAndBack
        << Margins{"9,9", "15,0", "9,9", "9,9"} << 0;
    // A point is no decimal separator in German (it groups thousands): not a number there.
    QTest::newRow("decimal point under decimal comma locale kept")
        << de << 0 << Margins{"10.0", "15,0", "1.000,0", "10,0"} << toInches
        << Margins{"10.0", "0,59", "39,37", "0,39"} << 1;
    QTest::newRow("unparsable kept, the others converted")
        << us << 0 << Margins{"abc", "15.0", "10 mm", "10.0"} << toInches
        << Margins{"abc", "0.59", "10 mm", "0.39"} << 1;
    QTest::newRow("empty stays empty") << us << 0 << Margins{"", "", "", "10.0"} << thereAndBack
                                       << Margins{"", "", "", "9.9"} << 0;
    QTest::newRow("double overflow kept")
        << us << 0 << Margins{"1e309", "-1e309", "1e308", "0"} << toInches
        << Margins{"1e309", "-1e309", "1e308", "0.00"} << 1;
    // 1e40 mm fits a double, but 3.9e38 inches does not fit a 32-bit float: kept as typed.
    QTest::newRow("float overflow kept (to inches)")
        << us << 0 << Margins{"1e40", "1e39", "10.0", "10.0"} << toInches
        << Margins{"1e40", QString::number(double(float(1e39 / 25.4)), 'f', 2), "0.39", "0.39"}
        << 1;
    QTest::newRow("float overflow kept (to mm)")
        << us << 1 << Margins{"1e38", "-1e38", "1", "1"} << toMm
        << Margins{"1e38", "-1e38", "25.4", "25.4"} << 0;
    QTest::newRow("nan and infinity kept")
        << us << 0 << Margins{"nan", "inf", "-inf", "10.0"} << toInches
        << Margins{"nan", "inf", "-inf", "0.39"} << 1;
    QTest::newRow("negative zero reads as zero")
        << us << 0 << Margins{"-0", "-0.1", "0", "-10.0"} << toInches
        << Margins{"0.00", "0.00", "0.00", "-0.39"} << 1;
    QTest::newRow("zero inches to mm") << us << 1 << Margins{"0", "-0", "0.00", "-0.01"} << toMm
                                       << Margins{"0.0", "0.0", "0.0", "-0.3"} << 0;
    QTest::newRow("300 characters")
        << us << 0
        << Margins{QString(300, QLatin1Char('9')), QStringLiteral("0.") + QString(298, '0'),
                   QString(300, QLatin1Char('x')), QStringLiteral("1") + QString(299, ' ')}
        << toInches
        << Margins{QString(300, QLatin1Char('9')), "0.00", QString(300, QLatin1Char('x')), "0.04"}
        << 1;
    QTest::newRow("surrounding blanks accepted")
        << us << 0 << Margins{" 10.0", "15.0 ", "\t10.0", "+10"} << toInches
        << Margins{"0.39", "0.59", "0.39", "0.39"} << 1;
    QTest::newRow("large margins keep every digit")
        << us << 0 << Margins{"1000", "25400", "254", "2.54"} << toInches
        << Margins{"39.37", "1000.00", "10.00", "0.10"} << 1;
    QTest::newRow("no unit chosen converts nothing")
        << us << 0 << defaults << QList<int>{-1, 0} << defaults << 0;
    // The texts are in an unknown unit once no unit is chosen; choosing one later assumes them.
    QTest::newRow("inches, then none, then mm keeps the inch texts")
        << us << 0 << defaults << QList<int>{1, -1, 0} << Margins{"0.39", "0.59", "0.39", "0.39"}
        << 0;
}

void tst_Advanced::unitChangeConvertsMargins()
{
    QFETCH(QString, locale);
    QFETCH(int, startUnits);
    QFETCH(Margins, before);
    QFETCH(QList<int>, choices);
    QFETCH(Margins, after);
    QFETCH(int, shownUnits);

    QLocale::setDefault(QLocale(locale));
    TfrmAdvanced form;
    auto* rg = child<RadioGroup>(form, "rgUnits");
    QVERIFY(rg);
    // As the settings loader does it: units, then ShownUnits, then the texts.
    rg->setItemIndex(startUnits);
    form.ShownUnits = startUnits;
    setMargins(form, before);

    for (int choice : choices) {
        if (choice >= 0)
            rg->button(choice)->click();
        else
            rg->setItemIndex(-1);
        QCOMPARE(rg->itemIndex(), choice);
    }
    QCOMPARE(margins(form), after);
    QCOMPARE(form.ShownUnits, shownUnits);
}

void tst_Advanced::shownUnitsFollowsTheChoice()
{
    TfrmAdvanced form;
    auto* rg = child<RadioGroup>(form, "rgUnits");
    QVERIFY(rg);
    rg->setItemIndex(1);
    QCOMPARE(form.ShownUnits, 1);
    QCOMPARE(child<QLineEdit>(form, "eBottom")->text(), QStringLiteral("0.59"));
    rg->setItemIndex(-1);
    QCOMPARE(form.ShownUnits, -1);
    rg->setItemIndex(0);
    QCOMPARE(form.ShownUnits, 0);
    QCOMPARE(child<QLineEdit>(form, "eBottom")->text(), QStringLiteral("0.59"));
}

void tst_Advanced::radioGroupsReportMinusOneWhenNothingSelected_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"rgOrientation", "rgPaperSize", "rgUnits", "rgColumns", "rgStartup"})
        QTest::newRow(name) << name;
}

void tst_Advanced::radioGroupsReportMinusOneWhenNothingSelected()
{
    QFETCH(QString, name);
    TfrmAdvanced form;
    auto* rg = form.findChild<RadioGroup*>(name);
    QVERIFY(rg);
    QSignalSpy changed(rg, &RadioGroup::itemIndexChanged);
    rg->setItemIndex(-1);
    QCOMPARE(rg->itemIndex(), -1);
    QCOMPARE(changed.size(), 1);
    for (int k = 0; k < rg->count(); ++k)
        QVERIFY(!rg->button(k)->isChecked());
    rg->button(rg->count() - 1)->click();
    QCOMPARE(rg->itemIndex(), rg->count() - 1);
}

void tst_Advanced::styleTogglesAreIndependent()
{
    TfrmAdvanced form;
    auto* bold = child<QToolButton>(form, "sbHBold");
    auto* strike = child<QToolButton>(form, "SBHStrikeout");
    auto* italic = child<QToolButton>(form, "sbHItalic");
    QVERIFY(bold && strike && italic);
    bold->click();
    strike->click();
    QVERIFY(bold->isChecked() && strike->isChecked() && !italic->isChecked());
    bold->click();
    QVERIFY(!bold->isChecked() && strike->isChecked());
    // The same style on another font is untouched.
    QVERIFY(!child<QToolButton>(form, "sbFBold")->isChecked());
}

void tst_Advanced::fontFilterShowsMatchesAndEveryCommandKeepsAllEntries_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("escape"); // Esc pressed in the filter afterwards
    QTest::newRow("lower case finds capitals") << "noto" << false;
    QTest::newRow("capitals and a space") << "SANS MONO" << false;
    QTest::newRow("a single letter") << "q" << false;
    QTest::newRow("nothing matches") << "zzqxw" << false;
    QTest::newRow("Esc clears the filter") << "serif" << true;
}

void tst_Advanced::fontFilterShowsMatchesAndEveryCommandKeepsAllEntries()
{
    QFETCH(QString, typed);
    QFETCH(bool, escape);
    SelectionSyncBusy = false;
    TfrmAdvanced form;
    auto* list = child<FontCheckList>(form, "clbFonts");
    auto* filter = child<QLineEdit>(form, "eFontFilter");
    auto* allFonts = child<QCheckBox>(form, "cbAllFonts");
    QVERIFY(list && filter && allFonts);
    // The list must hold thousands of entries; where fewer families are installed, the same
    // names again (an entry may bear a name twice).
    const QStringList families = FontServices::familyList();
    for (int i = 0; list->count() < 2000; i = (i + 1) % int(families.size()))
        list->addEntry(families.at(i), false);
    const int count = list->count();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // Every third entry ticked, and the entries that should show, worked out from the names.
    QList<bool> ticks;
    QStringList matching;
    for (int i = 0; i < count; ++i) {
        list->setChecked(i, i % 3 == 0);
        ticks.append(i % 3 == 0);
        if (list->name(i).contains(typed, Qt::CaseInsensitive))
            matching.append(list->name(i));
    }
    form.fontSelection()->clbFontsClick();
    QCOMPARE(allFonts->checkState(), Qt::PartiallyChecked);
    const QStringList ticked = form.chosenFonts();

    filter->setFocus();
    QTest::keyClicks(filter, typed);
    // Shown at once, without waiting for the event loop.
    QStringList shown;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        shown.append(list->name(list->entryOf(list->model()->index(row, 0))));
    QCOMPARE(shown, matching);
    QCOMPARE(list->shownCount(), int(matching.size()));
    QCOMPARE(list->count(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(list->isChecked(i), ticks.at(i));
    // The report (Print, Preview) still takes the ticked entries, shown or not.
    QCOMPARE(form.chosenFonts(), ticked);

    // The list's own type-ahead searches what is shown.
    if (!matching.isEmpty()) {
        const QString prefix = matching.last().left(3);
        list->setFocus();
        QTest::keyClicks(list, prefix);
        const int current = list->entryOf(list->currentIndex());
        QVERIFY(current >= 0);
        QVERIFY2(list->name(current).startsWith(prefix, Qt::CaseInsensitive),
                 qPrintable(list->name(current)));
        QVERIFY(list->name(current).contains(typed, Qt::CaseInsensitive));
    }

    if (escape) {
        filter->setFocus();
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QCOMPARE(list->shownCount(), count);
        QVERIFY(form.isVisible());
    }

    // "All fonts" and "Select all" tick every entry, hidden ones too; the report then takes all.
    allFonts->click();
    QCOMPARE(allFonts->checkState(), Qt::Checked);
    for (int i = 0; i < count; ++i)
        QVERIFY2(list->isChecked(i), qPrintable(list->name(i)));
    QCOMPARE(form.chosenFonts().size(), qsizetype(count));
    form.fontSelection()->Toggleselection1Click();
    for (int i = 0; i < count; ++i)
        QVERIFY(!list->isChecked(i));
    form.fontSelection()->Selectall1Click();
    QCOMPARE(form.chosenFonts().size(), qsizetype(count));
    QCOMPARE(form.settings().Fonts.size(), qsizetype(count));
}

void tst_Advanced::captionsFitAtTheSmallestSize()
{
    TfrmAdvanced form;
    form.resize(form.minimumSizeHint());
    form.show();
    auto* pg = child<QTabWidget>(form, "pgTypovex");
    QVERIFY(pg);
    for (int i = 0; i < pg->count(); ++i) {
        pg->setCurrentIndex(i);
        QWidget* page = pg->widget(i);
        page->layout()->activate();
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(page))
                continue;
            const QString where = page->objectName() + "/" + w->objectName();
            if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) {
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                         qPrintable(where));
            } else if (auto* tool = qobject_cast<QToolButton*>(w)) {
                // The style toggles are 25 by 25 by design; their caption must still fit.
                QVERIFY2(tool->fontMetrics().horizontalAdvance(tool->text()) < tool->width(),
                         qPrintable(where));
            } else if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(where));
                QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(where));
            } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
                QVERIFY2(box->fontMetrics().horizontalAdvance(box->title()) < box->width(),
                         qPrintable(where));
            }
        }
    }
    // The long folder caption got a smaller font; what the group holds did not.
    QCOMPARE(child<QPushButton>(form, "bAdd")->font().pointSizeF(), form.font().pointSizeF());
}

void tst_Advanced::saveSettingsRunsTheWriter()
{
    TfrmAdvanced form;
    auto* b = child<QPushButton>(form, "bSaveSettings");
    QVERIFY(b);
    b->click(); // nothing connected yet: no effect, no failure
    int runs = 0;
    form.onSaveSettings = [&] { ++runs; };
    b->click();
    QCOMPARE(runs, 1);
}

void tst_Advanced::saveSettingsErrorReachesTheErrorBox()
{
    QStringList errors;
    Messages::setHook([&](Messages::Kind kind, const QString& text) {
        if (kind == Messages::Kind::Error)
            errors.append(text);
        return QMessageBox::Ok;
    });
    TfrmAdvanced form;
    form.onSaveSettings = [] { throw std::runtime_error("Failed to create key Options"); };
    child<QPushButton>(form, "bSaveSettings")->click();
    QCOMPARE(errors, QStringList{QStringLiteral("Failed to create key Options.")});
}

TYPOVEX_TEST_MAIN(tst_Advanced)

#include "tst_advanced.moc"
