// Font folders at scale: a tree of 2,000 font files copied from the installed font packages into
// nested folders of a temporary folder. Prints the time to scan it with recursion (and the longest
// stretch without handling events), the first Apply, the next Apply that removes and adds them
// all again, and the removal at quit.
//
// Run: build/bench/bench_fontfolders [file count]   (offscreen unless QT_QPA_PLATFORM is set)

#include "app/TypovexApplication.h"
#include "app/Wait.h"
#include "base/Messages.h"
#include "fonts/FontCheckList.h"
#include "fonts/FontFolders.h"
#include "fontservices/FontServices.h"
#include "ui/Advanced.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    TypovexApplication app(argc, argv);
    const int wanted = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;

    QStringList sources;
    QDirIterator it(QStringLiteral("/usr/share/fonts"), {"*.ttf", "*.otf"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        sources.append(it.next());
    sources.sort();
    if (sources.isEmpty())
        return 1;

    // 20 folders of 10 subfolders of 10 files each, for 2,000 files.
    QTemporaryDir tree;
    int copied = 0;
    for (int top = 0; copied < wanted; ++top) {
        for (int sub = 0; sub < 10 && copied < wanted; ++sub) {
            const QString folder = tree.filePath(QStringLiteral("f%1/s%2").arg(top).arg(sub));
            QDir().mkpath(folder);
            for (int n = 0; n < 10 && copied < wanted; ++n, ++copied) {
                const QString source = sources.at(copied % sources.size());
                QFile::copy(source, folder + QLatin1Char('/') + QFileInfo(source).fileName());
            }
        }
    }

    Messages::setHook([](Messages::Kind, const QString& text) {
        std::printf("  message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });
    TfrmWait wait;
    TfrmAdvanced advanced;
    advanced.fontFolders()->setProgress(&wait);
    advanced.resize(400, 300);
    advanced.show();
    QCoreApplication::processEvents();

    // The longest time between two turns of the event loop during the scan.
    QElapsedTimer clock;
    qint64 lastTurn = 0;
    qint64 longest = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, &advanced, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastTurn);
        lastTurn = now;
    });

    QElapsedTimer timer;
    clock.start();
    turns.start();
    timer.start();
    advanced.fontFolders()->ScanFolderTree(tree.path(), true);
    const qint64 scan = timer.elapsed();
    turns.stop();
    std::printf("%d files (from %lld distinct files)\n", copied,
                static_cast<long long>(std::min<qsizetype>(sources.size(), copied)));
    std::printf("scan with recursion: %lld ms, longest time without events: %.1f ms\n",
                static_cast<long long>(scan), longest / 1e6);

    timer.restart();
    advanced.fontFolders()->bApplyClick();
    std::printf("first Apply: %lld ms (%lld files added, %lld names)\n",
                static_cast<long long>(timer.elapsed()),
                static_cast<long long>(advanced.AddedFontFiles.size()),
                static_cast<long long>(advanced.FoundFontNames.size()));

    timer.restart();
    advanced.fontFolders()->bApplyClick();
    std::printf("next Apply (remove and add again): %lld ms\n",
                static_cast<long long>(timer.elapsed()));

    // Where an Apply's time goes: the font table, then the list.
    advanced.RemoveAddedFonts();
    QListWidget* folders = advanced.findChild<QListWidget*>(QStringLiteral("lbFontPath"));
    timer.restart();
    for (int i = 0; i < folders->count(); ++i)
        advanced.fontFolders()->LoadFolderFonts(folders->item(i)->text());
    const qint64 load = timer.restart();
    advanced.fontFolders()->ListFoundFonts();
    std::printf("  of which loading the files: %lld ms, listing the names: %lld ms\n",
                static_cast<long long>(load), static_cast<long long>(timer.elapsed()));

    // The quick heights must be the ones Qt measures.
    int wrong = 0;
    FontCheckList* list = advanced.findChild<FontCheckList*>(QStringLiteral("clbFonts"));
    for (const QString& name : std::as_const(advanced.FoundFontNames)) {
        const int row = list->indexOf(name);
        const int qt =
            QFontMetrics(FontServices::fontFor(name, 0, false, false, false, false), list).height();
        if (list->entryHeight(row) != qt + 2) {
            ++wrong;
            std::printf("  %s: %d, Qt %d\n", qPrintable(name), list->entryHeight(row) - 2, qt);
        }
    }
    std::printf("  entry heights differing from Qt's: %d\n", wrong);

    advanced.hide();
    timer.restart();
    advanced.RemoveAddedFonts();
    std::printf("removal at quit: %lld ms (%lld left in the font table)\n",
                static_cast<long long>(timer.elapsed()),
                static_cast<long long>(FontServices::addedFontFiles().size()));
    return 0;
}
