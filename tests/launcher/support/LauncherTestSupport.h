#pragma once
// The launcher's test harness, namespace launchertest (library kestrum_launchertestsupport):
// the product folder and its stand-ins, runs of "Launcher.exe", the stand-ins' record of
// starts, the observer of broadcasts, the shared blocks, the message boxes and the browser,
// and the gates that hold a worker or the chkdsk stand-in until the test goes on.

#include "tests/launcher/support/AbortCheckGate.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/ChkdskGate.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/SharedBlocks.h"
#include "tests/launcher/support/StartRecord.h"
