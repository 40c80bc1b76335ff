// dzh_standin: stands in for the charting program 大智慧 in the end-to-end
// scenarios.  It offers what the quote reader relies on: a frame whose title
// begins with "大智慧", an "MDIClient" at a chosen child position, and MDI
// chart documents whose titles are security names.  The scenario copies it
// into a folder laid out like the real program's (exe, data\sh\, data\sz\).
//
//   dzh_standin [--title TEXT] [--mdi-position N] [--control FILE]
//               [--hang-after MS [--hang-for MS]] NAME...
//   dzh_standin --tdx [--control FILE] [--rewrite-tables] PAGE
//
// --tdx           stands in for 通达信 instead: a frame of class
//                 "TdxW_MainFrame_Class" titled "通达信金融终端V7.642 - [PAGE]"
//                 (PAGE such as "分析图表-平安银行"); the control file's line
//                 is the next PAGE, "front PAGE" also brings the frame to the
//                 top of the Z order.  The scenario writes T0002\hq_cache\*.tnf
// --rewrite-tables  every 10 ms takes T0002\hq_cache\shm.tnf for writing with
//                 other writers denied and writes its header back; each time
//                 that is refused adds a line to T0002\hq_cache\refused.txt
//
// --title         the frame's title (default "大智慧")
// --mdi-position  1-based position of the MDIClient among the frame's
//                 children; plain children fill the places before it
// --control FILE  polled every 100 ms: when its first line (UTF-8) changes,
//                 the document of that name comes to the front, made first
//                 when there is none; an empty line closes every document
// --hang-after    MS after start the window thread stops answering messages
// --hang-for      ...for this long (default 600000), then answers again
// NAME...         the documents at start, the last one in front.  A name
//                 "hex:8140FF..." makes a document that answers WM_GETTEXT
//                 from ANSI callers with exactly those bytes (invalid GBK,
//                 CR, LF, ...); "long:BYTES" one whose title is BYTES bytes
//                 of GBK ("长" repeated, one "Z" at the end for an odd
//                 count); the control file names them the same way
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control_file.h"

namespace {

constexpr wchar_t kFrameClass[] = L"DzhStandinFrame";
constexpr wchar_t kChartClass[] = L"DzhStandinChart";

HWND frame = nullptr;
bool tdx = false;
bool rewriteTables = false;
constexpr UINT_PTR kRewriteTimer = 3;
constexpr wchar_t kTdxTitle[] = L"通达信金融终端V7.642 - [";
HWND mdiClient = nullptr;
Steering steering;

// The hex: and long: documents, known by the control file's name for them.
// A hex: document's text is raw bytes, answered by an ANSI window procedure
// (original is the one under it) so that no code page conversion comes
// between them and the reader.
struct SpecialDocument {
  HWND window;
  std::wstring name;
  std::string bytes;
  WNDPROC original;
};
std::vector<SpecialDocument> specials;

const SpecialDocument* SpecialOf(HWND window) {
  for (const SpecialDocument& special : specials)
    if (special.window == window) return &special;
  return nullptr;
}

LRESULT CALLBACK RawTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const SpecialDocument* raw = SpecialOf(window);
  if (!raw || !raw->original) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(raw->bytes.size());
  if (message == WM_GETTEXT) {
    if (wParam == 0) return 0;
    const size_t n = raw->bytes.size() < wParam - 1 ? raw->bytes.size() : wParam - 1;
    char* out = reinterpret_cast<char*>(lParam);
    std::memcpy(out, raw->bytes.data(), n);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
  }
  return CallWindowProcA(raw->original, window, message, wParam, lParam);
}

HWND OpenDocument(const std::wstring& name) {
  MDICREATESTRUCTW create = {};
  create.szClass = kChartClass;
  create.szTitle = name.c_str();
  create.hOwner = GetModuleHandleW(nullptr);
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  HWND document = reinterpret_cast<HWND>(SendMessageW(mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  if (!document) return nullptr;
  if (name.compare(0, 4, L"hex:") == 0) {
    specials.push_back({document, name, FromHex(name.substr(4)), nullptr});
    specials.back().original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(document, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RawTextProc)));
  } else if (name.compare(0, 5, L"long:") == 0) {
    const size_t bytes = std::wcstoul(name.c_str() + 5, nullptr, 10);
    std::wstring title(bytes / 2, L'长');
    if (bytes % 2) title += L'Z';
    SetWindowTextW(document, title.c_str());
    specials.push_back({document, name, "", nullptr});
  }
  return document;
}

HWND FindDocument(const std::wstring& name) {
  for (HWND child = GetWindow(mdiClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const SpecialDocument* special = SpecialOf(child);
    wchar_t title[512] = {};
    if (!special) GetWindowTextW(child, title, 512);
    if (name == (special ? special->name.c_str() : title)) return child;
  }
  return nullptr;
}

void BringToFront(const std::wstring& name) {
  if (HWND document = FindDocument(name)) {
    SendMessageW(mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document), 0);
    // The front document is the MDI client's first child in Z order.
    SetWindowPos(document, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  } else {
    OpenDocument(name);
  }
}

void CloseAllDocuments() {
  while (HWND child = GetWindow(mdiClient, GW_CHILD))
    SendMessageW(mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
}

void FollowControlLine(const std::string& line) {
  if (tdx) {
    std::wstring page = Widen(line, CP_UTF8);
    if (page.compare(0, 6, L"front ") == 0) {
      page.erase(0, 6);
      SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      SetForegroundWindow(frame);
    }
    SetWindowTextW(frame, (kTdxTitle + page + L"]").c_str());
  } else if (line.empty()) {
    CloseAllDocuments();
  } else {
    BringToFront(Widen(line, CP_UTF8));
  }
}

// What 通达信 does while it updates a table: it takes the file for itself.
void RewriteTable() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring cache = exe;
  cache = cache.substr(0, cache.rfind(L'\\')) + L"\\T0002\\hq_cache\\";
  HANDLE table = CreateFileW((cache + L"shm.tnf").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  char header[50];
  DWORD count = 0;
  // Refused: the file that says so is left behind.
  if (table == INVALID_HANDLE_VALUE)
    table = CreateFileW((cache + L"refused.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  else if (ReadFile(table, header, sizeof header, &count, nullptr) && count == sizeof header)
    WriteFile(table, header, SetFilePointer(table, 0, nullptr, FILE_BEGIN) == 0 ? count : 0, &count, nullptr);
  CloseHandle(table);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kRewriteTimer)
        RewriteTable();
      else
        steering.OnTimer(window, wParam, FollowControlLine);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefFrameProcW(window, mdiClient, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::wstring title = L"大智慧";
  int mdiPosition = 1;
  std::vector<std::wstring> documents;
  const std::vector<std::wstring> args = Arguments();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (steering.TakeOption(args, &i)) continue;
    if (arg == L"--title" && i + 1 < args.size()) {
      title = args[++i];
    } else if (arg == L"--tdx") {
      tdx = true;
    } else if (arg == L"--rewrite-tables") {
      rewriteTables = true;
    } else if (arg == L"--mdi-position" && i + 1 < args.size()) {
      mdiPosition = _wtoi(args[++i].c_str());
    } else {
      documents.push_back(arg);
    }
  }

  const wchar_t* frameClass = tdx ? L"TdxW_MainFrame_Class" : kFrameClass;
  if (tdx) title = kTdxTitle + (documents.empty() ? std::wstring() : documents.back()) + L"]";
  if (!RegisterPlainClass(frameClass, FrameProc, COLOR_APPWORKSPACE) ||
      !RegisterPlainClass(kChartClass, DefMDIChildProcW, COLOR_WINDOW))
    return 1;

  frame = CreateWindowExW(0, frameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 700, 500,
                          nullptr, nullptr, instance, nullptr);
  if (!frame) return 1;
  for (int i = 1; i < mdiPosition; ++i) {
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame, nullptr, instance, nullptr);
  }
  CLIENTCREATESTRUCT client = {};
  client.idFirstChild = 1000;
  mdiClient = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                              680, 460, frame, nullptr, instance, &client);
  if (!mdiClient) return 1;
  if (!tdx)
    for (const std::wstring& name : documents) OpenDocument(name);
  ShowWindow(frame, SW_SHOWNORMAL);
  steering.Start(frame);
  if (rewriteTables) SetTimer(frame, kRewriteTimer, 10, nullptr);

  return RunMessageLoop([](MSG& msg) { return TranslateMDISysAccel(mdiClient, &msg) != FALSE; });
}
