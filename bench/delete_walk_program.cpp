// Benchmark floor for the data folder's removal: the plainest walk that deletes a tree, with
// nothing but FindFirstFileA, SetFileAttributesA, DeleteFileA and RemoveDirectoryA.
//
//   bench_delete_walk.exe FOLDER
#include <windows.h>

#include <cstring>
#include <string>

namespace {

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  const HANDLE listing = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      if (!std::strcmp(entry.cFileName, ".") || !std::strcmp(entry.cFileName, "..")) continue;
      const std::string path = folder + "\\" + entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) DeleteTree(argv[1]);
  return 0;
}
