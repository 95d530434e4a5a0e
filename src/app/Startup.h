#pragma once

#include <memory>
#include <vector>

class QWidget;
class TfrmMain;

// The windows of one run, created by the entry sequence in a fixed order and kept until the
// program ends. The long-lived hidden windows are destroyed first, the main window last.
class TypovexWindows
{
public:
    TypovexWindows();
    ~TypovexWindows();

    // Creates the main window (whose creation runs the single-instance guard: a second copy ends
    // there) and then the long-lived hidden windows in their fixed order.
    void create();

    TfrmMain* main() const { return m_main.get(); }

private:
    // Keeps a long-lived window, created hidden, for the rest of the run.
    template <typename W> W* keep(W* window)
    {
        m_longLived.emplace_back(window);
        return window;
    }

    std::unique_ptr<TfrmMain> m_main;
    std::vector<std::unique_ptr<QWidget>> m_longLived;
};

// The program's entry sequence: the application object, the windows, the event loop.
int runTypovex(int argc, char** argv);
