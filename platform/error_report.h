// The default error report installed around a program's whole run.
#pragma once

namespace platform {

// Runs `sequence`. An error that escapes it is shown in a task-modal box titled
// "Application Error"; once the user has closed the box the result is 1, otherwise 0.
int RunWithErrorReport(void (*sequence)());

}  // namespace platform
