// floor_title_poll: the unavoidable part of lingbo.exe's quote tick while it
// is attached to 大智慧 and nothing changes: one read of the front chart
// document's title every 100 ms, and nothing else.  The floor that the
// program's CPU time while waiting is measured against.
//
//   floor_title_poll [--also PART]...
//
// --also  adds one more of lingbo.exe's per-tick calls, to see what each
//         costs: "profile" (one GetPrivateProfileStringA of a key in a
//         new.ini beside this program, as the code cache lookup does),
//         "timer" (KillTimer and SetTimer around the tick, as the program
//         stops and re-arms its timer), "iswindow" (IsWindow of the frame
//         and FindWindowExA for the document, as the program checks them),
//         "timeout" (the title read with SendMessageTimeoutA, SMTO_ABORTIFHUNG
//         and 500 ms, as the program reads it, instead of SendMessageA),
//         "window" (the timer on a visible 120x24 window, as on the bar,
//         instead of a message-only window: each wake-up then also looks at
//         the display connection)
//
// Finds the first visible top-level window whose title begins with "大智慧"
// and has an "MDIClient" child (looked for again on each tick until found),
// then reads the title of that client's first child on every tick with
// WM_GETTEXTLENGTH and WM_GETTEXT, as an ANSI caller.  No window of its own
// is shown; a message-only window carries the timer.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

namespace {

constexpr UINT kTickMs = 100;

HWND mdiClient = nullptr;
HWND frame = nullptr;
std::string title;  // kept, so the read cannot be optimised away
bool alsoProfile = false, alsoTimer = false, alsoIsWindow = false, alsoTimeout = false, alsoWindow = false;
char iniPath[MAX_PATH] = {};

BOOL CALLBACK FindDzh(HWND window, LPARAM) {
  char text[64] = {};
  if (!IsWindowVisible(window) || !GetWindowTextA(window, text, sizeof text)) return TRUE;
  if (std::strncmp(text, "大智慧", std::strlen("大智慧")) != 0) return TRUE;
  mdiClient = FindWindowExA(window, nullptr, "MDIClient", nullptr);
  frame = window;
  return mdiClient ? FALSE : TRUE;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!alsoTimeout) return SendMessageA(window, message, wParam, lParam);
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 500, &result)
             ? static_cast<LRESULT>(result)
             : 0;
}

void Tick() {
  if (!mdiClient || !IsWindow(mdiClient)) {
    mdiClient = nullptr;
    EnumWindows(FindDzh, 0);
    return;
  }
  if (alsoIsWindow) IsWindow(frame);
  const HWND document =
      alsoIsWindow ? FindWindowExA(mdiClient, nullptr, nullptr, nullptr) : GetWindow(mdiClient, GW_CHILD);
  if (!document) return;
  const LRESULT length = Ask(document, WM_GETTEXTLENGTH, 0, 0);
  title.resize(static_cast<size_t>(length > 0 ? length : 0) + 1);
  const LRESULT got = Ask(document, WM_GETTEXT, title.size(), reinterpret_cast<LPARAM>(title.data()));
  title.resize(static_cast<size_t>(got > 0 ? got : 0));
  if (alsoProfile) {
    char code[10240];
    GetPrivateProfileStringA("代码表", title.c_str(), "", code, sizeof code, iniPath);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring part = argv[i + 1];
    alsoProfile |= part == L"profile";
    alsoTimer |= part == L"timer";
    alsoIsWindow |= part == L"iswindow";
    alsoTimeout |= part == L"timeout";
    alsoWindow |= part == L"window";
  }
  LocalFree(argv);
  GetModuleFileNameA(nullptr, iniPath, MAX_PATH);
  if (char* slash = std::strrchr(iniPath, '\\')) std::strcpy(slash + 1, "new.ini");

  HWND carrier =
      alsoWindow
          ? CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"floor_title_poll", WS_POPUP | WS_VISIBLE,
                            900, 700, 120, 24, nullptr, nullptr, nullptr, nullptr)
          : CreateWindowExW(0, L"STATIC", L"floor_title_poll", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!carrier) return 1;
  SetTimer(carrier, 1, kTickMs, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message != WM_TIMER) {
      DispatchMessageW(&message);  // painting, when there is a window to paint
      continue;
    }
    if (alsoTimer) KillTimer(carrier, 1);
    Tick();
    if (alsoTimer) SetTimer(carrier, 1, kTickMs, nullptr);
  }
  return 0;
}
