// contract_peer: the second program of the contract cases under Wine.
//
// It creates the windows its command line asks for, tells the case their
// handles through a file, and logs the key messages it takes from its queue.
//
//   contract_peer.exe --out=PATH [--log=PATH] [--hang=MS] WINDOW...
//
// WINDOW is "name,class,parent,owner,flags,title": class "ContractPeer" (the
// peer's own) or "Edit"; parent and owner are names of windows given before
// it (empty for none); flags are letters: v visible, m minimised, f focused,
// F foreground; title is the GBK bytes in hex.  Windows are created in the
// order given.  Once all exist, the focused one gets the focus, then the
// foreground one is brought forward, and PATH receives one line
// "name handle" per window (handles in decimal) and a last line "ready".
//
// --log appends "name message wParam lParam down" (decimal) for every
// WM_KEYDOWN and WM_KEYUP taken from the queue; down is 1 while GetKeyState
// says the key is down as it is taken (typed keys, not posted ones).  --hang stops the window thread MS
// after the windows exist, until the program is ended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "probe_text.h"

namespace {

FILE* logFile = nullptr;

struct Made {
  std::string name;
  HWND handle;
};
std::vector<Made> made;

const char* NameOf(HWND window) {
  for (auto& m : made)
    if (m.handle == window) return m.name.c_str();
  return "other";
}

// The active window gives the focus back to the control that had it, as
// dialogs do.
LRESULT CALLBACK PeerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) SetPropA(window, "focus", focus);
      } else {
        HWND focus = static_cast<HWND>(GetPropA(window, "focus"));
        if (focus && IsWindow(focus) && !IsIconic(window)) {
          SetFocus(focus);
          return 0;
        }
      }
      break;
    case WM_DESTROY:
      if (!GetParent(window) && !GetWindow(window, GW_OWNER)) PostQuitMessage(0);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

HWND Find(const std::string& name) {
  for (auto& m : made)
    if (m.name == name) return m.handle;
  return nullptr;
}

void WriteOut(const std::wstring& path, const std::string& text) {
  std::wstring temporary = path + L".part";
  FILE* f = _wfopen(temporary.c_str(), L"wb");
  if (!f) return;
  std::fputs(text.c_str(), f);
  std::fclose(f);
  MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::wstring out, log;
  unsigned hang = 0;
  std::vector<std::string> shapes;
  for (const std::wstring& arg : Arguments()) {
    if (arg.rfind(L"--out=", 0) == 0)
      out = arg.substr(6);
    else if (arg.rfind(L"--log=", 0) == 0)
      log = arg.substr(6);
    else if (arg.rfind(L"--hang=", 0) == 0)
      hang = static_cast<unsigned>(std::wcstoul(arg.c_str() + 7, nullptr, 10));
    else
      shapes.push_back(Narrow(arg, CP_ACP));
  }
  if (out.empty()) return 2;

  WNDCLASSA wc{};
  wc.lpfnWndProc = PeerProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "ContractPeer";
  RegisterClassA(&wc);

  HWND focus = nullptr, front = nullptr;
  int topLevel = 0, children = 0;
  for (const std::string& shape : shapes) {
    std::vector<std::string> f = Split(shape);
    if (f.size() < 6) return 3;
    const std::string &name = f[0], &className = f[1], &flags = f[4];
    std::string title = FromHex(f[5]);
    HWND parent = Find(f[2]), owner = Find(f[3]);
    bool visible = flags.find('v') != std::string::npos, minimized = flags.find('m') != std::string::npos;
    DWORD style;
    int x, y, w, h;
    if (parent) {
      style = WS_CHILD | (className == "Edit" ? WS_BORDER | ES_AUTOHSCROLL : 0);
      x = 10, y = 10 + 30 * children++, w = 200, h = 25;
    } else {
      style = owner ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
      x = 60 + 40 * topLevel, y = 60 + 30 * topLevel, w = 400, h = 250;
      ++topLevel;
    }
    if (visible && !minimized) style |= WS_VISIBLE;
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), style, x, y, w, h, parent ? parent : owner,
                                  nullptr, instance, nullptr);
    if (!window) return 4;
    if (visible && minimized) ShowWindow(window, SW_SHOWMINNOACTIVE);
    made.push_back({name, window});
    if (flags.find('f') != std::string::npos) focus = window;
    if (flags.find('F') != std::string::npos) front = window;
  }
  if (focus) SetFocus(focus);
  if (front) SetForegroundWindow(front);

  if (!log.empty()) logFile = _wfopen(log.c_str(), L"ab");
  std::string handles;
  for (auto& m : made)
    handles += m.name + " " + std::to_string(static_cast<long>(reinterpret_cast<INT_PTR>(m.handle))) + "\n";
  WriteOut(out, handles + "ready\n");
  if (hang) SetTimer(nullptr, 0, hang, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (logFile && (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)) {
      std::fprintf(logFile, "%s %u %llu %llu %d\n", NameOf(msg.hwnd), msg.message,
                   static_cast<unsigned long long>(msg.wParam),
                   static_cast<unsigned long long>(static_cast<DWORD>(msg.lParam)),
                   GetKeyState(static_cast<int>(msg.wParam)) < 0 ? 1 : 0);
      std::fflush(logFile);
    }
    if (msg.message == WM_TIMER && !msg.hwnd)
      for (;;) Sleep(60000);  // hung until ended
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
