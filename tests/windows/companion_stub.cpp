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
#include <windows.h>

#include <cstdio>
#include <string>

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

}  // namespace

int main() {
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
  return 0;
}
