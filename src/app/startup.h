#pragma once
#include "platform/platform.h"

namespace qc {

// Creates and shows Form1 and runs until it is closed; returns the process exit code.
int RunApplication(Platform& platform);

}  // namespace qc
