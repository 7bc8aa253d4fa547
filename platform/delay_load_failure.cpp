// Linked into each program: a delay-loaded system DLL that cannot be loaded, or that lacks a
// function the program calls, ends the run through the error report with status 1 instead
// of an unhandled exception.
//
// The report is shown from the failure hook itself rather than thrown to the program's
// handler: the hook runs below the import's stub that dlltool generates, which has no unwind
// information (neither DWARF frames on i686 nor SEH tables on x86_64), so no exception can
// be unwound through it.
#include <windows.h>
#include <delayimp.h>

#include "platform/error_report.h"

namespace {

// The report's text is put together without allocating: nothing here may throw.
struct FixedText {
  char bytes[200] = {};
  unsigned size = 0;

  FixedText& operator<<(const char* text) {
    while (*text && size + 1 < sizeof bytes) bytes[size++] = *text++;
    return *this;
  }
  FixedText& operator<<(unsigned long number) {
    char digits[12];
    unsigned count = 0;
    do digits[count++] = static_cast<char>('0' + number % 10); while (number /= 10);
    while (count && size + 1 < sizeof bytes) bytes[size++] = digits[--count];
    return *this;
  }
};

// The code address of the stub that the failed import's slot still holds, relative to the
// program's load address: it tells which import failed.
std::uint32_t StubAddress(const DelayLoadInfo& info) {
  const auto stub = reinterpret_cast<std::uintptr_t>(*info.ppfn);
  const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  return static_cast<std::uint32_t>(stub - base);
}

FARPROC WINAPI EndOnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliFailLoadLib && notification != dliFailGetProc) return nullptr;
  // Winsock fails with the kind and text of a Winsock that cannot start.
  const bool winsock = lstrcmpiA(info->szDll, "ws2_32.dll") == 0;
  FixedText text;
  if (notification == dliFailLoadLib) {
    if (winsock) text << "Winsock cannot start";
    else text << info->szDll << " cannot be loaded";
  } else {
    text << (winsock ? "Winsock" : info->szDll) << " has no function ";
    if (info->dlp.fImportByName) text << info->dlp.szProcName;
    else text << "#" << static_cast<unsigned long>(info->dlp.dwOrdinal);
  }
  text << " (error " << static_cast<unsigned long>(info->dwLastError) << ")";
  platform::EndWithErrorReport(winsock ? "ESocketError" : "EOSError",
                               std::string_view(text.bytes, text.size), StubAddress(*info));
}

}  // namespace

// Read by mingw's delay-load helper (libmingwex) when a load or a look-up fails.
PfnDliHook __pfnDliFailureHook2 = EndOnDelayLoadFailure;  // declared extern "C" by delayimp.h
