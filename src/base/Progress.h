#pragma once

// Shows how far a long operation has come. The code that runs the operation is handed one, so
// that it need not know which window shows it.
class Progress
{
public:
    virtual ~Progress() = default;
    // Shows the progress at position 0 of `steps`.
    virtual void begin(int steps) = 0;
    virtual void advance(int position) = 0;
    // Takes the progress down again.
    virtual void end() = 0;
};
