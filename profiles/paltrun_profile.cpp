#include "profiles/product_profile.h"

namespace {

using platform::ShowMode;

// The product's main program has no row: it is not started at sign-in.
const CompanionEntry kCatalogue[] = {
    {"s_Enable", "VPTSchedule", "VPTSchedule.exe", "", ShowMode::NoActivate},
    {"s_SmartScan", "VPTSmartScan", "VPTSmartScan.exe", "", ShowMode::NoActivate},
};

}  // namespace

const ProductProfile kPaltrunProfile = {
    "Vintorra Paltrun",
    "\\SOFTWARE\\Vintorra\\Vintorra Paltrun",
    kCatalogue,
    sizeof kCatalogue / sizeof kCatalogue[0],
};
