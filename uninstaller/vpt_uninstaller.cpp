// VPTUninstaller: cleans up while the driver-update product is removed.
#include "platform/error_report.h"
#include "uninstaller/uninstall_steps.h"

int main() { return platform::RunWithErrorReport(UninstallSequence); }
