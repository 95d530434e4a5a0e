#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "base/Messages.h"
#include "fonts/FontSelection.h"
#include "fontservices/FontServices.h"
#include "support/ReadOnlyFolder.h"
#include "support/TestMain.h"
#include "tools/Export.h"
#include "tools/JpegWriter.h"
#include "ui/Advanced.h"
#include "ui/RadioGroup.h"

#include <optional>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

const auto face = QStringLiteral("Liberation Sans");
constexpr int bitmapItem = 0;
constexpr int jpegItem = 1;

template <typename T> T* child(const QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isJpegData(const QByteArray& data)
{
    return data.startsWith("\xFF\xD8\xFF");
}

bool isBmpData(const QByteArray& data)
{
    return data.startsWith("BM");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The payload of the first JPEG marker of that kind, empty when there is none.
QByteArray jpegSegment(const QByteArray& jpeg, uchar marker)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const uchar kind = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (kind == marker)
            return jpeg.mid(at + 4, length - 2);
        if (kind == 0xDA) // start of scan: no more headers
            break;
        at += 2 + length;
    }
    return {};
}

// Answers the save-file dialog and the message boxes of one test.
class Answers
{
public:
    Answers()
    {
        TdlgJPEGExport::setSaveDialogHook([this](const TdlgJPEGExport::SaveRequest& request) {
            requests.append(request);
            return path;
        });
        Messages::setHook([this](Messages::Kind, const QString& text) {
            messages.append(text);
            return QMessageBox::Ok;
        });
    }
    ~Answers()
    {
        TdlgJPEGExport::setSaveDialogHook({});
        Messages::setHook({});
    }

    QString path;
    QList<TdlgJPEGExport::SaveRequest> requests;
    QStringList messages;
};

} // namespace

class tst_Export : public QObject
{
    Q_OBJECT

private slots:
    void shouldHaveInitialStateOnCreation();
    void firstOpeningSaysHello();
    void emptiedTextComesBackAsHelloButTypedTextStays();
    void saveDialogOffersThreeFiltersAndKindsExtension_data();
    void saveDialogOffersThreeFiltersAndKindsExtension();
    void cancellingWritesNothing();
    void imageIsAsLargeAsTheTextExtent_data();
    void imageIsAsLargeAsTheTextExtent();
    void styleButtonsChangeTheSampleFont();
    void fileKindFollowsTheNameAlone_data();
    void fileKindFollowsTheNameAlone();
    void bitmapHoldsTheRenderedPixels();
    void sampleInkReadsOnTheWhiteGround_data();
    void sampleInkReadsOnTheWhiteGround();
    void jpegIsBaselineQuality90InThreeComponents();
    void failedSaveShowsMessageAndLeavesNothing_data();
    void failedSaveShowsMessageAndLeavesNothing();
    void failedExportKeepsExistingFile_data();
    void failedExportKeepsExistingFile();
    void fontListPopUpOpensTheExport();
};

void tst_Export::shouldHaveInitialStateOnCreation()
{
    TdlgJPEGExport dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Export text sample"));
    QCOMPARE(dlg.size(), QSize(320, 156));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QCOMPARE(child<QLabel>(dlg, "lblFontName")->text(), QString());
    QCOMPARE(child<QLineEdit>(dlg, "eSample")->text(), QString());
    auto* size = child<QSpinBox>(dlg, "sePointSize");
    QCOMPARE(size->value(), 12);
    QCOMPARE(size->minimum(), 1);
    QCOMPARE(size->maximum(), 999);
    for (const char* name : {"cbBold", "cbItalic", "cbUnderline", "cbStrikeout"})
        QVERIFY2(!child<QToolButton>(dlg, name)->isChecked(), name);
    auto* kind = child<RadioGroup>(dlg, "rgExportAs");
    QCOMPARE(kind->title(), QStringLiteral("Export as"));
    QCOMPARE(kind->items(), QStringList({QStringLiteral("Bitmap"), QStringLiteral("JPEG")}));
    QCOMPARE(kind->itemIndex(), jpegItem);
    QCOMPARE(child<QPushButton>(dlg, "bExport")->text(), QStringLiteral("&Export"));
    QCOMPARE(child<QPushButton>(dlg, "bClose")->text(), QStringLiteral("Close"));
    auto* save = child<QFileDialog>(dlg, "SavePictureDialog1");
    QVERIFY(save);
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
}

void tst_Export::firstOpeningSaysHello()
{
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    QCOMPARE(child<QLabel>(dlg, "lblFontName")->text(), face);
    auto* sample = child<QLineEdit>(dlg, "eSample");
    QCOMPARE(sample->text(), QStringLiteral("Hello"));
    QCOMPARE(sample->font().family(), face);
    QCOMPARE(sample->font().pointSize(), 12);
    QVERIFY(!sample->font().bold() && !sample->font().italic());
}

void tst_Export::emptiedTextComesBackAsHelloButTypedTextStays()
{
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    auto* sample = child<QLineEdit>(dlg, "eSample");
    sample->clear();
    dlg.PrepareForFont(QStringLiteral("DejaVu Sans"));
    QCOMPARE(sample->text(), QStringLiteral("Hello"));
    sample->setText(QStringLiteral("Quartz"));
    dlg.PrepareForFont(face);
    QCOMPARE(sample->text(), QStringLiteral("Quartz"));
}

void tst_Export::saveDialogOffersThreeFiltersAndKindsExtension_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("Bitmap") << bitmapItem << QStringLiteral("bmp");
    QTest::newRow("JPEG") << jpegItem << QStringLiteral("jpg");
}

void tst_Export::saveDialogOffersThreeFiltersAndKindsExtension()
{
    QFETCH(int, kind);
    QFETCH(QString, suffix);
    Answers answers; // cancels
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    child<RadioGroup>(dlg, "rgExportAs")->setItemIndex(kind);
    child<QPushButton>(dlg, "bExport")->click();
    QCOMPARE(answers.requests.size(), 1);
    const QStringList filters = {QStringLiteral("All (*.jpg;*.jpeg;*.bmp)"),
                                 QStringLiteral("JPEG Image File (*.jpg;*.jpeg)"),
                                 QStringLiteral("Bitmaps (*.bmp)")};
    QCOMPARE(answers.requests[0].filters, filters);
    QCOMPARE(answers.requests[0].selectedFilter, filters.first());
    QCOMPARE(answers.requests[0].defaultSuffix, suffix);
    QCOMPARE(dlg.saveDialog()->defaultSuffix(), suffix);
    QCOMPARE(dlg.saveDialog()->nameFilters(), filters);
}

void tst_Export::cancellingWritesNothing()
{
    QTemporaryDir dir;
    Answers answers; // an empty path is a cancel
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    dlg.bExportClick();
    QCOMPARE(answers.requests.size(), 1);
    QVERIFY(answers.messages.isEmpty());
    QVERIFY(entries(dir.path()).isEmpty());
}

void tst_Export::imageIsAsLargeAsTheTextExtent_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("12 points") << 12;
    QTest::newRow("24 points") << 24;
}

void tst_Export::imageIsAsLargeAsTheTextExtent()
{
    QFETCH(int, pointSize);
    QTemporaryDir dir;
    Answers answers;
    answers.path = dir.filePath(QStringLiteral("hello.bmp"));
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    child<QSpinBox>(dlg, "sePointSize")->setValue(pointSize);
    dlg.bExportClick();
    QVERIFY(answers.messages.isEmpty());
    const QImage image(answers.path);
    const QFont font = FontServices::fontFor(face, pointSize, false, false, false, false);
    const QSize extent = FontServices::measureText(font, QStringLiteral("Hello"));
    QCOMPARE(image.size(), extent);
    // Half the size: both sides at least about halve (a pixel of rounding either way).
    const QSize half = FontServices::measureText(
        FontServices::fontFor(face, pointSize / 2, false, false, false, false),
        QStringLiteral("Hello"));
    QVERIFY(qAbs(2 * half.width() - extent.width()) <= 3);
    QVERIFY(qAbs(2 * half.height() - extent.height()) <= 3);
}

void tst_Export::styleButtonsChangeTheSampleFont()
{
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    auto* sample = child<QLineEdit>(dlg, "eSample");
    const QImage plain = TdlgJPEGExport::renderSample(sample->font(), sample->text());
    for (const char* name : {"cbBold", "cbItalic", "cbUnderline", "cbStrikeout"})
        child<QToolButton>(dlg, name)->click();
    const QFont font = sample->font();
    QVERIFY(font.bold() && font.italic() && font.underline() && font.strikeOut());
    const QImage styled = TdlgJPEGExport::renderSample(font, sample->text());
    QVERIFY(styled != plain);
    child<QToolButton>(dlg, "cbItalic")->click();
    QVERIFY(!sample->font().italic() && sample->font().bold() && sample->font().underline());
    child<QSpinBox>(dlg, "sePointSize")->setValue(30);
    QCOMPARE(sample->font().pointSize(), 30);
}

void tst_Export::fileKindFollowsTheNameAlone_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("jpeg");
    QTest::newRow("sample.jpg with Bitmap chosen is JPEG")
        << bitmapItem << QStringLiteral("sample.jpg") << true;
    QTest::newRow("old.bmp with JPEG chosen is BMP")
        << jpegItem << QStringLiteral("old.bmp") << false;
    QTest::newRow("A.JPEG is JPEG") << bitmapItem << QStringLiteral("A.JPEG") << true;
    QTest::newRow("a.JpG is JPEG") << bitmapItem << QStringLiteral("a.JpG") << true;
    QTest::newRow("sample.png is BMP") << jpegItem << QStringLiteral("sample.png") << false;
    QTest::newRow("sample.jpg.bmp is BMP") << jpegItem << QStringLiteral("sample.jpg.bmp") << false;
    QTest::newRow("no extension is BMP") << jpegItem << QStringLiteral("sample") << false;
    QTest::newRow("jpg without a point is BMP") << jpegItem << QStringLiteral("jpg") << false;
    QTest::newRow("folder named x.jpg does not count")
        << jpegItem << QStringLiteral("x.jpg/sample") << false;
    // No temporary file can be made beside it: the existing file is written in place.
    QTest::newRow("old.bmp in a folder that takes no new file")
        << jpegItem << QStringLiteral("closed/old.bmp") << false;
    QTest::newRow("old.jpg in a folder that takes no new file")
        << bitmapItem << QStringLiteral("closed/old.jpg") << true;
}

void tst_Export::fileKindFollowsTheNameAlone()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(bool, jpeg);
    QTemporaryDir dir;
    if (name.contains(QLatin1Char('/')))
        QVERIFY(QDir(dir.path()).mkpath(name.section(QLatin1Char('/'), 0, 0)));
    // An existing file of that name is overwritten without a question.
    const QString path = dir.filePath(name);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file of that name");
    }
    std::optional<ReadOnlyFolder> closed;
    if (name.startsWith(QLatin1String("closed/"))) {
        closed.emplace(QFileInfo(path).path());
        if (!closed->isReadOnly())
            QSKIP("cannot make a folder read-only here");
    }
    Answers answers;
    answers.path = path;
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    dlg.show();
    child<RadioGroup>(dlg, "rgExportAs")->setItemIndex(kind);
    child<QPushButton>(dlg, "bExport")->click();
    QVERIFY2(answers.messages.isEmpty(), qPrintable(answers.messages.join(QLatin1Char('\n'))));
    const QByteArray data = readFile(path);
    QVERIFY(jpeg ? isJpegData(data) : isBmpData(data));
    QCOMPARE(TdlgJPEGExport::isJpegName(path), jpeg);
    // Under exactly that name, with nothing left beside it.
    QCOMPARE(entries(QFileInfo(path).path()), QStringList(QFileInfo(path).fileName()));
    QCOMPARE(QImage::fromData(data).size(),
             FontServices::measureText(FontServices::fontFor(face, 12, false, false, false, false),
                                       QStringLiteral("Hello")));
    // The dialog stays open with its settings.
    QVERIFY(dlg.isVisible());
    QCOMPARE(child<QLineEdit>(dlg, "eSample")->text(), QStringLiteral("Hello"));
    QCOMPARE(child<RadioGroup>(dlg, "rgExportAs")->itemIndex(), kind);
}

void tst_Export::bitmapHoldsTheRenderedPixels()
{
    QTemporaryDir dir;
    const QFont font = FontServices::fontFor(face, 18, true, true, true, false);
    const QImage image = TdlgJPEGExport::renderSample(font, QStringLiteral("Quartz"));
    QVERIFY(!image.isNull());
    // White ground and dark text, edge to edge.
    QCOMPARE(image.pixel(image.width() - 1, 0), qRgb(255, 255, 255));
    QVERIFY(image.convertToFormat(QImage::Format_Grayscale8).allGray());
    const QString path = dir.filePath(QStringLiteral("q.bmp"));
    QVERIFY(TdlgJPEGExport::saveImage(image, path));
    const QByteArray data = readFile(path);
    QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 28), quint16(24)); // bits per pixel
    QCOMPARE(qFromLittleEndian<quint32>(data.constData() + 30), quint32(0));  // uncompressed
    QCOMPARE(qFromLittleEndian<quint32>(data.constData() + 2), quint32(data.size()));
    // Rows are padded to four bytes; the width here is rarely a multiple of four.
    const qsizetype row = (image.width() * 3 + 3) / 4 * 4;
    QCOMPARE(data.size(), 54 + row * image.height());
    const QImage read = QImage::fromData(data);
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32),
             image.convertToFormat(QImage::Format_RGB32));
}

void tst_Export::sampleInkReadsOnTheWhiteGround_data()
{
    QTest::addColumn<QColor>("windowText");
    QTest::addColumn<QColor>("ink");
    QTest::newRow("light theme") << QColor(Qt::black) << QColor(Qt::black);
    QTest::newRow("dark theme: light text would vanish")
        << QColor(0xee, 0xee, 0xee) << QColor(Qt::black);
    QTest::newRow("dark coloured text is kept")
        << QColor(0x00, 0x00, 0x90) << QColor(0x00, 0x00, 0x90);
}

void tst_Export::sampleInkReadsOnTheWhiteGround()
{
    QFETCH(QColor, windowText);
    QFETCH(QColor, ink);
    const QPalette before = QGuiApplication::palette();
    QPalette theme = before;
    theme.setColor(QPalette::WindowText, windowText);
    QGuiApplication::setPalette(theme);
    const QImage image = TdlgJPEGExport::renderSample(
        FontServices::fontFor(face, 24, true, false, false, false), QStringLiteral("Quartz"));
    QGuiApplication::setPalette(before);
    QVERIFY(!image.isNull());
    // The text's core pixels are the ink itself; antialiased edges blend it with white.
    QColor darkest(Qt::white);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() < darkest.lightness())
                darkest = image.pixelColor(x, y);
    QCOMPARE(darkest.rgb(), ink.rgb());
}

void tst_Export::jpegIsBaselineQuality90InThreeComponents()
{
    const QImage image = TdlgJPEGExport::renderSample(
        FontServices::fontFor(face, 24, false, false, false, false), QStringLiteral("Hello"));
    const QByteArray jpeg = JpegWriter::encode(image);
    QVERIFY(isJpegData(jpeg));
    // SOF0 is baseline; a progressive file would carry SOF2.
    const QByteArray frame = jpegSegment(jpeg, 0xC0);
    QVERIFY(!frame.isEmpty());
    QVERIFY(jpegSegment(jpeg, 0xC2).isEmpty());
    QCOMPARE(int(uchar(frame[0])), 8); // bits per sample
    QCOMPARE((uchar(frame[1]) << 8) | uchar(frame[2]), image.height());
    QCOMPARE((uchar(frame[3]) << 8) | uchar(frame[4]), image.width());
    QCOMPARE(int(uchar(frame[5])), 3); // components
    // Quality 90 scales the standard luminance table by 20%: its first entry 16 becomes 3.
    const QByteArray tables = jpegSegment(jpeg, 0xDB);
    QVERIFY(tables.size() >= 65);
    QCOMPARE(int(uchar(tables[0])), 0); // 8-bit table 0
    QCOMPARE(int(uchar(tables[1])), (16 * 20 + 50) / 100);
    QCOMPARE(QImage::fromData(jpeg).size(), image.size());
}

void tst_Export::failedSaveShowsMessageAndLeavesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sample");
    // Root writes into any folder whatever its mode; a folder that is a regular file stops it.
    QTest::newRow("folder is a regular file, JPEG")
        << QStringLiteral("plain-file/sample.jpg") << QStringLiteral("Hello");
    QTest::newRow("folder is a regular file, BMP")
        << QStringLiteral("plain-file/sample.bmp") << QStringLiteral("Hello");
    QTest::newRow("folder does not exist")
        << QStringLiteral("missing/sample.jpg") << QStringLiteral("Hello");
    QTest::newRow("empty sample text, JPEG") << QStringLiteral("empty.jpg") << QString();
    QTest::newRow("empty sample text, BMP") << QStringLiteral("empty.bmp") << QString();
}

void tst_Export::failedSaveShowsMessageAndLeavesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, sample);
    QTemporaryDir dir;
    {
        QFile plain(dir.filePath(QStringLiteral("plain-file")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    const QStringList before = entries(dir.path());
    Answers answers;
    answers.path = dir.filePath(name);
    TdlgJPEGExport dlg;
    dlg.PrepareForFont(face);
    dlg.show();
    child<QLineEdit>(dlg, "eSample")->setText(sample);
    dlg.bExportClick();
    QCOMPARE(answers.messages, QStringList(QStringLiteral("Could not save to ") + answers.path));
    QCOMPARE(entries(dir.path()), before);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("plain-file"))), QByteArray());
    QVERIFY(dlg.isVisible());
    QCOMPARE(child<QLineEdit>(dlg, "eSample")->text(), sample);
}

void tst_Export::failedExportKeepsExistingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage>("image");
    QTest::newRow("empty image over a JPEG") << QStringLiteral("kept.jpg") << QImage();
    QTest::newRow("empty image over a BMP") << QStringLiteral("kept.bmp") << QImage();
    // libjpeg refuses more than 65,500 pixels a side.
    QImage wide(70000, 1, QImage::Format_RGB32);
    wide.fill(Qt::white);
    QTest::newRow("too wide for JPEG") << QStringLiteral("kept.jpeg") << wide;
}

void tst_Export::failedExportKeepsExistingFile()
{
    QFETCH(QString, name);
    QFETCH(QImage, image);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const QByteArray old = "the picture that was there before";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QVERIFY(!TdlgJPEGExport::saveImage(image, path));
    QCOMPARE(readFile(path), old);
    QCOMPARE(entries(dir.path()), QStringList(name));
}

void tst_Export::fontListPopUpOpensTheExport()
{
    TfrmMain frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QVERIFY(frmAdvanced);
    TdlgJPEGExport dlg;
    TfrmMain::Windows windows;
    windows.sampleExport = &dlg;
    frm.setWindows(windows);
    bool wasShown = false;
    QString shownFace;
    QString shownText;
    QTimer::singleShot(0, &dlg, [&] {
        wasShown = dlg.isVisible() && dlg.isModal();
        shownFace = child<QLabel>(dlg, "lblFontName")->text();
        shownText = child<QLineEdit>(dlg, "eSample")->text();
        child<QPushButton>(dlg, "bClose")->click();
    });
    frmAdvanced->findChild<QLabel*>(QStringLiteral("lblFontName"))->setText(face);
    frmAdvanced->fontSelection()->ExportsampleasJPEG1Click();
    QVERIFY(wasShown);
    QCOMPARE(shownFace, face);
    QCOMPARE(shownText, QStringLiteral("Hello"));
    QVERIFY(!dlg.isVisible());
}

TYPOVEX_TEST_MAIN(tst_Export)

#include "tst_export.moc"
