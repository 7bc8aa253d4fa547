#include "profiles/product_profile.h"

namespace {

using platform::ShowMode;

// The main program comes first and has no running test: it is started at every sign-in
// while its setting is on, even when it already runs.
const CompanionEntry kCatalogue[] = {
    {"ScanAtStartup", "", "Corrindel.exe", "/START", ShowMode::Normal},
    {"s_Enable", "VCXSchedule", "VCXSchedule.exe", "", ShowMode::NoActivate},
    {"s_SmartScan", "VCXSmartScan", "VCXSmartScan.exe", "", ShowMode::NoActivate},
    {"SpeedGuard", "VCXGuard", "VCXGuard.exe", "", ShowMode::Normal},
    {"Reminder", "VCXReminder", "VCXReminder.exe", "", ShowMode::Normal},
};

}  // namespace

const ProductProfile kCorrindelProfile = {
    "Vintorra Corrindel",
    "\\SOFTWARE\\Vintorra\\Vintorra Corrindel",
    kCatalogue,
    sizeof kCatalogue / sizeof kCatalogue[0],
};
