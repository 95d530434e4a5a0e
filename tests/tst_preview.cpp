#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "engine/PageStore.h"
#include "engine/PreviewControl.h"
#include "report/QRPreview.h"
#include "report/Report.h"
#include "support/NumberedPage.h"
#include "support/TestMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList checkedItems(QMenu* menu)
{
    QStringList checked;
    for (QAction* item : menu->actions()) {
        if (item->isChecked())
            checked << item->text();
    }
    return checked;
}

QAction* menuItem(QMenu* menu, const QString& text)
{
    for (QAction* item : menu->actions()) {
        if (item->text() == text)
            return item;
    }
    return nullptr;
}

} // namespace

class tst_Preview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        Messages::setHook([this](Messages::Kind, const QString& text) {
            m_messages << text;
            return QMessageBox::Ok;
        });
    }

    void init()
    {
        m_messages.clear();
        m_window = std::make_unique<TRptPreviewFrm>();
        m_store = std::make_unique<PageStore>(QSize(794, 1123));
    }

    void cleanup()
    {
        m_window.reset();
        m_store.reset();
    }

    void showsOnlyProgressBeforeTheFirstPage()
    {
        m_window->showRun(*m_store);
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->isMaximized());
        QVERIFY(!child<PreviewControl>("RptPreview")->isVisible());
        QVERIFY(child<QLabel>("lblMsg")->isVisible());
        QCOMPARE(child<QLabel>("lblMsg")->text(),
                 QStringLiteral("Generating report, please wait ..."));
        QVERIFY(child<QProgressBar>("pgbReport")->isVisible());
        QCOMPARE(child<QProgressBar>("pgbReport")->value(), 0);
        QCOMPARE(child<QLineEdit>("edPageNumber")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>("lblPages")->text(), QStringLiteral("of 0"));
        for (QToolButton* b :
             {child<QToolButton>("btnFirstPage"), child<QToolButton>("btnPrevPage"),
              child<QToolButton>("btnNextPage"), child<QToolButton>("btnLastPage")})
            QVERIFY(!b->isEnabled());
        QCOMPARE(m_window->minimumSize(), QSize(330, 300));
        QCOMPARE(child<QProgressBar>("pgbReport")->width(), child<QWidget>("pLeft")->width() - 16);
    }

    void firstPageShowsFittedAndPageOneOfFive()
    {
        m_window->showRun(*m_store);
        for (int i = 1; i <= 5; ++i)
            m_store->addPage(pageNumbered(i));
        QVERIFY(child<PreviewControl>("RptPreview")->isVisible());
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 1);
        QCOMPARE(child<QComboBox>("cbZoom")->currentText(), QStringLiteral("Fit to window"));
        QCOMPARE(checkedItems(m_window->popupMenu()), QStringList{QStringLiteral("Fit to window")});
        QCOMPARE(child<QLineEdit>("edPageNumber")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLabel>("lblPages")->text(), QStringLiteral("of 5"));
        QVERIFY(!child<QToolButton>("btnFirstPage")->isEnabled());
        QVERIFY(!child<QToolButton>("btnPrevPage")->isEnabled());
        QVERIFY(child<QToolButton>("btnNextPage")->isEnabled());
        QVERIFY(child<QToolButton>("btnLastPage")->isEnabled());
        QVERIFY(!menuItem(m_window->popupMenu(), QStringLiteral("Previous page"))->isEnabled());
        QVERIFY(menuItem(m_window->popupMenu(), QStringLiteral("Last page"))->isEnabled());
    }

    void pageBoxIgnoresBadNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("beyond the last page") << "9" << QStringList();
        QTest::newRow("not a number")
            << "abc" << QStringList{QStringLiteral("'abc' is not a valid integer value.")};
        QTest::newRow("a page") << "3" << QStringList();
    }
    void pageBoxIgnoresBadNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        m_window->showRun(*m_store);
        for (int i = 1; i <= 5; ++i)
            m_store->addPage(pageNumbered(i));
        child<QLineEdit>("edPageNumber")->setFocus();
        child<QLineEdit>("edPageNumber")->setText(typed);
        QTest::keyClick(child<QLineEdit>("edPageNumber"), Qt::Key_Return);
        const int expected = typed == QLatin1String("3") ? 3 : 1;
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), expected);
        QCOMPARE(child<QLineEdit>("edPageNumber")->text(), QString::number(expected));
        QCOMPARE(m_messages, messages);
        QVERIFY(m_window->isVisible()); // Enter does not press Close
    }

    void ctrlPageDownGoesToTheLastPageOnlyWithCtrlAlone()
    {
        m_window->showRun(*m_store);
        for (int i = 1; i <= 5; ++i)
            m_store->addPage(pageNumbered(i));
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        child<PreviewControl>("RptPreview")->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(),
                     static_cast<QWidget*>(child<PreviewControl>("RptPreview")));
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 5);
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_Home);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 1);
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_PageDown,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 2);
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_End);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 5);
        QCOMPARE(child<QLineEdit>("edPageNumber")->text(), QStringLiteral("5"));
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_PageUp);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 4);
        QTest::keyClick(child<PreviewControl>("RptPreview"), Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 1);
    }

    void zoomBoxKeepsItsKeys()
    {
        m_window->showRun(*m_store);
        for (int i = 1; i <= 5; ++i)
            m_store->addPage(pageNumbered(i));
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        child<QComboBox>("cbZoom")->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(),
                     static_cast<QWidget*>(child<QComboBox>("cbZoom")));
        QTest::keyClick(child<QComboBox>("cbZoom"), Qt::Key_End);
        QCOMPARE(child<PreviewControl>("RptPreview")->pageNumber(), 1);
    }

    void pageWidthFromTheMenuSelectsAndTicksOnlyIt()
    {
        m_window->showRun(*m_store);
        m_store->addPage(pageNumbered(1));
        menuItem(m_window->popupMenu(), QStringLiteral("Page width"))->trigger();
        QCOMPARE(child<QComboBox>("cbZoom")->currentText(), QStringLiteral("Page width"));
        QCOMPARE(checkedItems(m_window->popupMenu()), QStringList{QStringLiteral("Page width")});
        QCOMPARE(child<PreviewControl>("RptPreview")->zoomMode(),
                 PreviewControl::ZoomMode::PageWidth);
        child<QComboBox>("cbZoom")->setCurrentIndex(2);
        emit child<QComboBox>("cbZoom")->activated(2);
        QCOMPARE(child<PreviewControl>("RptPreview")->zoom(), 100);
        QCOMPARE(checkedItems(m_window->popupMenu()), QStringList{QStringLiteral("100%")});
    }

    void escapeClosesTheWindowAndEndsThePreviewRun()
    {
        ListingSettings s = ListingSettings::defaults();
        s.Fonts = {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"),
                   QStringLiteral("Liberation Mono")};
        TfrmReport host(s);
        bool escaped = false;
        // Once generation has ended, the user presses Esc; the run must then return.
        connect(child<PreviewControl>("RptPreview"), &PreviewControl::pageAvailable, this, [&] {
            PageStore* store = child<PreviewControl>("RptPreview")->store();
            if (store && store->isFinished() && !escaped) {
                escaped = true;
                QMetaObject::invokeMethod(
                    this, [&] { QTest::keyClick(m_window.get(), Qt::Key_Escape); },
                    Qt::QueuedConnection);
            }
        });
        host.preview(*m_window);
        QVERIFY(escaped);
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->hasRun());
        QVERIFY(!child<QLabel>("lblMsg")->isVisible());
        QCOMPARE(child<QProgressBar>("pgbReport")->value(), 100);
    }

    void closingDuringGenerationCancelsTheRest()
    {
        ListingSettings s = ListingSettings::defaults();
        for (int i = 0; i < 400; ++i)
            s.Fonts << QStringLiteral("DejaVu Sans");
        TfrmReport host(s);
        int pagesAtClose = 0;
        connect(child<PreviewControl>("RptPreview"), &PreviewControl::pageAvailable, this,
                [&](int count) {
                    if (count == 1 && pagesAtClose == 0) {
                        pagesAtClose = count;
                        child<QPushButton>("bClose")->click();
                    }
                });
        host.preview(*m_window);
        QCOMPARE(pagesAtClose, 1);
        QVERIFY(host.PrintCursor() < 400);
    }

    void saveAsPdfWritesTheStoredPages()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("catalogue.pdf"));
        TRptPreviewFrm::setSaveFileHook([&](QWidget*, const QString&) { return path; });
        m_window->showRun(*m_store);
        for (int i = 1; i <= 3; ++i)
            m_store->addPage(pageNumbered(i));
        // While pages are still being made, a save would be a cut-off catalogue.
        QVERIFY(!child<QPushButton>("bSavePdf")->isEnabled());
        m_window->bSavePdfClick();
        QVERIFY(!QFile::exists(path));
        m_store->finish();
        QVERIFY(child<QPushButton>("bSavePdf")->isEnabled());
        child<QPushButton>("bSavePdf")->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");

        // A save that cannot be written reports it and leaves nothing behind.
        const QString bad = dir.filePath(QStringLiteral("missing/catalogue.pdf"));
        TRptPreviewFrm::setSaveFileHook([&](QWidget*, const QString&) { return bad; });
        child<QPushButton>("bSavePdf")->click();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].startsWith(QStringLiteral("Could not save")));
        QVERIFY(!QFile::exists(bad));
        TRptPreviewFrm::setSaveFileHook({});
    }

    // The page commands follow the preview control itself, whoever moves it to a page.
    void pageCommandsFollowTheControl_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("forward");
        QTest::newRow("first of five") << 5 << 1 << false << true;
        QTest::newRow("middle of five") << 5 << 3 << true << true;
        QTest::newRow("last of five") << 5 << 5 << true << false;
        QTest::newRow("single page") << 1 << 1 << false << false;
    }
    void pageCommandsFollowTheControl()
    {
        QFETCH(int, pages);
        QFETCH(int, page);
        QFETCH(bool, back);
        QFETCH(bool, forward);
        m_window->showRun(*m_store);
        for (int i = 1; i <= pages; ++i)
            m_store->addPage(pageNumbered(i));
        // From the last page first, so that every row's page is a move.
        child<PreviewControl>("RptPreview")->setPageNumber(pages);
        child<PreviewControl>("RptPreview")->setPageNumber(page);
        QCOMPARE(child<QLineEdit>("edPageNumber")->text(), QString::number(page));
        const QList<QPair<const char*, QString>> commands = {
            {"btnFirstPage", QStringLiteral("First page")},
            {"btnPrevPage", QStringLiteral("Previous page")},
            {"btnNextPage", QStringLiteral("Next page")},
            {"btnLastPage", QStringLiteral("Last page")}};
        for (int i = 0; i < commands.size(); ++i) {
            const bool enabled = i < 2 ? back : forward;
            QCOMPARE(child<QToolButton>(commands[i].first)->isEnabled(), enabled);
            QCOMPARE(menuItem(m_window->popupMenu(), commands[i].second)->isEnabled(), enabled);
        }
        // Saving waits for the end of generation, which the control reports as well.
        QVERIFY(!child<QPushButton>("bSavePdf")->isEnabled());
        m_store->finish();
        QVERIFY(child<QPushButton>("bSavePdf")->isEnabled());
        QVERIFY(menuItem(m_window->popupMenu(), QStringLiteral("Save as PDF..."))->isEnabled());
    }

    void pageButtonsInkFollowsThePalette_data()
    {
        QTest::addColumn<QColor>("button");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<bool>("lightInk");
        QTest::newRow("dark theme") << QColor(0x35, 0x35, 0x35) << QColor(0xf0, 0xf0, 0xf0) << true;
        QTest::newRow("light theme") << QColor(0xef, 0xef, 0xef) << QColor(Qt::black) << false;
    }
    void pageButtonsInkFollowsThePalette()
    {
        QFETCH(QColor, button);
        QFETCH(QColor, text);
        QFETCH(bool, lightInk);
        const QPalette before = QApplication::palette();
        QPalette theme(button, button);
        theme.setColor(QPalette::ButtonText, text);
        // The window exists already: a change of theme while it runs must reach the buttons.
        QApplication::setPalette(theme);
        const QImage image = child<QToolButton>("btnNextPage")
                                 ->icon()
                                 .pixmap(QSize(16, 16), QIcon::Normal)
                                 .toImage();
        QApplication::setPalette(before);
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 200)
                    continue;
                ++inked;
                QVERIFY2(lightInk ? c.lightness() > 200 : c.lightness() < 60, qPrintable(c.name()));
            }
        }
        QVERIFY(inked > 10);
    }

private:
    template <typename T> T* child(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QLatin1String(name));
        Q_ASSERT(widget);
        return widget;
    }

    QTemporaryDir m_config;
    QStringList m_messages;
    std::unique_ptr<TRptPreviewFrm> m_window;
    std::unique_ptr<PageStore> m_store;
};

TYPOVEX_TEST_MAIN(tst_Preview)

#include "tst_preview.moc"
