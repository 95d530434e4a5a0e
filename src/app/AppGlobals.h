#pragma once

class TfrmWizard;
class TfrmAdvanced;

// The two embedded settings windows: set when the main window is first shown, cleared when it is
// destroyed. Other parts of the program reach the settings through frmAdvanced.
extern TfrmWizard* frmWizard;
extern TfrmAdvanced* frmAdvanced;

// Set while the program itself changes the font ticks or the "All fonts" and "Use installed fonts"
// boxes, so that their click handlers ignore those changes.
extern bool SelectionSyncBusy;
