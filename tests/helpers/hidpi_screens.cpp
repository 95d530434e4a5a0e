// Screenshots at whatever scale the environment asks for (QT_SCALE_FACTOR), for the check that
// high-resolution screens show sharp pictures: every window of interest whole, and beside it the
// parts where a picture drawn at too low a resolution would show: the wizard's picture, the font
// list's entries, the character grid, the export sample, the preview's page and page buttons.
// Each part is grabbed from the server at a fixed logical size, so that the pictures of two
// scales differ in size by the scale alone.
// Arguments: the folder the PNG files go to, and the prefix of their names.
#include "app/About.h"
#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "app/Wait.h"
#include "engine/PageStore.h"
#include "engine/PreviewControl.h"
#include "fonts/FontCheckList.h"
#include "fonts/SelectFolderDialog.h"
#include "report/QRPreview.h"
#include "report/Report.h"
#include "tools/Export.h"
#include "tools/ViewCharSet.h"
#include "ui/Advanced.h"
#include "ui/Wizard.h"

#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

const auto textFamily = QStringLiteral("Liberation Sans");

QDir out;
QString prefix;
bool ok = true;

void settle()
{
    // Let layouts and repaints reach the server before its pixels are read.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(40);
    }
}

void saveGrab(const QPixmap& shot, const QString& name)
{
    const QString path = out.filePath(prefix + QLatin1Char('_') + name + QStringLiteral(".png"));
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        ok = false;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// The whole window, as the server shows it.
void shootWindow(QWidget& window, const QString& name)
{
    saveGrab(window.screen()->grabWindow(window.winId()), name);
}

// A part of a window in logical pixels, as the server shows it.
void shootPart(QWidget& window, QRect part, const QString& name)
{
    saveGrab(window.screen()->grabWindow(window.winId(), part.x(), part.y(), part.width(),
                                         part.height()),
             name);
}

QRect areaOf(const QWidget* widget, const QWidget& window)
{
    return {widget->mapTo(&window, QPoint(0, 0)), widget->size()};
}

void mainWindowShots()
{
    TfrmMain frm;
    frm.show();
    if (!QTest::qWaitForWindowExposed(&frm) || !frmWizard || !frmAdvanced) {
        ok = false;
        return;
    }
    frm.ShowWizardMode();
    settle();
    shootWindow(frm, QStringLiteral("wizard"));
    shootPart(frm, areaOf(frmWizard->findChild<QLabel*>(QStringLiteral("imgWizard")), frm),
              QStringLiteral("wizard_picture"));

    frm.ShowAdvancedMode();
    auto* list = frmAdvanced->findChild<FontCheckList*>(QStringLiteral("clbFonts"));
    if (!QTest::qWaitFor([list] { return list->count() > 0; }, 20000)) {
        std::fprintf(stderr, "the font list stayed empty\n");
        ok = false;
        return;
    }
    settle();
    shootWindow(frm, QStringLiteral("fonts"));
    shootPart(frm, areaOf(list->viewport(), frm), QStringLiteral("fontlist"));
    // Further down, names with descenders in faces of several heights.
    const int further = qMax(0, list->indexOf(QStringLiteral("Gentium Plus")));
    list->scrollTo(list->model()->index(further, 0), QAbstractItemView::PositionAtTop);
    settle();
    shootPart(frm, areaOf(list->viewport(), frm), QStringLiteral("fontlist_further"));

    // The other tabs, to be looked at.
    auto* tabs = frmAdvanced->findChild<QTabWidget*>(QStringLiteral("pgTypovex"));
    for (int i = 1; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        settle();
        shootWindow(frm, QStringLiteral("advanced_") + tabs->widget(i)->objectName());
    }

    TfrmAbout about;
    about.show();
    if (!QTest::qWaitForWindowExposed(&about)) {
        ok = false;
        return;
    }
    settle();
    shootWindow(about, QStringLiteral("about"));
    shootPart(about, areaOf(about.findChild<QLabel*>(QStringLiteral("picture")), about),
              QStringLiteral("about_picture"));
}

void smallWindowShots()
{
    TSelectFolder folders;
    folders.openFolder(QDir::rootPath());
    TfrmWait wait;
    wait.setMaximum(10);
    wait.setPosition(4);
    for (auto [window, name] : {std::pair<QWidget*, const char*>{&folders, "folders"},
                                std::pair<QWidget*, const char*>{&wait, "wait"}}) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window)) {
            ok = false;
            return;
        }
        settle();
        shootWindow(*window, QLatin1String(name));
        window->hide();
    }
    wait.finish();
}

void toolShots()
{
    TdlgViewCharacterSet viewer;
    viewer.PrepareForFont(textFamily);
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer)) {
        ok = false;
        return;
    }
    settle();
    shootWindow(viewer, QStringLiteral("charset"));
    auto* grid = viewer.findChild<QTableView*>(QStringLiteral("dgSample"));
    shootPart(viewer, areaOf(grid->viewport(), viewer), QStringLiteral("charset_grid"));

    TdlgJPEGExport exporter;
    exporter.PrepareForFont(textFamily);
    exporter.findChild<QSpinBox*>(QStringLiteral("sePointSize"))->setValue(24);
    exporter.findChild<QLineEdit*>(QStringLiteral("eSample"))
        ->setText(QStringLiteral("Hello, Quartz 0123"));
    exporter.show();
    if (!QTest::qWaitForWindowExposed(&exporter)) {
        ok = false;
        return;
    }
    settle();
    shootWindow(exporter, QStringLiteral("export"));
    shootPart(exporter, areaOf(exporter.findChild<QLineEdit*>(QStringLiteral("eSample")), exporter),
              QStringLiteral("export_sample"));
}

void previewShots()
{
    TRptPreviewFrm window;
    ListingSettings settings = ListingSettings::defaults();
    settings.Fonts = QFontDatabase::families().mid(0, 60);
    TfrmReport host(settings);
    auto* preview = window.findChild<PreviewControl*>(QStringLiteral("RptPreview"));
    bool shot = false;
    QObject::connect(preview, &PreviewControl::pageAvailable, &window, [&] {
        if (shot || !preview->store() || !preview->store()->isFinished())
            return;
        shot = true;
        window.ApplyZoom(3); // 100%
        // A pause lets the window manager map the window and the server show the repaint.
        QTimer::singleShot(300, &window, [&] {
            settle();
            shootWindow(window, QStringLiteral("preview"));
            // Page 1 of several: the first two buttons disabled, the last two enabled.
            const QRect first =
                areaOf(window.findChild<QToolButton*>(QStringLiteral("btnFirstPage")), window);
            const QRect last =
                areaOf(window.findChild<QToolButton*>(QStringLiteral("btnLastPage")), window);
            shootPart(window, first.united(last), QStringLiteral("page_buttons"));
            // Each button's image alone: 16 x 16 in the middle of the button.
            for (const char* button :
                 {"btnFirstPage", "btnPrevPage", "btnNextPage", "btnLastPage"}) {
                const QRect area =
                    areaOf(window.findChild<QToolButton*>(QLatin1String(button)), window);
                shootPart(window, QRect(area.center() - QPoint(8, 8), QSize(16, 16)),
                          QStringLiteral("page_icon_") + QLatin1String(button + 3).toString());
            }
            // The top of the page at 100%: 400 x 300 from the middle of the view, below the gap.
            const QRect view = areaOf(preview->viewport(), window);
            shootPart(window, QRect(view.center().x() - 200, view.top() + 20, 400, 300),
                      QStringLiteral("preview_page"));
            window.close();
        });
    });
    host.preview(window);
    if (!shot) {
        std::fprintf(stderr, "the preview showed no finished run\n");
        ok = false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: hidpi_screens OUTPUT_FOLDER NAME_PREFIX\n");
        return 2;
    }
    out = QDir(QString::fromLocal8Bit(argv[1]));
    prefix = QString::fromLocal8Bit(argv[2]);
    std::printf("device pixel ratio %g\n", app.devicePixelRatio());
    mainWindowShots();
    smallWindowShots();
    toolShots();
    previewShots();
    return ok ? 0 : 1;
}
