// Answers a message box for the demonstration: waits (up to 30 s) for a box with the given
// caption, prints its text and presses the given button.
//
//   answer_box.exe Confirmation yes|no
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int button = std::strcmp(argv[2], "yes") == 0 ? IDYES : IDNO;
  for (int waited = 0; waited < 30000; waited += 50) {
    if (HWND box = FindWindowA("#32770", argv[1])) {
      char text[1024] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      std::printf("%s\n", text);
      std::fflush(stdout);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
      return 0;
    }
    Sleep(50);
  }
  return 1;
}
