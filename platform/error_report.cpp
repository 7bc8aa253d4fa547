#include "platform/error_report.h"

#include <windows.h>

#include <exception>
#include <new>

#include "platform/app_error.h"
#include "platform/error_text.h"
#include "platform/system.h"

namespace platform {
namespace {

constexpr char kCaption[] = "Application Error";

// Set once a report is under way: a failure inside it (user32 that cannot be loaded for the
// box, say) ends the program instead of starting a second report.
bool reporting = false;

// The program's file name; a fixed name when its path cannot be read, since the report must
// not fail itself.
std::string ModuleName() {
  try {
    return FileNamePart(OwnModulePath(), IsLeadByte);
  } catch (...) {
    return "(unknown module)";
  }
}

void ShowErrorReport(std::string_view kind, std::string_view text, std::uint32_t address) noexcept {
  if (reporting) return;
  reporting = true;
  try {
    const std::string report = FormatErrorReport(kind, ModuleName(), address, text);
    MessageBoxA(nullptr, report.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
    // No memory left for the text: a fixed one still tells that an error ended the program.
    MessageBoxA(nullptr, "Out of memory while reporting an error.", kCaption,
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}

}  // namespace

int RunWithErrorReport(void (*sequence)()) {
  try {
    sequence();
    return 0;
  } catch (const AppError& error) {
    ShowErrorReport(error.kind, error.text, error.address);
  } catch (const std::bad_alloc&) {
    ShowErrorReport("EOutOfMemory", "Out of memory", 0);
  } catch (const std::exception& error) {
    ShowErrorReport("Exception", error.what(), 0);
  }
  return 1;
}

void EndWithErrorReport(std::string_view kind, std::string_view text,
                        std::uint32_t address) noexcept {
  ShowErrorReport(kind, text, address);
  ExitProcess(1);
}

}  // namespace platform
