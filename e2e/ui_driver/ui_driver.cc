// Copyright 2026 Velta Software. All rights reserved.

// Drives the installer's windows from outside, for end-to-end scripts: one
// command per run, its answer on standard output, exit code 0 when it did
// what it was asked, 1 when it could not (with the reason on standard
// error), 2 for a bad command line. Windows are named by their handle in
// hexadecimal ("0x1234"), as find-window prints them; controls by their
// dialog control id (0: the window itself).
//
//   serve                 Answers many commands in one run, the way a
//                         script asks question after question without
//                         starting a process for each: one command a line
//                         on standard input, a JSON array of strings
//                         (["text", "0x1234", "1221"]), and for each one
//                         line on standard output, the JSON object
//                         {"code": N, "out": "...", "err": "..."} with what
//                         the command's own run would have exited with,
//                         printed and written to standard error. Ends at the
//                         end of its input. run and hold-ui-lock outlive a
//                         question: they are refused here (code 2).
//   echo [ARG...]         Each argument on a line of its own (UTF-8).
//   find-window [--pid=N] [--title=T] [--timeout-ms=M]
//       The first visible top-level window of process N and/or with the
//       exact title T, waiting up to M ms (default 20000) for it.
//   text HWND ID          The control's text (UTF-8).
//   state HWND ID         "visible=0|1 enabled=0|1".
//   progress HWND ID      A progress bar's "position min max".
//   click HWND ID         Presses a button as a click would (BM_CLICK).
//   click-at HWND ID X Y  Presses and releases the left mouse button at
//                         (X, Y) of the control's client area (a link).
//   key HWND VK [--alt]   Presses and releases a key (decimal virtual-key
//                         code) on the control that has the keyboard focus
//                         in HWND's thread, as the keyboard would.
//   dpi HWND DPI          Tells the window that its monitor's DPI changed,
//                         with its own rectangle scaled as the suggestion.
//   rect HWND [ID]        The window's (or its control's) rectangle on the
//                         screen: "left top right bottom".
//   client HWND           The window's client area on the screen: "left top
//                         right bottom".
//   screenshot HWND FILE  The window's picture as a 24-bit BMP file.
//   foreground            The foreground window: "HWND title".
//   end PID               Ends process PID (exit code 1) and waits for it.
//   run TEMP PROGRAM [ARG...]
//                         Starts PROGRAM with TEMP and TMP set to the folder
//                         TEMP (its log, its UI lock and its download folder
//                         go there), prints "pid N" at once and, when it has
//                         ended, "exit N" with its whole exit code (the
//                         Linux side sees only its low byte).
//   hold-ui-lock TITLE FILE
//                         Takes the installer's UI lock of this session (in
//                         %TEMP%) with a visible window titled TITLE behind
//                         another one, prints "ready", and keeps both while
//                         FILE exists; then prints "foreground=0|1", whether
//                         its window was brought to the front meanwhile.
//
// Keys and clicks are posted to the window's thread, so the command never
// waits for the installer; messages that carry a pointer (WM_DPICHANGED)
// get memory in the installer's process.

#include <windows.h>

#include <commctrl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ui/ui_lock.h"
#include "e2e/ui_driver/answer.h"

namespace {

using velta::Answer;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

bool ParseHwnd(const std::wstring& text, HWND* hwnd) {
  wchar_t* end = nullptr;
  const unsigned long long value = wcstoull(text.c_str(), &end, 16);
  if (text.empty() || *end != L'\0' || value == 0)
    return false;
  *hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
  return ::IsWindow(*hwnd) != FALSE;
}

bool ParseInt(const std::wstring& text, int* value) {
  wchar_t* end = nullptr;
  const long parsed = wcstol(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0')
    return false;
  *value = static_cast<int>(parsed);
  return true;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  if (::GetDlgCtrlID(hwnd) != search->id)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

// The control `id` of `window` or of a dialog inside it (a page), or the
// window itself for 0.
HWND Control(HWND window, int id) {
  if (id == 0)
    return window;
  if (HWND control = ::GetDlgItem(window, id))
    return control;
  ControlSearch search = {id, nullptr};
  ::EnumChildWindows(window, &MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(length + 1, L'\0');
  text.resize(::GetWindowTextW(hwnd, text.data(), length + 1));
  return text;
}

struct WindowSearch {
  DWORD pid;
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!::IsWindowVisible(hwnd))
    return TRUE;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (search->pid != 0 && pid != search->pid)
    return TRUE;
  if (search->title && TextOf(hwnd) != *search->title)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

int FindWindowCommand(const std::vector<std::wstring>& args, Answer* answer) {
  DWORD pid = 0;
  std::wstring title;
  bool with_title = false;
  int timeout_ms = 20000;
  for (const std::wstring& arg : args) {
    int number = 0;
    if (arg.rfind(L"--pid=", 0) == 0 && ParseInt(arg.substr(6), &number)) {
      pid = static_cast<DWORD>(number);
    } else if (arg.rfind(L"--title=", 0) == 0) {
      title = arg.substr(8);
      with_title = true;
    } else if (arg.rfind(L"--timeout-ms=", 0) == 0 && ParseInt(arg.substr(13), &number)) {
      timeout_ms = number;
    } else {
      return kUsage;
    }
  }
  if (pid == 0 && !with_title)
    return kUsage;
  WindowSearch search = {pid, with_title ? &title : nullptr, nullptr};
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (true) {
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      answer->Print("0x%llx\n",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(search.found)));
      return kOk;
    }
    if (::GetTickCount64() >= deadline)
      return answer->Fail("no such window");
    ::Sleep(20);
  }
}

// The control that has the keyboard focus in `window`'s thread, else
// `window`.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus)
    return info.hwndFocus;
  return window;
}

int KeyCommand(HWND window, int key, bool alt, Answer* answer) {
  HWND target = FocusOf(window);
  const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  // Repeat count 1, the scan code, and with Alt the context bit.
  LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  if (alt)
    down |= static_cast<LPARAM>(1) << 29;
  const LPARAM up = down | (static_cast<LPARAM>(1) << 30) | (static_cast<LPARAM>(1) << 31);
  const UINT down_message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up_message = alt ? WM_SYSKEYUP : WM_KEYUP;
  if (!::PostMessageW(target, down_message, static_cast<WPARAM>(key), down))
    return answer->Fail("cannot post the key");
  // The key going down may close its window (Alt+F4) before the key-up is
  // posted: a window already gone has had its key.
  if (!::PostMessageW(target, up_message, static_cast<WPARAM>(key), up) &&
      ::GetLastError() != ERROR_INVALID_WINDOW_HANDLE) {
    return answer->Fail("cannot post the key");
  }
  return kOk;
}

int DpiCommand(HWND window, int dpi, Answer* answer) {
  RECT rect;
  if (!::GetWindowRect(window, &rect))
    return answer->Fail("cannot read the window's rectangle");
  UINT old_dpi = 96;
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  // Windows 10's; older systems have one DPI for the whole session.
  if (auto get_dpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")))) {
    if (UINT current = get_dpi(window))
      old_dpi = current;
  }
  RECT suggested = {rect.left, rect.top,
                    rect.left + ::MulDiv(rect.right - rect.left, dpi, static_cast<int>(old_dpi)),
                    rect.top + ::MulDiv(rect.bottom - rect.top, dpi, static_cast<int>(old_dpi))};
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  base::win::ScopedHandle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
  if (!process.IsValid())
    return answer->Fail("cannot open the window's process");
  void* remote = ::VirtualAllocEx(process.Get(), nullptr, sizeof(suggested),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote)
    return answer->Fail("cannot allocate in the window's process");
  int result = kOk;
  DWORD_PTR reply = 0;
  if (!::WriteProcessMemory(process.Get(), remote, &suggested, sizeof(suggested), nullptr)) {
    result = answer->Fail("cannot write the suggested rectangle");
  } else if (!::SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                    reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 20000,
                                    &reply)) {
    result = answer->Fail("the window did not take WM_DPICHANGED");
  }
  ::VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
  return result;
}

// Writes the 32-bit top-down `pixels` of `width` x `height` as a 24-bit
// bottom-up BMP.
bool WriteBmp(const std::wstring& path, const uint32_t* pixels, int width, int height) {
  const int row = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(row * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  for (int y = height - 1; y >= 0; --y) {
    std::string line(row, '\0');
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[y * width + x];
      line[x * 3] = static_cast<char>(pixel & 0xFF);
      line[x * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      line[x * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
    bytes += line;
  }
  base::win::ScopedHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out.IsValid() &&
         ::WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

// The window as it paints itself (PrintWindow) when it is this process's;
// else what the screen shows of it (a display that keeps no pictures, like
// Wine's null driver, gives black).
int ScreenshotCommand(HWND window, const std::wstring& path, Answer* answer) {
  RECT rect;
  if (!::GetWindowRect(window, &rect))
    return answer->Fail("cannot read the window's rectangle");
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    return answer->Fail("the window has no area");
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  int result = kOk;
  if (!bitmap) {
    result = answer->Fail("cannot make the picture");
  } else {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    // A window of another process cannot be asked to paint into this
    // process's memory under every system: copy what the screen shows.
    if (pid == ::GetCurrentProcessId() ? !::PrintWindow(window, memory, 0)
                                       : !::BitBlt(memory, 0, 0, width, height, screen, rect.left,
                                                   rect.top, SRCCOPY)) {
      result = answer->Fail("cannot copy the window's picture");
    }
    ::GdiFlush();
    if (result == kOk && !WriteBmp(path, static_cast<const uint32_t*>(bits), width, height))
      result = answer->Fail("cannot write the picture");
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (result == kOk)
    answer->Print("%d %d\n", width, height);
  return result;
}

int HoldUiLockCommand(const std::wstring& title, const std::wstring& alive_file,
                      Answer* answer) {
  base::win::ScopedHandle lock_file;
  const uint32_t owner = velta::GetUiLock(&lock_file);
  if (owner != ::GetCurrentThreadId())
    return answer->Fail("another process holds the UI lock");
  HWND window = ::CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40, 40, 240, 120, nullptr, nullptr, nullptr, nullptr);
  if (!window)
    return answer->Fail("cannot make the window");
  // Another window of another thread in front, so that being brought back
  // is seen (the installer brings forward a window of the lock's thread).
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE other_shown = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread other_thread([done, other_shown] {
    HWND other = ::CreateWindowExW(0, L"STATIC", L"ui_driver other", WS_POPUP | WS_VISIBLE, 300,
                                   40, 80, 80, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    ::SetEvent(other_shown);
    MSG other_message;
    while (::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      while (::PeekMessageW(&other_message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&other_message);
    }
    ::DestroyWindow(other);
  });
  ::WaitForSingleObject(other_shown, INFINITE);
  answer->Print("ready\n");
  bool brought_to_front = false;
  MSG message;
  while (::IsWindow(window)) {
    const DWORD wait = ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) {
      bool quit = false;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
          quit = true;
        ::DispatchMessageW(&message);
      }
      if (quit)
        break;
    }
    if (::GetForegroundWindow() == window)
      brought_to_front = true;
    if (::GetFileAttributesW(alive_file.c_str()) == INVALID_FILE_ATTRIBUTES)
      break;
  }
  answer->Print("foreground=%d\n", brought_to_front ? 1 : 0);
  ::SetEvent(done);
  other_thread.join();
  ::CloseHandle(done);
  ::CloseHandle(other_shown);
  if (::IsWindow(window))
    ::DestroyWindow(window);
  return kOk;
}

// `text` quoted for CreateProcess's command line.
std::wstring Quote(const std::wstring& text) {
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos)
    return text;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

int RunCommand(const std::vector<std::wstring>& args, Answer* answer) {
  if (args.size() < 3)
    return kUsage;
  if (!::SetEnvironmentVariableW(L"TEMP", args[1].c_str()) ||
      !::SetEnvironmentVariableW(L"TMP", args[1].c_str())) {
    return answer->Fail("cannot set the temporary folder");
  }
  std::wstring command_line;
  for (size_t i = 2; i < args.size(); ++i)
    command_line += (i > 2 ? L" " : L"") + Quote(args[i]);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(args[2].c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
    return answer->Fail("cannot start the program");
  }
  ::CloseHandle(process.hThread);
  answer->Print("pid %lu\n", process.dwProcessId);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hProcess);
  answer->Print("exit %lu\n", exit_code);
  return kOk;
}

int Run(const std::vector<std::wstring>& args, Answer* answer) {
  if (args.empty())
    return kUsage;
  const std::wstring& command = args[0];
  if (command == L"find-window")
    return FindWindowCommand(std::vector<std::wstring>(args.begin() + 1, args.end()), answer);
  if (command == L"foreground") {
    HWND window = ::GetForegroundWindow();
    answer->Print("0x%llx %s\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)),
                  window ? base::WideToUTF8(TextOf(window)).c_str() : "");
    return kOk;
  }
  if (command == L"echo") {
    for (size_t i = 1; i < args.size(); ++i)
      answer->Print("%s\n", base::WideToUTF8(args[i]).c_str());
    return kOk;
  }
  if (command == L"run")
    return RunCommand(args, answer);
  if (command == L"end") {
    int pid = 0;
    if (args.size() != 2 || !ParseInt(args[1], &pid))
      return kUsage;
    base::win::ScopedHandle process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    if (!process.IsValid() || !::TerminateProcess(process.Get(), 1))
      return answer->Fail("cannot end the process");
    ::WaitForSingleObject(process.Get(), 20000);
    return kOk;
  }
  if (command == L"hold-ui-lock")
    return args.size() == 3 ? HoldUiLockCommand(args[1], args[2], answer) : kUsage;

  HWND window = nullptr;
  if (args.size() < 2 || !ParseHwnd(args[1], &window))
    return args.size() < 2 ? kUsage : answer->Fail("no such window");
  if (command == L"rect") {
    RECT rect;
    int id = 0;
    if (args.size() > 3 || (args.size() == 3 && !ParseInt(args[2], &id)))
      return kUsage;
    HWND control = Control(window, id);
    if (!control || !::GetWindowRect(control, &rect))
      return answer->Fail("cannot read the rectangle");
    answer->Print("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return kOk;
  }
  if (command == L"client") {
    RECT rect;
    if (args.size() != 2)
      return kUsage;
    if (!::GetClientRect(window, &rect) ||
        !::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2)) {
      return answer->Fail("cannot read the client area");
    }
    answer->Print("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return kOk;
  }
  if (args.size() < 3)
    return kUsage;
  if (command == L"screenshot")
    return args.size() == 3 ? ScreenshotCommand(window, args[2], answer) : kUsage;
  int number = 0;
  if (!ParseInt(args[2], &number))
    return kUsage;
  if (command == L"dpi")
    return args.size() == 3 ? DpiCommand(window, number, answer) : kUsage;
  if (command == L"key") {
    const bool alt = args.size() == 4 && args[3] == L"--alt";
    if (args.size() > 4 || (args.size() == 4 && !alt))
      return kUsage;
    return KeyCommand(window, number, alt, answer);
  }
  if (command == L"click-at") {
    int x = 0;
    int y = 0;
    if (args.size() != 5 || !ParseInt(args[3], &x) || !ParseInt(args[4], &y))
      return kUsage;
    HWND control = Control(window, number);
    if (!control)
      return answer->Fail("no such control");
    const LPARAM where = MAKELPARAM(x, y);
    if (!::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, where) ||
        !::PostMessageW(control, WM_LBUTTONUP, 0, where)) {
      return answer->Fail("cannot post the click");
    }
    return kOk;
  }
  if (args.size() != 3)
    return kUsage;
  HWND control = Control(window, number);
  if (!control)
    return answer->Fail("no such control");
  if (command == L"text") {
    answer->Print("%s\n", base::WideToUTF8(TextOf(control)).c_str());
    return kOk;
  }
  if (command == L"state") {
    answer->Print("visible=%d enabled=%d\n", ::IsWindowVisible(control) ? 1 : 0,
                  ::IsWindowEnabled(control) ? 1 : 0);
    return kOk;
  }
  if (command == L"progress") {
    DWORD_PTR position = 0;
    DWORD_PTR low = 0;
    DWORD_PTR high = 0;
    if (!::SendMessageTimeoutW(control, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 20000, &position) ||
        !::SendMessageTimeoutW(control, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 20000, &low) ||
        !::SendMessageTimeoutW(control, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 20000, &high)) {
      return answer->Fail("the progress bar did not answer");
    }
    answer->Print("%d %d %d\n", static_cast<int>(position), static_cast<int>(low),
                  static_cast<int>(high));
    return kOk;
  }
  if (command == L"click") {
    if (!::PostMessageW(control, BM_CLICK, 0, 0))
      return answer->Fail("cannot post the click");
    return kOk;
  }
  return kUsage;
}

// Runs `args` as a command line; a bad one is said so.
int RunCommandLine(const std::vector<std::wstring>& args, Answer* answer) {
  // A failure names the error of what failed, never one that an earlier
  // command of the serving loop left behind.
  ::SetLastError(ERROR_SUCCESS);
  const int result = Run(args, answer);
  if (result == kUsage)
    answer->Complain("ui_driver: bad command line (see the source's description)\n");
  return result;
}

// The commands that outlive a question (they print as they go, or keep a
// window and a lock for the script): processes of their own.
bool IsOwnProcessCommand(const std::wstring& command) {
  return command == L"run" || command == L"hold-ui-lock" || command == L"serve";
}

// One line of the serving loop's input: the command, or why there is none.
int RunLine(const std::string& line, Answer* answer) {
  std::optional<base::Value> request = base::JSONReader::Read(line);
  if (!request || !request->is_list()) {
    answer->Complain("ui_driver: a command is one JSON array of strings a line\n");
    return kUsage;
  }
  std::vector<std::wstring> args;
  for (const base::Value& arg : request->GetList()) {
    if (!arg.is_string()) {
      answer->Complain("ui_driver: a command's arguments are strings\n");
      return kUsage;
    }
    args.push_back(base::UTF8ToWide(arg.GetString()));
  }
  if (!args.empty() && IsOwnProcessCommand(args[0])) {
    answer->Complain("ui_driver: " + base::WideToUTF8(args[0]) +
                     " runs as a process of its own, not in serve\n");
    return kUsage;
  }
  return RunCommandLine(args, answer);
}

bool WriteReply(HANDLE out, int code, const Answer& answer) {
  base::Value reply(base::Value::Type::DICTIONARY);
  reply.SetIntKey("code", code);
  reply.SetStringKey("out", answer.out());
  reply.SetStringKey("err", answer.err());
  std::string json;
  if (!base::JSONWriter::Write(reply, &json))
    return false;
  json += '\n';
  DWORD written = 0;
  return ::WriteFile(out, json.data(), static_cast<DWORD>(json.size()), &written, nullptr) &&
         written == json.size();
}

// Reads one command a line from standard input and answers each with one
// line on standard output (see serve above), until the input ends.
int ServeCommand() {
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  // A longer line is dropped as it comes and refused at its end.
  constexpr size_t kMaxLine = 1 << 20;
  std::string pending;
  bool is_overlong = false;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(in, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    pending.append(buffer, read);
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      Answer answer(Answer::Mode::kKept);
      int code = kUsage;
      if (is_overlong) {
        answer.Complain("ui_driver: a command line longer than 1 MiB\n");
        is_overlong = false;
      } else {
        code = RunLine(line, &answer);
      }
      if (!WriteReply(out, code, answer))
        return kFailed;
    }
    if (pending.size() > kMaxLine) {
      pending.clear();
      is_overlong = true;
    }
  }
  return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"serve")
    return ServeCommand();
  Answer answer(Answer::Mode::kWriteThrough);
  const int result = RunCommandLine(args, &answer);
  fflush(stdout);
  return result;
}
