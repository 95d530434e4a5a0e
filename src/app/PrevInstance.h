#pragma once

#include <QString>

class QWidget;

// The single-instance guard (unit uPrevInstance): one running copy per executable file name.
//
// The first copy holds a lock file named after its executable for its whole run and listens on a
// local socket of the same name. A later copy finds the lock taken, connects to that socket (the
// connection itself is the request to come forward) and ends with exit code 0 before it creates
// any window. A lock left behind by a killed copy is taken over.

// Either returns (this is the only copy, or the guard cannot work here and stays inactive) or
// ends the process with exit code 0 after asking the running copy to come forward.
void CheckPrevInstance();

// Lets go of the lock and stops listening; called as the main window's last act.
void ReleasePrevInstance();

// The window that a later start brings forward; the main window registers itself.
void SetPrevInstanceWindow(QWidget* window);

namespace PrevInstance {

enum class Claim {
    OnlyCopy,        // the lock is ours until ReleasePrevInstance
    AnotherCopyRuns, // a live process holds the lock
    Inactive,        // the lock cannot be created at all: run without a guard
};

// The folder for the lock and the socket: the user's runtime folder, else the temporary folder.
QString lockFolder();

// The executable's file name, with its extension, without its folder.
QString executableName();

// Tries to take the lock for `name` in `folder`. On OnlyCopy the lock is held (and the socket
// listening) until ReleasePrevInstance.
Claim claim(const QString& folder, const QString& name);

// Asks the copy listening for `name` in `folder` to come forward. Gives up after `timeoutMs` so
// that a copy that hangs cannot keep a later start alive. True when the request was delivered.
bool askToComeForward(const QString& folder, const QString& name, int timeoutMs);

// Restores the window if it is minimised, otherwise raises and activates it.
void bringForward(QWidget* window);

} // namespace PrevInstance
