// Path texts in the system's ANSI code page. Portable: no Windows calls.
//
// In a double-byte code page the second byte of a character may be 0x5C, the byte of a
// backslash ("表" is 0x95 0x5C in code page 932); such a byte is no separator. The caller
// supplies the code page's lead-byte test, so these rules are tested on any machine.
#pragma once

#include <string>
#include <string_view>

namespace platform {

using LeadBytePredicate = bool (*)(unsigned char);

// The folder part of a path: up to and including its last backslash or colon, without that
// last character when it is a backslash that does not follow another backslash or a colon.
// "C:\Apps\Launcher.exe" gives "C:\Apps"; "C:\Launcher.exe" gives "C:\".
std::string FolderPart(std::string_view path, LeadBytePredicate isLeadByte);

// What follows the last backslash or colon of a path (all of it when there is none).
std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte);

// Whether the last character of a path is a backslash.
bool EndsWithBackslash(std::string_view path, LeadBytePredicate isLeadByte);

// The path with a backslash added unless it already ends with one.
std::string WithTrailingBackslash(std::string path, LeadBytePredicate isLeadByte);

// The path without its trailing backslash, if it has one.
std::string WithoutTrailingBackslash(std::string path, LeadBytePredicate isLeadByte);

}  // namespace platform
