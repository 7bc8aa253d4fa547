// The constants that bind a program to its product. Each program links the one profile of
// its product; nothing chooses between profiles at run time.
#pragma once

#include <cstddef>

#include "platform/shell.h"

// One companion program that a launcher may start.
struct CompanionEntry {
  const char* setting;      // on/off value in the product's settings key
  const char* windowTitle;  // title of the window it owns while running; "" means no running test
  const char* programFile;  // file name in the launcher's folder
  const char* parameters;   // "" means none
  platform::ShowMode showMode;
};

struct ProductProfile {
  const char* productName;
  const char* settingsKey;          // below HKEY_CURRENT_USER, with a leading backslash
  const CompanionEntry* catalogue;  // in launch order
  std::size_t catalogueSize;

  const CompanionEntry* begin() const { return catalogue; }
  const CompanionEntry* end() const { return catalogue + catalogueSize; }
};

// The driver-update product, served by VPTLauncher and VPTUninstaller.
extern const ProductProfile kPaltrunProfile;
// The optimisation product, served by VCXLauncher.
extern const ProductProfile kCorrindelProfile;
