#include "app/Startup.h"

#include "app/Main.h"
#include "app/TypovexApplication.h"

int runTypovex(int argc, char** argv)
{
    TypovexApplication app(argc, argv);

    // The main window's constructor runs the single-instance guard; a second copy ends there.
    TfrmMain frmMain;

    // Long-lived windows, created hidden in this order and kept until the program ends. Each
    // window joins this list in the order of the start-up sequence as it comes into being.

    frmMain.show();
    return app.exec();
}
