// dzh_standin: stands in for the charting program 大智慧 in the end-to-end
// scenarios.  It offers what the quote reader relies on: a frame whose title
// begins with "大智慧", an "MDIClient" at a chosen child position, and MDI
// chart documents whose titles are security names.  The scenario copies it
// into a folder laid out like the real program's (exe, data\sh\, data\sz\).
//
//   dzh_standin [--title TEXT] [--mdi-position N] [--control FILE] NAME...
//
// --title         the frame's title (default "大智慧")
// --mdi-position  1-based position of the MDIClient among the frame's
//                 children; plain children fill the places before it
// --control FILE  polled every 100 ms: when its first line (UTF-8) changes,
//                 the document of that name comes to the front, made first
//                 when there is none; an empty line closes every document
// NAME...         the documents at start, the last one in front
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr wchar_t kFrameClass[] = L"DzhStandinFrame";
constexpr wchar_t kChartClass[] = L"DzhStandinChart";

HWND frame = nullptr;
HWND mdiClient = nullptr;
std::wstring controlPath;
std::string lastControl = "\x01";  // nothing read yet

HWND FindDocument(const std::wstring& name) {
  for (HWND child = GetWindow(mdiClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t title[512] = {};
    GetWindowTextW(child, title, 512);
    if (name == title) return child;
  }
  return nullptr;
}

HWND OpenDocument(const std::wstring& name) {
  MDICREATESTRUCTW create = {};
  create.szClass = kChartClass;
  create.szTitle = name.c_str();
  create.hOwner = GetModuleHandleW(nullptr);
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  return reinterpret_cast<HWND>(SendMessageW(mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
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

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

void PollControlFile() {
  HANDLE file = CreateFileW(controlPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char buffer[1024];
  DWORD read = 0;
  const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  CloseHandle(file);
  if (!ok) return;
  std::string line(buffer, read);
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
  line = line.substr(0, line.find_first_of("\r\n"));
  if (line == lastControl) return;
  lastControl = line;
  if (line.empty()) {
    CloseAllDocuments();
  } else {
    BringToFront(FromUtf8(line));
  }
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kPollTimer) PollControlFile();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefFrameProcW(window, mdiClient, message, wParam, lParam);
  }
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::wstring title = L"大智慧";
  int mdiPosition = 1;
  std::vector<std::wstring> documents;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--title" && i + 1 < argc) {
      title = argv[++i];
    } else if (arg == L"--mdi-position" && i + 1 < argc) {
      mdiPosition = _wtoi(argv[++i]);
    } else if (arg == L"--control" && i + 1 < argc) {
      controlPath = argv[++i];
    } else {
      documents.push_back(arg);
    }
  }
  LocalFree(argv);

  WNDCLASSW frameClass = {};
  frameClass.lpfnWndProc = FrameProc;
  frameClass.hInstance = instance;
  frameClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frameClass.lpszClassName = kFrameClass;
  WNDCLASSW chartClass = frameClass;
  chartClass.lpfnWndProc = ChartProc;
  chartClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  chartClass.lpszClassName = kChartClass;
  if (!RegisterClassW(&frameClass) || !RegisterClassW(&chartClass)) return 1;

  frame = CreateWindowExW(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 700, 500,
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
  for (const std::wstring& name : documents) OpenDocument(name);
  ShowWindow(frame, SW_SHOWNORMAL);
  if (!controlPath.empty()) SetTimer(frame, kPollTimer, 100, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateMDISysAccel(mdiClient, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
