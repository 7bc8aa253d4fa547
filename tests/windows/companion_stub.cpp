// Stands in for a companion program: records how it was started, then exits.
//
// Each start writes one record file into the folder named by STUB_RECORD_DIR:
//   program=<own file name>
//   path=<own full path>
//   arguments=<command line after the program's own name>
//   show=<wShowWindow of the start-up info, or "none" when not given>
//   folder=<current folder>
//   created=<process creation time, 100 ns units>
// Started with --linger as its only argument, it stays until it is ended, so that it runs.
// Started with --window TITLE MESSAGE..., it owns a top-level window with that title, as a
// running companion does, and appends each registered MESSAGE it receives to
// <pid>.messages in the same folder ("window "VPTSchedule" got VPTSchedule wParam=1028
// lParam=0"), until it is closed
// or a minute has passed.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::string OwnPath() {
  char path[32768];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

// The command line without the program's name and the blanks after it.
std::string ArgumentsTail() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

std::string ShowMode() {
  STARTUPINFOA info = {};
  info.cb = sizeof info;
  GetStartupInfoA(&info);
  if (!(info.dwFlags & STARTF_USESHOWWINDOW)) return "none";
  return std::to_string(info.wShowWindow);
}

std::string CurrentFolder() {
  char folder[32768];
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  return std::string(folder, length);
}

unsigned long long CreationTime() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Written under a temporary name and renamed, so that a reader never sees half a record.
void WriteRecord(const std::string& folder, const std::string& text) {
  const std::string name = folder + "\\" + std::to_string(GetCurrentProcessId()) + ".record";
  const std::string partial = name + ".partial";
  if (FILE* file = std::fopen(partial.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    MoveFileExA(partial.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
}

std::string g_messageLog;
std::string g_title;
std::map<UINT, std::string> g_watched;  // registered number -> name

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto watched = g_watched.find(message);
  if (watched != g_watched.end() && !g_messageLog.empty()) {
    if (FILE* log = std::fopen(g_messageLog.c_str(), "ab")) {
      std::fprintf(log, "window \"%s\" got %s wParam=%llu lParam=%lld\n", g_title.c_str(),
                   watched->second.c_str(), static_cast<unsigned long long>(wParam),
                   static_cast<long long>(lParam));
      std::fclose(log);
    }
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

void OwnWindow(const std::string& title, const std::vector<std::string>& messages) {
  g_title = title;
  for (const std::string& name : messages) g_watched[RegisterWindowMessageA(name.c_str())] = name;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "CompanionStubWindow";
  RegisterClassA(&windowClass);
  CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                  nullptr, nullptr, windowClass.hInstance, nullptr);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
    DispatchMessageA(&message);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = OwnPath();
  const std::string arguments = ArgumentsTail();
  char folder[MAX_PATH] = {};
  if (GetEnvironmentVariableA("STUB_RECORD_DIR", folder, sizeof folder) > 0) {
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    WriteRecord(folder, "program=" + name + "\npath=" + path + "\narguments=" + arguments +
                            "\nshow=" + ShowMode() + "\nfolder=" + CurrentFolder() +
                            "\ncreated=" + std::to_string(CreationTime()) + "\n");
  }
  if (arguments == "--linger") Sleep(INFINITE);
  if (argc >= 3 && std::string(argv[1]) == "--window") {
    if (*folder)
      g_messageLog =
          std::string(folder) + "\\" + std::to_string(GetCurrentProcessId()) + ".messages";
    OwnWindow(argv[2], std::vector<std::string>(argv + 3, argv + argc));
  }
  return 0;
}
