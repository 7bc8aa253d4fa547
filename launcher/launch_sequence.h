#pragma once

#include <string>

#include "profiles/product_profile.h"

// The folder that holds the running launcher, as its own full path names it.
std::string ProgramFolder();

// Starts, in catalogue order, every companion of the product that is switched on, not
// already running and installed next to the launcher.
void LaunchSequence(const ProductProfile& profile);
