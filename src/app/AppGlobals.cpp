#include "app/AppGlobals.h"

TfrmWizard* frmWizard = nullptr;
TfrmAdvanced* frmAdvanced = nullptr;
