// Links and drive letters for the tests, made the Windows way where the system allows it
// and, under Wine (which lacks them), through the Unix file system Wine runs on.
#pragma once

#include <string>

namespace bench {

// Whether the driver runs under Wine.
bool RunsUnderWine();

// Makes `link` a folder link (a junction on Windows) to the existing folder `target`.
void MakeFolderLink(const std::string& link, const std::string& target);

// Makes `link` a symbolic link to the existing file `target`.
void MakeFileLink(const std::string& link, const std::string& target);

// Removes a link made above, leaving its target alone.
void RemoveLink(const std::string& link);

// Makes `drive` ("T:") name `folder`, so that "T:\" is the root of a drive; undone by
// UnmapDrive.
void MapDrive(const std::string& drive, const std::string& folder);
void UnmapDrive(const std::string& drive);

}  // namespace bench
