#include <cstdint>

#include "platform/system.h"
#include "platform/user_interface.h"
#include "profiles/product_profile.h"
#include "uninstaller/uninstall_steps.h"

namespace {

struct StopSignal {
  const char* messageName;  // registered by the addressee under the same name
  const char* windowTitle;
  std::uintptr_t wParam;
};

}  // namespace

void SignalComponents() {
  const CompanionEntry* catalogue = kPaltrunProfile.catalogue;
  const StopSignal signals[] = {
      {"VPTSchedule", catalogue[0].windowTitle, 1028},      // the scheduler
      {"VPTSmartScan", catalogue[1].windowTitle, 1029},     // the smart-scan component
      {"VPTUninstall", kPaltrunProfile.productName, 1027},  // the main program
  };
  for (const StopSignal& signal : signals) {
    // Registered whether or not the window exists: the number is the machine's, not ours.
    const unsigned message = platform::RegisterMessageName(signal.messageName);
    const platform::WindowHandle window = platform::FindTopLevelWindow(signal.windowTitle);
    if (window == nullptr) continue;
    platform::PostToWindow(window, message, signal.wParam);
    // The addressee handles the message in its own time; this is all the time it is given
    // before the next step.
    platform::Pause(kPauseMilliseconds);
  }
}
