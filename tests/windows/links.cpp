#include "links.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace bench {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

using UnixFileName = char*(__cdecl*)(const wchar_t*);

UnixFileName WineUnixFileName() {
  return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size())) -
      1);
  return wide;
}

// The Unix path of a Windows path, under Wine. Wine resolves links on the way, so the last
// component is joined by hand: the path of a link must name the link, not its target.
std::string UnixPath(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  const std::string parent = path.substr(0, slash + 1);
  char* unix = WineUnixFileName()(Wide(parent).c_str());
  if (!unix) Fail("no Unix path for " + parent);
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  if (result.empty() || result.back() != '/') result += '/';
  return result + path.substr(slash + 1);
}

// Wine starts Unix programs given by their Unix path, but the handle it returns neither
// waits for them nor tells their status: wait for what the command does instead.
template <typename Done>
void RunUnix(const std::string& commandLine, Done done) {
  std::string line = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    Fail("cannot run " + commandLine);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  if (!done()) throw std::runtime_error(commandLine + " did not take effect");
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A junction: a mount-point reparse point on an empty folder.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  HANDLE folder = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    RemoveDirectoryA(link.c_str());
    return false;
  }
  const std::wstring substitute = L"\\??\\" + Wide(target);
  const std::wstring print = Wide(target);
  const size_t names = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
  // REPARSE_DATA_BUFFER with its MountPointReparseBuffer, laid out by hand: the type lives in
  // the driver kit's headers only.
  std::vector<BYTE> buffer(8 + 8 + names);
  auto put16 = [&](size_t at, size_t value) {
    const WORD word = static_cast<WORD>(value);
    std::memcpy(&buffer[at], &word, 2);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&buffer[0], &tag, 4);
  put16(4, 8 + names);                                   // ReparseDataLength
  put16(8, 0);                                           // SubstituteNameOffset
  put16(10, substitute.size() * sizeof(wchar_t));        // SubstituteNameLength
  put16(12, (substitute.size() + 1) * sizeof(wchar_t));  // PrintNameOffset
  put16(14, print.size() * sizeof(wchar_t));             // PrintNameLength
  std::memcpy(&buffer[16], substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  std::memcpy(&buffer[16 + (substitute.size() + 1) * sizeof(wchar_t)], print.c_str(),
              (print.size() + 1) * sizeof(wchar_t));
  DWORD returned = 0;
  const BOOL made =
      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                      static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(folder);
  if (!made) RemoveDirectoryA(link.c_str());
  return made;
}

}  // namespace

bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

void MakeFolderLink(const std::string& link, const std::string& target) {
  if (MakeJunction(link, target)) return;
  if (!RunsUnderWine()) Fail("cannot make a junction " + link);
  RunUnix("/bin/ln -s " + Quoted(UnixPath(target)) + " " + Quoted(UnixPath(link)),
          [&] { return Exists(link); });
}

void MakeFileLink(const std::string& link, const std::string& target) {
  if (!RunsUnderWine()) {
    if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), 0)) Fail("cannot make a link " + link);
    return;
  }
  RunUnix("/bin/ln -s " + Quoted(UnixPath(target)) + " " + Quoted(UnixPath(link)),
          [&] { return Exists(link); });
}

void RemoveLink(const std::string& link) {
  const DWORD attributes = GetFileAttributesA(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (RunsUnderWine()) {
    RunUnix("/bin/rm -f " + Quoted(UnixPath(link)), [&] { return !Exists(link); });
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RemoveDirectoryA(link.c_str());
  } else {
    DeleteFileA(link.c_str());
  }
}

// Wine's drive letters are links in the prefix's dosdevices folder, next to "c:".
std::string WineDriveLink(const std::string& drive) {
  std::string cDrive = UnixPath("C:\\");  // ".../dosdevices/c:/"
  const size_t slash = cDrive.rfind("/dosdevices/");
  if (slash == std::string::npos) throw std::runtime_error("no dosdevices folder in " + cDrive);
  std::string letter = drive;
  letter[0] = static_cast<char>(tolower(letter[0]));
  return cDrive.substr(0, slash) + "/dosdevices/" + letter;
}

void MapDrive(const std::string& drive, const std::string& folder) {
  if (!RunsUnderWine()) {
    if (!DefineDosDeviceA(0, drive.c_str(), folder.c_str())) Fail("cannot map " + drive);
    return;
  }
  RunUnix("/bin/ln -sfn " + Quoted(UnixPath(folder)) + " " + Quoted(WineDriveLink(drive)),
          [&] { return Exists(drive + "\\"); });
}

void UnmapDrive(const std::string& drive) {
  if (!RunsUnderWine()) {
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    return;
  }
  RunUnix("/bin/rm -f " + Quoted(WineDriveLink(drive)), [&] { return !Exists(drive + "\\"); });
}

}  // namespace bench
