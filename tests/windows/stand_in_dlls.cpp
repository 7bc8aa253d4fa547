// Stand-ins for system DLLs, placed next to the uninstaller by the tests that take a DLL away
// from it (a Wine DLL override): Wine's wininet needs Winsock, so Winsock alone can be taken
// away only while a wininet that does not need it reports the machine online.
#define WIN32_LEAN_AND_MEAN  // no Winsock declarations: this file defines its own
#include <windows.h>

#ifdef STAND_IN_WININET
// Online, through a LAN.
extern "C" __declspec(dllexport) BOOL WINAPI InternetGetConnectedState(DWORD* flags, DWORD) {
  *flags = 0x02;
  return TRUE;
}
#endif

#ifdef STAND_IN_WS2_32
// A Winsock that starts but offers nothing else (its start-up data are left unwritten: the
// uninstaller does not read them).
extern "C" __declspec(dllexport) int WINAPI WSAStartup(WORD, void*) { return 0; }
extern "C" __declspec(dllexport) int WINAPI WSACleanup() { return 0; }
#endif
