#pragma once

class TfrmWizard;
class TfrmAdvanced;

// The two embedded settings windows: set when the main window is first shown, cleared when it is
// destroyed. Other parts of the program reach the settings through frmAdvanced.
extern TfrmWizard* frmWizard;
extern TfrmAdvanced* frmAdvanced;
