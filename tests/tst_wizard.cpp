#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "support/TestMain.h"
#include "ui/RadioGroup.h"
#include "ui/Wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QtTest>

namespace {

// Holds the settings controls of the advanced window under their real names and classes, with
// the one dependency the wizard relies on: the title edit follows the title box.
class AdvancedStandIn : public QWidget
{
public:
    AdvancedStandIn()
    {
        cbPrinters = make<QComboBox>("cbPrinters");
        mMessage = make<QPlainTextEdit>("mMessage");
        rgColumns = make<RadioGroup>("rgColumns");
        cbFontName = make<QCheckBox>("cbFontName");
        cbTitle = make<QCheckBox>("cbTitle");
        eTitleText = make<QLineEdit>("eTitleText");
        cbDateTime = make<QCheckBox>("cbDateTime");
        cbPageNo = make<QCheckBox>("cbPageNo");
        rgColumns->setItems({QStringLiteral("One"), QStringLiteral("Two")});
        connect(cbTitle, &QCheckBox::toggled, eTitleText, &QLineEdit::setEnabled);

        cbPrinters->addItems({QStringLiteral("Office Laser"), QStringLiteral("Photo Inkjet"),
                              QStringLiteral("Label Writer")});
        cbPrinters->setCurrentIndex(2);
        mMessage->setPlainText(QStringLiteral("This is %f"));
        rgColumns->setItemIndex(0);
        cbFontName->setChecked(true);
        cbTitle->setChecked(true);
        eTitleText->setText(QStringLiteral("Font catalogue"));
        cbDateTime->setChecked(true);
        cbPageNo->setChecked(false);
    }

    QVariantMap settings() const
    {
        return {{"PrinterIndex", cbPrinters->currentIndex()}, {"Message", mMessage->toPlainText()},
                {"Columns", rgColumns->itemIndex()},          {"FontName", cbFontName->isChecked()},
                {"DisplayTitle", cbTitle->isChecked()},       {"TitleText", eTitleText->text()},
                {"DateTime", cbDateTime->isChecked()},        {"PageNo", cbPageNo->isChecked()}};
    }

    QComboBox* cbPrinters;
    QPlainTextEdit* mMessage;
    RadioGroup* rgColumns;
    QCheckBox* cbFontName;
    QCheckBox* cbTitle;
    QLineEdit* eTitleText;
    QCheckBox* cbDateTime;
    QCheckBox* cbPageNo;

private:
    template <typename T> T* make(const char* name)
    {
        auto* w = new T(this);
        w->setObjectName(QLatin1String(name));
        return w;
    }
};

// The wizard inside a panel of the main window's size, loaded from the stand-in as the main
// window does when it enters wizard mode.
struct Rig
{
    Rig()
    {
        host.resize(376, 273);
        wizard = new TfrmWizard(&host);
        wizard->setGeometry(0, 0, 376, 273);
        wizard->setAdvanced(&advanced);
        wizard->onPrint = [this] { ++prints; };
        wizard->onPreview = [this] { ++previews; };
        wizard->LoadFromAdvanced();
    }

    template <typename T> T* get(const char* name) const
    {
        T* control = wizard->findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("wizard control %s missing", name);
        return control;
    }
    void press(const QString& button)
    {
        const char* name = button == "next" ? "bNext" : button == "prev" ? "bPrev" : "bFinish";
        get<QPushButton>(name)->click();
    }
    // Pages are numbered from 1 here, as the user sees them.
    void goToPage(int page)
    {
        while (wizard->currentPage() + 1 < page)
            press("next");
        while (wizard->currentPage() + 1 > page)
            press("prev");
    }
    void chooseDisplay(int index) { get<RadioGroup>("rgWizDisplayMode")->button(index)->click(); }
    bool enabled(const char* name) const { return get<QWidget>(name)->isEnabled(); }

    QWidget host;
    AdvancedStandIn advanced;
    TfrmWizard* wizard = nullptr;
    int prints = 0;
    int previews = 0;
};

// Answers that differ from every value the stand-in starts with.
const QVariantMap newAnswers{{"PrinterIndex", 1},     {"Message", "Sample %F"},
                             {"Columns", 1},          {"FontName", false},
                             {"DisplayTitle", false}, {"TitleText", "Spring fonts"},
                             {"DateTime", false},     {"PageNo", true}};

void giveNewAnswers(Rig& r)
{
    r.chooseDisplay(1);
    r.get<QComboBox>("cbWizPrinters")->setCurrentIndex(newAnswers["PrinterIndex"].toInt());
    r.get<QPlainTextEdit>("mWizMessage")->setPlainText(newAnswers["Message"].toString());
    r.get<RadioGroup>("rgWizColumns")->button(newAnswers["Columns"].toInt())->click();
    r.get<QCheckBox>("cbWizFontName")->click();
    r.get<QLineEdit>("eWizTitleText")->setText(newAnswers["TitleText"].toString());
    r.get<QCheckBox>("cbWizTitle")->click();
    r.get<QCheckBox>("cbWizDateTime")->click();
    r.get<QCheckBox>("cbWizPageNo")->click();
}

QList<QWidget*> byTopEdge(QList<QWidget*> widgets)
{
    std::stable_sort(widgets.begin(), widgets.end(),
                     [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    return widgets;
}

} // namespace

class tst_Wizard : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldShowEachPageLinesInOrderWithoutClipping_data();
    void shouldShowEachPageLinesInOrderWithoutClipping();
    void pictureStandsLeftOfPagesAndButtonsBelow();
    void controlsHaveCaptionsHintsAndInitialState_data();
    void controlsHaveCaptionsHintsAndInitialState();
    void buttonsMoveBetweenPagesAndEnableEachOther_data();
    void buttonsMoveBetweenPagesAndEnableEachOther();
    void loadingCopiesTheAdvancedValuesAndRestartsAtPageOne();
    void loadingReplacesThePrinterList();
    void leavingPageCommitsOnlyItsAnswers_data();
    void leavingPageCommitsOnlyItsAnswers();
    void leavingWizardModeWithoutButtonCommitsNothing_data();
    void leavingWizardModeWithoutButtonCommitsNothing();
    void targetPageWritesPrinterOnlyWhenPrinting_data();
    void targetPageWritesPrinterOnlyWhenPrinting();
    void previewAfterPrinterChoiceKeepsPrinterIndex();
    void titleTextIsCommittedEvenWhenTitleIsOff();
    void finishRunsPrintOrPreviewAndStaysOnPage_data();
    void finishRunsPrintOrPreviewAndStaysOnPage();
    void finishCommitsBeforeRunningTheCatalogue();
    void displayChoiceSurvivesReloads();
    void displayChoiceEnablesPrinterList_data();
    void displayChoiceEnablesPrinterList();
    void missingSettingsControlShowsErrorAndStaysOnPage();

private:
    QList<QPair<Messages::Kind, QString>> m_boxes;
};

void tst_Wizard::init()
{
    m_boxes.clear();
    Messages::setHook([this](Messages::Kind kind, const QString& text) {
        m_boxes.append({kind, text});
        return QMessageBox::Ok;
    });
}

void tst_Wizard::cleanup()
{
    Messages::setHook({});
    // No handler may have failed behind the test's back.
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.isEmpty() ? QString() : m_boxes.first().second));
}

void tst_Wizard::shouldShowEachPageLinesInOrderWithoutClipping_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("boldHeading");

    QTest::newRow("page 1, welcome") << 1
                                     << QStringList{"Welcome to Typovex !",
                                                    "This program allows you to generate",
                                                    "a listing or report displaying all your",
                                                    "installed Windows screen fonts.",
                                                    "This wizard will take you step-by-step",
                                                    "through the questions necessary to",
                                                    "produce an attractive and functional",
                                                    "report, in a matter of seconds.",
                                                    "Please a note a far more powerful",
                                                    "\"advanced\" mode is available also."}
                                     << true;
    QTest::newRow("page 2, target")
        << 2 << QStringList{"What do you wish to do with the report?", "Target printer:"} << false;
    QTest::newRow("page 3, message")
        << 3 << QStringList{"What message would you like to",
                            "be displayed in each font?",
                            "You might like to print a sentence,",
                            "or all the letters of the alphabet, in",
                            "upper- or lower- case letters, or both.",
                            "Note that you can use the sequence",
                            "%f anywhere in the message, and the",
                            "name of the current font will be",
                            "substituted in its place (%F = all caps)."}
        << false;
    QTest::newRow("page 4, columns and font name")
        << 4
        << QStringList{"How many columns would you like?", "Would you like to include the name",
                       "of each font next to the sample", "message, in a consistent way?"}
        << false;
    QTest::newRow("page 5, title and footer")
        << 5
        << QStringList{"Would you like a simple title at", "the beginning of the report?",
                       "What heading would you like?", "Would you like a footer with the",
                       "following options?"}
        << false;
    QTest::newRow("page 6, ready") << 6
                                   << QStringList{"Your font listing is ready ...",
                                                  "Click the 'Finish' button below to",
                                                  "print, or preview, your report according",
                                                  "to the specifications you have given.",
                                                  "Remember, Typovex also has",
                                                  "an \"advanced\" mode which permits",
                                                  "far more fine-tuning and options, but",
                                                  "can be a little overwhelming to begin",
                                                  "with. I hope you find this program, and",
                                                  "your generated font list, useful to you."}
                                   << true;
}

void tst_Wizard::shouldShowEachPageLinesInOrderWithoutClipping()
{
    QFETCH(int, page);
    QFETCH(QStringList, lines);
    QFETCH(bool, boldHeading);

    Rig r;
    r.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.host));
    r.goToPage(page);
    QCOMPARE(r.wizard->currentPage(), page - 1);
    auto* pg = r.get<QStackedWidget>("pgWizard");
    auto* sheet = r.get<QWidget>(qPrintable(QStringLiteral("tsPage%1").arg(page)));
    QCOMPARE(pg->currentWidget(), sheet);
    QTRY_COMPARE(sheet->size(), pg->size());
    sheet->layout()->activate();

    // Lines as the user reads them: top to bottom.
    QList<QWidget*> labels;
    for (QLabel* label : sheet->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        labels.append(label);
    QStringList shown;
    for (QWidget* label : byTopEdge(labels))
        shown.append(static_cast<QLabel*>(label)->text());
    QCOMPARE(shown, lines);

    // Nothing clipped by the small panel, nothing on top of anything else.
    QVERIFY2(sheet->minimumSizeHint().width() <= sheet->width() &&
                 sheet->minimumSizeHint().height() <= sheet->height(),
             "page content needs more room than the panel gives");
    const QList<QWidget*> parts =
        byTopEdge(sheet->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    for (int i = 0; i < parts.size(); ++i) {
        QWidget* part = parts.at(i);
        QVERIFY2(sheet->rect().contains(part->geometry()), qPrintable(part->objectName()));
        if (auto* label = qobject_cast<QLabel*>(part)) {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY2(label->height() >= label->sizeHint().height(), qPrintable(label->text()));
        }
        for (int j = i + 1; j < parts.size(); ++j)
            QVERIFY2(!part->geometry().intersects(parts.at(j)->geometry()),
                     qPrintable(part->objectName() + " overlaps " + parts.at(j)->objectName()));
    }

    const auto* first = qobject_cast<QLabel*>(byTopEdge(labels).first());
    const auto* second = qobject_cast<QLabel*>(byTopEdge(labels).at(1));
    QCOMPARE(first->font().bold(), boldHeading);
    QCOMPARE(first->font().pointSizeF() > second->font().pointSizeF(), boldHeading);
    QVERIFY(!second->font().bold());
}

void tst_Wizard::pictureStandsLeftOfPagesAndButtonsBelow()
{
    Rig r;
    r.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.host));
    QCOMPARE(r.wizard->size(), QSize(376, 273));
    auto* pnl = r.get<QFrame>("pnlWizard");
    QCOMPARE(pnl->geometry(), r.wizard->rect());
    QCOMPARE(pnl->frameShadow(), QFrame::Sunken);

    auto* picture = r.get<QLabel>("imgWizard");
    QVERIFY(!picture->pixmap().isNull());
    QCOMPARE(picture->width(), 145);
    QVERIFY2(qAbs(picture->height() - 260) <= 8, "picture spans the panel's height");

    auto* pg = r.get<QStackedWidget>("pgWizard");
    QCOMPARE(pg->count(), 6);
    QVERIFY(pg->x() >= picture->geometry().right());
    QVERIFY(pg->geometry().right() < pnl->width());
    const char* buttons[] = {"bPrev", "bNext", "bFinish"};
    int left = pg->x() - 1;
    for (const char* name : buttons) {
        auto* b = r.get<QPushButton>(name);
        QVERIFY2(b->y() > pg->geometry().bottom(), name);
        QVERIFY2(b->x() > left, "buttons side by side, in order");
        QVERIFY2(b->geometry().right() < pnl->width(), name);
        QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text()), name);
        left = b->geometry().right();
    }
}

void tst_Wizard::controlsHaveCaptionsHintsAndInitialState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("bPrev") << "bPrev"
                           << "Previous"
                           << "Go back to the previous step" << false;
    QTest::newRow("bNext") << "bNext"
                           << "Next"
                           << "Move on to the next step" << true;
    QTest::newRow("bFinish") << "bFinish"
                             << "Finish"
                             << "Don't ask any more questions; just print it now !" << true;
    QTest::newRow("cbWizFontName") << "cbWizFontName"
                                   << "Check here for 'yes'"
                                   << "" << true;
    QTest::newRow("cbWizTitle") << "cbWizTitle"
                                << "Check here for 'yes'"
                                << "" << true;
    QTest::newRow("cbWizDateTime") << "cbWizDateTime"
                                   << "Date and time"
                                   << "Include the date and time in the footer" << true;
    QTest::newRow("cbWizPageNo") << "cbWizPageNo"
                                 << "Page number"
                                 << "Include the page number in the footer" << true;
}

void tst_Wizard::controlsHaveCaptionsHintsAndInitialState()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(bool, enabled);

    // Freshly created, before any loading.
    QWidget host;
    TfrmWizard wizard(&host);
    auto* button = wizard.findChild<QAbstractButton*>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->toolTip(), hint);
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(wizard.currentPage(), 0);

    auto* display = wizard.findChild<RadioGroup*>("rgWizDisplayMode");
    QCOMPARE(display->title(), QStringLiteral("Target"));
    QCOMPARE(display->items(), QStringList({"Preview it on screen", "Send it to a printer"}));
    QCOMPARE(display->itemIndex(), 0);
    auto* columns = wizard.findChild<RadioGroup*>("rgWizColumns");
    QCOMPARE(columns->title(), QStringLiteral("Columns"));
    QCOMPARE(columns->items(), QStringList({"One", "Two"}));
    QCOMPARE(columns->itemIndex(), 0);
    QVERIFY(!wizard.findChild<QComboBox*>("cbWizPrinters")->isEnabled());
    QVERIFY(!wizard.findChild<QComboBox*>("cbWizPrinters")->isEditable());
    QVERIFY(!wizard.findChild<QLineEdit*>("eWizTitleText")->isEnabled());
    QVERIFY(wizard.findChild<QPlainTextEdit*>("mWizMessage"));
}

void tst_Wizard::buttonsMoveBetweenPagesAndEnableEachOther_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("prevEnabled");
    QTest::addColumn<bool>("nextEnabled");

    QTest::newRow("page 1 Next enables Previous") << 1 << "next" << 2 << true << true;
    QTest::newRow("page 1 Previous is disabled") << 1 << "prev" << 1 << false << true;
    QTest::newRow("page 2 Next") << 2 << "next" << 3 << true << true;
    QTest::newRow("page 2 Previous disables Previous") << 2 << "prev" << 1 << false << true;
    QTest::newRow("page 3 Next") << 3 << "next" << 4 << true << true;
    QTest::newRow("page 3 Previous") << 3 << "prev" << 2 << true << true;
    QTest::newRow("page 4 Next") << 4 << "next" << 5 << true << true;
    QTest::newRow("page 4 Previous") << 4 << "prev" << 3 << true << true;
    QTest::newRow("page 5 Next disables Next") << 5 << "next" << 6 << true << false;
    QTest::newRow("page 5 Previous") << 5 << "prev" << 4 << true << true;
    QTest::newRow("page 6 Next is disabled") << 6 << "next" << 6 << true << false;
    QTest::newRow("page 6 Previous enables Next") << 6 << "prev" << 5 << true << true;
}

void tst_Wizard::buttonsMoveBetweenPagesAndEnableEachOther()
{
    QFETCH(int, from);
    QFETCH(QString, button);
    QFETCH(int, to);
    QFETCH(bool, prevEnabled);
    QFETCH(bool, nextEnabled);

    Rig r;
    r.goToPage(from);
    QCOMPARE(r.wizard->currentPage(), from - 1);
    // Reached through the buttons: Previous on pages 2 to 6, Next on pages 1 to 5.
    QCOMPARE(r.enabled("bPrev"), from > 1);
    QCOMPARE(r.enabled("bNext"), from < 6);

    r.press(button);
    QCOMPARE(r.wizard->currentPage(), to - 1);
    QCOMPARE(r.get<QStackedWidget>("pgWizard")->currentWidget()->objectName(),
             QStringLiteral("tsPage%1").arg(to));
    QCOMPARE(r.enabled("bPrev"), prevEnabled);
    QCOMPARE(r.enabled("bNext"), nextEnabled);
    QVERIFY(r.enabled("bFinish"));
}

void tst_Wizard::loadingCopiesTheAdvancedValuesAndRestartsAtPageOne()
{
    Rig r;
    QCOMPARE(r.get<QComboBox>("cbWizPrinters")->currentIndex(), 2);
    QCOMPARE(r.get<QPlainTextEdit>("mWizMessage")->toPlainText(), QStringLiteral("This is %f"));
    QCOMPARE(r.get<RadioGroup>("rgWizColumns")->itemIndex(), 0);
    QVERIFY(r.get<QCheckBox>("cbWizFontName")->isChecked());
    QVERIFY(r.get<QCheckBox>("cbWizTitle")->isChecked());
    QVERIFY2(r.enabled("eWizTitleText"), "the edit follows a title box checked by loading");
    QCOMPARE(r.get<QLineEdit>("eWizTitleText")->text(), QStringLiteral("Font catalogue"));
    QVERIFY(r.get<QCheckBox>("cbWizDateTime")->isChecked());
    QVERIFY(!r.get<QCheckBox>("cbWizPageNo")->isChecked());

    // The advanced window changes while the wizard is on its last page; loading again shows
    // the values held at that moment.
    r.goToPage(6);
    r.advanced.cbPrinters->setCurrentIndex(-1);
    r.advanced.mMessage->setPlainText(QStringLiteral("Line one\nLine two"));
    r.advanced.rgColumns->setItemIndex(1);
    r.advanced.cbFontName->setChecked(false);
    r.advanced.cbTitle->setChecked(false);
    r.advanced.eTitleText->setText(QStringLiteral("Other"));
    r.advanced.cbDateTime->setChecked(false);
    r.advanced.cbPageNo->setChecked(true);
    r.wizard->LoadFromAdvanced();

    QCOMPARE(r.get<QComboBox>("cbWizPrinters")->currentIndex(), -1);
    QCOMPARE(r.get<QPlainTextEdit>("mWizMessage")->toPlainText(),
             QStringLiteral("Line one\nLine two"));
    QCOMPARE(r.get<RadioGroup>("rgWizColumns")->itemIndex(), 1);
    QVERIFY(!r.get<QCheckBox>("cbWizFontName")->isChecked());
    QVERIFY(!r.get<QCheckBox>("cbWizTitle")->isChecked());
    QVERIFY2(!r.enabled("eWizTitleText"), "the edit follows a title box cleared by loading");
    QCOMPARE(r.get<QLineEdit>("eWizTitleText")->text(), QStringLiteral("Other"));
    QVERIFY(!r.get<QCheckBox>("cbWizDateTime")->isChecked());
    QVERIFY(r.get<QCheckBox>("cbWizPageNo")->isChecked());
    QCOMPARE(r.wizard->currentPage(), 0);
    QVERIFY(!r.enabled("bPrev"));
    QVERIFY(r.enabled("bNext"));
    QVERIFY2(!r.enabled("cbWizPrinters"), "loading leaves the printer list's state alone");
    QCOMPARE(r.get<RadioGroup>("rgWizDisplayMode")->itemIndex(), 0);
}

void tst_Wizard::loadingReplacesThePrinterList()
{
    Rig r;
    r.wizard->LoadFromAdvanced();
    auto* printers = r.get<QComboBox>("cbWizPrinters");
    QStringList names;
    for (int i = 0; i < printers->count(); ++i)
        names.append(printers->itemText(i));
    QCOMPARE(names, QStringList({"Office Laser", "Photo Inkjet", "Label Writer"}));

    r.advanced.cbPrinters->clear();
    r.advanced.cbPrinters->addItem(QStringLiteral("Only One"));
    r.wizard->LoadFromAdvanced();
    QCOMPARE(printers->count(), 1);
    QCOMPARE(printers->itemText(0), QStringLiteral("Only One"));
    QCOMPARE(printers->currentIndex(), 0);

    r.advanced.cbPrinters->clear();
    r.wizard->LoadFromAdvanced();
    QCOMPARE(printers->count(), 0);
    QCOMPARE(printers->currentIndex(), -1);
}

void tst_Wizard::leavingPageCommitsOnlyItsAnswers_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("written");

    const QStringList none;
    const QStringList printer{"PrinterIndex"};
    const QStringList message{"Message"};
    const QStringList layout{"Columns", "FontName"};
    const QStringList titleAndFooter{"DisplayTitle", "TitleText", "DateTime", "PageNo"};
    QTest::newRow("page 1 Next writes nothing") << 1 << "next" << none;
    QTest::newRow("page 1 Finish writes nothing") << 1 << "finish" << none;
    QTest::newRow("page 2 Next writes the printer") << 2 << "next" << printer;
    QTest::newRow("page 2 Previous writes the printer") << 2 << "prev" << printer;
    QTest::newRow("page 2 Finish writes the printer") << 2 << "finish" << printer;
    QTest::newRow("page 3 Next writes the message") << 3 << "next" << message;
    QTest::newRow("page 3 Previous writes the message") << 3 << "prev" << message;
    QTest::newRow("page 3 Finish writes the message") << 3 << "finish" << message;
    QTest::newRow("page 4 Next writes columns, font name") << 4 << "next" << layout;
    QTest::newRow("page 4 Previous writes columns, font name") << 4 << "prev" << layout;
    QTest::newRow("page 4 Finish writes columns, font name") << 4 << "finish" << layout;
    QTest::newRow("page 5 Next writes title and footer") << 5 << "next" << titleAndFooter;
    QTest::newRow("page 5 Previous writes title and footer") << 5 << "prev" << titleAndFooter;
    QTest::newRow("page 5 Finish writes title and footer") << 5 << "finish" << titleAndFooter;
    QTest::newRow("page 6 Previous writes nothing") << 6 << "prev" << none;
    QTest::newRow("page 6 Finish writes nothing") << 6 << "finish" << none;
}

void tst_Wizard::leavingPageCommitsOnlyItsAnswers()
{
    QFETCH(int, page);
    QFETCH(QString, button);
    QFETCH(QStringList, written);

    Rig r;
    r.goToPage(page);
    QVariantMap expected = r.advanced.settings();
    giveNewAnswers(r);
    r.press(button);

    for (const QString& field : written)
        expected[field] = newAnswers[field];
    const QVariantMap actual = r.advanced.settings();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(actual[it.key()] == it.value(),
                 qPrintable(it.key() + ": " + actual[it.key()].toString() + " instead of " +
                            it.value().toString()));
    QVERIFY2(r.advanced.eTitleText->isEnabled() == r.advanced.cbTitle->isChecked(),
             "the advanced window's own title edit follows the committed box");
}

void tst_Wizard::leavingWizardModeWithoutButtonCommitsNothing_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("answers typed on page 2") << 2;
    QTest::newRow("answers typed on page 3") << 3;
    QTest::newRow("answers typed on page 4") << 4;
    QTest::newRow("answers typed on page 5") << 5;
}

void tst_Wizard::leavingWizardModeWithoutButtonCommitsNothing()
{
    QFETCH(int, page);
    Rig r;
    r.goToPage(page);
    const QVariantMap before = r.advanced.settings();
    giveNewAnswers(r);

    // The main window hides the wizard for the advanced window, then comes back.
    r.wizard->hide();
    QCOMPARE(r.advanced.settings(), before);
    r.wizard->LoadFromAdvanced();
    r.wizard->show();

    QCOMPARE(r.wizard->currentPage(), 0);
    QCOMPARE(r.get<QPlainTextEdit>("mWizMessage")->toPlainText(), before["Message"].toString());
    QCOMPARE(r.get<QComboBox>("cbWizPrinters")->currentIndex(), before["PrinterIndex"].toInt());
    QCOMPARE(r.get<RadioGroup>("rgWizColumns")->itemIndex(), before["Columns"].toInt());
    QCOMPARE(r.get<QCheckBox>("cbWizTitle")->isChecked(), before["DisplayTitle"].toBool());
    QCOMPARE(r.get<QLineEdit>("eWizTitleText")->text(), before["TitleText"].toString());
    QCOMPARE(r.get<QCheckBox>("cbWizPageNo")->isChecked(), before["PageNo"].toBool());
}

void tst_Wizard::targetPageWritesPrinterOnlyWhenPrinting_data()
{
    QTest::addColumn<QStringList>("printers");
    QTest::addColumn<int>("display");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("printerIndex");

    const QStringList three{"Office Laser", "Photo Inkjet", "Label Writer"};
    QTest::newRow("preview leaves the printer alone") << three << 0 << 0 << 2;
    QTest::newRow("printing writes the second printer") << three << 1 << 1 << 1;
    QTest::newRow("printing writes the first printer") << three << 1 << 0 << 0;
    QTest::newRow("printing with no entry chosen writes -1") << three << 1 << -1 << -1;
    QTest::newRow("no printer installed writes -1") << QStringList() << 1 << -1 << -1;
}

void tst_Wizard::targetPageWritesPrinterOnlyWhenPrinting()
{
    QFETCH(QStringList, printers);
    QFETCH(int, display);
    QFETCH(int, chosen);
    QFETCH(int, printerIndex);

    Rig r;
    r.advanced.cbPrinters->clear();
    r.advanced.cbPrinters->addItems(printers);
    r.advanced.cbPrinters->setCurrentIndex(printers.size() - 1);
    r.wizard->LoadFromAdvanced();
    r.goToPage(2);
    r.chooseDisplay(display);
    r.get<QComboBox>("cbWizPrinters")->setCurrentIndex(chosen);
    r.press("next");
    QCOMPARE(r.advanced.cbPrinters->currentIndex(), printerIndex);
}

void tst_Wizard::previewAfterPrinterChoiceKeepsPrinterIndex()
{
    Rig r;
    r.goToPage(2);
    r.chooseDisplay(1);
    r.get<QComboBox>("cbWizPrinters")->setCurrentIndex(1);
    r.press("next");
    QCOMPARE(r.advanced.cbPrinters->currentIndex(), 1);

    r.press("prev");
    r.chooseDisplay(0);
    r.get<QComboBox>("cbWizPrinters")->setCurrentIndex(0);
    r.press("next");
    QCOMPARE(r.advanced.cbPrinters->currentIndex(), 1);
}

void tst_Wizard::titleTextIsCommittedEvenWhenTitleIsOff()
{
    Rig r;
    r.goToPage(5);
    auto* title = r.get<QCheckBox>("cbWizTitle");
    auto* text = r.get<QLineEdit>("eWizTitleText");
    QVERIFY(title->isChecked());
    QVERIFY(text->isEnabled());
    text->setText(QStringLiteral("Autumn specimens"));

    title->click();
    QVERIFY(!text->isEnabled());
    title->click();
    QVERIFY(text->isEnabled());
    title->click();
    QVERIFY(!text->isEnabled());

    r.press("next");
    QVERIFY(!r.advanced.cbTitle->isChecked());
    QCOMPARE(r.advanced.eTitleText->text(), QStringLiteral("Autumn specimens"));
    QVERIFY(!r.advanced.eTitleText->isEnabled());
}

void tst_Wizard::finishRunsPrintOrPreviewAndStaysOnPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("display");
    QTest::addColumn<int>("prints");
    QTest::addColumn<int>("previews");

    QTest::newRow("page 1 at start previews") << 1 << -1 << 0 << 1;
    QTest::newRow("page 1 printing prints") << 1 << 1 << 1 << 0;
    QTest::newRow("page 3 preview") << 3 << 0 << 0 << 1;
    QTest::newRow("page 3 printing prints") << 3 << 1 << 1 << 0;
    QTest::newRow("page 6 preview") << 6 << 0 << 0 << 1;
    QTest::newRow("page 6 printing prints") << 6 << 1 << 1 << 0;
}

void tst_Wizard::finishRunsPrintOrPreviewAndStaysOnPage()
{
    QFETCH(int, page);
    QFETCH(int, display);
    QFETCH(int, prints);
    QFETCH(int, previews);

    Rig r;
    if (display >= 0) {
        r.goToPage(2);
        r.chooseDisplay(display);
    }
    r.goToPage(page);
    const bool prev = r.enabled("bPrev");
    const bool next = r.enabled("bNext");
    const QString message = r.get<QPlainTextEdit>("mWizMessage")->toPlainText();

    r.press("finish");
    QCOMPARE(r.prints, prints);
    QCOMPARE(r.previews, previews);
    QCOMPARE(r.wizard->currentPage(), page - 1);
    QCOMPARE(r.enabled("bPrev"), prev);
    QCOMPARE(r.enabled("bNext"), next);
    QCOMPARE(r.get<QPlainTextEdit>("mWizMessage")->toPlainText(), message);

    r.press("finish");
    QCOMPARE(r.prints, 2 * prints);
    QCOMPARE(r.previews, 2 * previews);
}

void tst_Wizard::finishCommitsBeforeRunningTheCatalogue()
{
    Rig r;
    r.goToPage(3);
    r.get<QPlainTextEdit>("mWizMessage")->setPlainText(QStringLiteral("The quick brown %f"));
    QString messageSeen;
    r.wizard->onPreview = [&] { messageSeen = r.advanced.mMessage->toPlainText(); };
    r.press("finish");
    QCOMPARE(messageSeen, QStringLiteral("The quick brown %f"));
}

void tst_Wizard::displayChoiceSurvivesReloads()
{
    Rig r;
    r.goToPage(2);
    r.chooseDisplay(1);
    QVERIFY(r.enabled("cbWizPrinters"));
    r.wizard->LoadFromAdvanced();
    r.wizard->LoadFromAdvanced();
    QCOMPARE(r.get<RadioGroup>("rgWizDisplayMode")->itemIndex(), 1);
    QVERIFY(r.enabled("cbWizPrinters"));
    r.press("finish");
    QCOMPARE(r.prints, 1);
    QCOMPARE(r.previews, 0);
}

void tst_Wizard::displayChoiceEnablesPrinterList_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("send to a printer enables") << QList<int>{1} << true;
    QTest::newRow("back to preview disables") << QList<int>{1, 0} << false;
    QTest::newRow("preview again stays disabled") << QList<int>{0} << false;
    QTest::newRow("printer chosen twice stays enabled") << QList<int>{1, 1} << true;
}

void tst_Wizard::displayChoiceEnablesPrinterList()
{
    QFETCH(QList<int>, clicks);
    QFETCH(bool, enabled);
    Rig r;
    r.goToPage(2);
    for (int index : clicks)
        r.chooseDisplay(index);
    QCOMPARE(r.enabled("cbWizPrinters"), enabled);
}

void tst_Wizard::missingSettingsControlShowsErrorAndStaysOnPage()
{
    Rig r;
    r.goToPage(3);
    delete r.advanced.mMessage;
    r.press("next");
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().first, Messages::Kind::Error);
    QVERIFY2(m_boxes.first().second.contains("mMessage"), qPrintable(m_boxes.first().second));
    QCOMPARE(r.wizard->currentPage(), 2);
    QCOMPARE(r.previews, 0);
    m_boxes.clear();
}

TYPOVEX_TEST_MAIN(tst_Wizard)

#include "tst_wizard.moc"
