#pragma once

#include "app/TypovexApplication.h"

#include <QTemporaryDir>
#include <QtTest>

// Runs a test class under the program's own application object (its error handling included),
// with the runtime and settings folders in temporary folders of this run, so that no test
// touches the user's own lock, socket or settings.
#define TYPOVEX_TEST_MAIN(TestClass) TYPOVEX_TEST_MAIN_SCALED(TestClass, nullptr)

// As TYPOVEX_TEST_MAIN, with every screen at the scale factor (a string such as "2"), as a
// high-resolution screen gives: widgets then paint at that device pixel ratio. nullptr leaves
// the scale alone.
#define TYPOVEX_TEST_MAIN_SCALED(TestClass, factor)                                                \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir runtime;                                                                     \
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());                                  \
        QTemporaryDir config;                                                                      \
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());                                   \
        if (const char* scale = factor)                                                            \
            qputenv("QT_SCALE_FACTOR", scale);                                                     \
        TypovexApplication app(argc, argv);                                                        \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
