#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "fonts/FontSelection.h"
#include "fontservices/FontServices.h"
#include "support/SymbolTestFont.h"
#include "support/TestMain.h"
#include "tools/CharacterCodes.h"
#include "tools/ViewCharSet.h"
#include "ui/Advanced.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

const auto symbolFamily = QStringLiteral("Typovex Test Symbol");
const auto textFamily = QStringLiteral("Liberation Sans");

template <typename T> T* child(const QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

// What the grid shows at a cell, as the grid model hands it out.
QString cellText(const TdlgViewCharacterSet& dlg, int column, int row)
{
    const QTableView* grid = child<QTableView>(dlg, "dgSample");
    return grid->model()->index(row, column).data().toString();
}

// One cell drawn by the dialog's handler on a white image, ground untouched.
QImage drawnCell(const TdlgViewCharacterSet& dlg, int column, int row)
{
    QImage image(3 * TdlgViewCharacterSet::cellWidth, 3 * TdlgViewCharacterSet::cellHeight,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    dlg.dgSampleDrawCell(painter, column, row,
                         QRect(TdlgViewCharacterSet::cellWidth, TdlgViewCharacterSet::cellHeight,
                               TdlgViewCharacterSet::cellWidth, TdlgViewCharacterSet::cellHeight));
    return image;
}

int inkInside(const QImage& image, const QRect& rect, bool inside)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (rect.contains(x, y) == inside && image.pixel(x, y) != qRgb(255, 255, 255))
                ++ink;
        }
    }
    return ink;
}

// Pixels whose colour channels differ by more than the tolerance.
int differingPixels(const QImage& a, const QImage& b, int tolerance)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) > tolerance || qAbs(qGreen(p) - qGreen(q)) > tolerance ||
                qAbs(qBlue(p) - qBlue(q)) > tolerance)
                ++count;
        }
    }
    return count;
}

} // namespace

class tst_CharSet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shouldHaveInitialStateOnCreation();
    void gridShowsCodeNumbersAndCharacters_data();
    void gridShowsCodeNumbersAndCharacters();
    void cellsKeepTheirSizeAtAnyPointSize_data();
    void cellsKeepTheirSizeAtAnyPointSize();
    void pointSizeTextThatIsNoWholeNumberCountsAsOne_data();
    void pointSizeTextThatIsNoWholeNumberCountsAsOne();
    void largeCharacterIsClippedToItsCell();
    void codeNumbersStayArialWhenStyleChanges();
    void textViewHoldsCodesOneTo255InOrder();
    void viewChoiceIsKeptBetweenOpenings();
    void sizeAndStyleAreKeptForTheNextFont();
    void emptyFaceNameOpensWithSubstitute();
    void symbolFontMapsCodesToPrivateUse_data();
    void symbolFontMapsCodesToPrivateUse();
    void symbolFontCharactersDrawTheirGlyphs();
    void everyCellDrawsWithoutFailing_data();
    void everyCellDrawsWithoutFailing();
    void fontListPopUpOpensTheViewer();

private:
    QTemporaryDir m_dir;
};

void tst_CharSet::initTestCase()
{
    const QString base = SymbolTestFont::installedFontFile("Liberation Sans");
    QVERIFY2(!base.isEmpty(), "Liberation Sans is needed (fonts-liberation2)");
    const QByteArray font = SymbolTestFont::make(base, symbolFamily);
    QVERIFY(!font.isEmpty());
    const QString path = m_dir.filePath(QStringLiteral("symbol.ttf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(font);
    file.close();
    QVERIFY(FontServices::addFontFile(path));
}

void tst_CharSet::shouldHaveInitialStateOnCreation()
{
    TdlgViewCharacterSet dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("View Character Set"));
    QCOMPARE(dlg.size(), QSize(330, 311));
    QCOMPARE(child<QLabel>(dlg, "lblFontName")->text(), QString());
    auto* size = child<QSpinBox>(dlg, "sePointSize");
    QCOMPARE(size->value(), 12);
    QCOMPARE(size->minimum(), 1);
    QCOMPARE(size->maximum(), 999);
    QCOMPARE(size->toolTip(), QStringLiteral("Point size"));
    const QList<QPair<const char*, QString>> buttons = {{"cbBold", QStringLiteral("B")},
                                                        {"cbItalic", QStringLiteral("I")},
                                                        {"cbUnderline", QStringLiteral("U")},
                                                        {"cbStrikeout", QStringLiteral("ABC")}};
    for (const auto& [name, caption] : buttons) {
        auto* button = child<QToolButton>(dlg, name);
        QVERIFY2(button, name);
        QCOMPARE(button->text(), caption);
        QVERIFY(button->isCheckable());
        QVERIFY(!button->isChecked());
    }
    auto* codes = child<QCheckBox>(dlg, "cbASCIIcodes");
    QCOMPARE(codes->text(), QStringLiteral("Show ASCII codes"));
    QVERIFY(codes->isChecked());
    QCOMPARE(child<QPushButton>(dlg, "bClose")->text(), QStringLiteral("Close"));
    auto* grid = child<QTableView>(dlg, "dgSample");
    QCOMPARE(grid->model()->columnCount(), 8);
    QCOMPARE(grid->model()->rowCount(), 64);
    QVERIFY(grid->showGrid());
    QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto* text = child<QPlainTextEdit>(dlg, "eSample");
    QVERIFY(text->isReadOnly());
    QVERIFY(text->isHidden());
}

void tst_CharSet::gridShowsCodeNumbersAndCharacters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    // The last row ends each band of 64 codes.
    QTest::newRow("column 0, first row") << 0 << 0 << 0;
    QTest::newRow("column 1, first row") << 1 << 0 << 0;
    QTest::newRow("column 0, last row") << 0 << 63 << 63;
    QTest::newRow("column 1, last row") << 1 << 63 << 63;
    QTest::newRow("column 2, first row") << 2 << 0 << 64;
    QTest::newRow("column 2, last row") << 2 << 63 << 127;
    QTest::newRow("column 3, last row") << 3 << 63 << 127;
    QTest::newRow("column 3, row 1 'A'") << 3 << 1 << 65;
    QTest::newRow("column 4, last row") << 4 << 63 << 191;
    QTest::newRow("column 5, last row") << 5 << 63 << 191;
    QTest::newRow("column 5, first row (euro sign)") << 5 << 0 << 128;
    QTest::newRow("column 6, first row") << 6 << 0 << 192;
    QTest::newRow("column 6, last row") << 6 << 63 << 255;
    QTest::newRow("column 7, last row") << 7 << 63 << 255;
}

void tst_CharSet::gridShowsCodeNumbersAndCharacters()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, code);
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    QCOMPARE(TdlgViewCharacterSet::codeAt(column, row), code);
    if (column % 2 == 0) {
        QCOMPARE(cellText(dlg, column, row), QString::number(code));
    } else {
        // Windows-1252: 65 is 'A', 128 the euro sign, 191 the inverted question mark.
        const QHash<int, QChar> known = {
            {0, QChar(0)},        {63, QLatin1Char('?')}, {65, QLatin1Char('A')}, {127, QChar(127)},
            {128, QChar(0x20AC)}, {191, QChar(0xBF)},     {255, QChar(0xFF)}};
        QVERIFY(known.contains(code));
        QCOMPARE(cellText(dlg, column, row), QString(known.value(code)));
    }
}

void tst_CharSet::cellsKeepTheirSizeAtAnyPointSize_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("1 point") << 1;
    QTest::newRow("12 points") << 12;
    QTest::newRow("72 points") << 72;
    QTest::newRow("999 points") << 999;
}

void tst_CharSet::cellsKeepTheirSizeAtAnyPointSize()
{
    QFETCH(int, pointSize);
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    child<QSpinBox>(dlg, "sePointSize")->setValue(pointSize);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* grid = child<QTableView>(dlg, "dgSample");
    for (int c = 0; c < 8; ++c)
        QCOMPARE(grid->columnWidth(c), 32);
    for (int r = 0; r < 64; ++r)
        QCOMPARE(grid->rowHeight(r), 24);
    // The second cell of the second row starts one cell width and one cell height in.
    QCOMPARE(grid->visualRect(grid->model()->index(1, 1)).topLeft(), QPoint(32, 24));
}

void tst_CharSet::pointSizeTextThatIsNoWholeNumberCountsAsOne_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("counts");
    QTest::newRow("emptied") << QString() << 1;
    QTest::newRow("abc") << QStringLiteral("abc") << 1;
    QTest::newRow("a sign alone") << QStringLiteral("-") << 1;
    QTest::newRow("a whole number") << QStringLiteral("24") << 24;
}

void tst_CharSet::pointSizeTextThatIsNoWholeNumberCountsAsOne()
{
    QFETCH(QString, typed);
    QFETCH(int, counts);
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    auto* size = child<QSpinBox>(dlg, "sePointSize");
    size->setValue(20);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    size->setFocus();
    QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(size, Qt::Key_Backspace);
    QTest::keyClicks(size, typed);
    QTest::keyClick(size, Qt::Key_Return);
    QCOMPARE(size->value(), counts);
    QCOMPARE(child<QPlainTextEdit>(dlg, "eSample")->font().pointSize(), counts);
}

void tst_CharSet::largeCharacterIsClippedToItsCell()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    child<QSpinBox>(dlg, "sePointSize")->setValue(72);
    const QRect cell(32, 24, 32, 24);
    const QImage image = drawnCell(dlg, 3, 'W' - 64);
    QVERIFY(inkInside(image, cell, true) > 0);
    QCOMPARE(inkInside(image, cell, false), 0);
}

void tst_CharSet::codeNumbersStayArialWhenStyleChanges()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    const QImage numberBefore = drawnCell(dlg, 2, 1);
    const QImage characterBefore = drawnCell(dlg, 3, 1);
    child<QToolButton>(dlg, "cbItalic")->click();
    QVERIFY(dlg.characterFont().italic());
    QCOMPARE(drawnCell(dlg, 2, 1), numberBefore);
    QVERIFY(drawnCell(dlg, 3, 1) != characterBefore);
}

void tst_CharSet::textViewHoldsCodesOneTo255InOrder()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    auto* text = child<QPlainTextEdit>(dlg, "eSample");
    // The raw text: the plain-text view would give a no-break space back as a space.
    const QString run = text->document()->toRawText();
    QCOMPARE(run.size(), 255);
    // One run: the line-ending control codes do not break it.
    QCOMPARE(text->document()->blockCount(), 1);
    for (int code = 1; code <= 255; ++code) {
        const QChar ch = run.at(code - 1);
        if (code == 10 || code == 13)
            QCOMPARE(ch, QChar(0x200B));
        else
            QCOMPARE(ch, CharacterCodes::windows1252(code));
    }
    QCOMPARE(run.at('A' - 1), QLatin1Char('A'));
    QCOMPARE(run.at(0x80 - 1), QChar(0x20AC));
    QCOMPARE(run.at(0x9F - 1), QChar(0x0178));
    QCOMPARE(run.at(0xE9 - 1), QChar(0xE9));
    QCOMPARE(text->font().family(), textFamily);
}

void tst_CharSet::viewChoiceIsKeptBetweenOpenings()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* codes = child<QCheckBox>(dlg, "cbASCIIcodes");
    auto* grid = child<QTableView>(dlg, "dgSample");
    auto* text = child<QPlainTextEdit>(dlg, "eSample");
    QVERIFY(grid->isVisible() && !text->isVisible());
    codes->click();
    QVERIFY(!grid->isVisible() && text->isVisible());
    QCOMPARE(text->geometry(), grid->geometry());
    dlg.reject();
    dlg.PrepareForFont(QStringLiteral("DejaVu Sans"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(!codes->isChecked());
    QVERIFY(!grid->isVisible() && text->isVisible());
    codes->click();
    QVERIFY(grid->isVisible() && !text->isVisible());
}

void tst_CharSet::sizeAndStyleAreKeptForTheNextFont()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(textFamily);
    child<QSpinBox>(dlg, "sePointSize")->setValue(20);
    child<QToolButton>(dlg, "cbBold")->click();
    child<QToolButton>(dlg, "cbStrikeout")->click();
    auto* text = child<QPlainTextEdit>(dlg, "eSample");
    QCOMPARE(text->font().pointSize(), 20);
    QVERIFY(text->font().bold() && text->font().strikeOut() && !text->font().italic());
    child<QToolButton>(dlg, "cbBold")->click();
    QVERIFY(!text->font().bold() && text->font().strikeOut());

    dlg.PrepareForFont(QStringLiteral("DejaVu Serif"));
    QCOMPARE(child<QLabel>(dlg, "lblFontName")->text(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(text->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(text->font().pointSize(), 20);
    QVERIFY(!text->font().bold() && text->font().strikeOut());
    QCOMPARE(dlg.characterFont().pointSize(), 20);
}

void tst_CharSet::emptyFaceNameOpensWithSubstitute()
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(QString());
    QCOMPARE(child<QLabel>(dlg, "lblFontName")->text(), QString());
    QCOMPARE(child<QPlainTextEdit>(dlg, "eSample")->toPlainText().size(), 255);
    QVERIFY(inkInside(drawnCell(dlg, 3, 1), QRect(32, 24, 32, 24), true) > 0);
}

void tst_CharSet::symbolFontMapsCodesToPrivateUse_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("character");
    QTest::newRow("symbol font, 'a'") << symbolFamily << 0x61 << 0xF061;
    QTest::newRow("symbol font, code 1") << symbolFamily << 1 << 0xF001;
    QTest::newRow("symbol font, code 255") << symbolFamily << 255 << 0xF0FF;
    QTest::newRow("symbol font, undefined in 1252") << symbolFamily << 0x81 << 0xF081;
    QTest::newRow("text font, 'a'") << textFamily << 0x61 << 0x61;
    QTest::newRow("text font, 0x80 euro") << textFamily << 0x80 << 0x20AC;
    QTest::newRow("text font, 0x81 undefined") << textFamily << 0x81 << 0x81;
    QTest::newRow("text font, 0x9D undefined") << textFamily << 0x9D << 0x9D;
    QTest::newRow("text font, 0x99 trade mark") << textFamily << 0x99 << 0x2122;
}

void tst_CharSet::symbolFontMapsCodesToPrivateUse()
{
    QFETCH(QString, face);
    QFETCH(int, code);
    QFETCH(int, character);
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(face);
    const int row = code % 64;
    const int column = 2 * (code / 64) + 1;
    QCOMPARE(cellText(dlg, column, row), QString(QChar(char16_t(character))));
    const QString run = child<QPlainTextEdit>(dlg, "eSample")->toPlainText();
    QCOMPARE(run.at(code - 1), QChar(char16_t(character)));
}

void tst_CharSet::symbolFontCharactersDrawTheirGlyphs()
{
    // The symbol font keeps Liberation Sans's alpha at code 'a': the cell must show that glyph,
    // not a missing-glyph box or a fallback font's letter.
    TdlgViewCharacterSet symbol;
    symbol.PrepareForFont(symbolFamily);
    TdlgViewCharacterSet latin;
    latin.PrepareForFont(textFamily);
    QVERIFY(CharacterCodes::hasSymbolCharMap(symbol.characterFont()));
    QVERIFY(!CharacterCodes::hasSymbolCharMap(
        FontServices::fontFor(textFamily, 12, false, false, false, false)));

    QImage expected(3 * 32, 3 * 24, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setPen(Qt::black);
        painter.setFont(FontServices::fontFor(textFamily, 12, false, false, false, false));
        painter.setClipRect(QRect(32, 24, 32, 24));
        FontServices::drawText(painter, QPoint(33, 25), QStringLiteral("α"));
    }
    const QImage drawn = drawnCell(symbol, 3, 'a' - 64);
    QVERIFY(inkInside(drawn, QRect(32, 24, 32, 24), true) > 0);
    // The two fonts are loaded with their own hinting, so edges may shade a little apart.
    QCOMPARE(differingPixels(drawn, expected, 80), 0);
    QVERIFY(differingPixels(drawnCell(latin, 3, 'a' - 64), expected, 80) > 0);
}

void tst_CharSet::everyCellDrawsWithoutFailing_data()
{
    QTest::addColumn<QString>("face");
    QTest::newRow("text font") << textFamily;
    QTest::newRow("symbol font") << symbolFamily;
}

void tst_CharSet::everyCellDrawsWithoutFailing()
{
    // Control codes, code 0 and the bytes Windows-1252 leaves undefined all go through drawing.
    QFETCH(QString, face);
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(face);
    QImage image(32, 24, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 64; ++row)
            dlg.dgSampleDrawCell(painter, column, row, QRect(0, 0, 32, 24));
    }
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    child<QTableView>(dlg, "dgSample")->scrollToBottom();
    QVERIFY(!dlg.grab().isNull());
}

void tst_CharSet::fontListPopUpOpensTheViewer()
{
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QVERIFY(frmAdvanced);
    TdlgViewCharacterSet dlg;
    TfrmMain::Windows windows;
    windows.characterSet = &dlg;
    frm.setWindows(windows);
    bool wasShown = false;
    QString shownFace;
    QTimer::singleShot(0, &dlg, [&] {
        wasShown = dlg.isVisible() && dlg.isModal();
        shownFace = child<QLabel>(dlg, "lblFontName")->text();
        child<QPushButton>(dlg, "bClose")->click();
    });
    frmAdvanced->findChild<QLabel*>(QStringLiteral("lblFontName"))->setText(textFamily);
    frmAdvanced->fontSelection()->Viewcharacterset1Click();
    QVERIFY(wasShown);
    QCOMPARE(shownFace, textFamily);
    QVERIFY(!dlg.isVisible());
}

TYPOVEX_TEST_MAIN(tst_CharSet)

#include "tst_charset.moc"
