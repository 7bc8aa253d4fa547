// The test driver's bench: folders, registry, windows owned by the driver, programs run and
// watched, and the records that companion stubs leave. Plain Win32, no Wine assumptions:
// the same driver runs on a Windows machine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace bench {

// ---- Folders and files -----------------------------------------------------------------

// Where the programs under test and the companion stub lie: PROGRAMS_UNDER_TEST if set,
// otherwise the driver's own folder.
std::string ProgramsFolder();

// A fresh, empty folder for the running test (below the temporary folder), removed again
// when the object goes.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "\" + relative, with the folders on the way created.
  std::string Make(const std::string& relative) const;

 private:
  std::string path_;
};

// Deletes a folder tree, however deep; read-only files too. Links are removed, never
// followed.
void RemoveTree(const std::string& path);

// Copies a program from ProgramsFolder() to `destination`.
void CopyProgram(const std::string& program, const std::string& destination);

// Creates a folder and the folders on its way.
void MakeDirectory(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);  // a folder (a link to one counts)

// ---- Paths beyond MAX_PATH ---------------------------------------------------------------

// `path` (ANSI code page) as a wide "\\?\" path, which the wide calls take at any length.
std::wstring ExtendedPath(const std::string& path);
// Creates `base` and a chain of `levels` nested folders below it, each named `name`;
// returns the deepest.
std::wstring MakeFolderChain(const std::wstring& base, const std::wstring& name, int levels);
// Creates an empty file at a wide path.
void WriteFile(const std::wstring& path);
bool Exists(const std::wstring& path);

// ---- Registry (HKEY_CURRENT_USER) ------------------------------------------------------

// Deletes HKCU\<key> and everything below it, if present.
void DeleteKeyTree(const std::string& key);
// Writes a value with exactly these bytes and this type, creating the key.
void SetValue(const std::string& key, const std::string& name, DWORD type,
              const std::string& bytes);
void SetDword(const std::string& key, const std::string& name, DWORD value);
// The 4 bytes of a REG_DWORD value.
std::string DwordBytes(DWORD value);
// Stores the text with its NUL, as REG_SZ or REG_EXPAND_SZ.
void SetText(const std::string& key, const std::string& name, const std::string& text,
             DWORD type = REG_SZ);
bool ValueExists(const std::string& key, const std::string& name);
bool KeyExists(const std::string& key);

// ---- Windows owned by the driver -------------------------------------------------------

// System time in 100 ns units, as FILETIME counts it: comparable with StartRecord::created.
unsigned long long SystemTimeNow();

struct ReceivedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  unsigned long long time;  // SystemTimeNow() at receipt
};

enum class WindowKind { Visible, Hidden };

// A top-level window with a given title, owned by the driver's thread; it records every
// registered message (0xC000 and above) that it receives while the driver pumps messages.
class OwnedWindow {
 public:
  OwnedWindow(const std::string& title, WindowKind kind = WindowKind::Hidden);
  ~OwnedWindow();
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;

  HWND handle() const { return handle_; }
  const std::vector<ReceivedMessage>& messages() const { return messages_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
  std::vector<ReceivedMessage> messages_;
};

// ---- Running programs ------------------------------------------------------------------

// A message box that a program showed, as the driver found it.
struct MessageBoxSeen {
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // visible push buttons, by command id (IDOK, IDYES...)
  bool hasIcon = false;
  bool hasOwner = false;
  bool programWaited = false;     // the program was still running while its box stayed open
  unsigned long long seenAt = 0;  // SystemTimeNow() when the driver found it
};

// Chooses the button to press (IDOK, IDYES, IDNO...) for a box.
using BoxAnswerer = std::function<int(const MessageBoxSeen&)>;

// Presses the only sensible button of an error report: OK.
int PressOk(const MessageBoxSeen&);

struct RunResult {
  DWORD exitCode = 0;
  std::vector<MessageBoxSeen> boxes;
  double seconds = 0;          // from start to exit
  SIZE_T peakMemoryBytes = 0;  // the most private memory seen while it ran (sampled)
};

// Starts a program without arguments in `currentFolder` and pumps the driver's messages
// until it exits, answering each message box it shows. A program that does not end within
// `timeoutSeconds` is ended and the test fails.
RunResult Run(const std::string& program, const std::string& currentFolder,
              const BoxAnswerer& answer = PressOk, double timeoutSeconds = 60);

// A program started by the driver that keeps running until the object goes.
class RunningProgram {
 public:
  RunningProgram(const std::string& program, const std::string& arguments);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  DWORD processId() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Waits until no process whose program lies below `folder` runs, except `keep`.
void WaitForProgramsBelow(const std::string& folder, const std::vector<DWORD>& keep = {});

// Pumps the driver's messages for a while.
void PumpMessagesFor(DWORD milliseconds);

// ---- Companion stubs -------------------------------------------------------------------

// One start of a companion stub, as the stub recorded it.
struct StartRecord {
  std::string program;    // its file name
  std::string path;       // its full path
  std::string arguments;  // the command line after its name
  std::string show;       // the show mode it was given, or "none"
  std::string folder;     // its current folder at start
  unsigned long long created = 0;
};

// The records in `folder`, in the order the programs were started.
std::vector<StartRecord> ReadStartRecords(const std::string& folder);

// Waits (up to 30 s) until `folder` holds at least `count` records, and returns them.
std::vector<StartRecord> WaitForStartRecords(const std::string& folder, size_t count);

// "Corrindel.exe /START show=1" per start, for readable comparisons.
std::vector<std::string> Summaries(const std::vector<StartRecord>& records);

}  // namespace bench
