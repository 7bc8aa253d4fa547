// Reading a text of unknown length through a call that cuts it to the buffer it is given.
// Portable: no Windows calls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// `fill(buffer, size)` writes at most `size` characters and returns how many it wrote; a
// result of `size` means the text was cut (GetModuleFileNameA reports a cut so), 0 a
// failure. The buffer grows until the whole text fits. Empty on failure.
template <typename Fill>
std::optional<std::string> ReadWholeText(Fill fill, std::size_t size = 260) {
  std::string text(size, '\0');
  for (;;) {
    const std::size_t length = fill(text.data(), text.size());
    if (length == 0) return std::nullopt;
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

}  // namespace platform
