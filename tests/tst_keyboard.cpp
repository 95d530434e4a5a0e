#include "app/About.h"
#include "app/Main.h"
#include "app/PrevInstance.h"
#include "base/Messages.h"
#include "engine/PageStore.h"
#include "engine/PreviewControl.h"
#include "engine/PrinterList.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "fonts/SelectFolderDialog.h"
#include "report/QRPreview.h"
#include "support/NumberedPage.h"
#include "support/TestMain.h"
#include "tools/Export.h"
#include "tools/ViewCharSet.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"
#include "ui/Wizard.h"

#include <memory>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

// Every window worked from the keyboard alone: the real focus chain walked with Tab and
// Shift+Tab, access keys, Enter and Esc, and the keys of the font list and the radio groups.
namespace {

const auto autoText =
    QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!@#$%^&*()");

QWidget* focused()
{
    return QApplication::focusWidget();
}

QString focusedName()
{
    return focused() ? focused()->objectName() : QStringLiteral("<no focus>");
}

// Presses Tab (or Shift+Tab) on the focused control until the focus is back where it started;
// the names met, the start first. Stops early when the focus is lost or the walk runs away.
QStringList walk(bool forward)
{
    QStringList names;
    QWidget* start = focused();
    if (!start)
        return {QStringLiteral("<no focus>")};
    QWidget* w = start;
    do {
        names << w->objectName();
        if (forward)
            QTest::keyClick(w, Qt::Key_Tab);
        else
            QTest::keyClick(w, Qt::Key_Backtab, Qt::ShiftModifier);
        w = focused();
    } while (w && w != start && names.size() < 200);
    if (!w)
        names << QStringLiteral("<focus lost>");
    return names;
}

// The same cycle walked backwards from the same start.
QStringList reversedCycle(const QStringList& cycle)
{
    QStringList back{cycle.constFirst()};
    for (qsizetype i = cycle.size() - 1; i > 0; --i)
        back << cycle.at(i);
    return back;
}

// The controls of a window that the keyboard must reach: visible and enabled buttons, check
// boxes, edits, spin boxes, drop-downs, lists and tab bars. Of a radio group only its selected
// button (the first when none is selected) is a Tab stop; the arrows reach the others.
QStringList controlsToReach(QWidget* window, QStringList* radiosNotStops)
{
    QStringList names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w->window() != window)
            continue; // hidden, greyed, or in a window of its own (a file dialog)
        if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
            qobject_cast<QTabBar*>(w->parentWidget()))
            continue; // parts of a spin box, the tab bar's own scroll buttons
        if (w->objectName() == QLatin1String("mAcknowledgement"))
            continue; // the about box's read-only text, not a control
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QAbstractItemView*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
                             qobject_cast<QTabBar*>(w);
        if (!control)
            continue;
        if (auto* group = qobject_cast<RadioGroup*>(w->parentWidget());
            group && qobject_cast<QRadioButton*>(w)) {
            const int stop = qMax(0, group->itemIndex());
            if (w != group->button(stop)) {
                radiosNotStops->append(w->objectName());
                continue;
            }
        }
        names << w->objectName();
    }
    return names;
}

// The access keys of a window's captions, in capitals: the letter after a single "&".
QStringList accessKeys(QWidget* window)
{
    static const QRegularExpression mnemonic(QStringLiteral("(?<!&)&([^&\\s])"));
    QStringList texts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window)
            continue; // a window of its own, such as the export's file dialog
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            texts << g->title();
        else if (auto* l = qobject_cast<QLabel*>(w); l && l->textFormat() != Qt::RichText)
            texts << l->text();
        else if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                texts << t->tabText(i);
    }
    QStringList keys;
    for (const QString& text : std::as_const(texts)) {
        auto it = mnemonic.globalMatch(text);
        while (it.hasNext())
            keys << it.next().captured(1).toUpper();
    }
    keys.sort();
    return keys;
}

const QStringList mainButtonsWizard{"bAbout", "bAdvanced", "bClose"};
const QStringList mainButtonsAdvanced{"bAbout",   "bAdvanced", "bPrint",
                                      "bPreview", "bClose",    "qt_tabwidget_tabbar"};

} // namespace

class tst_Keyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void mainWindowTabOrder_data();
    void mainWindowTabOrder();
    void mainWindowFirstFocus_data();
    void mainWindowFirstFocus();
    void enterInTheMainWindow_data();
    void enterInTheMainWindow();
    void escClosesTheMainWindow_data();
    void escClosesTheMainWindow();
    void accessKeysAreTheSpecifiedOnesWithoutClashes();
    void autoTextAccessKey();
    void ctrlKeysSwitchTabsFromAnyControl_data();
    void ctrlKeysSwitchTabsFromAnyControl();
    void fontListSpaceTogglesAsAClickDoes();
    void fontListMovementKeys_data();
    void fontListMovementKeys();
    void fontListMenuFromTheKeyboardActsOnTheCurrentEntry_data();
    void fontListMenuFromTheKeyboardActsOnTheCurrentEntry();
    void radioGroupArrowsSelectWithTheirConsequences_data();
    void radioGroupArrowsSelectWithTheirConsequences();

    void dialogTabOrder_data();
    void dialogTabOrder();
    void dialogEnterAndEsc_data();
    void dialogEnterAndEsc();
    void folderListEnterOpensTheFolderThenPressesOk();
    void folderListFindsFoldersByTheirFirstLetters_data();
    void folderListFindsFoldersByTheirFirstLetters();
    void exportAccessKeyExports();

private:
    // The main window in the mode asked for, active, built once and reused while it lives.
    TfrmMain* mainIn(bool advanced);
    void setWizardPage(int page);
    void showAdvancedTab(const char* tab);
    template <typename T> T* adv(const char* name) const
    {
        return frmAdvanced->findChild<T*>(QLatin1String(name));
    }
    template <typename T> T* wiz(const char* name) const
    {
        return frmWizard->findChild<T*>(QLatin1String(name));
    }
    QPushButton* mainButton(const char* name) const
    {
        return m_main->findChild<QPushButton*>(QLatin1String(name));
    }
    void focusOn(QWidget* w);
    // Builds and shows the dialog a dialogTabOrder or dialogEnterAndEsc row names.
    QDialog* openDialog(const QString& which);
    void checkCycle(QWidget* window, const QStringList& expected);

    QTemporaryDir m_config;
    QTemporaryDir m_folders;
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<QDialog> m_dialog;
    std::unique_ptr<PageStore> m_store;
    QStringList m_boxes;
    QList<TdlgJPEGExport::SaveRequest> m_saveRequests;
};

void tst_Keyboard::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    // No printer: Print ends in its notice at once, which is how a test sees it pressed.
    PrinterList::setOverride(PrinterList::Override{});
    Messages::setHook([this](Messages::Kind, const QString& text) {
        m_boxes.append(text);
        return QMessageBox::Ok;
    });
    TdlgJPEGExport::setSaveDialogHook([this](const TdlgJPEGExport::SaveRequest& request) {
        m_saveRequests.append(request);
        return QString(); // cancelled
    });
    QVERIFY(QDir(m_folders.path()).mkpath("alpha/inner"));
    QVERIFY(QDir(m_folders.path()).mkpath("beta"));
    QVERIFY(QDir(m_folders.path()).mkpath("Bravo"));
}

void tst_Keyboard::init()
{
    m_boxes.clear();
    m_saveRequests.clear();
}

void tst_Keyboard::cleanupTestCase()
{
    m_dialog.reset();
    m_store.reset();
    m_main.reset();
    ReleasePrevInstance();
    Messages::setHook({});
    TdlgJPEGExport::setSaveDialogHook({});
    PrinterList::setOverride(std::nullopt);
}

TfrmMain* tst_Keyboard::mainIn(bool advanced)
{
    if (m_main && !m_main->isVisible()) {
        m_main.reset();
        ReleasePrevInstance();
    }
    if (!m_main) {
        m_main = std::make_unique<TfrmMain>();
        m_main->show();
    }
    if (frmAdvanced->isVisible() != advanced)
        m_main->bAdvancedClick();
    m_main->activateWindow();
    if (!QTest::qWaitForWindowActive(m_main.get()))
        qWarning("main window not active");
    return m_main.get();
}

void tst_Keyboard::setWizardPage(int page)
{
    mainIn(false);
    // Coming from the advanced window the wizard starts at page 1; otherwise go back to it.
    while (frmWizard->currentPage() > 0)
        wiz<QPushButton>("bPrev")->click();
    for (int i = 1; i < page; ++i)
        wiz<QPushButton>("bNext")->click();
    QCOMPARE(frmWizard->currentPage(), page - 1);
}

void tst_Keyboard::showAdvancedTab(const char* tab)
{
    mainIn(true);
    auto* tabs = adv<QTabWidget>("pgTypovex");
    tabs->setCurrentWidget(adv<QWidget>(tab));
}

void tst_Keyboard::focusOn(QWidget* w)
{
    w->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focused(), w);
}

void tst_Keyboard::checkCycle(QWidget* window, const QStringList& expected)
{
    QVERIFY(!expected.isEmpty());
    QWidget* start = window->findChild<QWidget*>(expected.constFirst());
    QVERIFY2(start, qPrintable(expected.constFirst()));
    focusOn(start);
    const QStringList forward = walk(true);
    QCOMPARE(forward, expected);
    QCOMPARE(focused(), start);
    QCOMPARE(walk(false), reversedCycle(expected));

    // Nothing the keyboard must reach is left out; no unselected radio button is a Tab stop.
    QStringList radiosNotStops;
    const QStringList controls = controlsToReach(window, &radiosNotStops);
    for (const QString& name : controls)
        QVERIFY2(forward.contains(name), qPrintable(name + " is not reached by Tab"));
    for (const QString& name : std::as_const(radiosNotStops))
        QVERIFY2(!forward.contains(name), qPrintable(name + " is a Tab stop"));
}

void tst_Keyboard::mainWindowTabOrder_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("embedded");
    QTest::newRow("wizard page 1") << "wizard 1" << QStringList{"bNext", "bFinish"};
    QTest::newRow("wizard page 2")
        << "wizard 2" << QStringList{"rgWizDisplayMode_0", "bPrev", "bNext", "bFinish"};
    QTest::newRow("wizard page 2, to a printer: the printer list comes alive")
        << "wizard 2 printer"
        << QStringList{"rgWizDisplayMode_1", "cbWizPrinters", "bPrev", "bNext", "bFinish"};
    QTest::newRow("wizard page 3: Tab leaves the message")
        << "wizard 3" << QStringList{"mWizMessage", "bPrev", "bNext", "bFinish"};
    QTest::newRow("wizard page 4")
        << "wizard 4"
        << QStringList{"rgWizColumns_0", "cbWizFontName", "bPrev", "bNext", "bFinish"};
    QTest::newRow("wizard page 5")
        << "wizard 5" << QStringList{"cbWizTitle", "eWizTitleText", "cbWizDateTime", "cbWizPageNo",
                                     "bPrev",      "bNext",         "bFinish"};
    QTest::newRow("wizard page 5 without title: the greyed edit is passed")
        << "wizard 5 no title"
        << QStringList{"cbWizTitle", "cbWizDateTime", "cbWizPageNo", "bPrev", "bNext", "bFinish"};
    QTest::newRow("wizard page 6") << "wizard 6" << QStringList{"bPrev", "bFinish"};
    QTest::newRow("advanced Fonts")
        << "tsFonts" << QStringList{"cbAllFonts",  "sePointSize", "cbBold",      "cbItalic",
                                    "cbUnderline", "cbStrikeout", "eFontFilter", "clbFonts"};
    QTest::newRow("advanced Paths")
        << "tsPath" << QStringList{"cbUseInstalled", "lbFontPath", "bAdd", "bRemove"};
    QTest::newRow("advanced Listing properties: Tab leaves the message")
        << "tsListProperties"
        << QStringList{"mMessage",   "cbFontName",    "bAutoText",    "cbTitle",
                       "eTitleText", "cbRTFontName",  "seRTFontSize", "sbRTBold",
                       "sbRTItalic", "sbRTUnderline", "sbRTStrikeout"};
    QTest::newRow("advanced Header/Footer")
        << "tsHeaderFooter"
        << QStringList{"cbHeader",     "eHeaderText",  "cbListChars", "cbSuppressHeader",
                       "cbHFontName",  "seHFontSize",  "sbHBold",     "sbHItalic",
                       "SBHUnderline", "SBHStrikeout", "cbDateTime",  "cbPageNo",
                       "cbFFontName",  "seFFontSize",  "sbFBold",     "sbFItalic",
                       "sbFUnderline", "sbFStrikeout"};
    QTest::newRow("advanced Header/Footer without header")
        << "tsHeaderFooter no header"
        << QStringList{"cbHeader",  "cbHFontName",  "seHFontSize",  "sbHBold",
                       "sbHItalic", "SBHUnderline", "SBHStrikeout", "cbDateTime",
                       "cbPageNo",  "cbFFontName",  "seFFontSize",  "sbFBold",
                       "sbFItalic", "sbFUnderline", "sbFStrikeout"};
    QTest::newRow("advanced Page layout")
        << "tsPrinter"
        << QStringList{"cbPrinters",  "rgOrientation_0", "eTop",      "eLeft",
                       "eRight",      "eBottom",         "rgUnits_0", "rgPaperSize_0",
                       "rgColumns_0", "seFirstPage"};
    QTest::newRow("advanced Page layout: groups entered at their selected buttons")
        << "tsPrinter other choices"
        << QStringList{"cbPrinters",  "rgOrientation_1", "eTop",      "eLeft",
                       "eRight",      "eBottom",         "rgUnits_1", "rgPaperSize_3",
                       "rgColumns_1", "seFirstPage"};
    QTest::newRow("advanced Options") << "tsOptions"
                                      << QStringList{"cbMinimise", "rgStartup_0", "cbBorders",
                                                     "cbScriptSamples", "bSaveSettings"};
}

void tst_Keyboard::mainWindowTabOrder()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, embedded);

    const QStringList words = setup.split(' ');
    const bool wizard = words.constFirst() == QLatin1String("wizard");
    if (wizard) {
        setWizardPage(words.at(1).toInt());
    } else {
        showAdvancedTab(qPrintable(words.constFirst()));
    }
    // Changes that alter the chain, undone at the end of the row.
    std::function<void()> undo = [] {};
    if (setup == QLatin1String("wizard 2 printer")) {
        wiz<RadioGroup>("rgWizDisplayMode")->setItemIndex(1);
        undo = [this] { wiz<RadioGroup>("rgWizDisplayMode")->setItemIndex(0); };
    } else if (setup == QLatin1String("wizard 5 no title")) {
        wiz<QCheckBox>("cbWizTitle")->setChecked(false);
        undo = [this] { wiz<QCheckBox>("cbWizTitle")->setChecked(true); };
    } else if (setup == QLatin1String("tsHeaderFooter no header")) {
        adv<QCheckBox>("cbHeader")->setChecked(false);
        undo = [this] { adv<QCheckBox>("cbHeader")->setChecked(true); };
    } else if (setup.startsWith(QLatin1String("tsPrinter"))) {
        // Each group is entered at its selected button: choose them, and put them back after.
        const QStringList groups{"rgOrientation", "rgUnits", "rgPaperSize", "rgColumns"};
        const QStringList margins{"eTop", "eBottom", "eLeft", "eRight"};
        QList<int> indexes;
        QStringList texts;
        for (const QString& g : groups)
            indexes << m_main->findChild<RadioGroup*>(g)->itemIndex();
        for (const QString& m : margins)
            texts << m_main->findChild<QLineEdit*>(m)->text();
        const QList<int> chosen = setup.endsWith(QLatin1String("choices")) ? QList<int>{1, 1, 3, 1}
                                                                           : QList<int>{0, 0, 0, 0};
        for (int i = 0; i < groups.size(); ++i)
            m_main->findChild<RadioGroup*>(groups.at(i))->setItemIndex(chosen.at(i));
        undo = [this, groups, margins, indexes, texts] {
            for (int i = 0; i < groups.size(); ++i)
                m_main->findChild<RadioGroup*>(groups.at(i))->setItemIndex(indexes.at(i));
            frmAdvanced->ShownUnits = indexes.at(1);
            for (int i = 0; i < margins.size(); ++i)
                m_main->findChild<QLineEdit*>(margins.at(i))->setText(texts.at(i));
        };
    }

    // The main window's buttons first, in the fixed order, then into the embedded window and
    // from its last control back out to the first button.
    checkCycle(m_main.get(), (wizard ? mainButtonsWizard : mainButtonsAdvanced) + embedded);
    undo();
}

void tst_Keyboard::mainWindowFirstFocus_data()
{
    QTest::addColumn<int>("startup");
    QTest::addColumn<QString>("first");
    QTest::newRow("wizard mode: Next") << 0 << "bNext";
    QTest::newRow("advanced mode: the font list") << 1 << "clbFonts";
}

void tst_Keyboard::mainWindowFirstFocus()
{
    QFETCH(int, startup);
    QFETCH(QString, first);
    m_main.reset();
    ReleasePrevInstance();
    QDir().mkpath(m_config.path() + "/Typovex");
    QFile f(m_config.path() + "/Typovex/registry.json");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QJsonDocument(
                QJsonObject{
                    {"Software",
                     QJsonObject{{"Typovex",
                                  QJsonObject{{"Options", QJsonObject{{"Startup", startup}}}}}}}})
                .toJson());
    f.close();

    m_main = std::make_unique<TfrmMain>();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTRY_COMPARE(focusedName(), first);
    QVERIFY(QFile::remove(f.fileName()));
}

void tst_Keyboard::enterInTheMainWindow_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("prints");
    QTest::addColumn<QString>("text");
    // Print is the default button: Enter in a control that does not use Enter presses it.
    QTest::newRow("one-line edit presses Print") << "tsListProperties"
                                                 << "eTitleText"
                                                 << "" << true << "Typovex";
    QTest::newRow("multi-line message takes Enter as a new line")
        << "tsListProperties"
        << "mMessage"
        << "ab" << false << "This is %fab\n";
    QTest::newRow("spin box keeps the typed value, then Print") << "tsFonts"
                                                                << "sePointSize"
                                                                << "20" << true << "20";
    QTest::newRow("margin edit presses Print") << "tsPrinter"
                                               << "eTop"
                                               << "" << true << "10.0";
    // In wizard mode Print is hidden, and a hidden default button does nothing.
    QTest::newRow("wizard title edit: nothing") << "wizard 5"
                                                << "eWizTitleText"
                                                << "" << false << "Typovex";
    QTest::newRow("wizard message takes Enter as a new line") << "wizard 3"
                                                              << "mWizMessage"
                                                              << "ab" << false << "This is %fab\n";
    QTest::newRow("focused Next button is pressed") << "wizard 1"
                                                    << "bNext"
                                                    << "" << false << "";
}

void tst_Keyboard::enterInTheMainWindow()
{
    QFETCH(QString, mode);
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(bool, prints);
    QFETCH(QString, text);

    const bool wizard = mode.startsWith(QLatin1String("wizard"));
    if (wizard)
        setWizardPage(mode.section(' ', 1).toInt());
    else
        showAdvancedTab(qPrintable(mode));
    QWidget* w = m_main->findChild<QWidget*>(control);
    QVERIFY(w);
    QSignalSpy printed(mainButton("bPrint"), &QPushButton::clicked);
    const int pageBefore = frmWizard->currentPage();
    focusOn(w);
    if (auto* spin = qobject_cast<QSpinBox*>(w))
        spin->selectAll();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(focused(), typed);
    QTest::keyClick(focused(), Qt::Key_Return);

    QCOMPARE(printed.count(), prints ? 1 : 0);
    QCOMPARE(m_boxes, prints ? QStringList{"No printer is installed."} : QStringList());
    if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        QCOMPARE(QString::number(spin->value()), text);
        spin->setValue(12);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QCOMPARE(edit->text(), text);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
        QCOMPARE(memo->toPlainText(), text);
        memo->setPlainText(QStringLiteral("This is %f"));
    } else if (control == QLatin1String("bNext")) {
        QCOMPARE(frmWizard->currentPage(), pageBefore + 1);
    }
    QVERIFY(m_main->isVisible());
}

void tst_Keyboard::escClosesTheMainWindow_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed"); // typed into the control first
    QTest::addColumn<bool>("closes");
    QTest::newRow("wizard, from a wizard edit") << "wizard 5"
                                                << "eWizTitleText"
                                                << "" << true;
    QTest::newRow("advanced, from the font list") << "tsFonts"
                                                  << "clbFonts"
                                                  << "" << true;
    QTest::newRow("advanced, from a main button") << "tsOptions"
                                                  << "bAbout"
                                                  << "" << true;
    QTest::newRow("advanced, from the empty font filter") << "tsFonts"
                                                          << "eFontFilter"
                                                          << "" << true;
    // The first Esc clears the filter and leaves the window open.
    QTest::newRow("advanced, from a font filter holding text") << "tsFonts"
                                                               << "eFontFilter"
                                                               << "sans" << false;
}

void tst_Keyboard::escClosesTheMainWindow()
{
    QFETCH(QString, mode);
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(bool, closes);
    if (mode.startsWith(QLatin1String("wizard")))
        setWizardPage(mode.section(' ', 1).toInt());
    else
        showAdvancedTab(qPrintable(mode));
    QSignalSpy closed(mainButton("bClose"), &QPushButton::clicked);
    focusOn(m_main->findChild<QWidget*>(control));
    QTest::keyClicks(focused(), typed);
    QTest::keyClick(focused(), Qt::Key_Escape);
    QCOMPARE(closed.count(), closes ? 1 : 0);
    QCOMPARE(m_main->isVisible(), !closes);
    if (!closes) {
        QVERIFY(m_main->findChild<QLineEdit*>(control)->text().isEmpty());
        QTest::keyClick(focused(), Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
    }
}

void tst_Keyboard::accessKeysAreTheSpecifiedOnesWithoutClashes()
{
    mainIn(true);
    QCOMPARE(accessKeys(m_main.get()), QStringList{"A"}); // "&Auto Text"
    TdlgJPEGExport exportDialog;
    QCOMPARE(accessKeys(&exportDialog), QStringList{"E"}); // "&Export"
    TfrmAbout about;
    QCOMPARE(accessKeys(&about), QStringList());
    TSelectFolder folder;
    QCOMPARE(accessKeys(&folder), QStringList());
    TRptPreviewFrm preview;
    QCOMPARE(accessKeys(&preview), QStringList());
    TdlgViewCharacterSet viewer;
    QCOMPARE(accessKeys(&viewer), QStringList());
}

void tst_Keyboard::autoTextAccessKey()
{
    showAdvancedTab("tsListProperties");
    auto* message = adv<QPlainTextEdit>("mMessage");
    focusOn(adv<QLineEdit>("eTitleText"));
    QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
    // An access key presses its button the way a click looks: after a short delay.
    QTRY_COMPARE(message->toPlainText(), autoText);
    QVERIFY(m_boxes.isEmpty()); // Alt+A is not Enter: nothing printed
    message->setPlainText(QStringLiteral("This is %f"));
}

void tst_Keyboard::ctrlKeysSwitchTabsFromAnyControl_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected");
    const int ctrl = int(Qt::ControlModifier);
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+Tab in the message")
        << "tsListProperties"
        << "mMessage" << int(Qt::Key_Tab) << ctrl << "tsHeaderFooter";
    QTest::newRow("Ctrl+Shift+Tab in a spin box")
        << "tsFonts"
        << "sePointSize" << int(Qt::Key_Backtab) << ctrlShift << "tsOptions";
    QTest::newRow("Ctrl+PageDown in the font list")
        << "tsFonts"
        << "clbFonts" << int(Qt::Key_PageDown) << ctrl << "tsPath";
    QTest::newRow("Ctrl+PageUp in an edit")
        << "tsPrinter"
        << "eTop" << int(Qt::Key_PageUp) << ctrl << "tsHeaderFooter";
    QTest::newRow("Ctrl+PageUp in the message")
        << "tsListProperties"
        << "mMessage" << int(Qt::Key_PageUp) << ctrl << "tsPath";
    QTest::newRow("Ctrl+PageDown on the last tab wraps")
        << "tsOptions"
        << "cbBorders" << int(Qt::Key_PageDown) << ctrl << "tsFonts";
}

void tst_Keyboard::ctrlKeysSwitchTabsFromAnyControl()
{
    QFETCH(QString, tab);
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    showAdvancedTab(qPrintable(tab));
    focusOn(frmAdvanced->findChild<QWidget*>(control));
    const QString before = adv<QPlainTextEdit>("mMessage")->toPlainText();
    QTest::keyClick(focused(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(adv<QTabWidget>("pgTypovex")->currentWidget()->objectName(), expected);
    QCOMPARE(adv<QPlainTextEdit>("mMessage")->toPlainText(), before); // no tab typed
}

void tst_Keyboard::fontListSpaceTogglesAsAClickDoes()
{
    showAdvancedTab("tsFonts");
    FontCheckList* list = adv<FontCheckList>("clbFonts");
    auto* allFonts = adv<QCheckBox>("cbAllFonts");
    QVERIFY(list->count() > 3);
    frmAdvanced->fontSelection()->Unselectall1Click();
    QVERIFY(!mainButton("bPrint")->isEnabled());

    focusOn(list);
    list->setCurrentIndex(list->model()->index(2, 0));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(list->isChecked(2));
    QCOMPARE(allFonts->checkState(), Qt::PartiallyChecked);
    QVERIFY(mainButton("bPrint")->isEnabled());
    QVERIFY(mainButton("bPreview")->isEnabled());

    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!list->isChecked(2));
    QCOMPARE(allFonts->checkState(), Qt::Unchecked);
    QVERIFY(!mainButton("bPrint")->isEnabled());

    // Space on "All fonts" itself ticks every entry, as its click does.
    focusOn(allFonts);
    QTest::keyClick(allFonts, Qt::Key_Space);
    QCOMPARE(allFonts->checkState(), Qt::Checked);
    QVERIFY(list->isChecked(0) && list->isChecked(list->count() - 1));
    QVERIFY(mainButton("bPrint")->isEnabled());
}

void tst_Keyboard::fontListMovementKeys_data()
{
    QTest::addColumn<bool>("fromEnd");
    QTest::addColumn<int>("key");
    QTest::newRow("PageDown from the first entry") << false << int(Qt::Key_PageDown);
    QTest::newRow("PageUp from the last entry") << true << int(Qt::Key_PageUp);
}

void tst_Keyboard::fontListMovementKeys()
{
    QFETCH(bool, fromEnd);
    QFETCH(int, key);
    showAdvancedTab("tsFonts");
    FontCheckList* list = adv<FontCheckList>("clbFonts");
    const int start = fromEnd ? list->count() - 1 : 0;
    focusOn(list);
    list->setCurrentIndex(list->model()->index(start, 0));
    QTest::keyClick(list, Qt::Key(key));
    // A page moves by more than one entry, and the focus stays in the list.
    const int moved = std::abs(list->currentIndex().row() - start);
    QVERIFY2(moved > 1, qPrintable(QString::number(moved)));
    QCOMPARE(focused(), static_cast<QWidget*>(list));
}

void tst_Keyboard::fontListMenuFromTheKeyboardActsOnTheCurrentEntry_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("actsOnCurrent");
    QTest::newRow("Menu key") << "menu key" << true;
    QTest::newRow("Shift+F10") << "shift f10" << true;
    QTest::newRow("mouse: the entry last under the pointer") << "mouse" << false;
}

void tst_Keyboard::fontListMenuFromTheKeyboardActsOnTheCurrentEntry()
{
    QFETCH(QString, how);
    QFETCH(bool, actsOnCurrent);
    showAdvancedTab("tsFonts");
    FontCheckList* list = adv<FontCheckList>("clbFonts");
    FontSelection* selection = frmAdvanced->fontSelection();
    auto* name = adv<QLabel>("lblFontName");
    QString viewed;
    selection->onViewCharSet = [&viewed](const QString& face) { viewed = face; };

    focusOn(list);
    list->setCurrentIndex(list->model()->index(5, 0));
    list->scrollTo(list->currentIndex());
    // The pointer was last over another entry.
    const QPoint overSeventh = list->visualRect(list->model()->index(7, 0)).center();
    selection->clbFontsMouseMove(overSeventh.x(), overSeventh.y());
    QCOMPARE(name->text(), list->name(7));

    QMenu* menu = selection->popupMenu();
    if (how == QLatin1String("menu key")) {
        // What the window system delivers for the Menu key.
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                list->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(list, &event);
    } else if (how == QLatin1String("shift f10")) {
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    } else {
        QContextMenuEvent event(QContextMenuEvent::Mouse, overSeventh,
                                list->viewport()->mapToGlobal(overSeventh));
        QApplication::sendEvent(list->viewport(), &event);
    }
    QTRY_VERIFY(menu->isVisible());
    const QString expected = list->name(actsOnCurrent ? 5 : 7);
    QCOMPARE(name->text(), expected);
    menu->findChild<QAction*>(QStringLiteral("Viewcharacterset1"))->trigger();
    menu->close();
    QCOMPARE(viewed, expected);
    selection->onViewCharSet = nullptr;
}

void tst_Keyboard::radioGroupArrowsSelectWithTheirConsequences_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("units Down: margins to inches") << "rgUnits" << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("units Up from Inches: back to millimetres")
        << "rgUnits" << 1 << int(Qt::Key_Up) << 0;
    QTest::newRow("paper size Right") << "rgPaperSize" << 0 << int(Qt::Key_Right) << 1;
    QTest::newRow("paper size Down from the last wraps")
        << "rgPaperSize" << 3 << int(Qt::Key_Down) << 0;
    QTest::newRow("paper size Left from the first wraps")
        << "rgPaperSize" << 0 << int(Qt::Key_Left) << 3;
    QTest::newRow("wizard target Down: the printer list comes alive")
        << "rgWizDisplayMode" << 0 << int(Qt::Key_Down) << 1;
}

void tst_Keyboard::radioGroupArrowsSelectWithTheirConsequences()
{
    QFETCH(QString, group);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    const bool wizard = group == QLatin1String("rgWizDisplayMode");
    if (wizard)
        setWizardPage(2);
    else
        showAdvancedTab("tsPrinter");
    auto* radio = m_main->findChild<RadioGroup*>(group);
    QVERIFY(radio);
    if (group == QLatin1String("rgUnits")) {
        radio->setItemIndex(start);
        frmAdvanced->ShownUnits = start;
        adv<QLineEdit>("eTop")->setText(start == 0 ? "10.0" : "0.39");
    } else {
        radio->setItemIndex(start);
    }

    // Tab reaches the group at its selected button.
    QWidget* before =
        wizard ? static_cast<QWidget*>(mainButton("bClose"))
               : static_cast<QWidget*>(group == QLatin1String("rgUnits") ? adv<QLineEdit>("eBottom")
                                                                         : radio->parentWidget());
    if (group == QLatin1String("rgPaperSize"))
        before = adv<RadioGroup>("rgUnits")->button(adv<RadioGroup>("rgUnits")->itemIndex());
    focusOn(before);
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(focused(), static_cast<QWidget*>(radio->button(start)));

    QTest::keyClick(focused(), Qt::Key(key));
    QCOMPARE(radio->itemIndex(), expected);
    QCOMPARE(focused(), static_cast<QWidget*>(radio->button(expected)));
    QVERIFY(radio->button(expected)->isChecked());
    QVERIFY(!radio->button(start)->isChecked());

    if (group == QLatin1String("rgUnits")) {
        QCOMPARE(adv<QLineEdit>("eTop")->text(), expected == 1 ? QString("0.39") : QString("9.9"));
        radio->setItemIndex(0);
        frmAdvanced->ShownUnits = 0;
        adv<QLineEdit>("eTop")->setText("10.0");
    } else if (wizard) {
        QVERIFY(wiz<QComboBox>("cbWizPrinters")->isEnabled());
        QTest::keyClick(focused(), Qt::Key_Up);
        QVERIFY(!wiz<QComboBox>("cbWizPrinters")->isEnabled());
    } else {
        radio->setItemIndex(0);
    }
}

QDialog* tst_Keyboard::openDialog(const QString& which)
{
    m_dialog.reset();
    m_store.reset();
    if (which == QLatin1String("about")) {
        m_dialog = std::make_unique<TfrmAbout>();
    } else if (which == QLatin1String("folder picker")) {
        auto picker = std::make_unique<TSelectFolder>();
        picker->ShowRecurse = true;
        picker->openFolder(m_folders.path());
        m_dialog = std::move(picker);
    } else if (which.startsWith(QLatin1String("character set"))) {
        auto viewer = std::make_unique<TdlgViewCharacterSet>();
        if (which.endsWith(QLatin1String("text"))) {
            viewer->findChild<QCheckBox*>(QStringLiteral("cbASCIIcodes"))->setChecked(false);
            viewer->cbASCIIcodesClick();
        }
        viewer->PrepareForFont(QStringLiteral("DejaVu Sans"));
        m_dialog = std::move(viewer);
    } else if (which == QLatin1String("export")) {
        auto dialog = std::make_unique<TdlgJPEGExport>();
        dialog->PrepareForFont(QStringLiteral("DejaVu Sans"));
        m_dialog = std::move(dialog);
    } else if (which.startsWith(QLatin1String("preview"))) {
        auto preview = std::make_unique<TRptPreviewFrm>();
        m_store = std::make_unique<PageStore>(QSize(794, 1123));
        preview->showRun(*m_store);
        if (which.endsWith(QLatin1String("page 3"))) {
            for (int i = 1; i <= 5; ++i)
                m_store->addPage(pageNumbered(i));
            m_store->finish();
            preview->btnNextPageClick();
            preview->btnNextPageClick();
        }
        m_dialog = std::move(preview);
    }
    if (!m_dialog)
        return nullptr;
    m_dialog->show();
    m_dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(m_dialog.get()))
        qWarning("dialog not active");
    return m_dialog.get();
}

void tst_Keyboard::dialogTabOrder_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("firstFocus");
    QTest::addColumn<QStringList>("cycle");
    QTest::newRow("about") << "about"
                           << "okBtn" << QStringList{"okBtn"};
    QTest::newRow("folder picker")
        << "folder picker"
        << "DriveComboBox"
        << QStringList{"DriveComboBox", "DirectoryListBox", "cbRecurse", "bOK", "bCancel"};
    QTest::newRow("character set, grid")
        << "character set grid"
        << "sePointSize" << QStringList{"sePointSize", "cbBold",   "cbItalic",     "cbUnderline",
                                        "cbStrikeout", "dgSample", "cbASCIIcodes", "bClose"};
    QTest::newRow("character set, text: Tab leaves the read-only text")
        << "character set text"
        << "sePointSize" << QStringList{"sePointSize", "cbBold",  "cbItalic",     "cbUnderline",
                                        "cbStrikeout", "eSample", "cbASCIIcodes", "bClose"};
    QTest::newRow("export: JPEG is the group's stop")
        << "export"
        << "sePointSize"
        << QStringList{"sePointSize", "cbBold",       "cbItalic", "cbUnderline", "cbStrikeout",
                       "eSample",     "rgExportAs_1", "bExport",  "bClose"};
    QTest::newRow("preview, waiting for the first page")
        << "preview waiting"
        << "bClose" << QStringList{"bClose", "cbZoom", "edPageNumber"};
    QTest::newRow("preview on page 3 of 5, complete: every page button")
        << "preview page 3"
        << "bClose"
        << QStringList{"bClose",      "cbZoom",      "btnFirstPage", "btnPrevPage", "edPageNumber",
                       "btnNextPage", "btnLastPage", "RptPreview",   "bSavePdf"};
}

void tst_Keyboard::dialogTabOrder()
{
    QFETCH(QString, which);
    QFETCH(QString, firstFocus);
    QFETCH(QStringList, cycle);
    QDialog* dialog = openDialog(which);
    QVERIFY(dialog);
    QTRY_COMPARE(focusedName(), firstFocus);
    checkCycle(dialog, cycle);
}

void tst_Keyboard::dialogEnterAndEsc_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result"); // -1: stays open
    const int enter = int(Qt::Key_Return);
    const int esc = int(Qt::Key_Escape);
    const int open = -1;
    QTest::newRow("about: Enter") << "about"
                                  << "okBtn" << enter << int(QDialog::Accepted);
    QTest::newRow("about: Esc") << "about"
                                << "okBtn" << esc << int(QDialog::Rejected);
    QTest::newRow("folder picker: Enter on the drive presses OK")
        << "folder picker"
        << "DriveComboBox" << enter << int(QDialog::Accepted);
    QTest::newRow("folder picker: Enter on the recurse box presses OK")
        << "folder picker"
        << "cbRecurse" << enter << int(QDialog::Accepted);
    QTest::newRow("folder picker: Enter on Cancel cancels")
        << "folder picker"
        << "bCancel" << enter << int(QDialog::Rejected);
    QTest::newRow("folder picker: Esc") << "folder picker"
                                        << "DirectoryListBox" << esc << int(QDialog::Rejected);
    QTest::newRow("character set: Esc in the grid") << "character set grid"
                                                    << "dgSample" << esc << int(QDialog::Rejected);
    QTest::newRow("character set: Enter in the grid closes nothing") << "character set grid"
                                                                     << "dgSample" << enter << open;
    QTest::newRow("export: Esc in the text") << "export"
                                             << "eSample" << esc << int(QDialog::Rejected);
    QTest::newRow("export: Enter in the text exports nothing and stays")
        << "export"
        << "eSample" << enter << open;
    QTest::newRow("preview: Esc") << "preview page 3"
                                  << "RptPreview" << esc << int(QDialog::Rejected);
    QTest::newRow("preview: Enter in the page box stays") << "preview page 3"
                                                          << "edPageNumber" << enter << open;
}

void tst_Keyboard::dialogEnterAndEsc()
{
    QFETCH(QString, which);
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(int, result);
    QDialog* dialog = openDialog(which);
    QVERIFY(dialog);
    focusOn(dialog->findChild<QWidget*>(control));
    QTest::keyClick(focused(), Qt::Key(key));
    if (result < 0) {
        QVERIFY(dialog->isVisible());
        QVERIFY(m_saveRequests.isEmpty());
        QVERIFY(m_boxes.isEmpty());
    } else {
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), result);
    }
    if (which.startsWith(QLatin1String("preview")) && result >= 0)
        QVERIFY(!static_cast<TRptPreviewFrm*>(dialog)->hasRun()); // Esc ended the run
}

void tst_Keyboard::folderListEnterOpensTheFolderThenPressesOk()
{
    auto* picker = static_cast<TSelectFolder*>(openDialog(QStringLiteral("folder picker")));
    auto* list = picker->findChild<QListWidget*>(QStringLiteral("DirectoryListBox"));
    focusOn(list);
    const QString root = QDir::cleanPath(m_folders.path());
    QCOMPARE(picker->openFolder(), root);

    // Down to "alpha", the first folder inside the open one; Enter opens it as a double click.
    const int openRow = list->currentRow();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), openRow + 1);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(picker->openFolder(), root + "/alpha");
    QVERIFY(picker->isVisible());

    // Space ticks "Recurse sub-directories"; Enter on the open folder then presses OK.
    focusOn(picker->findChild<QCheckBox*>(QStringLiteral("cbRecurse")));
    QTest::keyClick(focused(), Qt::Key_Space);
    QVERIFY(picker->findChild<QCheckBox*>(QStringLiteral("cbRecurse"))->isChecked());
    focusOn(list);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!picker->isVisible());
    QCOMPARE(picker->result(), int(QDialog::Accepted));
}

void tst_Keyboard::folderListFindsFoldersByTheirFirstLetters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current"); // folder name, relative to the open folder
    QTest::newRow("one letter") << "a"
                                << "alpha";
    QTest::newRow("any case") << "A"
                              << "alpha";
    QTest::newRow("the same letter again steps on") << "bb"
                                                    << "Bravo";
    QTest::newRow("letters that go on narrow down") << "br"
                                                    << "Bravo";
    QTest::newRow("no match stays") << "z"
                                    << "";
}

void tst_Keyboard::folderListFindsFoldersByTheirFirstLetters()
{
    QFETCH(QString, typed);
    QFETCH(QString, current);
    auto* picker = static_cast<TSelectFolder*>(openDialog(QStringLiteral("folder picker")));
    auto* list = picker->findChild<QListWidget*>(QStringLiteral("DirectoryListBox"));
    focusOn(list);
    const QString root = QDir::cleanPath(m_folders.path());
    QTest::keyClicks(list, typed);
    const QString expected = current.isEmpty() ? root : root + '/' + current;
    QCOMPARE(list->currentItem()->data(Qt::UserRole).toString(), expected);
    QCOMPARE(picker->openFolder(), root); // moving is not opening
}

void tst_Keyboard::exportAccessKeyExports()
{
    QDialog* dialog = openDialog(QStringLiteral("export"));
    focusOn(dialog->findChild<QLineEdit*>(QStringLiteral("eSample")));
    QTest::keyClick(focused(), Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(m_saveRequests.size(), 1);
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("eSample"))->text(), QString("Hello"));
    QVERIFY(dialog->isVisible());
}

TYPOVEX_TEST_MAIN(tst_Keyboard)

#include "tst_keyboard.moc"
