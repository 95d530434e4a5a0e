// Screenshots of the font tools on a real X server: the character set viewer in both views for a
// text font and for a symbol-map font, the export dialog, and an exported sample as JPEG and
// BMP. Argument: the folder the files go to.
#include "../support/SymbolTestFont.h"
#include "app/TypovexApplication.h"
#include "fontservices/FontServices.h"
#include "tools/Export.h"
#include "tools/ViewCharSet.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {

const auto textFamily = QStringLiteral("Liberation Sans");
const auto symbolFamily = QStringLiteral("Typovex Test Symbol");

bool save(QWidget& window, const QString& path)
{
    // Let layouts and repaints settle before the server's pixels are read.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(50);
    }
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool viewerShots(const QDir& out, const QString& face, const QString& tag)
{
    TdlgViewCharacterSet dlg;
    dlg.PrepareForFont(face);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return false;
    bool ok = save(dlg, out.filePath(QStringLiteral("tools_charset_%1_grid.png").arg(tag)));
    dlg.findChild<QCheckBox*>(QStringLiteral("cbASCIIcodes"))->click();
    ok &= save(dlg, out.filePath(QStringLiteral("tools_charset_%1_text.png").arg(tag)));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: toolscreens OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    QTemporaryDir fonts;
    const QString symbolPath = fonts.filePath(QStringLiteral("symbol.ttf"));
    {
        QFile file(symbolPath);
        const QByteArray font = SymbolTestFont::make(
            SymbolTestFont::installedFontFile("Liberation Sans"), symbolFamily);
        if (font.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(font) != font.size())
            return 1;
    }
    if (!FontServices::addFontFile(symbolPath))
        return 1;

    bool ok = viewerShots(out, textFamily, QStringLiteral("text"));
    ok &= viewerShots(out, symbolFamily, QStringLiteral("symbol"));

    TdlgJPEGExport exporter;
    exporter.PrepareForFont(textFamily);
    exporter.findChild<QSpinBox*>(QStringLiteral("sePointSize"))->setValue(24);
    exporter.findChild<QToolButton*>(QStringLiteral("cbBold"))->click();
    exporter.findChild<QToolButton*>(QStringLiteral("cbItalic"))->click();
    exporter.findChild<QLineEdit*>(QStringLiteral("eSample"))
        ->setText(QStringLiteral("Hello, Quartz 0123"));
    exporter.show();
    if (!QTest::qWaitForWindowExposed(&exporter))
        return 1;
    ok &= save(exporter, out.filePath(QStringLiteral("tools_export_dialog.png")));
    for (const QString& name :
         {QStringLiteral("tools_export_sample.jpg"), QStringLiteral("tools_export_sample.bmp")}) {
        const QString path = out.filePath(name);
        QFile::remove(path);
        TdlgJPEGExport::setSaveDialogHook([&](const TdlgJPEGExport::SaveRequest&) { return path; });
        exporter.bExportClick();
        if (!QFile::exists(path)) {
            std::fprintf(stderr, "no export at %s\n", qPrintable(path));
            ok = false;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    }
    TdlgJPEGExport::setSaveDialogHook({});
    FontServices::removeFontFile(symbolPath);
    return ok ? 0 : 1;
}
