#pragma once

// Set once the program has been asked to end (a termination signal). Long work that lets no
// events through, or lets them through without returning to the main loop, looks at it between
// steps and stops, so that the orderly close can start within a moment. Safe to set from a
// signal handler.
namespace Ending {

bool requested();
void request();
// Tests only: a fresh start.
void reset();

} // namespace Ending
