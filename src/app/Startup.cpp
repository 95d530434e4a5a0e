#include "app/Startup.h"

#include "app/About.h"
#include "app/Main.h"
#include "app/TerminationSignals.h"
#include "app/TypovexApplication.h"
#include "app/Wait.h"
#include "base/Ending.h"
#include "fonts/SelectFolderDialog.h"
#include "report/QRPreview.h"
#include "tools/Export.h"
#include "tools/ViewCharSet.h"

#include <QCoreApplication>
#include <QWidget>

TypovexWindows::TypovexWindows() = default;

TypovexWindows::~TypovexWindows()
{
    // Reverse order of creation: the main window, created first, goes last.
    while (!m_longLived.empty())
        m_longLived.pop_back();
    m_main.reset();
}

void TypovexWindows::create()
{
    m_main = std::make_unique<TfrmMain>();

    TfrmMain::Windows windows;
    // The wait window comes here, before anything else.
    windows.wait = keep(new TfrmWait);

    // Let the main window finish its pending layout and paint work before the other windows
    // are built.
    QCoreApplication::sendPostedEvents(m_main.get());

    // The long-lived hidden windows, in this order.
    windows.preview = keep(new TRptPreviewFrm);
    windows.sampleExport = keep(new TdlgJPEGExport);
    windows.characterSet = keep(new TdlgViewCharacterSet);
    windows.about = keep(new TfrmAbout);
    windows.folderPicker = keep(new TSelectFolder);
    m_main->setWindows(windows);
}

int runTypovex(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    TypovexWindows windows;
    windows.create();
    // Every catchable ending closes the main window, so that the fonts it added are removed.
    TerminationSignals signalHandler(windows.main());
    // Its first showing creates the embedded settings windows and enters the start mode.
    windows.main()->show();
    // Told to end during the start (a box open then has a loop of its own): the main loop would
    // not hear of it.
    if (Ending::requested())
        return 0;
    return app.exec();
}
