#include "bench.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace bench {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string OwnPath() {
  char path[32768];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

std::string TestName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

// ---- Folders and files -------------------------------------------------------------------

std::string ProgramsFolder() {
  char folder[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("PROGRAMS_UNDER_TEST", folder, sizeof folder);
  if (length > 0 && length < sizeof folder) return folder;
  return FolderOf(OwnPath());
}

TestFolder::TestFolder() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "vintorra-e2e\\" + TestName();
  RemoveTree(path_);
  Make("");
}

TestFolder::~TestFolder() { RemoveTree(path_); }

std::string TestFolder::Make(const std::string& relative) const {
  const std::string full = relative.empty() ? path_ : path_ + "\\" + relative;
  MakeDirectory(full);
  return full;
}

void MakeDirectory(const std::string& path) {
  for (size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    if (at == std::string::npos) break;
  }
  if (!FolderExists(path)) Fail("cannot create " + path);
}

void RemoveTree(const std::string& path) {
  // Wide "\\?\" paths and no recursion: the trees of the long-path tests run deeper than
  // MAX_PATH characters and than the stack would allow.
  std::vector<std::wstring> found = {ExtendedPath(path)};
  std::vector<std::wstring> folders;  // parents before their children
  while (!found.empty()) {
    const std::wstring current = found.back();
    found.pop_back();
    const DWORD attributes = GetFileAttributesW(current.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      SetFileAttributesW(current.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(current.c_str());
      else
        DeleteFileW(current.c_str());
      continue;
    }
    folders.push_back(current);
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((current + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) continue;
    do {
      if (std::wcscmp(entry.cFileName, L".") && std::wcscmp(entry.cFileName, L".."))
        found.push_back(current + L"\\" + entry.cFileName);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
  }
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
    RemoveDirectoryW(folder->c_str());
}

void CopyProgram(const std::string& program, const std::string& destination) {
  const std::string source = ProgramsFolder() + "\\" + program;
  if (!CopyFileA(source.c_str(), destination.c_str(), FALSE))
    Fail("cannot copy " + source + " to " + destination);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary);
  file << content;
  if (!file) Fail("cannot write " + path);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- Paths beyond MAX_PATH ----------------------------------------------------------------

std::wstring ExtendedPath(const std::string& path) {
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) -
              1);
  return L"\\\\?\\" + wide;
}

std::wstring MakeFolderChain(const std::wstring& base, const std::wstring& name, int levels) {
  std::wstring path = base;
  CreateDirectoryW(path.c_str(), nullptr);
  for (int level = 0; level < levels; ++level) {
    path += L"\\" + name;
    if (!CreateDirectoryW(path.c_str(), nullptr))
      Fail("cannot create level " + std::to_string(level));
  }
  return path;
}

void WriteFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    Fail("cannot write a file at " + std::to_string(path.size()) + " characters");
  CloseHandle(file);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- Registry ----------------------------------------------------------------------------

void DeleteKeyTree(const std::string& key) {
  const LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    throw std::runtime_error("cannot delete HKCU\\" + key);
}

void SetValue(const std::string& key, const std::string& name, DWORD type,
              const std::string& bytes) {
  HKEY handle;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create HKCU\\" + key);
  const LONG status =
      RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + name);
}

std::string DwordBytes(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

void SetDword(const std::string& key, const std::string& name, DWORD value) {
  SetValue(key, name, REG_DWORD, DwordBytes(value));
}

void SetText(const std::string& key, const std::string& name, const std::string& text, DWORD type) {
  SetValue(key, name, type, text + '\0');
}

bool ValueExists(const std::string& key, const std::string& name) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
    return false;
  const bool exists =
      RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return exists;
}

bool KeyExists(const std::string& key) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

// ---- Windows owned by the driver ---------------------------------------------------------

unsigned long long SystemTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

OwnedWindow::OwnedWindow(const std::string& title, WindowKind kind) {
  static const char* const kClass = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BenchOwnedWindow";
    RegisterClassA(&windowClass);
    return "BenchOwnedWindow";
  }();
  const DWORD style = WS_OVERLAPPEDWINDOW | (kind == WindowKind::Visible ? WS_VISIBLE : 0);
  handle_ = CreateWindowExA(WS_EX_NOACTIVATE, kClass, title.c_str(), style, 10, 10, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!handle_) Fail("cannot create a window titled " + title);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

OwnedWindow::~OwnedWindow() { DestroyWindow(handle_); }

LRESULT CALLBACK OwnedWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<OwnedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message >= 0xC000 && message <= 0xFFFF)
    self->messages_.push_back({message, wParam, lParam, SystemTimeNow()});
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- Running programs --------------------------------------------------------------------

int PressOk(const MessageBoxSeen&) { return IDOK; }

void PumpMessagesFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

namespace {

struct BoxSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (owner == search->processId && IsWindowVisible(window) && !std::strcmp(className, "#32770"))
    search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> DialogBoxesOf(DWORD processId) {
  BoxSearch search{processId, {}};
  EnumWindows(CollectDialogBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK NoteIconControl(HWND child, LPARAM context) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (!_stricmp(className, "Static") && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
    *reinterpret_cast<bool*>(context) = true;
  return TRUE;
}

MessageBoxSeen Inspect(HWND box) {
  MessageBoxSeen seen;
  char text[4096] = {};
  GetWindowTextA(box, text, sizeof text);
  seen.caption = text;
  text[0] = '\0';
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's text control
  seen.text = text;
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    HWND button = GetDlgItem(box, id);
    if (button && IsWindowVisible(button)) seen.buttons.push_back(id);
  }
  EnumChildWindows(box, NoteIconControl, reinterpret_cast<LPARAM>(&seen.hasIcon));
  seen.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
  return seen;
}

}  // namespace

RunResult Run(const std::string& program, const std::string& currentFolder,
              const BoxAnswerer& answer, double timeoutSeconds) {
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const double start = Now();
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentFolder.c_str(), &startup, &process))
    Fail("cannot start " + program);
  CloseHandle(process.hThread);

  RunResult result;
  std::set<HWND> answered;
  for (;;) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (wait == WAIT_OBJECT_0) break;
    PROCESS_MEMORY_COUNTERS memory = {};
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
      result.peakMemoryBytes = std::max(result.peakMemoryBytes, memory.PagefileUsage);
    for (HWND box : DialogBoxesOf(process.dwProcessId)) {
      if (!answered.insert(box).second) continue;
      MessageBoxSeen seen = Inspect(box);
      seen.seenAt = SystemTimeNow();
      PumpMessagesFor(200);  // a program that does not wait for its box would end meanwhile
      seen.programWaited = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
      const int button = answer(seen);
      result.boxes.push_back(seen);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    }
    if (Now() - start > timeoutSeconds) {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
      ADD_FAILURE() << program << " did not end within " << timeoutSeconds << " s";
      break;
    }
  }
  result.seconds = Now() - start;
  GetExitCodeProcess(process.hProcess, &result.exitCode);

  CloseHandle(process.hProcess);
  return result;
}

RunningProgram::RunningProgram(const std::string& program, const std::string& arguments) {
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info_))
    Fail("cannot start " + program);
}

RunningProgram::~RunningProgram() {
  TerminateProcess(info_.hProcess, 0);
  WaitForSingleObject(info_.hProcess, 5000);
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

void WaitForProgramsBelow(const std::string& folder, const std::vector<DWORD>& keep) {
  const std::string prefix = folder + "\\";
  const ULONGLONG deadline = GetTickCount64() + 30000;
  for (;;) {
    bool running = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
      if (std::find(keep.begin(), keep.end(), entry.th32ProcessID) != keep.end()) continue;
      HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
      if (!process) continue;
      char image[32768];
      DWORD length = sizeof image;
      if (QueryFullProcessImageNameA(process, 0, image, &length) &&
          StartsWithNoCase(std::string(image, length), prefix))
        running = true;
      CloseHandle(process);
    }
    CloseHandle(snapshot);
    if (!running) return;
    if (GetTickCount64() > deadline) {
      ADD_FAILURE() << "programs below " << folder << " still run after 30 s";
      return;
    }
    PumpMessagesFor(20);
  }
}

// ---- Companion stubs ---------------------------------------------------------------------

std::vector<StartRecord> ReadStartRecords(const std::string& folder) {
  std::vector<StartRecord> records;
  WIN32_FIND_DATAA entry;
  HANDLE listing = FindFirstFileA((folder + "\\*.record").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return records;
  do {
    std::ifstream file(folder + "\\" + entry.cFileName, std::ios::binary);
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(file, line);) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    records.push_back({fields["program"], fields["path"], fields["arguments"], fields["show"],
                       fields["folder"], std::stoull("0" + fields["created"])});
  } while (FindNextFileA(listing, &entry));
  FindClose(listing);
  std::stable_sort(records.begin(), records.end(), [](const StartRecord& a, const StartRecord& b) {
    return a.created < b.created;
  });
  return records;
}

std::vector<StartRecord> WaitForStartRecords(const std::string& folder, size_t count) {
  const ULONGLONG deadline = GetTickCount64() + 30000;
  std::vector<StartRecord> records = ReadStartRecords(folder);
  while (records.size() < count && GetTickCount64() < deadline) {
    PumpMessagesFor(20);
    records = ReadStartRecords(folder);
  }
  return records;
}

std::vector<std::string> Summaries(const std::vector<StartRecord>& records) {
  std::vector<std::string> summaries;
  for (const StartRecord& record : records) {
    std::string summary = record.program;
    if (!record.arguments.empty()) summary += " " + record.arguments;
    summaries.push_back(summary + " show=" + record.show);
  }
  return summaries;
}

}  // namespace bench
