#include "platform/error_report.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string_view>

#include "platform/app_error.h"
#include "platform/error_text.h"
#include "platform/system.h"

namespace platform {
namespace {

void ShowErrorReport(std::string_view kind, std::string_view text, std::uint32_t address) {
  const std::string module = FileNamePart(OwnModulePath(), IsLeadByte);
  const std::string report = FormatErrorReport(kind, module, address, text);
  MessageBoxA(nullptr, report.c_str(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
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

}  // namespace platform
