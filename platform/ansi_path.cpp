#include "platform/ansi_path.h"

namespace platform {
namespace {

bool IsPathDelimiter(char c) { return c == '\\' || c == ':'; }

// Where the last single-byte backslash or colon stands, and whether the character before it
// is one too; trail bytes of double-byte characters are stepped over.
struct LastDelimiter {
  std::string_view::size_type index = std::string_view::npos;
  bool followsDelimiter = false;
};

LastDelimiter FindLastDelimiter(std::string_view path, LeadBytePredicate isLeadByte) {
  LastDelimiter last;
  bool previousIsDelimiter = false;
  for (std::string_view::size_type i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (isLeadByte(c) && i + 1 < path.size()) {
      previousIsDelimiter = false;
      i += 2;
      continue;
    }
    const bool isDelimiter = IsPathDelimiter(path[i]);
    if (isDelimiter) last = {i, previousIsDelimiter};
    previousIsDelimiter = isDelimiter;
    ++i;
  }
  return last;
}

}  // namespace

std::string FolderPart(std::string_view path, LeadBytePredicate isLeadByte) {
  const LastDelimiter last = FindLastDelimiter(path, isLeadByte);
  if (last.index == std::string_view::npos) return {};
  const bool dropBackslash = path[last.index] == '\\' && !last.followsDelimiter;
  return std::string(path.substr(0, dropBackslash ? last.index : last.index + 1));
}

std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte) {
  const LastDelimiter last = FindLastDelimiter(path, isLeadByte);
  if (last.index == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last.index + 1));
}

bool EndsWithBackslash(std::string_view path, LeadBytePredicate isLeadByte) {
  const LastDelimiter last = FindLastDelimiter(path, isLeadByte);
  return last.index != std::string_view::npos && last.index + 1 == path.size() &&
         path[last.index] == '\\';
}

std::string WithTrailingBackslash(std::string path, LeadBytePredicate isLeadByte) {
  if (!EndsWithBackslash(path, isLeadByte)) path += '\\';
  return path;
}

std::string WithoutTrailingBackslash(std::string path, LeadBytePredicate isLeadByte) {
  if (EndsWithBackslash(path, isLeadByte)) path.pop_back();
  return path;
}

}  // namespace platform
