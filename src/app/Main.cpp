#include "app/Main.h"

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Typovex - ver. 3.9"));
}

TfrmMain::~TfrmMain() = default;
