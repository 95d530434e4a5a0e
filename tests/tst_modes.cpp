#include "app/Main.h"
#include "app/PrevInstance.h"
#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontSelection.h"
#include "support/TestMain.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"
#include "ui/Wizard.h"

#include <memory>
#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

// The main window's two modes, its start from the stored settings, and how the embedded
// windows meet it.
class tst_Modes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startModeAndModeButton_data();
    void startModeAndModeButton();
    void enteringAdvancedModeAppliesAllFonts_data();
    void enteringAdvancedModeAppliesAllFonts();
    void printButtonsFollowTheTicks();
    void readErrorEntersNoModeUntilTheButtonIsPressed();
    void startMinimisedOpensMinimisedInItsMode();
    void wizardLosesUncommittedPageOnSwitch();
    void wizardCommitReachesAdvancedWindow();
    void saveButtonStoresAndConfirms();
    void destructionClearsTheEmbeddedWindows();

private:
    void writeDocument(const QJsonObject& appKey);
    std::unique_ptr<TfrmMain> showMain();
    QPushButton* button(const char* name) const { return m_main->findChild<QPushButton*>(name); }
    FontCheckList* fontList() const { return frmAdvanced->findChild<FontCheckList*>("clbFonts"); }
    int tickedCount() const;

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<TfrmMain> m_main;
    QStringList m_boxes;
};

void tst_Modes::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    PrinterList::setOverride(PrinterList::Override{{"Office", "Laser", "PDF"}, 0});
    m_boxes.clear();
    Messages::setHook([this](Messages::Kind, const QString& text) {
        m_boxes.append(text);
        return QMessageBox::Ok;
    });
}

void tst_Modes::cleanup()
{
    m_main.reset();
    ReleasePrevInstance();
    Messages::setHook({});
    PrinterList::setOverride(std::nullopt);
}

void tst_Modes::writeDocument(const QJsonObject& appKey)
{
    QDir().mkpath(m_config->path() + "/Typovex");
    QFile f(m_config->path() + "/Typovex/registry.json");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QJsonDocument(QJsonObject{{"Software", QJsonObject{{"Typovex", appKey}}}}).toJson());
}

std::unique_ptr<TfrmMain> tst_Modes::showMain()
{
    auto frm = std::make_unique<TfrmMain>();
    frm->show();
    if (!QTest::qWaitForWindowExposed(frm.get()))
        qWarning("main window not exposed");
    return frm;
}

int tst_Modes::tickedCount() const
{
    int n = 0;
    for (int i = 0; i < fontList()->count(); ++i)
        n += fontList()->isChecked(i);
    return n;
}

void tst_Modes::startModeAndModeButton_data()
{
    QTest::addColumn<QJsonObject>("stored");
    QTest::addColumn<bool>("startsInWizard");
    QTest::newRow("no document: wizard") << QJsonObject{} << true;
    QTest::newRow("Startup 0: wizard")
        << QJsonObject{{"Options", QJsonObject{{"Startup", 0}}}} << true;
    QTest::newRow("Startup 1: advanced")
        << QJsonObject{{"Options", QJsonObject{{"Startup", 1}}}} << false;
    QTest::newRow("Startup -1 selects nothing: advanced")
        << QJsonObject{{"Options", QJsonObject{{"Startup", -1}}}} << false;
    QTest::newRow("Startup 9: advanced")
        << QJsonObject{{"Options", QJsonObject{{"Startup", 9}}}} << false;
}

void tst_Modes::startModeAndModeButton()
{
    QFETCH(QJsonObject, stored);
    QFETCH(bool, startsInWizard);
    writeDocument(stored);
    m_main = showMain();
    QVERIFY(m_boxes.isEmpty());

    // Each press of the mode button leads to the mode its caption names.
    bool inWizard = startsInWizard;
    for (int press = 0; press < 3; ++press) {
        QCOMPARE(button("bAdvanced")->text(),
                 inWizard ? QString("Advanced...") : QString("Wizard..."));
        QCOMPARE(button("bPrint")->isVisible(), !inWizard);
        QCOMPARE(button("bPreview")->isVisible(), !inWizard);
        QCOMPARE(frmWizard->isVisible(), inWizard);
        QCOMPARE(frmAdvanced->isVisible(), !inWizard);
        if (inWizard) {
            QCOMPARE(frmWizard->currentPage(), 0);
            QVERIFY(!frmWizard->findChild<QPushButton*>("bPrev")->isEnabled());
            QVERIFY(frmWizard->findChild<QPushButton*>("bNext")->isEnabled());
        } else {
            QCOMPARE(
                frmAdvanced->findChild<QTabWidget*>("pgTypovex")->currentWidget()->objectName(),
                QString("tsFonts"));
        }
        QTest::mouseClick(button("bAdvanced"), Qt::LeftButton);
        inWizard = !inWizard;
    }
}

void tst_Modes::enteringAdvancedModeAppliesAllFonts_data()
{
    QTest::addColumn<Qt::CheckState>("box");
    QTest::addColumn<bool>("everyTick");
    QTest::newRow("ticked box ticks every font") << Qt::Checked << true;
    QTest::newRow("grey box clears every tick") << Qt::PartiallyChecked << false;
    QTest::newRow("clear box clears every tick") << Qt::Unchecked << false;
}

void tst_Modes::enteringAdvancedModeAppliesAllFonts()
{
    QFETCH(Qt::CheckState, box);
    QFETCH(bool, everyTick);
    m_main = showMain();
    QVERIFY(frmWizard->isVisible());
    QVERIFY(fontList()->count() > 2);

    // Set the box and a mixed selection behind the program's back, as the wizard mode leaves it.
    auto* allFonts = frmAdvanced->findChild<QCheckBox*>("cbAllFonts");
    SelectionSyncBusy = true;
    allFonts->setCheckState(box);
    fontList()->setChecked(0, true);
    fontList()->setChecked(1, false);
    SelectionSyncBusy = false;

    m_main->bAdvancedClick();
    QCOMPARE(tickedCount(), everyTick ? fontList()->count() : 0);
    QCOMPARE(allFonts->checkState(), everyTick ? Qt::Checked : Qt::Unchecked);
    QCOMPARE(button("bPrint")->isEnabled(), everyTick);
    QCOMPARE(button("bPreview")->isEnabled(), everyTick);
}

void tst_Modes::printButtonsFollowTheTicks()
{
    writeDocument(QJsonObject{{"Options", QJsonObject{{"Startup", 1}}}});
    m_main = showMain();
    FontSelection* fonts = frmAdvanced->fontSelection();
    QVERIFY(button("bPrint")->isEnabled());

    fonts->Unselectall1Click();
    QVERIFY(!button("bPrint")->isEnabled());
    QVERIFY(!button("bPreview")->isEnabled());

    // One tick makes the box grey, which still allows printing.
    fontList()->setChecked(0, true);
    fonts->clbFontsClick();
    QCOMPARE(frmAdvanced->findChild<QCheckBox*>("cbAllFonts")->checkState(), Qt::PartiallyChecked);
    QVERIFY(button("bPrint")->isEnabled());
    QVERIFY(button("bPreview")->isEnabled());
}

void tst_Modes::readErrorEntersNoModeUntilTheButtonIsPressed()
{
    writeDocument(
        QJsonObject{{"ListingProperties", QJsonObject{{"TitleText", "Read before the error"}}},
                    {"PageLayout", QJsonObject{{"PointSize", "12"}, {"Columns", 1}}},
                    {"Options", QJsonObject{{"Startup", 1}}}});
    m_main = showMain();
    QCOMPARE(m_boxes, QStringList{"Invalid data type for 'PointSize'"});
    QVERIFY(!frmWizard->isVisible());
    QVERIFY(!frmAdvanced->isVisible());
    QCOMPARE(button("bAdvanced")->text(), QString("Advanced..."));
    QCOMPARE(frmAdvanced->findChild<QLineEdit*>("eTitleText")->text(),
             QString("Read before the error"));
    QCOMPARE(frmAdvanced->findChild<RadioGroup*>("rgColumns")->itemIndex(), 0); // never read

    QTest::mouseClick(button("bAdvanced"), Qt::LeftButton);
    QVERIFY(frmAdvanced->isVisible());
    QCOMPARE(button("bAdvanced")->text(), QString("Wizard..."));
}

void tst_Modes::startMinimisedOpensMinimisedInItsMode()
{
    writeDocument(QJsonObject{{"Options", QJsonObject{{"StartMinimised", 1}, {"Startup", 1}}}});
    m_main = showMain();
    QTRY_VERIFY(m_main->windowState() & Qt::WindowMinimized);
    QVERIFY(frmAdvanced->isVisibleTo(m_main.get()));
    QCOMPARE(button("bAdvanced")->text(), QString("Wizard..."));
}

void tst_Modes::wizardLosesUncommittedPageOnSwitch()
{
    m_main = showMain();
    auto* message = frmAdvanced->findChild<QPlainTextEdit*>("mMessage");
    QCOMPARE(frmWizard->findChild<QPlainTextEdit*>("mWizMessage")->toPlainText(),
             message->toPlainText());

    // Page 3 holds the message; typing there and leaving the mode commits nothing.
    auto* next = frmWizard->findChild<QPushButton*>("bNext");
    next->click();
    next->click();
    QCOMPARE(frmWizard->currentPage(), 2);
    frmWizard->findChild<QPlainTextEdit*>("mWizMessage")->setPlainText("Typed, never committed");
    m_main->bAdvancedClick();
    QCOMPARE(message->toPlainText(), QString("This is %f"));

    // Back in the wizard: page 1, showing what the advanced window holds now.
    message->setPlainText("Changed in the advanced window");
    m_main->bAdvancedClick();
    QCOMPARE(frmWizard->currentPage(), 0);
    QCOMPARE(frmWizard->findChild<QPlainTextEdit*>("mWizMessage")->toPlainText(),
             QString("Changed in the advanced window"));
}

void tst_Modes::wizardCommitReachesAdvancedWindow()
{
    m_main = showMain();
    auto* next = frmWizard->findChild<QPushButton*>("bNext");
    for (int i = 0; i < 4; ++i)
        next->click();
    QCOMPARE(frmWizard->currentPage(), 4);
    frmWizard->findChild<QCheckBox*>("cbWizTitle")->setChecked(false);
    frmWizard->findChild<QLineEdit*>("eWizTitleText")->setText("Kept though off");
    next->click();
    m_main->bAdvancedClick();
    QVERIFY(!frmAdvanced->findChild<QCheckBox*>("cbTitle")->isChecked());
    auto* title = frmAdvanced->findChild<QLineEdit*>("eTitleText");
    QCOMPARE(title->text(), QString("Kept though off"));
    QVERIFY(!title->isEnabled()); // the advanced window's own rule followed the change
}

void tst_Modes::saveButtonStoresAndConfirms()
{
    writeDocument(QJsonObject{{"Options", QJsonObject{{"Startup", 1}}}});
    m_main = showMain();
    frmAdvanced->findChild<QLineEdit*>("eHeaderText")->setText("Saved header");
    QTest::mouseClick(frmAdvanced->findChild<QPushButton*>("bSaveSettings"), Qt::LeftButton);
    QCOMPARE(m_boxes, QStringList{"Your settings have been saved."});
    QFile f(m_config->path() + "/Typovex/registry.json");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject key = QJsonDocument::fromJson(f.readAll())["Software"]["Typovex"].toObject();
    QCOMPARE(key["ListingProperties"]["HeaderText"].toString(), QString("Saved header"));
    QCOMPARE(key["Options"]["Startup"].toInt(), 1);
}

void tst_Modes::destructionClearsTheEmbeddedWindows()
{
    m_main = showMain();
    QPointer<TfrmWizard> wizard = frmWizard;
    QPointer<TfrmAdvanced> advanced = frmAdvanced;
    QVERIFY(wizard && advanced);
    m_main.reset();
    QVERIFY(!frmWizard && !frmAdvanced);
    QVERIFY(!wizard && !advanced);
}

TYPOVEX_TEST_MAIN(tst_Modes)

#include "tst_modes.moc"
