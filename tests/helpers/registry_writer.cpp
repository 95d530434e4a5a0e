// Writes integer values to the settings store one after another, for the tests that kill it or
// run two copies at once.
//
// registry_writer SECTION PREFIX COUNT
//   prints "ready", waits for a line on standard input, then writes PREFIX<i> = i for i from 0 to
//   COUNT - 1, printing i after each write has returned. Exit codes: 0 done, 2 the store raised
//   an error, 3 the store warned about a damaged document, 1 bad arguments.
#include "base/Errors.h"
#include "base/Messages.h"
#include "settings/WinReg.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <QCoreApplication>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer SECTION PREFIX COUNT\n");
        return 1;
    }
    const QString section = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);

    Messages::setHook([](Messages::Kind, const QString& text) -> QMessageBox::StandardButton {
        std::fprintf(stderr, "warning: %s\n", qPrintable(text));
        std::exit(3);
    });
    try {
        TWinRegistry registry(QStringLiteral("Software\\Typovex"));
        std::printf("ready\n");
        std::fflush(stdout);
        std::string go;
        std::getline(std::cin, go);
        for (int i = 0; i < count; ++i) {
            registry.WriteInteger(section, prefix + QString::number(i), i);
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    } catch (const TypovexError& error) {
        std::fprintf(stderr, "error: %s\n", qPrintable(error.message()));
        return 2;
    }
    return 0;
}
