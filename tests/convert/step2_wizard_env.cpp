// The main-window test environment of the wizard tests, built into this suite too: the Step2
// tests drive the same window with the same program folder and fake platform.
#include "wizard/wizard_env.cpp"  // NOLINT(bugprone-suspicious-include)
