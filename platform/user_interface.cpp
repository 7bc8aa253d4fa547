#include "platform/user_interface.h"

#include <windows.h>

namespace platform {

WindowHandle FindTopLevelWindow(const char* title) { return FindWindowA(nullptr, title); }

unsigned RegisterMessageName(const char* name) { return RegisterWindowMessageA(name); }

void PostToWindow(WindowHandle window, unsigned message, std::uintptr_t wParam) {
  PostMessageA(window, message, wParam, 0);
}

bool UserAnswersYes(const char* question, const char* caption) {
  return MessageBoxA(GetActiveWindow(), question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace platform
