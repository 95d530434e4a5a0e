// The shaper's metrics and line layout against Qt's own QFontMetrics and QTextLayout, which it
// replaces for catalogue pages and must agree with to the pixel.

#include "engine/TextLayout.h"
#include "FontFixtures.h"
#include "fontservices/FontServices.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>

#include <fontconfig/fontconfig.h>

#include <cmath>

class TestTextLayout : public QObject
{
    Q_OBJECT
private slots:
    void metrics_data();
    void metrics();
    void layout_data();
    void layout();
    void vanishedFace();
    void unindexedNamesMatchAsFontconfigDoes_data();
    void unindexedNamesMatchAsFontconfigDoes();
};

static QFont fontOf(const QString& family, int pixels, int style)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(style == 1);
    font.setItalic(style == 2);
    return font;
}

void TestTextLayout::metrics_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<double>("agreement"); // share of fonts whose height and ascent must agree
    QTest::newRow("reference families")
        << QStringList{"DejaVu Sans", "Liberation Sans", "Liberation Serif"}
        << QList<int>{13, 16, 21} << 1.0;
    QTest::newRow("every installed family")
        << QFontDatabase::families() << QList<int>{13, 16, 27} << 0.99;
}

void TestTextLayout::metrics()
{
    QFETCH(QStringList, families);
    QFETCH(QList<int>, sizes);
    QFETCH(double, agreement);
    const bool everyCombination = families.size() < 10;
    int checked = 0, agreed = 0;
    for (qsizetype i = 0; i < families.size(); ++i) {
        // Every family in two of the size and style combinations, all of them over the list.
        QList<std::pair<int, int>> cases;
        if (everyCombination) {
            for (int size : sizes)
                for (int style = 0; style < 3; ++style)
                    cases.append({size, style});
        } else {
            cases = {{sizes[i % 3], int(i / 3 % 3)}, {sizes[(i + 1) % 3], int((i / 9 + 1) % 3)}};
        }
        for (auto [size, style] : cases) {
            const QFont font = fontOf(families[i], size, style);
            const QFontMetrics qt(font);
            const LineMetrics mine = TextShaper::metrics(font);
            ++checked;
            if (mine.height() == qt.height() && mine.ascent == qt.ascent() &&
                mine.leading == qt.leading()) {
                ++agreed;
                continue;
            }
            // Mostly Qt taking another face of the family than the face index does.
            const FaceFile face = FontServices::faceFileFor(font);
            qInfo("differs: %s %dpx style %d: Qt %d/%d/%d (%s %s), shaper %d/%d/%d (%s#%d)",
                  qPrintable(families[i]), size, style, qt.ascent(), qt.descent(), qt.leading(),
                  qPrintable(QRawFont::fromFont(font).familyName()),
                  qPrintable(QRawFont::fromFont(font).styleName()), mine.ascent, mine.descent,
                  mine.leading, face.file.constData(), face.index);
        }
    }
    qInfo("metrics agree for %d of %d fonts (%.2f %%)", agreed, checked, 100.0 * agreed / checked);
    QVERIFY(checked > 0);
    QVERIFY2(agreed >= agreement * checked, qPrintable(QString::number(checked - agreed)));
}

void TestTextLayout::layout_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("decorated"); // underlined and struck out

    const int wrap = Qt::TextWordWrap;
    const QString sentence = "The quick brown fox jumps over the lazy dog, again and again.";
    QString longText;
    while (longText.size() < 20000)
        longText += sentence + ' ';
    QString surrogates = "ab";
    surrogates += QChar(0xd800);
    surrogates += "cd";
    surrogates += QChar(0xdc00);

    QTest::newRow("single line") << "DejaVu Sans" << 16 << "This is DejaVu Sans" << 400 << 0
                                 << false;
    QTest::newRow("lines") << "Liberation Sans" << 13 << "one\ntwo\n\nfour" << 400 << 0 << false;
    QTest::newRow("trailing newline") << "Liberation Serif" << 21 << "x\n" << 400 << 0 << false;
    QTest::newRow("empty") << "DejaVu Sans" << 16 << "" << 400 << 0 << false;
    QTest::newRow("wrapped") << "Liberation Serif" << 16 << sentence << 120 << wrap << false;
    QTest::newRow("wrapped lines")
        << "DejaVu Sans" << 13 << sentence + "\n" + sentence << 150 << wrap << false;
    QTest::newRow("long word") << "DejaVu Sans" << 16
                               << "a Pneumonoultramicroscopicsilicovolcanoconiosis b" << 60 << wrap
                               << false;
    QTest::newRow("centred") << "Liberation Sans" << 16 << "Centred" << 300 << int(Qt::AlignHCenter)
                             << false;
    QTest::newRow("right") << "DejaVu Sans" << 21 << "Right" << 300 << int(Qt::AlignRight) << false;
    QTest::newRow("right wrapped")
        << "Liberation Sans" << 16 << sentence << 200 << (int(Qt::AlignRight) | wrap) << false;
    QTest::newRow("arabic") << "DejaVu Sans" << 16 << QString::fromUtf8("هذا هو الخط") << 400 << 0
                            << false;
    QTest::newRow("decorated") << "Liberation Sans" << 27 << "Underlined" << 400 << 0 << true;
    QTest::newRow("decorated small") << "DejaVu Sans" << 13 << "a\nb" << 400 << 0 << true;
    QTest::newRow("20000 characters") << "DejaVu Sans" << 13 << longText << 500 << wrap << false;
    QTest::newRow("999 points") << "Liberation Sans" << 1332 << "Big" << 4000 << 0 << false;
    QTest::newRow("unpaired surrogates") << "DejaVu Sans" << 16 << surrogates << 400 << 0 << false;
}

void TestTextLayout::layout()
{
    QFETCH(QString, family);
    QFETCH(int, pixels);
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, flags);
    QFETCH(bool, decorated);
    QFont font = fontOf(family, pixels, 0);
    font.setUnderline(decorated);
    font.setStrikeOut(decorated);
    const std::shared_ptr<const TextLayout> layout = TextShaper::layOut(font, text, width, flags);
    QVERIFY(layout);

    // Height as QPainter::drawText lays the text out, line count as QTextLayout breaks it.
    const QFontMetricsF qt(font);
    QCOMPARE(layout->height,
             QFontMetrics(font).boundingRect(QRect(0, 0, width, 1 << 24), flags, text).height());
    QString qtText = text;
    qtText.replace('\n', QChar::LineSeparator);
    QTextLayout qtLayout(qtText, font);
    QTextOption option;
    option.setWrapMode((flags & Qt::TextWordWrap) ? QTextOption::WordWrap : QTextOption::NoWrap);
    qtLayout.setTextOption(option);
    qtLayout.beginLayout();
    int lines = 0;
    for (QTextLine line = qtLayout.createLine(); line.isValid(); line = qtLayout.createLine()) {
        line.setLineWidth((flags & Qt::TextWordWrap) ? width : 1 << 24);
        ++lines;
    }
    qtLayout.endLayout();
    QCOMPARE(layout->lines, lines);

    // Widths and the place of the first glyph of unwrapped text.
    const QStringList textLines = text.split('\n');
    if (!(flags & Qt::TextWordWrap) && !text.isEmpty()) {
        qreal widest = 0;
        for (const QString& line : textLines)
            widest = qMax(widest, qt.horizontalAdvance(line));
        QVERIFY2(std::abs(layout->width - widest) <= 1,
                 qPrintable(QString("%1 vs %2").arg(layout->width).arg(widest)));
        const qreal advance = qt.horizontalAdvance(textLines.first());
        const qreal x = (flags & Qt::AlignRight)     ? width - advance
                        : (flags & Qt::AlignHCenter) ? (width - advance) / 2
                                                     : 0;
        QVERIFY(!layout->runs.empty() && !layout->runs.front().positions.empty());
        QVERIFY(std::abs(layout->runs.front().positions.front().x() - x) <= 1);
    }

    // Right-to-left text comes in runs marked backward; every run's clusters cover its glyphs
    // and its text.
    bool rtl = false;
    for (QChar c : text)
        rtl |= c.direction() == QChar::DirAL || c.direction() == QChar::DirR;
    bool backward = false;
    for (const GlyphRun& run : layout->runs) {
        backward |= run.backward;
        int bytes = 0, glyphs = 0;
        for (auto [b, g] : run.clusters) {
            QVERIFY(b >= 0 && g > 0);
            bytes += b;
            glyphs += g;
        }
        QCOMPARE(bytes, int(run.utf8.size()));
        QCOMPARE(size_t(glyphs), run.glyphs.size());
        QCOMPARE(run.positions.size(), run.glyphs.size());
    }
    QCOMPARE(backward, rtl);

    // Underline and strike-out where Qt's painter draws them, one of each on a line with text.
    int textLineCount = 0;
    for (const QString& line : textLines)
        textLineCount += !line.isEmpty();
    QCOMPARE(int(layout->rules.size()), decorated ? 2 * textLineCount : 0);
    if (decorated) {
        const qreal baseline = qt.ascent();
        qreal under = std::ceil(qt.underlinePos()) + 0.5;
        if (qt.underlinePos() <= qt.descent())
            under = qMin(under, qt.descent() - 0.5);
        QCOMPARE(layout->rules[0].height(), qt.lineWidth());
        QCOMPARE(layout->rules[0].center().y(), baseline + under);
        QCOMPARE(layout->rules[1].center().y(), baseline - qt.ascent() / 3);
        QCOMPARE(layout->rules[0].width(), std::floor(qt.horizontalAdvance(textLines.first())));
    }
}

// A face whose file is gone lays out nothing, with a sane height, and does not crash.
void TestTextLayout::vanishedFace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("gone.ttf");
    QVERIFY(FontFixtures::writeAll(
        path,
        FontFixtures::renamed(FontFixtures::readAll(FontFixtures::dejaVuSans), "Vanish Sans")));
    QVERIFY(FontServices::addFontFile(path));
    QFont font("Vanish Sans");
    font.setPixelSize(20);
    QVERIFY(FontServices::faceFileFor(font).file.endsWith("gone.ttf"));
    QVERIFY(QFile::remove(path));
    const LineMetrics m = TextShaper::metrics(font);
    QCOMPARE(m.height(), 20);
    const auto layout = TextShaper::layOut(font, "Nothing here", 200, Qt::TextWordWrap);
    QVERIFY(layout->runs.empty());
    QCOMPARE(layout->lines, 1);
    QCOMPARE(layout->height, 20);
    FontServices::removeFontFile(path);
}

QTEST_MAIN(TestTextLayout)
// Names the face index does not answer are matched among the faces fontconfig's match must come
// from (the first installed family a name is strongly bound to, or every installed name an alias
// expands to): the face must be fontconfig's own match over every installed face.
void TestTextLayout::unindexedNamesMatchAsFontconfigDoes_data()
{
    QTest::addColumn<QString>("family");
    QTest::newRow("blanks left out") << "DejaVuSans";
    QTest::newRow("letter case and blanks") << "LIBERATION  serif";
    QTest::newRow("alias") << "Sans Serif";
    QTest::newRow("alias bound strongly to an installed family") << "Arial";
    QTest::newRow("not installed") << "No Such Family";
    // Qt's name for a family several foundries make, where one is installed.
    for (const QString& family : QFontDatabase::families()) {
        if (family.endsWith(QLatin1Char(']'))) {
            QTest::newRow("per foundry") << family;
            break;
        }
    }
}

void TestTextLayout::unindexedNamesMatchAsFontconfigDoes()
{
    QFETCH(QString, family);
    for (int style = 0; style < 4; ++style) {
        QFont font(family);
        font.setBold(style & 1);
        font.setItalic(style & 2);
        FcPattern* pattern = FcPatternCreate();
        QString name = family;
        if (const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
            open > 0 && family.endsWith(QLatin1Char(']'))) {
            name = family.left(open);
            FcPatternAddString(pattern, FC_FOUNDRY,
                               reinterpret_cast<const FcChar8*>(
                                   family.mid(open + 2).chopped(1).toUtf8().constData()));
        }
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(name.toUtf8().constData()));
        FcPatternAddInteger(pattern, FC_WEIGHT, style & 1 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, style & 2 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        QVERIFY(match);
        FcChar8* file = nullptr;
        int index = 0;
        FcPatternGetString(match, FC_FILE, 0, &file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        const QByteArray expected(reinterpret_cast<const char*>(file));
        FcPatternDestroy(match);
        const FaceFile face = FontServices::faceFileFor(font);
        QCOMPARE(face.file, expected);
        QCOMPARE(face.index, index);
    }
}

#include "tst_textlayout.moc"
