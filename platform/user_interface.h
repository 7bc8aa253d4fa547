// Top-level windows, registered messages and the one question the uninstaller may ask.
#pragma once

#include <cstdint>

struct HWND__;

namespace platform {

using WindowHandle = HWND__*;

// A top-level window of any class whose title is `title`, compared as FindWindowA compares;
// hidden windows count, message-only windows do not. Null when there is none.
WindowHandle FindTopLevelWindow(const char* title);

// The number the window manager assigns to a message name on this machine; 0 when it
// assigns none.
unsigned RegisterMessageName(const char* name);

// Posts a message with lParam 0, without waiting for it to be handled.
void PostToWindow(WindowHandle window, unsigned message, std::uintptr_t wParam);

// Asks a Yes/No question with the question-mark icon, owned by the active window if any.
// True only when the user answers Yes; a box that cannot be shown counts as No.
bool UserAnswersYes(const char* question, const char* caption);

}  // namespace platform
