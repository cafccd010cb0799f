// A stand-in for a system DLL, planted by the end-to-end tests: when a process loads it, it
// writes an empty file named after itself with ".loaded" appended, beside itself. Its exports
// come from a .def file: forwarders to the system's DLL copied under another name, or, built
// with VORLIX_ICMP_WITHOUT_SEND, an echo library that has every entry point but IcmpSendEcho.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcpyW(path + length, L".loaded");
      HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (marker != INVALID_HANDLE_VALUE) {
        CloseHandle(marker);
      }
    }
  }
  return TRUE;
}

#ifdef VORLIX_ICMP_WITHOUT_SEND
extern "C" HANDLE WINAPI IcmpCreateFile() {
  return INVALID_HANDLE_VALUE;
}

extern "C" BOOL WINAPI IcmpCloseHandle(HANDLE) {
  return TRUE;
}
#endif
