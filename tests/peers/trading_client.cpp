// trading_client: a stand-in broker order-entry program for the Wine runs.
//
// It behaves the way the program expects of an order-entry client, and logs
// what it receives so a scenario can check what was done to it:
// a visible top-level window; a buy and a sell form, each opened by its hot
// key arriving as WM_KEYDOWN in the window thread's queue (posted to the main
// window or typed), whose code field (class "Edit") takes the keyboard focus
// a little later.  Nothing it shows is ever submitted anywhere.
//
// trading_client.exe carries the FileDescription "机构版主程序";
// trading_client_plain.exe is the same program with a description that holds
// no marker.
//
// Options, each "--name=value" or a bare "--flag", in any order:
//   --title=TEXT      caption of the main window (default "模拟委托终端")
//   --buy-key=VK      virtual-key code that opens the buy form (default 112, F1)
//   --sell-key=VK     virtual-key code that opens the sell form (default 113, F2)
//   --focus-delay=MS  time from the hot key until the form's code field has
//                     the focus (default 100; 0 focuses at once)
//   --code=TEXT       text both code fields start with (default empty)
//   --minimized       start minimised (visible, iconic)
//   --hidden          never show the main window (like a client sent to the
//                     notification area)
//   --popup=TITLE     also show an owned log-in window with this caption above
//                     the main window
//   --hang-after=MS   after MS the window thread stops answering messages...
//   --hang-on=PATH    ...or as soon as the file PATH exists (looked for every
//                     100 ms), so a scenario chooses the moment...
//   --hang-for=MS     ...for this long (default 600000), then answers again
//   --clear-code      a hot key also empties its form's code field, as many
//                     clients do, so every fill shows in the log as a change
//   --ignore-replace  the code fields leave their text alone on EM_REPLACESEL,
//                     as some broker builds do: only typed characters
//                     (WM_CHAR) change them
//   --name-on-typing  when typed characters complete a six-digit code in a
//                     code field, the form shows the security's name and fills
//                     in its price, as clients that look the code up on keys
//                     do; any other change of the field (a replace, a set
//                     text, a code not complete) clears both
//   --stall-on-activate=MS  the first time the main window is activated after
//                     start-up, its thread stalls MS in WM_ACTIVATE, as
//                     clients that refresh their accounts when brought
//                     forward do
//   --keyboard-only   the code fields take only keyboard input, as the most
//                     common broker builds do: EM_REPLACESEL leaves them
//                     alone, and so does a WM_CHAR whose key is not down
//                     (GetKeyState) as it is handled: one posted, or one
//                     made from a posted WM_KEYDOWN
//   --hot-key-down    a hot key opens its form only when its key is down
//                     (GetKeyState) as it is taken from the queue: typed on
//                     the keyboard, not posted
//   --key-delay=MS    a code field takes MS over each WM_CHAR it handles
//   --key-busy=MS     the window thread takes MS over each hot key before its
//                     form opens, as clients busy with the last order do
//   --last-order=TEXT from the start the buy form is on show as the last
//                     order left it: its 数量 field holds TEXT and the focus
//   --default-button  the order button is its form's default button: Enter,
//                     posted or typed to any of the client's windows while a
//                     form is on show, presses it, as in a dialog
//   --left=X          the main window's left edge (default 200)
//   --log=PATH        event log, appended, UTF-8, one event a line
// An unknown option ends the program at once with exit code 2.
//
// Log lines start with the wall-clock time in milliseconds since 1970 (three
// decimals, from GetSystemTimePreciseAsFileTime), then the event.  Window
// handles are decimal.
//   T START pid=P main=H popup=H buy=H sell=H buy.name=H buy.price=H
//           sell.name=H sell.price=H buy.quantity=H
//                                        (popup=0 without --popup; buy and sell
//                                         are the code fields, *.name the
//                                         static showing the name)
//   T WM_KEYDOWN 0x70 0x003B0001 main   every key message taken from the queue:
//                                       WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
//                                       WM_SYSKEYUP, WM_CHAR, ...; wParam and
//                                       lParam in hex; the window it was for
//                                       (main, popup, buy.code, sell.code,
//                                       buy.price, ..., or other)
//   T FORM buy|sell                     a hot key showed that form
//   T FOCUS buy|sell                    its code field got the focus
//   T CODE buy|sell TEXT                the code field's text changed (TEXT
//                                       may be empty)
//   T SELECT buy|sell START END         EM_SETSEL reached a code field
//   T REPLACE buy|sell taken|ignored    EM_REPLACESEL reached a code field
//   T CHAR buy|sell 0x36                a WM_CHAR reached a code field, sent or
//                                       posted; consecutive CHAR lines (with
//                                       only CODE and NAME lines between them)
//                                       are one run of typing
//   T DROP buy|sell 0x36                --keyboard-only: a WM_CHAR whose key
//                                       was not down, left alone
//   T NAME buy|sell NAME PRICE          --name-on-typing filled in the form
//   T SUBMIT buy|sell                   the form's order button was pressed
//   T HANG MS / T AWAKE                 the window thread stops / answers again
//                                       (also for --stall-on-activate)
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602  // GetSystemTimePreciseAsFileTime
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "control_file.h"

namespace {

enum : UINT_PTR { kFocusTimer = 1, kHangTimer = 2 };
enum : int { kBuy = 0, kSell = 1 };
enum : WORD { kIdCode = 100, kIdPrice = 101, kIdQuantity = 102, kIdSubmit = 103, kIdName = 104 };
constexpr const wchar_t* kSideName[] = {L"buy", L"sell"};

struct Options {
  std::wstring title = L"模拟委托终端", code, popupTitle, hangFile, lastOrder, logPath;
  UINT buyKey = VK_F1, sellKey = VK_F2, focusDelay = 100, hangAfter = 0, hangFor = 600000, stallOnActivate = 0,
       keyDelay = 0, keyBusy = 0, left = 200;
  bool minimized = false, hidden = false, popup = false, hang = false, clearCode = false, ignoreReplace = false,
       nameOnTyping = false, keyboardOnly = false, hotKeyDown = false, defaultButton = false;
};

// One order form: its controls live directly in the main window, so their
// notifications come to it; a form is shown by showing its controls.
struct Form {
  HWND header = nullptr, codeLabel = nullptr, code = nullptr, name = nullptr, priceLabel = nullptr, price = nullptr,
       quantityLabel = nullptr, quantity = nullptr, submit = nullptr;
  WNDPROC editProc = nullptr;  // the code field's own procedure, under ours
};

struct Client {
  Options options;
  HANDLE log = INVALID_HANDLE_VALUE;
  HWND main = nullptr, popup = nullptr, hint = nullptr;
  Form forms[2];
  int current = -1;      // the form on show, -1 before the first hot key
  bool ready = false;    // texts set while building the window are not changes
  bool started = false;  // shown: activations from now on are the program's
} g;

void Log(const std::wstring& event) {
  if (g.log == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const unsigned long long micros = (ticks - 116444736000000000ULL) / 10;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%llu.%03llu ", micros / 1000, micros % 1000);
  // One write per line, so a reader never sees half a line.
  const std::string line = stamp + Utf8(event) + "\n";
  DWORD written = 0;
  WriteFile(g.log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring Number(unsigned long long value) { return std::to_wstring(value); }
std::wstring Handle(HWND window) { return Number(reinterpret_cast<ULONG_PTR>(window)); }

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

std::wstring RoleOf(HWND window) {
  if (window == g.main) return L"main";
  if (window && window == g.popup) return L"popup";
  for (int side : {kBuy, kSell}) {
    const Form& f = g.forms[side];
    const std::wstring name = kSideName[side];
    if (window == f.code) return name + L".code";
    if (window == f.price) return name + L".price";
    if (window == f.quantity) return name + L".quantity";
    if (window == f.submit) return name + L".submit";
  }
  return L"other";
}

// The key messages run from WM_KEYDOWN (0x100) to WM_SYSDEADCHAR (0x107).
void LogKeyMessage(const MSG& msg) {
  static const wchar_t* const kNames[] = {L"WM_KEYDOWN",    L"WM_KEYUP",    L"WM_CHAR",    L"WM_DEADCHAR",
                                          L"WM_SYSKEYDOWN", L"WM_SYSKEYUP", L"WM_SYSCHAR", L"WM_SYSDEADCHAR"};
  if (msg.message < WM_KEYDOWN || msg.message > WM_SYSDEADCHAR) return;
  wchar_t text[96];
  std::swprintf(text, sizeof text / sizeof text[0], L"%ls 0x%02llX 0x%08lX ", kNames[msg.message - WM_KEYDOWN],
                static_cast<unsigned long long>(msg.wParam), static_cast<unsigned long>(msg.lParam & 0xFFFFFFFF));
  Log(text + RoleOf(msg.hwnd));
}

void FocusCodeField() {
  KillTimer(g.main, kFocusTimer);
  if (g.current < 0) return;
  SetFocus(g.forms[g.current].code);
  Log(std::wstring(L"FOCUS ") + kSideName[g.current]);
}

void ShowControls(int side) {
  for (int other : {kBuy, kSell}) {
    const int show = other == side ? SW_SHOW : SW_HIDE;
    const Form& f = g.forms[other];
    for (HWND control :
         {f.header, f.codeLabel, f.code, f.name, f.priceLabel, f.price, f.quantityLabel, f.quantity, f.submit}) {
      ShowWindow(control, show);
    }
  }
  ShowWindow(g.hint, SW_HIDE);
  g.current = side;
}

void ShowForm(int side) {
  ShowControls(side);
  Log(std::wstring(L"FORM ") + kSideName[side]);
  if (g.options.clearCode) SetWindowTextW(g.forms[side].code, L"");
  if (g.options.focusDelay == 0) {
    FocusCodeField();
  } else {
    SetTimer(g.main, kFocusTimer, g.options.focusDelay, nullptr);  // replaces a pending one
  }
}

// Hot keys act whichever of the client's windows the key was meant for, as
// accelerators do.
bool HandleHotKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != g.options.buyKey && msg.wParam != g.options.sellKey)) return false;
  if (g.options.hotKeyDown && GetKeyState(static_cast<int>(msg.wParam)) >= 0) return false;
  if (g.options.keyBusy) Sleep(g.options.keyBusy);
  ShowForm(msg.wParam == g.options.buyKey ? kBuy : kSell);
  return true;
}

// Enter presses the default button of the form on show.
bool HandleEnter(const MSG& msg) {
  if (!g.options.defaultButton || msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN || g.current < 0) return false;
  SendMessageW(g.forms[g.current].submit, BM_CLICK, 0, 0);
  return true;
}

void Stall(UINT ms) {
  Log(L"HANG " + Number(ms));
  Sleep(ms);
  Log(L"AWAKE");
}

// The securities a client looking codes up knows; any other code gets no name.
struct Security {
  const wchar_t *code, *name, *price;
};
constexpr Security kSecurities[] = {
    {L"600036", L"招商银行", L"35.20"},
    {L"600000", L"浦发银行", L"7.85"},
    {L"000001", L"平安银行", L"11.02"},
    {L"000002", L"万科Ａ", L"8.60"},
};

void ShowSecurity(int side, bool typed) {
  const Form& f = g.forms[side];
  const std::wstring code = TextOf(f.code);
  const Security* found = nullptr;
  for (const Security& s : kSecurities)
    if (typed && code == s.code) found = &s;  // a complete code, each of them
  if (!found) {
    if (GetWindowTextLengthW(f.name) > 0) SetWindowTextW(f.name, L"");
    if (GetWindowTextLengthW(f.price) > 0) SetWindowTextW(f.price, L"");
    return;
  }
  SetWindowTextW(f.name, found->name);
  SetWindowTextW(f.price, found->price);
  Log(std::wstring(L"NAME ") + kSideName[side] + L" " + found->name + L" " + found->price);
}

LRESULT CALLBACK CodeFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int side = window == g.forms[kSell].code ? kSell : kBuy;
  const Form& f = g.forms[side];
  const std::wstring name = kSideName[side];
  switch (message) {
    case EM_SETSEL:
      Log(L"SELECT " + name + L" " + std::to_wstring(static_cast<long long>(static_cast<INT_PTR>(wParam))) + L" " +
          std::to_wstring(static_cast<long long>(lParam)));
      break;
    case EM_REPLACESEL: {
      const bool ignore = g.options.ignoreReplace || g.options.keyboardOnly;
      Log(L"REPLACE " + name + (ignore ? L" ignored" : L" taken"));
      if (ignore) return 0;
      break;
    }
    case WM_CHAR: {
      const SHORT key = VkKeyScanW(static_cast<wchar_t>(wParam));
      const bool drop = g.options.keyboardOnly && (key == -1 || GetKeyState(key & 0xFF) >= 0);
      wchar_t text[32];
      std::swprintf(text, sizeof text / sizeof text[0], L"%ls %ls 0x%02llX", drop ? L"DROP" : L"CHAR", name.c_str(),
                    static_cast<unsigned long long>(wParam));
      Log(text);
      if (drop) return 0;
      const LRESULT result = CallWindowProcW(f.editProc, window, message, wParam, lParam);
      if (g.options.nameOnTyping) ShowSecurity(side, true);
      if (g.options.keyDelay) Sleep(g.options.keyDelay);
      return result;
    }
    default:
      break;
  }
  const LRESULT result = CallWindowProcW(f.editProc, window, message, wParam, lParam);
  if (g.options.nameOnTyping && (message == EM_REPLACESEL || message == WM_SETTEXT)) ShowSecurity(side, false);
  return result;
}

HWND Control(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, HWND parent, WORD id) {
  HWND control =
      CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

// The control ids of the two forms differ by the side, so that WM_COMMAND
// tells them apart.
WORD FormId(int side, WORD id) { return static_cast<WORD>(id + side * 10); }

void BuildForm(int side) {
  const bool buy = side == kBuy;
  Form& f = g.forms[side];
  const HWND p = g.main;
  f.header = Control(L"Static", buy ? L"买入股票" : L"卖出股票", 0, 16, 40, 200, 20, p, 0);
  f.codeLabel = Control(L"Static", L"证券代码", 0, 16, 72, 86, 20, p, 0);
  f.code = Control(L"Edit", g.options.code.c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 106, 70, 120, 22, p,
                   FormId(side, kIdCode));
  f.editProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(f.code, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CodeFieldProc)));
  f.name = Control(L"Static", L"", 0, 236, 72, 120, 20, p, FormId(side, kIdName));
  f.priceLabel = Control(L"Static", buy ? L"买入价格" : L"卖出价格", 0, 16, 104, 86, 20, p, 0);
  f.price =
      Control(L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 106, 102, 120, 22, p, FormId(side, kIdPrice));
  f.quantityLabel = Control(L"Static", buy ? L"买入数量" : L"卖出数量", 0, 16, 136, 86, 20, p, 0);
  f.quantity = Control(L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_NUMBER, 106, 134, 120, 22, p,
                       FormId(side, kIdQuantity));
  f.submit = Control(L"Button", buy ? L"买入下单" : L"卖出下单",
                     WS_TABSTOP | (g.options.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 106, 168, 120, 26, p,
                     FormId(side, kIdSubmit));
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      const int side = id >= kIdCode + 10 ? kSell : kBuy;
      const WORD base = static_cast<WORD>(id - side * 10);
      if (base == kIdCode && HIWORD(wParam) == EN_CHANGE && g.ready) {
        Log(std::wstring(L"CODE ") + kSideName[side] + L" " + TextOf(g.forms[side].code));
      } else if (base == kIdSubmit && HIWORD(wParam) == BN_CLICKED) {
        Log(std::wstring(L"SUBMIT ") + kSideName[side]);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && g.started && g.options.stallOnActivate) {
        const UINT stall = g.options.stallOnActivate;
        g.options.stallOnActivate = 0;
        Stall(stall);
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_TIMER:
      if (wParam == kFocusTimer) FocusCodeField();
      if (wParam == kHangTimer &&
          (g.options.hangFile.empty() || GetFileAttributesW(g.options.hangFile.c_str()) != INVALID_FILE_ATTRIBUTES)) {
        KillTimer(g.main, kHangTimer);
        Stall(g.options.hangFor);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

template <class T>
struct Field {
  const wchar_t* name;
  T* value;
};

// An option may set one field of each kind: "--popup=TITLE" both turns the
// pop-up on and gives its title.
bool ParseOptions(const std::vector<std::wstring>& args) {
  Options& o = g.options;
  const Field<std::wstring> texts[] = {{L"--title", &o.title},          {L"--code", &o.code},
                                       {L"--popup", &o.popupTitle},     {L"--hang-on", &o.hangFile},
                                       {L"--last-order", &o.lastOrder}, {L"--log", &o.logPath}};
  const Field<UINT> numbers[] = {
      {L"--buy-key", &o.buyKey},       {L"--sell-key", &o.sellKey}, {L"--focus-delay", &o.focusDelay},
      {L"--hang-after", &o.hangAfter}, {L"--hang-for", &o.hangFor}, {L"--stall-on-activate", &o.stallOnActivate},
      {L"--key-delay", &o.keyDelay},   {L"--key-busy", &o.keyBusy}, {L"--left", &o.left}};
  const Field<bool> flags[] = {{L"--minimized", &o.minimized},
                               {L"--hidden", &o.hidden},
                               {L"--popup", &o.popup},
                               {L"--hang-after", &o.hang},
                               {L"--hang-on", &o.hang},
                               {L"--clear-code", &o.clearCode},
                               {L"--ignore-replace", &o.ignoreReplace},
                               {L"--name-on-typing", &o.nameOnTyping},
                               {L"--keyboard-only", &o.keyboardOnly},
                               {L"--hot-key-down", &o.hotKeyDown},
                               {L"--default-button", &o.defaultButton}};
  for (const std::wstring& arg : args) {
    const size_t eq = arg.find(L'=');
    const std::wstring name = arg.substr(0, eq);
    const std::wstring value = eq == std::wstring::npos ? L"" : arg.substr(eq + 1);
    bool known = false;
    for (const auto& f : texts)
      if (name == f.name) *f.value = value, known = true;
    for (const auto& f : numbers)
      if (name == f.name) *f.value = static_cast<UINT>(std::wcstoul(value.c_str(), nullptr, 0)), known = true;
    for (const auto& f : flags)
      if (name == f.name) *f.value = true, known = true;
    if (!known) return false;
  }
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (!ParseOptions(Arguments())) return 2;
  const Options& o = g.options;
  if (!o.logPath.empty()) {
    g.log = CreateFileW(o.logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  RegisterPlainClass(L"StandInOrderClient", MainProc, COLOR_BTNFACE, IDI_APPLICATION);
  RegisterPlainClass(L"StandInOrderLogin", DefWindowProcW, COLOR_BTNFACE, IDI_APPLICATION);

  g.main = CreateWindowExW(0, L"StandInOrderClient", o.title.c_str(), WS_OVERLAPPEDWINDOW, static_cast<int>(o.left),
                           150, 480, 300, nullptr, nullptr, instance, nullptr);
  if (!g.main) return 1;
  wchar_t hint[96];
  std::swprintf(hint, sizeof hint / sizeof hint[0], L"按 0x%02X 买入, 0x%02X 卖出", o.buyKey, o.sellKey);
  g.hint = Control(L"Static", hint, WS_VISIBLE, 16, 16, 300, 20, g.main, 0);
  BuildForm(kBuy);
  BuildForm(kSell);
  g.ready = true;

  if (!o.hidden) ShowWindow(g.main, o.minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  if (!o.lastOrder.empty()) {
    ShowControls(kBuy);
    SetWindowTextW(g.forms[kBuy].quantity, o.lastOrder.c_str());
    SetFocus(g.forms[kBuy].quantity);
  }
  if (o.popup) {
    g.popup =
        CreateWindowExW(WS_EX_DLGMODALFRAME, L"StandInOrderLogin", o.popupTitle.c_str(),
                        WS_POPUP | WS_CAPTION | WS_SYSMENU, 260, 200, 280, 170, g.main, nullptr, instance, nullptr);
    ShowWindow(g.popup, SW_SHOWNORMAL);
  }
  if (o.hang) SetTimer(g.main, kHangTimer, o.hangFile.empty() ? o.hangAfter : 100, nullptr);
  g.started = true;
  Log(L"START pid=" + Number(GetCurrentProcessId()) + L" main=" + Handle(g.main) + L" popup=" + Handle(g.popup) +
      L" buy=" + Handle(g.forms[kBuy].code) + L" sell=" + Handle(g.forms[kSell].code) + L" buy.name=" +
      Handle(g.forms[kBuy].name) + L" buy.price=" + Handle(g.forms[kBuy].price) + L" sell.name=" +
      Handle(g.forms[kSell].name) + L" sell.price=" + Handle(g.forms[kSell].price) + L" buy.quantity=" +
      Handle(g.forms[kBuy].quantity));

  const int code = RunMessageLoop([](MSG& msg) {
    LogKeyMessage(msg);
    return HandleHotKey(msg) || HandleEnter(msg);
  });
  if (g.log != INVALID_HANDLE_VALUE) CloseHandle(g.log);
  return code;
}
