#include "app/Main.h"
#include "app/Startup.h"
#include "app/Translations.h"
#include "app/TypovexApplication.h"
#include "base/Errors.h"
#include "base/Guarded.h"
#include "base/Messages.h"
#include "engine/PrinterList.h"
#include "support/TestMain.h"

#include <algorithm>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

class tst_App : public QObject
{
    Q_OBJECT
private slots:
    void errorTextAddsFinalDot_data();
    void errorTextAddsFinalDot();
    void uncaughtExceptionShowsErrorBoxAndGoesOn();
    void applicationIconHasEveryThemeSize();
    void mainWindowCarriesTheApplicationIcon();
    void windowsSpeakTheDesktopsLanguage_data();
    void windowsSpeakTheDesktopsLanguage();
};

// The PNG sizes installed into the hicolor icon theme.
static const QList<QSize> iconSizes = {{16, 16}, {22, 22}, {24, 24},   {32, 32},
                                       {48, 48}, {64, 64}, {128, 128}, {256, 256}};

void tst_App::errorTextAddsFinalDot_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter gets a dot") << "Failed to create key Options"
                                       << "Failed to create key Options.";
    QTest::newRow("quote sorts before dot") << "Invalid data type for 'Top'"
                                            << "Invalid data type for 'Top'";
    QTest::newRow("dot kept single") << "Done."
                                     << "Done.";
    QTest::newRow("digit sorts after dot") << "Error 42"
                                           << "Error 42.";
    QTest::newRow("slash sorts after dot") << "/tmp/"
                                           << "/tmp/.";
    QTest::newRow("exclamation sorts before") << "Stop!"
                                              << "Stop!";
    QTest::newRow("hyphen sorts before") << "a -"
                                         << "a -";
    QTest::newRow("question mark sorts after") << "Why?"
                                               << "Why?.";
    QTest::newRow("closing bracket sorts before") << "(none)"
                                                  << "(none)";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("non-ASCII letter")
        << QString::fromUtf8("Fehler ä") << QString::fromUtf8("Fehler ä.");
}

void tst_App::errorTextAddsFinalDot()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(Messages::errorText(message), shown);
}

void tst_App::uncaughtExceptionShowsErrorBoxAndGoesOn()
{
    QList<QPair<Messages::Kind, QString>> boxes;
    Messages::setHook([&](Messages::Kind k, const QString& t) {
        boxes.append({k, t});
        return QMessageBox::Ok;
    });

    // An exception thrown from an event handler reaches the application's handler.
    class Thrower : public QObject
    {
    public:
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User)
                throw TypovexError(QStringLiteral("Failed to set data for 'Top'"));
            return QObject::event(e);
        }
    } thrower;
    QEvent ev(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &ev);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).first, Messages::Kind::Error);
    QCOMPARE(boxes.at(0).second, QStringLiteral("Failed to set data for 'Top'"));

    // A guarded handler behind a signal does the same, and the program keeps working.
    QPushButton button;
    connect(&button, &QPushButton::clicked, &button,
            [] { guarded([] { throw std::runtime_error("disk full"); }); });
    button.click();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.at(1).second, QStringLiteral("disk full."));
    button.click();
    QCOMPARE(boxes.size(), 3);
    Messages::setHook({});
}

void tst_App::applicationIconHasEveryThemeSize()
{
    const QIcon icon = QApplication::windowIcon();
    QVERIFY(!icon.isNull());
    QList<QSize> sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(),
              [](const QSize& a, const QSize& b) { return a.width() < b.width(); });
    QCOMPARE(sizes, iconSizes);
    for (const QSize& size : iconSizes) {
        const QImage image = icon.pixmap(size).toImage();
        QCOMPARE(image.size(), size);
        // Drawn, not an empty canvas: the page's corners are transparent, its middle is not.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

void tst_App::mainWindowCarriesTheApplicationIcon()
{
    TfrmMain frm;
    const QIcon icon = frm.windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.cacheKey(), QApplication::windowIcon().cacheKey());
}

void tst_App::windowsSpeakTheDesktopsLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("installed");
    // The main window's buttons in wizard mode, then in advanced mode; the Fonts tab; a radio
    // entry; the box after Save settings; the Cancel button of Qt's own dialogs.
    QTest::addColumn<QStringList>("texts");
    const QStringList english = {"Typovex - ver. 3.9",
                                 "About",
                                 "Advanced...",
                                 "Close",
                                 "Wizard...",
                                 "Print",
                                 "Preview",
                                 "Fonts",
                                 "Portrait",
                                 "Your settings have been saved.",
                                 "Cancel"};
    const QStringList german = {"Typovex - Version 3.9",
                                "Über",
                                "Erweitert...",
                                "Schließen",
                                "Assistent...",
                                "Drucken",
                                "Vorschau",
                                "Schriften",
                                "Hochformat",
                                "Ihre Einstellungen wurden gespeichert.",
                                "Abbrechen"};
    QTest::newRow("German") << "de_DE"
                            << "de_DE" << german;
    QTest::newRow("Austrian German takes the German catalogue") << "de_AT"
                                                                << "de_AT" << german;
    QTest::newRow("English: the source texts") << "en_US"
                                               << "" << english;
    QTest::newRow("British English") << "en_GB"
                                     << "" << english;
    QTest::newRow("a language without a catalogue stays English") << "sw_KE"
                                                                  << "" << english;
}

void tst_App::windowsSpeakTheDesktopsLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, installed);
    QFETCH(QStringList, texts);
    QStringList boxes;
    Messages::setHook([&](Messages::Kind, const QString& text) {
        boxes.append(text);
        return QMessageBox::Ok;
    });
    PrinterList::setOverride(PrinterList::Override{{"Office"}, 0});
    auto restore = qScopeGuard([] {
        Translations::install(QLocale(QLocale::English));
        PrinterList::setOverride(std::nullopt);
        Messages::setHook({});
    });

    // As the program starts: the catalogues first, then its windows.
    QCOMPARE(Translations::install(QLocale(locale)), installed);
    TypovexWindows windows;
    windows.create();
    TfrmMain* main = windows.main();
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    const auto text = [main](const char* name) {
        auto* button = main->findChild<QAbstractButton*>(QLatin1String(name));
        return button ? button->text() : QStringLiteral("(no %1)").arg(QLatin1String(name));
    };
    QStringList shown = {main->windowTitle(), text("bAbout"), text("bAdvanced"), text("bClose")};
    main->findChild<QPushButton*>("bAdvanced")->click();
    shown << text("bAdvanced") << text("bPrint") << text("bPreview");
    auto* tabs = main->findChild<QTabWidget*>("pgTypovex");
    QVERIFY(tabs);
    shown << tabs->tabText(tabs->indexOf(main->findChild<QWidget*>("tsFonts")));
    shown << text("rgOrientation_0");
    main->findChild<QPushButton*>("bSaveSettings")->click();
    shown << boxes.value(0);
    QDialogButtonBox qtDialog(QDialogButtonBox::Cancel);
    shown << qtDialog.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
    QCOMPARE(shown, texts);
}

TYPOVEX_TEST_MAIN(tst_App)

#include "tst_app.moc"
