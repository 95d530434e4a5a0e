// The program on a high-resolution screen: everything here runs at a scale factor of 2, so that
// widgets paint at a device pixel ratio of 2. Pictures the program draws itself must come out at
// that ratio, with detail finer than a logical pixel, rather than drawn at 1 and stretched.
#include "support/Sharpness.h"
#include "support/TestMain.h"

#include "app/About.h"
#include "engine/PageStore.h"
#include "engine/PreviewControl.h"
#include "fonts/FontCheckList.h"
#include "report/QRPreview.h"
#include "tools/ViewCharSet.h"
#include "ui/DrawnPicture.h"
#include "ui/Wizard.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QToolButton>

namespace {

constexpr qreal ratio = 2.0;

// Drawn at ratio 2, text and slanted edges leave at least these shares of uneven blocks and steep
// edges (see Sharpness.h); a picture drawn at ratio 1 and scaled up has none of one or the other.
// The page buttons' bars have their edges on block edges: only the triangles' sides are uneven.
constexpr int unevenPercent = 10;
constexpr int steepPercent = 5;

void verifySharp(const QPixmap& picture)
{
    const Sharpness s = Sharpness::measure(picture.toImage());
    QVERIFY2(s.percentUneven() >= unevenPercent && s.percentSteep() >= steepPercent,
             qPrintable(QStringLiteral("%1% uneven blocks, %2% steep edges")
                            .arg(s.percentUneven())
                            .arg(s.percentSteep())));
}

template <typename T> T* child(const QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

class TestHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without the scale the rest would prove nothing.
        QCOMPARE(qApp->devicePixelRatio(), ratio);
    }

    void pageButtonImagesAreDrawnAtTheScreenRatio_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QIcon::Mode>("mode");
        for (const char* button : {"btnFirstPage", "btnPrevPage", "btnNextPage", "btnLastPage"}) {
            QTest::addRow("%s enabled", button) << QString::fromLatin1(button) << QIcon::Normal;
            QTest::addRow("%s disabled", button) << QString::fromLatin1(button) << QIcon::Disabled;
        }
    }
    void pageButtonImagesAreDrawnAtTheScreenRatio()
    {
        QFETCH(QString, button);
        QFETCH(QIcon::Mode, mode);
        TRptPreviewFrm window;
        auto* b = window.findChild<QToolButton*>(button);
        QVERIFY(b);
        QCOMPARE(b->devicePixelRatioF(), ratio);
        // As the style asks when it draws the button.
        const QPixmap image = b->icon().pixmap(b->iconSize(), b->devicePixelRatioF(), mode);
        QCOMPARE(image.devicePixelRatio(), ratio);
        QCOMPARE(image.size(), b->iconSize() * ratio);
        verifySharp(image);
        // The disabled copy keeps its embossed look: a white shadow under the grey.
        const QImage pixels = image.toImage();
        bool white = false;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                white |= pixels.pixel(x, y) == qRgb(255, 255, 255);
        QCOMPARE(white, mode == QIcon::Disabled);
    }

    void drawnPicturesAreAtTheScreenRatio_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QSize>("logicalSize");
        QTest::newRow("wizard") << QStringLiteral("imgWizard") << QSize(145, 260);
        QTest::newRow("about") << QStringLiteral("picture") << QSize(64, 64);
    }
    void drawnPicturesAreAtTheScreenRatio()
    {
        QFETCH(QString, picture);
        QFETCH(QSize, logicalSize);
        std::unique_ptr<QWidget> window;
        if (picture == QLatin1String("imgWizard"))
            window = std::make_unique<TfrmWizard>();
        else
            window = std::make_unique<TfrmAbout>();
        auto* label = window->findChild<QLabel*>(picture);
        QVERIFY(label);
        const QPixmap pixmap = label->pixmap();
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        QCOMPARE(pixmap.size(), logicalSize * ratio);
        verifySharp(pixmap);
    }

    void drawnPictureFollowsARatioChange()
    {
        QLabel label;
        QList<qreal> asked;
        DrawnPicture::install(&label, [&asked](qreal devicePixelRatio) {
            asked.append(devicePixelRatio);
            QPixmap pixmap = DrawnPicture::canvas(QSize(10, 10), devicePixelRatio);
            pixmap.fill(Qt::red);
            return pixmap;
        });
        QCOMPARE(asked, QList<qreal>{ratio});
        // What a window left from a screen of another ratio would hold.
        QPixmap stale(10, 10);
        stale.fill(Qt::blue);
        label.setPixmap(stale);
        label.grab();
        QCOMPARE(asked, (QList<qreal>{ratio, ratio}));
        QCOMPARE(label.pixmap().devicePixelRatio(), ratio);
        // At the right ratio the picture is not drawn again at every paint.
        label.grab();
        QCOMPARE(asked.size(), 2);
    }

    void fontListEntriesAreSharp()
    {
        FontCheckList list;
        list.resize(354, 180);
        list.fill(QFontDatabase::families().mid(0, 12));
        QVERIFY(list.count() > 0);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QPixmap shot = list.viewport()->grab();
        QCOMPARE(shot.devicePixelRatio(), ratio);
        verifySharp(shot);
    }

    void fontListHeightsFitTheDrawnText()
    {
        // Entry heights are read from the font files in logical pixels; the paint measures the
        // same faces on the viewport at ratio 2. Were one of them in device pixels, entries would
        // be clipped or twice as tall.
        FontCheckList list;
        const QStringList families = QFontDatabase::families();
        QStringList names;
        for (qsizetype i = 0; i < families.size(); i += qMax<qsizetype>(1, families.size() / 40))
            names.append(families.at(i));
        list.fill(names);
        QVERIFY(list.count() > 0);
        auto* delegate = qobject_cast<FontListDelegate*>(list.itemDelegate());
        QVERIFY(delegate);
        for (int i = 0; i < list.count(); ++i) {
            const QFontMetrics drawn(delegate->entryFont(list.name(i)), list.viewport());
            QVERIFY2(list.entryHeight(i) == drawn.height() + 2,
                     qPrintable(QStringLiteral("%1: %2 for text %3 high")
                                    .arg(list.name(i))
                                    .arg(list.entryHeight(i))
                                    .arg(drawn.height())));
        }
    }

    void characterGridIsSharp()
    {
        TdlgViewCharacterSet dlg;
        dlg.PrepareForFont(QStringLiteral("Liberation Sans"));
        auto* grid = child<QTableView>(dlg, "dgSample");
        grid->resize(400, 300);
        const QPixmap shot = grid->viewport()->grab();
        QCOMPARE(shot.devicePixelRatio(), ratio);
        verifySharp(shot);
    }

    void previewPageIsSharp()
    {
        PageStore store(QSize(794, 1123));
        RecordedPage page;
        page.number = 1;
        PageItem text;
        text.rect = QRect(40, 40, 700, 200);
        text.text = QStringLiteral("The quick brown fox jumps over the lazy dog 0123");
        text.font = QFont(QStringLiteral("Liberation Serif"));
        text.font.setPixelSize(16);
        text.flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        page.items.push_back(text);
        store.addPage(page);
        store.finish();
        PreviewControl preview;
        preview.resize(600, 400);
        preview.attach(&store);
        preview.setZoom(100);
        const QPixmap shot = preview.viewport()->grab(QRect(0, 0, 600, 120));
        QCOMPARE(shot.devicePixelRatio(), ratio);
        verifySharp(shot);
        preview.detach();
    }
};

TYPOVEX_TEST_MAIN_SCALED(TestHiDpi, "2")
#include "tst_hidpi.moc"
