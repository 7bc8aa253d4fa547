// VCXLauncher: starts the optimisation product's companions at sign-in.
#include "launcher/launch_sequence.h"
#include "platform/error_report.h"

int main() {
  return platform::RunWithErrorReport([] { LaunchSequence(kCorrindelProfile); });
}
