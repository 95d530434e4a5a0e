#pragma once

// The program's entry sequence: names the application, creates the main window and the
// long-lived windows in their fixed order, and runs the event loop.
int runTypovex(int argc, char** argv);
