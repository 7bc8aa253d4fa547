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

#include <string>

#include "platform/error_report.h"

namespace {

// The code address of the stub that the failed import's slot still holds, relative to the
// program's load address: it tells which import failed.
std::uint32_t StubAddress(const DelayLoadInfo& info) {
  const auto stub = reinterpret_cast<std::uintptr_t>(*info.ppfn);
  const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  return static_cast<std::uint32_t>(stub - base);
}

std::string FunctionName(const DelayLoadProc& function) {
  return function.fImportByName ? std::string(function.szProcName)
                                : "#" + std::to_string(function.dwOrdinal);
}

FARPROC WINAPI EndOnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliFailLoadLib && notification != dliFailGetProc) return nullptr;
  // Winsock fails with the kind and text of a Winsock that cannot start.
  const bool winsock = lstrcmpiA(info->szDll, "ws2_32.dll") == 0;
  std::string text;
  try {
    const std::string error = " (error " + std::to_string(info->dwLastError) + ")";
    if (notification == dliFailLoadLib)
      text = winsock ? "Winsock cannot start" : std::string(info->szDll) + " cannot be loaded";
    else
      text = std::string(winsock ? "Winsock" : info->szDll) + " has no function " +
             FunctionName(info->dlp);
    text += error;
  } catch (...) {
    text = "A system DLL cannot be used";  // no memory for the details; nothing may throw here
  }
  platform::EndWithErrorReport(winsock ? "ESocketError" : "EOSError", text, StubAddress(*info));
}

}  // namespace

// Read by mingw's delay-load helper (libmingwex) when a load or a look-up fails.
PfnDliHook __pfnDliFailureHook2 = EndOnDelayLoadFailure;  // declared extern "C" by delayimp.h
