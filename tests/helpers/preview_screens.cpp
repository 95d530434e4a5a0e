// Saves pictures of the preview window after a catalogue of 60 installed families has been
// generated: preview-fit.png at "Fit to window" and preview-100.png at "100%", in the folder
// given as the argument. On a real X server the pictures are taken from the screen
// (QScreen::grabWindow of the window), so they show what the server displays.
#include "app/TypovexApplication.h"
#include "engine/PageStore.h"
#include "engine/PreviewControl.h"
#include "report/QRPreview.h"
#include "report/Report.h"

#include <cstdio>
#include <QDir>
#include <QFontDatabase>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {

void shoot(QWidget& window, const QString& path)
{
    window.raise();
    window.activateWindow();
    QCoreApplication::processEvents();
    QScreen* screen = window.screen();
    const QPixmap shot = screen ? screen->grabWindow(window.winId()) : window.grab();
    if (!shot.save(path))
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    TRptPreviewFrm window;
    window.resize(1024, 768);
    ListingSettings settings = ListingSettings::defaults();
    settings.Fonts = QFontDatabase::families().mid(0, 60);
    TfrmReport host(settings);
    auto* preview = window.findChild<PreviewControl*>(QStringLiteral("RptPreview"));
    bool saved = false;
    QObject::connect(preview, &PreviewControl::pageAvailable, &window, [&] {
        if (saved || !preview->store() || !preview->store()->isFinished())
            return;
        saved = true;
        // Pauses let the window manager map the window and the server show each repaint.
        QTimer::singleShot(300, &window, [&] {
            shoot(window, out.filePath(QStringLiteral("preview-fit.png")));
            window.ApplyZoom(3);
            QTimer::singleShot(300, &window, [&] {
                shoot(window, out.filePath(QStringLiteral("preview-100.png")));
                window.close();
            });
        });
    });
    host.preview(window);
    std::printf("%s\n", saved ? "saved" : "no pictures");
    return saved ? 0 : 1;
}
