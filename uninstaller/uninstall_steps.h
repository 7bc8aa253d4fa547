// The steps of the uninstall sequence, each taking its constants from the driver-update
// product's profile and its own file.
#pragma once

#include <string>

// The one waiting time of the programs: after a stop signal that found its window and after
// the uninstall page has been handed over.
constexpr unsigned kPauseMilliseconds = 500;

// Removes the product's autostart entry, reads the uninstall page's address, notifies the
// web service, signals the running programs, opens the page and removes the data folder.
void UninstallSequence();

// Tells the notice service that the product is being removed; swallows every failure of the
// exchange.
void SendRemovalNotice();

// Posts each running program of the product its registered stop message.
void SignalComponents();

// Deletes the user's data folder of the product, asking first when it holds backups.
void RemoveDataFolder();
