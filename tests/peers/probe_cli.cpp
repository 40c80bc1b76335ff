// probe_cli: looks at the desktop from the Windows side for the end-to-end
// harness and prints plain UTF-8 results, one record per line.
//
//   acp                               GetACP()
//   windows                           top-level windows in Z order, topmost first
//   info HWND                         one window's record
//   text HWND                         WM_GETTEXT (SendMessageTimeout), raw text
//   children HWND                     every descendant window, in EnumChildWindows order
//   foreground                        the foreground window's record
//   focus HWND                        GetFocus of HWND's thread (attached input)
//   cursor                            GetCursorPos: x y
//   ini FILE SECTION [KEY]            GetPrivateProfileStringA; without KEY the key names;
//                                     exit 3 when the key (or section) is absent
//   post HWND MSG WPARAM LPARAM       PostMessage; prints 1 or 0
//   send HWND MSG WPARAM LPARAM [MS]  SendMessageTimeout (MS, default 2000); prints the result
//   settext HWND TEXT                 WM_SETTEXT (SendMessageTimeout); prints the result
//   window TITLE                      shows a plain top-level window with that title, prints its
//                                     record and pumps messages until killed
//   handles PID                       "handles windows" of a process: its kernel handles
//                                     (GetProcessHandleCount, or the system handle table where
//                                     that says 0, as under Wine) and its windows, child ones too
//   ping HWND MS [BOUND_MS]           sends WM_NULL to HWND again and again for MS ms, each
//                                     waiting at most BOUND_MS (default 10000), and prints
//                                     "count max_ms mean_ms failed": how long the window's
//                                     thread kept a message waiting
//   clipboard                         the clipboard's CF_TEXT, its bytes as they are (no
//                                     conversion, so GBK stays GBK); exit 2 when it holds none
//   tips                              the text of every tool of every tooltip window on the
//                                     desktop, "tooltip_hwnd pid text" (text escaped like a
//                                     title): the tray's tips live in Wine's explorer.exe
//   serve                             answers one request per line of standard input (UTF-8,
//                                     arguments tab-separated and escaped like a title) with
//                                     "code size\n" and the size bytes of output, until the
//                                     input ends: a Wine start per question costs more than
//                                     most questions (every command above but window)
//
// Window records are tab-separated:
//   hwnd pid visible iconic enabled topmost left top right bottom class title
// with tab, CR, LF and backslash in class and title written as \t \r \n \\.
// Numbers accept decimal or 0x hex.  Exit codes: 0 done, 1 usage or failed
// call, 2 not found, 3 no such profile key.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "control_file.h"

namespace {

// While serving, a request's output is gathered, to go out framed with its exit code.
std::string* gCapture = nullptr;

// Returns 0, the exit code of a command that has its answer.
int Out(const std::string& bytes) {
  if (gCapture)
    *gCapture += bytes;
  else
    Write(bytes);
  return 0;
}

std::string Escaped(const std::wstring& text) {
  std::string out;
  for (char c : Utf8(text)) {
    const char* escape = c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : nullptr;
    out += escape ? std::string(escape) : std::string(1, c);
  }
  return out;
}

bool ParseNumber(const wchar_t* text, long long* value) {
  wchar_t* end = nullptr;
  *value = static_cast<long long>(wcstoull(text, &end, 0));
  if (text[0] == L'-') *value = wcstoll(text, &end, 0);
  return end != text && *end == L'\0';
}

HWND ParseHwnd(const wchar_t* text) {
  long long value = 0;
  return ParseNumber(text, &value) ? reinterpret_cast<HWND>(static_cast<intptr_t>(value)) : nullptr;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

// WM_GETTEXT with a bound, so that a hung window cannot hang the probe.
bool TextOf(HWND window, std::wstring* text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return false;
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                           2000, &copied))
    return false;
  buffer.resize(copied < buffer.size() ? copied : buffer.size() - 1);
  *text = buffer;
  return true;
}

DWORD PidOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string Record(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::wstring title;
  TextOf(window, &title);
  bool topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  char numbers[200];
  std::snprintf(numbers, sizeof numbers, "%lld\t%lu\t%d\t%d\t%d\t%d\t%ld\t%ld\t%ld\t%ld\t",
                static_cast<long long>(reinterpret_cast<intptr_t>(window)), PidOf(window),
                IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
                topmost ? 1 : 0, rect.left, rect.top, rect.right, rect.bottom);
  return numbers + Escaped(ClassOf(window)) + "\t" + Escaped(title) + "\n";
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Every descendant of parent in EnumChildWindows order; without a parent,
// the top-level windows in Z order.
std::vector<HWND> WindowsUnder(HWND parent) {
  std::vector<HWND> windows;
  if (parent)
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
  else
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// One window's record; exit code 2 when there is no such window.
int WriteRecord(HWND window) { return window && IsWindow(window) ? Out(Record(window)) : 2; }

int Children(HWND parent) {
  if (!IsWindow(parent)) return 2;
  for (HWND window : WindowsUnder(parent)) Out(Record(window));
  return 0;
}

int Focus(HWND window) {
  if (!IsWindow(window)) return 2;
  DWORD self = GetCurrentThreadId();
  DWORD other = GetWindowThreadProcessId(window, nullptr);
  AttachThreadInput(self, other, TRUE);
  HWND focus = GetFocus();
  AttachThreadInput(self, other, FALSE);
  return WriteRecord(focus);
}

// Section and key arrive as UTF-16 and go to the profile API in the ANSI code
// page, exactly as the program under test passes its own GBK names.
int Profile(int argc, wchar_t** argv) {
  if (argc < 4) return 1;
  std::string file = Narrow(argv[2], CP_ACP);
  std::string section = Narrow(argv[3], CP_ACP);
  std::vector<char> buffer(65536);
  if (argc < 5) {
    DWORD size = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), file.c_str());
    if (size == 0) return 3;
    for (const char* key = buffer.data(); *key; key += lstrlenA(key) + 1) Out(Escaped(Widen(key, CP_ACP)) + "\n");
    return 0;
  }
  std::string key = Narrow(argv[4], CP_ACP);
  // Two reads with different defaults tell an absent key from an empty value.
  const char* defaults[] = {"\x01", "\x02"};
  std::string values[2];
  for (int i = 0; i < 2; ++i) {
    DWORD size = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaults[i], buffer.data(),
                                          static_cast<DWORD>(buffer.size()), file.c_str());
    values[i].assign(buffer.data(), size);
  }
  return values[0] != values[1] ? 3 : Out(Utf8(Widen(values[0], CP_ACP)));
}

int Message(int argc, wchar_t** argv, bool post) {
  long long message = 0, wParam = 0, lParam = 0;
  if (argc < 6 || !ParseNumber(argv[3], &message) || !ParseNumber(argv[4], &wParam) || !ParseNumber(argv[5], &lParam))
    return 1;
  HWND window = ParseHwnd(argv[2]);
  if (post) {
    const bool ok =
        PostMessageW(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    Out(ok ? "1\n" : "0\n");
    return ok ? 0 : 1;
  }
  long long timeoutMs = 2000;
  if (argc >= 7 && !ParseNumber(argv[6], &timeoutMs)) return 1;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                           SMTO_ABORTIFHUNG, static_cast<UINT>(timeoutMs), &result))
    return 1;
  return Out(std::to_string(static_cast<long long>(result)) + "\n");
}

int SetText(int argc, wchar_t** argv) {
  DWORD_PTR result = 0;
  if (argc < 4 || !SendMessageTimeoutW(ParseHwnd(argv[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]),
                                       SMTO_ABORTIFHUNG, 2000, &result))
    return 1;
  return Out(result ? "1\n" : "0\n");
}

// A stand-in window for scenarios that only need some program's title on the
// desktop (a charting program's main window, say).
int ShowWindowWithTitle(int argc, wchar_t** argv) {
  if (argc < 3) return 1;
  RegisterPlainClass(L"ProbeWindow", DefWindowProcW, COLOR_WINDOW);
  HWND window = CreateWindowExW(0, L"ProbeWindow", argv[2], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 500, 400, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return 1;
  Out(Record(window));
  return RunMessageLoop();
}

// The system's handle table, as NtQuerySystemInformation reports it
// (SystemHandleInformation): the fallback where GetProcessHandleCount says 0.
struct SystemHandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandleTable {
  ULONG count;
  SystemHandleEntry entries[1];
};

long CountHandlesInSystemTable(DWORD pid) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(1 << 20);
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
      long count = 0;
      for (ULONG i = 0; i < table->count; ++i) count += table->entries[i].ownerPid == pid;
      return count;
    }
    buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
  }
  return -1;
}

// Every window of the process, top-level and child.
long CountWindows(DWORD pid) {
  long count = 0;
  for (HWND window : WindowsUnder(nullptr))
    if (PidOf(window) == pid) count += 1 + static_cast<long>(WindowsUnder(window).size());
  return count;
}

int Handles(int argc, wchar_t** argv) {
  long long pid = 0;
  if (argc < 3 || !ParseNumber(argv[2], &pid)) return 1;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (!process) return 2;
  DWORD counted = 0;
  long handles = GetProcessHandleCount(process, &counted) && counted > 0 ? static_cast<long>(counted) : -1;
  CloseHandle(process);
  if (handles < 0) handles = CountHandlesInSystemTable(static_cast<DWORD>(pid));
  if (handles < 0) return 1;
  return Out(std::to_string(handles) + " " + std::to_string(CountWindows(static_cast<DWORD>(pid))) + "\n");
}

// Each WM_NULL waits until the window's thread takes it: the longest wait is
// the longest stretch in which that thread handled no messages.
int Ping(int argc, wchar_t** argv) {
  long long duration = 0, bound = 10000;
  if (argc < 4 || !ParseNumber(argv[3], &duration) || (argc >= 5 && !ParseNumber(argv[4], &bound))) return 1;
  HWND window = ParseHwnd(argv[2]);
  if (!IsWindow(window)) return 2;
  LARGE_INTEGER frequency, start, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const double ms = 1000.0 / static_cast<double>(frequency.QuadPart);
  double longest = 0, total = 0;
  long count = 0, failed = 0;
  do {
    QueryPerformanceCounter(&before);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(bound), &result)) ++failed;
    QueryPerformanceCounter(&after);
    const double took = static_cast<double>(after.QuadPart - before.QuadPart) * ms;
    longest = took > longest ? took : longest;
    total += took;
    ++count;
    Sleep(5);
  } while (static_cast<double>(after.QuadPart - start.QuadPart) * ms < static_cast<double>(duration));
  char out[128];
  std::snprintf(out, sizeof out, "%ld %.1f %.1f %ld\n", count, longest, total / count, failed);
  return Out(out);
}

int Clipboard() {
  if (!OpenClipboard(nullptr)) return 1;
  int code = 2;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      Out(std::string(bytes));
      GlobalUnlock(data);
      code = 0;
    }
  }
  CloseClipboard();
  return code;
}

// A tooltip answers TTM_ENUMTOOLSW by copying into the TOOLINFOW it is given,
// and the tray's tooltips belong to another process: the structure and the
// text buffer must be in that process's memory.
int Tips() {
  constexpr SIZE_T kTextChars = 1024;
  for (HWND tooltip : WindowsUnder(nullptr)) {
    if (ClassOf(tooltip) != TOOLTIPS_CLASSW) continue;
    const DWORD pid = PidOf(tooltip);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) continue;
    const SIZE_T size = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (remote) {
      DWORD_PTR count = 0;
      SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
      for (DWORD_PTR i = 0; i < count; ++i) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof info;
        info.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof info);
        std::vector<wchar_t> text(kTextChars, L'\0');
        DWORD_PTR found = 0;
        if (!WriteProcessMemory(process, remote, &info, sizeof info, nullptr) ||
            !WriteProcessMemory(process, remote + sizeof info, text.data(), sizeof(wchar_t), nullptr) ||
            !SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 2000,
                                 &found) ||
            !found ||
            !ReadProcessMemory(process, remote + sizeof info, text.data(), kTextChars * sizeof(wchar_t), nullptr))
          continue;
        text.back() = L'\0';
        Out(std::to_string(reinterpret_cast<intptr_t>(tooltip)) + "\t" + std::to_string(pid) + "\t" +
            Escaped(text.data()) + "\n");
      }
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
  }
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  std::wstring command = argv[1];
  if (command == L"acp") return Out(std::to_string(GetACP()) + "\n");
  if (command == L"windows") {
    for (HWND window : WindowsUnder(nullptr)) Out(Record(window));
    return 0;
  }
  if (command == L"info" && argc >= 3) return WriteRecord(ParseHwnd(argv[2]));
  std::wstring text;
  if (command == L"text" && argc >= 3) return TextOf(ParseHwnd(argv[2]), &text) ? Out(Utf8(text)) : 2;
  if (command == L"children" && argc >= 3) return Children(ParseHwnd(argv[2]));
  if (command == L"foreground") return WriteRecord(GetForegroundWindow());
  if (command == L"focus" && argc >= 3) return Focus(ParseHwnd(argv[2]));
  if (command == L"cursor") {
    POINT point = {};
    return GetCursorPos(&point) ? Out(std::to_string(point.x) + " " + std::to_string(point.y) + "\n") : 1;
  }
  if (command == L"ini") return Profile(argc, argv);
  if (command == L"post") return Message(argc, argv, true);
  if (command == L"send") return Message(argc, argv, false);
  if (command == L"settext") return SetText(argc, argv);
  if (command == L"window") return ShowWindowWithTitle(argc, argv);
  if (command == L"handles") return Handles(argc, argv);
  if (command == L"ping") return Ping(argc, argv);
  if (command == L"clipboard") return Clipboard();
  if (command == L"tips") return Tips();
  return 1;
}

// A request's arguments: tab-separated, each escaped like a title.
std::vector<std::wstring> RequestArguments(const std::wstring& line) {
  std::vector<std::wstring> args = {L"probe_cli", L""};
  for (size_t i = 0; i < line.size(); ++i) {
    wchar_t c = line[i];
    if (c == L'\t') {
      args.emplace_back();
      continue;
    }
    if (c == L'\\' && i + 1 < line.size() && line[i + 1] != L'\t') {
      c = line[++i];
      c = c == L't' ? L'\t' : c == L'r' ? L'\r' : c == L'n' ? L'\n' : c;
    }
    args.back() += c;
  }
  return args;
}

// The harness's one long-lived probe: the same commands, one per line, each
// answered whole before the next is read.  A program that shows a window
// would never answer, so "window" is refused here.
int Serve() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char chunk[4096];
  for (;;) {
    size_t end;
    while ((end = pending.find('\n')) == std::string::npos) {
      DWORD got = 0;
      if (!ReadFile(input, chunk, sizeof chunk, &got, nullptr) || got == 0) return 0;
      pending.append(chunk, got);
    }
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::wstring> args = RequestArguments(Widen(line, CP_UTF8));
    std::vector<wchar_t*> argv;
    for (std::wstring& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::string output;
    gCapture = &output;
    const int code = args[1] == L"window" || args[1] == L"serve" ? 1 : Run(static_cast<int>(args.size()), argv.data());
    gCapture = nullptr;
    Write(std::to_string(code) + " " + std::to_string(output.size()) + "\n" + output);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wstring(argv[1]) == L"serve") return Serve();
  return Run(argc, argv);
}
