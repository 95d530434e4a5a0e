// Takes screenshots of the main window on a real X server: wizard mode at its first page and
// advanced mode at each of its tabs. Argument: the folder the PNG files go to.
#include "app/Main.h"
#include "app/TypovexApplication.h"
#include "ui/Advanced.h"
#include "ui/Wizard.h"

#include <cstdio>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

namespace {

bool save(TfrmMain& frm, const QString& path)
{
    // Let layouts, list fills and repaints settle before the server's pixels are read.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(50);
    }
    const QPixmap shot = frm.screen()->grabWindow(frm.winId());
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screens OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    TfrmMain frm;
    frm.show();
    if (!QTest::qWaitForWindowExposed(&frm) || !frmWizard || !frmAdvanced)
        return 1;
    bool ok = save(frm, out.filePath(QStringLiteral("screen_wizard_page1.png")));

    frm.ShowAdvancedMode();
    auto* tabs = frmAdvanced->findChild<QTabWidget*>(QStringLiteral("pgTypovex"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        ok &= save(frm, out.filePath(QStringLiteral("screen_advanced_%1_%2.png")
                                         .arg(i + 1)
                                         .arg(tabs->widget(i)->objectName())));
    }
    return ok ? 0 : 1;
}
