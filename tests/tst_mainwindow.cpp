#include "app/HintPlacement.h"
#include "app/Main.h"
#include "app/PrevInstance.h"
#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "fonts/FontSelection.h"
#include "ui/Advanced.h"
#include "ui/Wizard.h"

#include <QBitmap>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QWidget* hintLabel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
            return w;
    }
    return nullptr;
}

// Restores an environment variable when the test row ends.
class EnvOverride
{
public:
    EnvOverride(const char* name, const QByteArray& value) : m_name(name)
    {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    QByteArray m_old;
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void buttonsHaveCaptionHintAndPlace_data();
    void buttonsHaveCaptionHintAndPlace();
    void frameAndTitleStripHaveTheirPlaces();
    void creationSetsCaptionTitleAndClearsSelectionSync();
    void windowHasFixedSizeAndOpensCentred();
    void tabOrderRunsThroughButtonsThenPanel();
    void enterPressesFocusedButtonElsePrint();
    void escapeClosesTheWindow();
    void embeddedWindowFillsThePanel();
    void pressOnBackgroundDragsWindow_data();
    void pressOnBackgroundDragsWindow();

    void hintSitsBelowCursorImage_data();
    void hintSitsBelowCursorImage();
    void hintStaysOnScreen_data();
    void hintStaysOnScreen();
    void appShowHintPlacesHintOfAnyControl();

    void lockDecidesWhetherAnotherCopyRuns_data();
    void lockDecidesWhetherAnotherCopyRuns();
    void lockOfKilledCopyIsTakenOver();
    void secondStartBringsRegisteredWindowForward();
    void askingWhenNobodyListensFailsQuickly();
};

void tst_MainWindow::cleanup()
{
    ReleasePrevInstance();
    SetPrevInstanceWindow(nullptr);
}

void tst_MainWindow::buttonsHaveCaptionHintAndPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QRect>("place");
    QTest::newRow("about") << "bAbout"
                           << "About"
                           << "Display information about this program." << QRect(8, 327, 65, 25);
    // The mode button's hint keeps the program's own spelling.
    QTest::newRow("mode switch") << "bAdvanced"
                                 << "Advanced..."
                                 << "Toggle betwen Wizard and Advanced modes"
                                 << QRect(82, 327, 75, 25);
    QTest::newRow("print") << "bPrint"
                           << "Print"
                           << "Print the font listing !" << QRect(168, 327, 65, 25);
    QTest::newRow("preview") << "bPreview"
                             << "Preview"
                             << "Preview the font listing on screen" << QRect(242, 327, 65, 25);
    QTest::newRow("close") << "bClose"
                           << "Close"
                           << "Exit Typovex" << QRect(319, 327, 65, 25);
}

void tst_MainWindow::buttonsHaveCaptionHintAndPlace()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QRect, place);
    TfrmMain frm;
    auto* button = frm.findChild<QPushButton*>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->toolTip(), hint);
    QCOMPARE(button->geometry(), place);
    QVERIFY(button->isVisibleTo(&frm));
    QCOMPARE(button->isDefault(), name == QLatin1String("bPrint"));
}

void tst_MainWindow::frameAndTitleStripHaveTheirPlaces()
{
    TfrmMain frm;
    auto* bevel = frm.findChild<QFrame*>(QStringLiteral("Bevel1"));
    QVERIFY(bevel);
    QCOMPARE(bevel->geometry(), QRect(8, 8, 376, 33));
    QCOMPARE(bevel->frameShadow(), QFrame::Raised);
    auto* title = frm.findChild<QLabel*>(QStringLiteral("lblTitle"));
    QVERIFY(title);
    QCOMPARE(title->pos(), QPoint(13, 16));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pointSize(), 12);
    auto* panel = frm.findChild<QFrame*>(QStringLiteral("pnlBackground"));
    QVERIFY(panel);
    QCOMPARE(panel->geometry(), QRect(8, 48, 376, 273));
    QCOMPARE(panel->frameShape(), QFrame::NoFrame);
    // The credit and contact lines fit in the title strip beside the title.
    for (const char* name : {"lblCredit", "lblContact"}) {
        auto* line = frm.findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(line, name);
        QVERIFY(!line->text().isEmpty());
        QVERIFY(bevel->geometry().contains(line->geometry()));
        QVERIFY(!line->geometry().intersects(title->geometry()));
        QVERIFY2(line->fontMetrics().horizontalAdvance(line->text()) <= line->width(), name);
    }
}

void tst_MainWindow::creationSetsCaptionTitleAndClearsSelectionSync()
{
    SelectionSyncBusy = true;
    TfrmMain frm;
    QVERIFY(!SelectionSyncBusy);
    QCOMPARE(frm.windowTitle(), QStringLiteral("Typovex - ver. 3.9"));
    QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Typovex"));
}

void tst_MainWindow::windowHasFixedSizeAndOpensCentred()
{
    TfrmMain frm;
    QCOMPARE(frm.minimumSize(), QSize(390, 356));
    QCOMPARE(frm.maximumSize(), QSize(390, 356));
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    const QRect screen = frm.screen()->availableGeometry();
    const QPoint offCentre = frm.frameGeometry().center() - screen.center();
    QVERIFY2(
        offCentre.manhattanLength() <= 2,
        qPrintable(QStringLiteral("off centre by %1,%2").arg(offCentre.x()).arg(offCentre.y())));
}

void tst_MainWindow::tabOrderRunsThroughButtonsThenPanel()
{
    TfrmMain frm;
    const QStringList expected = {QStringLiteral("bAbout"), QStringLiteral("bAdvanced"),
                                  QStringLiteral("bPrint"), QStringLiteral("bPreview"),
                                  QStringLiteral("bClose"), QStringLiteral("pnlBackground")};
    QStringList chain;
    QWidget* w = frm.findChild<QWidget*>(expected.first());
    for (int i = 0; w && i < 50 && chain.size() < expected.size(); ++i, w = w->nextInFocusChain()) {
        if (expected.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
    }
    QCOMPARE(chain, expected);
}

void tst_MainWindow::enterPressesFocusedButtonElsePrint()
{
    // Print really prints now: with no printer it only says so, in a box answered here.
    PrinterList::setOverride(PrinterList::Override{});
    Messages::setHook([](Messages::Kind, const QString&) { return QMessageBox::Ok; });
    const auto restore = qScopeGuard([] {
        Messages::setHook({});
        PrinterList::setOverride(std::nullopt);
    });
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    frm.ShowAdvancedMode(); // Print is hidden in wizard mode
    auto* about = frm.findChild<QPushButton*>(QStringLiteral("bAbout"));
    auto* print = frm.findChild<QPushButton*>(QStringLiteral("bPrint"));
    QSignalSpy aboutClicks(about, &QPushButton::clicked);
    QSignalSpy printClicks(print, &QPushButton::clicked);

    about->setFocus();
    QTest::keyClick(about, Qt::Key_Return);
    QCOMPARE(aboutClicks.size(), 1);
    QCOMPARE(printClicks.size(), 0);

    // Focus on something that is no button: Enter goes to the default button.
    auto* panel = frm.findChild<QFrame*>(QStringLiteral("pnlBackground"));
    auto* edit = new QLineEdit(panel);
    panel->layout()->addWidget(edit);
    edit->show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(printClicks.size(), 1);
    QCOMPARE(aboutClicks.size(), 1);
}

void tst_MainWindow::escapeClosesTheWindow()
{
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    QSignalSpy closeClicks(frm.findChild<QPushButton*>(QStringLiteral("bClose")),
                           &QPushButton::clicked);
    QTest::keyClick(&frm, Qt::Key_Escape);
    QCOMPARE(closeClicks.size(), 1);
    QVERIFY(!frm.isVisible());
    QCOMPARE(frm.result(), int(QDialog::Rejected)); // closed, not accepted as a dialog would be
}

void tst_MainWindow::embeddedWindowFillsThePanel()
{
    TfrmMain frm;
    auto* panel = frm.findChild<QFrame*>(QStringLiteral("pnlBackground"));
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    // Whichever settings window is embedded fills the whole panel, in both modes.
    QVERIFY(frmWizard && frmAdvanced);
    QTRY_COMPARE(frmWizard->geometry(), panel->rect());
    frm.bAdvancedClick();
    QTRY_COMPARE(frmAdvanced->geometry(), panel->rect());
    QVERIFY(!frmWizard->isVisible());
}

void tst_MainWindow::pressOnBackgroundDragsWindow_data()
{
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<bool>("moves");
    QTest::newRow("left margin") << QPoint(3, 200) << true;
    QTest::newRow("gap above panel") << QPoint(200, 44) << true;
    QTest::newRow("title label drawn on the window") << QPoint(20, 22) << true;
    QTest::newRow("bevel of the title strip") << QPoint(100, 39) << true;
    QTest::newRow("panel hosting the settings window") << QPoint(150, 150) << false;
}

void tst_MainWindow::pressOnBackgroundDragsWindow()
{
    QFETCH(QPoint, pressAt);
    QFETCH(bool, moves);
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QCOMPARE(frm.isBackgroundAt(pressAt), moves);

    // The offscreen platform refuses a system move, so this exercises the manual one.
    const QPoint before = frm.pos();
    QWindow* window = frm.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, pressAt);
    QTest::mouseMove(window, pressAt + QPoint(30, 20));
    // Once the window has followed, the cursor is back over the point it was pressed on.
    const QPoint releaseAt = moves ? pressAt : pressAt + QPoint(30, 20);
    QTest::mouseRelease(window, Qt::LeftButton, {}, releaseAt);
    if (moves)
        QTRY_COMPARE(frm.pos(), before + QPoint(30, 20));
    else
        QCOMPARE(frm.pos(), before);
}

void tst_MainWindow::hintSitsBelowCursorImage_data()
{
    QTest::addColumn<QCursor>("cursor");
    QTest::addColumn<QByteArray>("themeSize");
    QTest::addColumn<int>("drop");

    QBitmap bits(16, 16);
    bits.fill(Qt::color1);
    QPixmap tall(32, 40);
    tall.fill(Qt::black);
    QTest::newRow("arrow, theme size set") << QCursor(Qt::ArrowCursor) << QByteArray("32") << 32;
    QTest::newRow("arrow, theme size unset") << QCursor(Qt::ArrowCursor) << QByteArray() << 24;
    QTest::newRow("arrow, theme size garbage")
        << QCursor(Qt::IBeamCursor) << QByteArray("big") << 24;
    QTest::newRow("arrow, theme size zero") << QCursor(Qt::ArrowCursor) << QByteArray("0") << 24;
    // Own cursor images: their height less the hot spot's row.
    QTest::newRow("bitmap cursor") << QCursor(bits, bits, 3, 5) << QByteArray("48") << 16 - 5;
    QTest::newRow("pixmap cursor") << QCursor(tall, 0, 10) << QByteArray("48") << 40 - 10;
}

void tst_MainWindow::hintSitsBelowCursorImage()
{
    QFETCH(QCursor, cursor);
    QFETCH(QByteArray, themeSize);
    QFETCH(int, drop);
    EnvOverride size("XCURSOR_SIZE", themeSize);
    QCOMPARE(HintPlacement::hintPosition(QPoint(200, 100), cursor), QPoint(200, 100 + drop));
}

void tst_MainWindow::hintStaysOnScreen_data()
{
    QTest::addColumn<QPoint>("wanted");
    QTest::addColumn<QPoint>("placed");
    const QRect screen(0, 0, 800, 600);
    QTest::newRow("fits") << QPoint(100, 124) << QPoint(100, 124);
    QTest::newRow("past the right edge") << QPoint(750, 124) << QPoint(800 - 120, 124);
    // Below would run off the bottom: above the cursor (at y 570) instead.
    QTest::newRow("past the bottom") << QPoint(100, 594) << QPoint(100, 570 - 20);
}

void tst_MainWindow::hintStaysOnScreen()
{
    QFETCH(QPoint, wanted);
    QFETCH(QPoint, placed);
    const int cursorY = wanted.y() - 24;
    QCOMPARE(HintPlacement::keepOnScreen(wanted, QSize(120, 20), QRect(0, 0, 800, 600), cursorY),
             placed);
}

void tst_MainWindow::appShowHintPlacesHintOfAnyControl()
{
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    // A control outside the frame's own buttons: the placement is application-wide.
    auto* panel = frm.findChild<QFrame*>(QStringLiteral("pnlBackground"));
    auto* control = new QPushButton(QStringLiteral("Apply"), panel);
    panel->layout()->addWidget(control);
    control->show();
    control->setToolTip(QStringLiteral("Apply the folders"));
    QBitmap bits(16, 20);
    bits.fill(Qt::color1);
    control->setCursor(QCursor(bits, bits, 2, 4));

    const QPoint local(10, 5);
    const QPoint global = control->mapToGlobal(local);
    QHelpEvent help(QEvent::ToolTip, local, global);
    QApplication::sendEvent(control, &help);
    QWidget* label = nullptr;
    QTRY_VERIFY((label = hintLabel()) != nullptr);
    QCOMPARE(label->pos(), global + QPoint(0, 20 - 4));
    QCOMPARE(qobject_cast<QLabel*>(label)->text(), QStringLiteral("Apply the folders"));
}

void tst_MainWindow::lockDecidesWhetherAnotherCopyRuns_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("claim");
    QTest::newRow("no other copy") << "free" << int(PrevInstance::Claim::OnlyCopy);
    QTest::newRow("lock held by a live owner")
        << "held" << int(PrevInstance::Claim::AnotherCopyRuns);
    QTest::newRow("folder cannot be created") << "unusable" << int(PrevInstance::Claim::Inactive);
    QTest::newRow("lock path taken by a folder") << "blocked" << int(PrevInstance::Claim::Inactive);
    // An empty lock was never completed: left by a crash long ago it must not block every start,
    // but a fresh one may be another copy writing its lock right now.
    QTest::newRow("unreadable lock left long ago")
        << "old empty" << int(PrevInstance::Claim::OnlyCopy);
    QTest::newRow("unreadable lock just made")
        << "new empty" << int(PrevInstance::Claim::AnotherCopyRuns);
}

void tst_MainWindow::lockDecidesWhetherAnotherCopyRuns()
{
    QFETCH(QString, situation);
    QFETCH(int, claim);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString folder = dir.path();
    QLockFile other(dir.filePath(QStringLiteral("typovex.lock")));
    if (situation == QLatin1String("held")) {
        QVERIFY(other.tryLock(0));
    } else if (situation == QLatin1String("unusable")) {
        // Below a plain file: no folder can be made there, whoever runs the test.
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        folder = file.fileName() + QStringLiteral("/runtime");
    } else if (situation == QLatin1String("blocked")) {
        QVERIFY(QDir(folder).mkpath(QStringLiteral("typovex.lock/x")));
    } else if (situation.endsWith(QLatin1String("empty"))) {
        QFile empty(other.fileName());
        QVERIFY(empty.open(QIODevice::WriteOnly));
        if (situation.startsWith(QLatin1String("old"))) {
            QVERIFY(empty.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                      QFileDevice::FileModificationTime));
        }
    }
    QCOMPARE(int(PrevInstance::claim(folder, QStringLiteral("typovex"))), claim);

    // While this copy holds the lock, a start under the same name finds it; under another name not.
    if (claim == int(PrevInstance::Claim::OnlyCopy)) {
        QLockFile same(dir.filePath(QStringLiteral("typovex.lock")));
        QVERIFY(!same.tryLock(0));
        QLockFile renamed(dir.filePath(QStringLiteral("typovex-copy.lock")));
        QVERIFY(renamed.tryLock(0));
        ReleasePrevInstance();
        QVERIFY(same.tryLock(0));
    }
    ReleasePrevInstance();
}

void tst_MainWindow::lockOfKilledCopyIsTakenOver()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A real process takes the lock and is killed without a chance to clean up.
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold-lock"), dir.filePath(QStringLiteral("typovex.lock"))});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));
    QCOMPARE(PrevInstance::claim(dir.path(), QStringLiteral("typovex")),
             PrevInstance::Claim::AnotherCopyRuns);

    holder.kill();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("typovex.lock"))));
    QCOMPARE(PrevInstance::claim(dir.path(), QStringLiteral("typovex")),
             PrevInstance::Claim::OnlyCopy);
    ReleasePrevInstance();
}

void tst_MainWindow::secondStartBringsRegisteredWindowForward()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(PrevInstance::claim(dir.path(), QStringLiteral("typovex")),
             PrevInstance::Claim::OnlyCopy);
    QWidget window;
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    SetPrevInstanceWindow(&window);

    QVERIFY(PrevInstance::askToComeForward(dir.path(), QStringLiteral("typovex"), 1000));
    QTRY_VERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
    ReleasePrevInstance();
}

void tst_MainWindow::askingWhenNobodyListensFailsQuickly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!PrevInstance::askToComeForward(dir.path(), QStringLiteral("typovex"), 1000));
    QVERIFY(timer.elapsed() < 1500);
}

int main(int argc, char** argv)
{
    // Helper mode for the stale-lock test: hold a lock until killed.
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        QLockFile lock(QString::fromLocal8Bit(argv[2]));
        if (!lock.tryLock(0))
            return 1;
        std::puts("locked");
        std::fflush(stdout);
        QThread::sleep(60);
        return 0;
    }

    // The main window's guard locks in the runtime folder: keep it in a folder of this run.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    TypovexApplication app(argc, argv);
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
