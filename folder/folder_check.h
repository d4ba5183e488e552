#pragma once

#include "checks/check_run.h"

namespace folder {

// Asks for a folder; runs a check if, once the chooser has closed, the status line announces
// one. That is the chooser's own text after OK, or an interrupted run's.
void folderCheck(const checks::RunTarget& target);

} // namespace folder
