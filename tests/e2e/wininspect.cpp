// Win32 console tool for the e2e rig: reads and pokes the windows of programs in its WINEPREFIX.
//
//   list                    one JSON object per window (each top-level one, then its children);
//                           "focus" is true for the window that has the keyboard focus of its
//                           thread (GetGUIThreadInfo), so another process can follow Tab
//   close HWND|WHAT         post WM_CLOSE (WHAT: a class, or else a caption)
//   command HWND ID         post WM_COMMAND ID (1 = IDOK)
//   msgbox                  one JSON object per visible dialog box (#32770); exit 1 if none
//   text HWND               the window's text
//   close-box HWND          "X Y": screen point of the caption's close button (WM_NCHITTEST)
//   move HWND X Y           move a window (SetWindowPos; size and z-order kept)
//   monitor MS [SECS]       JSON events "new" / "change" / "gone" for all windows, every MS;
//                           {"event":"ready"} once the first round has been written
//   metrics                 a few system metrics and colours
//   settext HWND TEXT       WM_SETTEXT (no key, no focus change: no field check runs)
//   syscommand HWND CODE    post WM_SYSCOMMAND CODE (0xF120 = SC_RESTORE, as the taskbar does)
//   process HWND            the resources of the process that owns the window, as JSON
//   launch SHOW EXE         start EXE with the show command SHOW (STARTF_USESHOWWINDOW) in the
//                           current folder, wait for it and exit with its exit code
//   hold PATH SECS SHARE    open PATH for reading, letting others read it too (SHARE "read") or
//                           nothing (SHARE "none"); print {"held":true}, keep it SECS, close it
//   liveregion SECS         for SECS, one JSON object per EVENT_OBJECT_LIVEREGIONCHANGED of
//                           another process (a WinEvent hook), with the window's text as the
//                           event came; {"event":"ready"} once the hook is set
//   accname HWND            the window's accessible name (oleacc's IAccessible of its client)
//   annotations             whether this system keeps a window's annotated accessible name
//                           (IAccPropServices::SetHwndPropStr, read back through oleacc)
// Output is UTF-8, written as raw bytes. Hwnds are hex strings ("0x1234"); rectangles are
// [left,top,right,bottom] in screen coordinates. Besides its place and style, "list" gives of each
// window: "active" (the active window of its thread), "iconic", "zoomed" (maximized), "xwin"
// (Wine's X11 window for it, when it has one), "limit" (edit fields: EM_GETLIMITTEXT) and "check"
// (buttons: BM_GETCHECK).
#include <windows.h>
// After windows.h, which they need.
#include <initguid.h>
#include <oleacc.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr UINT kMessageTimeoutMs = 1000;

// SendMessage with a time-out, so a hung program does not hang the tool; false when it fails.
bool Send(HWND h, UINT msg, WPARAM w, LPARAM l, DWORD_PTR* result) {
  return SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, kMessageTimeoutMs, result) != 0;
}

void WriteErr(const std::string& s) {
  DWORD done = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), s.data(), static_cast<DWORD>(s.size()), &done, nullptr);
}

// Says on the standard error stream that CALL failed, with the system's error code; returns 1.
int Failed(const char* call) {
  WriteErr(std::string(call) + " failed with code " + std::to_string(GetLastError()) + "\n");
  return 1;
}

void WriteOut(const std::string& s) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const char* p = s.data();
  size_t left = s.size();
  while (left > 0) {
    DWORD done = 0;
    if (!WriteFile(out, p, static_cast<DWORD>(left), &done, nullptr) || done == 0)
      return;
    p += done;
    left -= done;
  }
}

std::string Utf8(const std::wstring& w) {
  if (w.empty())
    return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::string Json(const std::wstring& w) {
  std::string s = Utf8(w), out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Hex(unsigned long long v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "\"0x%llx\"", v);
  return buf;
}

std::string HwndText(HWND h) {
  return Hex(reinterpret_cast<uintptr_t>(h));
}

std::string RectJson(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0, got = 0;
  if (!Send(h, WM_GETTEXTLENGTH, 0, 0, &len))
    return {};
  std::vector<wchar_t> buf(len + 2, L'\0');
  if (!Send(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got))
    return {};
  return std::wstring(buf.data(), wcsnlen(buf.data(), buf.size()));
}

HWND ParseHwnd(const wchar_t* s) {
  wchar_t* end = nullptr;
  unsigned long long v = wcstoull(s, &end, 0);
  if (end == s || *end != L'\0')
    return nullptr;
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(v));
}

// The window that a command's HWND argument names, or null when there is none such.
HWND WindowArg(const wchar_t* s) {
  HWND h = ParseHwnd(s);
  return h && IsWindow(h) ? h : nullptr;
}

const char* Bool(bool b) {
  return b ? "true" : "false";
}

struct Collected {
  std::vector<HWND> all;  // top-level windows, each followed by its descendants
  std::vector<HWND> top;
};

BOOL CALLBACK AddChild(HWND h, LPARAM p) {
  reinterpret_cast<Collected*>(p)->all.push_back(h);
  return TRUE;
}

BOOL CALLBACK AddTop(HWND h, LPARAM p) {
  auto* c = reinterpret_cast<Collected*>(p);
  c->top.push_back(h);
  c->all.push_back(h);
  EnumChildWindows(h, AddChild, p);
  return TRUE;
}

Collected Collect() {
  Collected c;
  EnumWindows(AddTop, reinterpret_cast<LPARAM>(&c));
  return c;
}

// One window as a JSON object (without the closing brace, so callers may add fields).
std::string Describe(HWND h) {
  HWND parent = GetAncestor(h, GA_PARENT);
  if (parent == GetDesktopWindow())
    parent = nullptr;
  DWORD pid = 0, tid = GetWindowThreadProcessId(h, &pid);
  RECT rect{}, client{};
  GetWindowRect(h, &rect);
  GetClientRect(h, &client);
  MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
  LONG style = GetWindowLongW(h, GWL_STYLE), exstyle = GetWindowLongW(h, GWL_EXSTYLE);
  std::wstring cls = ClassOf(h);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const bool threadInfo = GetGUIThreadInfo(tid, &thread) != FALSE;
  const bool focused = threadInfo && thread.hwndFocus == h;
  const bool active = threadInfo && thread.hwndActive == h;

  std::string s =
      "{\"hwnd\":" + HwndText(h) + ",\"parent\":" + HwndText(parent) +
      ",\"owner\":" + HwndText(GetWindow(h, GW_OWNER)) + ",\"pid\":" + std::to_string(pid) +
      ",\"tid\":" + std::to_string(tid) + ",\"class\":" + Json(cls) +
      ",\"text\":" + Json(TextOf(h)) + ",\"visible\":" + Bool(IsWindowVisible(h)) +
      ",\"enabled\":" + Bool(IsWindowEnabled(h)) + ",\"rect\":" + RectJson(rect) +
      ",\"client\":" + RectJson(client) + ",\"style\":" + Hex(static_cast<DWORD>(style)) +
      ",\"exstyle\":" + Hex(static_cast<DWORD>(exstyle)) + ",\"focus\":" + Bool(focused) +
      ",\"active\":" + Bool(active) + ",\"iconic\":" + Bool(IsIconic(h)) +
      ",\"zoomed\":" + Bool(IsZoomed(h));
  // Wine keeps the X11 window of a top-level window as a property of it.
  if (HANDLE xwin = GetPropW(h, L"__wine_x11_whole_window")) {
    s += ",\"xwin\":" + Hex(reinterpret_cast<uintptr_t>(xwin));
  }
  DWORD_PTR value = 0;
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    Send(h, BM_GETCHECK, 0, 0, &value);
    s += ",\"check\":" + std::to_string(value);
  }
  if (_wcsicmp(cls.c_str(), L"Edit") == 0) {
    Send(h, EM_GETLIMITTEXT, 0, 0, &value);
    s += ",\"limit\":" + std::to_string(value);
  }
  return s;
}

int CmdList() {
  for (HWND h : Collect().all)
    WriteOut(Describe(h) + "}\n");
  return 0;
}

int CmdClose(const wchar_t* arg) {
  std::vector<HWND> targets;
  if (HWND h = ParseHwnd(arg)) {
    targets.push_back(h);
  } else {
    // Classes first: reading a caption waits for a busy program.
    const std::vector<HWND> top = Collect().top;
    for (HWND t : top)
      if (ClassOf(t) == arg)
        targets.push_back(t);
    for (HWND t : top)
      if (targets.empty() && TextOf(t) == arg)
        targets.push_back(t);
  }
  int posted = 0;
  for (HWND h : targets)
    if (PostMessageW(h, WM_CLOSE, 0, 0))
      ++posted;
  return posted > 0 ? 0 : 1;
}

// Posts a message to the window that ARG names: 0 when posted, 1 when not, 2 with no window.
int Post(const wchar_t* arg, UINT msg, WPARAM w) {
  HWND h = WindowArg(arg);
  if (!h)
    return 2;
  return PostMessageW(h, msg, w, 0) ? 0 : 1;
}

int CmdMsgbox() {
  int found = 0;
  for (HWND h : Collect().top) {
    if (!IsWindowVisible(h) || ClassOf(h) != L"#32770")
      continue;
    std::wstring message;
    std::string buttons;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      std::wstring cls = ClassOf(c);
      if (_wcsicmp(cls.c_str(), L"Static") == 0 && GetDlgCtrlID(c) == 0xFFFF) {
        message = TextOf(c);
      } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        buttons += buttons.empty() ? "" : ",";
        buttons += Json(TextOf(c));
      }
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    RECT rect{};
    GetWindowRect(h, &rect);
    WriteOut("{\"hwnd\":" + HwndText(h) + ",\"owner\":" + HwndText(GetWindow(h, GW_OWNER)) +
             ",\"pid\":" + std::to_string(pid) + ",\"rect\":" + RectJson(rect) + ",\"caption\":" +
             Json(TextOf(h)) + ",\"text\":" + Json(message) + ",\"buttons\":[" + buttons + "]}\n");
    ++found;
  }
  return found > 0 ? 0 : 1;
}

// Finds the caption's close button by asking the window itself which part is where.
int CmdCloseBox(const wchar_t* arg) {
  HWND h = WindowArg(arg);
  if (!h)
    return 2;
  RECT rect{}, client{};
  GetWindowRect(h, &rect);
  GetClientRect(h, &client);
  MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
  long first_x = -1, last_x = -1, first_y = -1, last_y = -1;
  for (long y = rect.top; y < client.top; ++y) {
    for (long x = rect.left; x < rect.right; ++x) {
      DWORD_PTR hit = 0;
      if (!Send(h, WM_NCHITTEST, 0, MAKELPARAM(x, y), &hit))
        return 1;
      if (hit != HTCLOSE)
        continue;
      if (first_x < 0 || x < first_x)
        first_x = x;
      if (x > last_x)
        last_x = x;
      if (first_y < 0)
        first_y = y;
      last_y = y;
    }
  }
  if (first_x < 0)
    return 1;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%ld %ld\n", (first_x + last_x) / 2, (first_y + last_y) / 2);
  WriteOut(buf);
  return 0;
}

int CmdMonitor(int interval_ms, double seconds) {
  interval_ms = interval_ms > 0 ? interval_ms : 50;
  ULONGLONG start = GetTickCount64();
  ULONGLONG deadline = seconds > 0 ? start + static_cast<ULONGLONG>(seconds * 1000) : ~0ULL;
  std::map<HWND, std::string> known;
  bool ready = false;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    std::string t = ",\"t\":" + std::to_string(now - start);
    std::map<HWND, std::string> seen;
    for (HWND h : Collect().all)
      seen[h] = Describe(h);
    std::string batch;
    for (auto& [h, desc] : seen) {
      auto old = known.find(h);
      if (old == known.end())
        batch += desc + ",\"event\":\"new\"" + t + "}\n";
      else if (old->second != desc)
        batch += desc + ",\"event\":\"change\"" + t + "}\n";
    }
    for (auto& [h, desc] : known)
      if (!seen.count(h))
        batch += "{\"hwnd\":" + HwndText(h) + ",\"event\":\"gone\"" + t + "}\n";
    if (!batch.empty())
      WriteOut(batch);
    if (!ready) {
      WriteOut("{\"event\":\"ready\"" + t + "}\n");
      ready = true;
    }
    known = std::move(seen);
    if (now >= deadline)
      return 0;
    Sleep(static_cast<DWORD>(interval_ms));
  }
}

int CmdMetrics() {
  auto colour = [](int index) {
    DWORD c = GetSysColor(index);
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%lu,%lu,%lu]", GetRValue(c) + 0UL, GetGValue(c) + 0UL,
                  GetBValue(c) + 0UL);
    return std::string(buf);
  };
  auto m = [](int index) { return std::to_string(GetSystemMetrics(index)); };
  WriteOut("{\"btnface\":" + colour(COLOR_BTNFACE) + ",\"window\":" + colour(COLOR_WINDOW) +
           ",\"screen\":[" + m(SM_CXSCREEN) + "," + m(SM_CYSCREEN) +
           "],\"smcaption\":" + m(SM_CYSMCAPTION) + ",\"caption\":" + m(SM_CYCAPTION) +
           ",\"fixedframe\":[" + m(SM_CXFIXEDFRAME) + "," + m(SM_CYFIXEDFRAME) + "]}\n");
  return 0;
}

int CmdText(const wchar_t* arg) {
  HWND h = WindowArg(arg);
  if (!h)
    return 1;
  WriteOut(Utf8(TextOf(h)) + "\n");
  return 0;
}

int CmdMove(const wchar_t* arg, const wchar_t* x, const wchar_t* y) {
  HWND h = WindowArg(arg);
  if (!h)
    return 2;
  return SetWindowPos(h, nullptr, _wtoi(x), _wtoi(y), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
             ? 0
             : 1;
}

int CmdSetText(const wchar_t* arg, const wchar_t* text) {
  HWND h = WindowArg(arg);
  DWORD_PTR done = 0;
  if (!h)
    return 2;
  return Send(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), &done) && done ? 0 : 1;
}

// The process entry of the system's process list, which Wine fills for other processes too.
bool ProcessEntry(DWORD pid, SYSTEM_PROCESS_INFORMATION& entry) {
  std::vector<char> buffer(1 << 20);
  ULONG size = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                               static_cast<ULONG>(buffer.size()), &size) != 0)
    return false;
  for (std::size_t offset = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
    if (reinterpret_cast<uintptr_t>(p->UniqueProcessId) == pid) {
      entry = *p;
      return true;
    }
    if (p->NextEntryOffset == 0)
      return false;
    offset += p->NextEntryOffset;
  }
}

// What the platform says of a process's resources, each number as the call named gives it; a
// call that fails gives null, with its error code in "why".
int CmdProcess(const wchar_t* arg) {
  HWND h = ParseHwnd(arg);
  DWORD pid = 0;
  if (!h || !GetWindowThreadProcessId(h, &pid))
    return 2;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process)
    return 1;
  std::string why;
  auto number = [&](const char* name, bool ok, unsigned long long value) {
    if (ok)
      return std::string(",\"") + name + "\":" + std::to_string(value);
    why +=
        std::string(why.empty() ? "" : ",") + "\"" + name + "\":" + std::to_string(GetLastError());
    return std::string(",\"") + name + "\":null";
  };
  std::string s = "{\"pid\":" + std::to_string(pid);
  SetLastError(0);
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  s += number("GetGuiResources_gdi", gdi != 0 || GetLastError() == 0, gdi);
  SetLastError(0);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  s += number("GetGuiResources_user", user != 0 || GetLastError() == 0, user);
  DWORD handles = 0;
  s += number("GetProcessHandleCount", GetProcessHandleCount(process, &handles) != FALSE, handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  const bool got = GetProcessMemoryInfo(
      process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  s += number("PrivateUsage", got, memory.PrivateUsage);
  s += number("WorkingSetSize", got, memory.WorkingSetSize);
  SYSTEM_PROCESS_INFORMATION entry{};
  const bool listed = ProcessEntry(pid, entry);
  s += number("list_HandleCount", listed, entry.HandleCount);
  s += number("list_PagefileUsage", listed, entry.VirtualMemoryCounters.PagefileUsage);
  DWORD windows = 0;
  for (HWND w : Collect().all) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    windows += owner == pid ? 1 : 0;
  }
  s += ",\"windows\":" + std::to_string(windows) + ",\"why\":{" + why + "}}\n";
  CloseHandle(process);
  WriteOut(s);
  return 0;
}

int CmdLaunch(const wchar_t* show, const wchar_t* exe) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(_wtoi(show));
  std::wstring command = L"\"" + std::wstring(exe) + L"\"";
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    Failed("launch: CreateProcessW");
    return 255;
  }
  CloseHandle(info.hThread);
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}

int CmdHold(const wchar_t* path, double seconds, const std::wstring& share) {
  const DWORD mode = share == L"read" ? FILE_SHARE_READ : 0;
  HANDLE file =
      CreateFileW(path, GENERIC_READ, mode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return Failed("hold: CreateFileW");
  WriteOut("{\"held\":true}\n");
  Sleep(static_cast<DWORD>(seconds * 1000));
  CloseHandle(file);
  return 0;
}

// The time of the running liveregion command's start, for its events.
ULONGLONG g_liveStart = 0;

void CALLBACK OnLiveRegion(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG child, DWORD, DWORD) {
  WriteOut("{\"event\":\"liveregion\",\"t\":" + std::to_string(GetTickCount64() - g_liveStart) +
           ",\"hwnd\":" + HwndText(h) + ",\"object\":" + std::to_string(object) +
           ",\"child\":" + std::to_string(child) + ",\"text\":" + Json(TextOf(h)) + "}\n");
}

int CmdLiveRegion(double seconds) {
  g_liveStart = GetTickCount64();
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                      OnLiveRegion, 0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (!hook)
    return Failed("liveregion: SetWinEventHook");
  WriteOut("{\"event\":\"ready\",\"t\":0}\n");
  const ULONGLONG deadline = g_liveStart + static_cast<ULONGLONG>(seconds * 1000);
  // An out-of-context hook is called while this thread takes its messages.
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&msg);
  }
  UnhookWinEvent(hook);
  return 0;
}

std::string HResult(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "\"0x%08lx\"", static_cast<unsigned long>(hr));
  return code;
}

// The accessible name of a window's client, as a screen reader asks for it; its HRESULT too.
std::string AccessibleName(HWND h) {
  IAccessible* accessible = nullptr;
  HRESULT hr = AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible));
  BSTR name = nullptr;
  BSTR keys = nullptr;
  if (SUCCEEDED(hr)) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    hr = accessible->get_accName(self, &name);
    if (FAILED(accessible->get_accKeyboardShortcut(self, &keys)))
      keys = nullptr;
    accessible->Release();
  }
  std::string out = "{\"name\":" + (name ? Json(name) : std::string("null")) +
                    ",\"shortcut\":" + (keys ? Json(keys) : std::string("null")) +
                    ",\"hr\":" + HResult(hr) + "}";
  SysFreeString(name);
  SysFreeString(keys);
  return out;
}

int CmdAccName(const wchar_t* arg) {
  HWND h = WindowArg(arg);
  if (!h)
    return 2;
  WriteOut(AccessibleName(h) + "\n");
  return 0;
}

// Annotates a window of its own and reads the name back, as a screen reader would read it.
int CmdAnnotations() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND probe = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 30, 20, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  IAccPropServices* services = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services));
  if (SUCCEEDED(hr)) {
    hr = services->SetHwndPropStr(probe, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                  PROPID_ACC_NAME, L"probe");
  }
  const std::string read = AccessibleName(probe);
  WriteOut(std::string("{\"kept\":") + Bool(read.find("\"name\":\"probe\"") != std::string::npos) +
           ",\"set_hr\":" + HResult(hr) + ",\"read\":" + read + "}\n");
  if (services)
    services->Release();
  DestroyWindow(probe);
  CoUninitialize();
  return 0;
}

// Each command: its name, the number of its arguments and what runs it (the arguments at a).
struct Command {
  const wchar_t* name;
  int args;
  int (*run)(wchar_t** a);
};

const Command kCommands[] = {
    {L"list", 0, [](wchar_t**) { return CmdList(); }},
    {L"close", 1, [](wchar_t** a) { return CmdClose(a[0]); }},
    {L"command", 2,
     [](wchar_t** a) { return Post(a[0], WM_COMMAND, MAKEWPARAM(_wtoi(a[1]), BN_CLICKED)); }},
    {L"msgbox", 0, [](wchar_t**) { return CmdMsgbox(); }},
    {L"text", 1, [](wchar_t** a) { return CmdText(a[0]); }},
    {L"close-box", 1, [](wchar_t** a) { return CmdCloseBox(a[0]); }},
    {L"move", 3, [](wchar_t** a) { return CmdMove(a[0], a[1], a[2]); }},
    {L"monitor", 1, [](wchar_t** a) { return CmdMonitor(_wtoi(a[0]), 0); }},
    {L"monitor", 2, [](wchar_t** a) { return CmdMonitor(_wtoi(a[0]), _wtof(a[1])); }},
    {L"metrics", 0, [](wchar_t**) { return CmdMetrics(); }},
    {L"settext", 2, [](wchar_t** a) { return CmdSetText(a[0], a[1]); }},
    {L"syscommand", 2,
     [](wchar_t** a) { return Post(a[0], WM_SYSCOMMAND, wcstoul(a[1], nullptr, 0)); }},
    {L"process", 1, [](wchar_t** a) { return CmdProcess(a[0]); }},
    {L"launch", 2, [](wchar_t** a) { return CmdLaunch(a[0], a[1]); }},
    {L"hold", 3, [](wchar_t** a) { return CmdHold(a[0], _wtof(a[1]), a[2]); }},
    {L"liveregion", 1, [](wchar_t** a) { return CmdLiveRegion(_wtof(a[0])); }},
    {L"accname", 1, [](wchar_t** a) { return CmdAccName(a[0]); }},
    {L"annotations", 0, [](wchar_t**) { return CmdAnnotations(); }},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring cmd = argc > 1 ? argv[1] : L"";
  std::string usage = "usage: wininspect COMMAND ARGS... (see its source), a command of:";
  for (const Command& c : kCommands) {
    if (cmd == c.name && argc == c.args + 2)
      return c.run(argv + 2);
    usage += ' ';
    usage += Utf8(c.name);
  }
  WriteErr(usage + "\n");
  return 2;
}
