// The program's own windows, timer, tray icon and menu in the simulated
// desktop, and the user's input to them.
#include <algorithm>
#include <utility>

#include "platform/events.h"
#include "platform/sim/world.h"

namespace sim::detail {

// One of the program's own windows: controls are made visible, top-level
// windows hidden until shown, and the bar topmost.
static Hwnd OwnWindow(const char* className, const char* text, Hwnd parent, platform::Rect rect,
                      Role role = Role::kNone, Hwnd owner = 0) {
  Hwnd h = NewWindow({className, text, 0, 0, parent, owner, parent != 0, false, role == Role::kBar, rect});
  W().windows[h].role = role;
  return h;
}

// Whether the window and all its ancestors are visible (and enabled, when
// asked: whether it reacts to the user's input).
static bool ShownUp(Hwnd window, bool enabled) {
  for (const Window* w = Find(window); w; w = Find(w->parent)) {
    if (!w->visible || (enabled && !w->enabled)) return false;
    if (w->parent <= 1) return true;
  }
  return false;
}

void TextChanged(Hwnd window) {
  const Role role = W().windows[window].role;
  if (role == Role::kBuyBox) Report("OnBuyKeyChanged"), events::OnBuyKeyChanged();
  if (role == Role::kSellBox) Report("OnSellKeyChanged"), events::OnSellKeyChanged();
  if (role == Role::kFunctionBox) Report("OnFunctionKeyChanged"), events::OnFunctionKeyChanged();
}

static const Monitor* MonitorAt(int x, int y) {
  for (const Monitor& m : W().monitors)
    if (x >= m.rect.left && x < m.rect.right && y >= m.rect.top && y < m.rect.bottom) return &m;
  return nullptr;
}

unsigned DpiAt(const platform::Rect& r) {
  const Monitor* m = MonitorAt(r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2);
  if (!m && !W().monitors.empty()) m = &W().monitors.front();
  return m ? m->dpi : 96;
}

void Moved(Hwnd window) {
  World& world = W();
  if (window != world.bar.bar) return;
  Report("OnMainBarMoved"), events::OnMainBarMoved();
  // Windows tells a window that is aware of each monitor's dpi when a move
  // has taken it onto a monitor of another.
  const Window* w = Find(window);
  if (!w || w->minimized) return;
  const unsigned dpi = DpiAt(w->rect);
  if (dpi == world.barDpi) return;
  world.barDpi = dpi;
  Report("OnBarDpiChanged", static_cast<long>(dpi)), events::OnBarDpiChanged(dpi, w->rect.left, w->rect.top);
}

void Destroyed(Hwnd window, Role role) {
  World& world = W();
  world.windows[window].role = Role::kNone;
  if (role == Role::kBar) Report("OnMainBarDestroyed"), events::OnMainBarDestroyed();
  if (role == Role::kKeyWindow) {
    world.keySettings = {};
    Report("OnKeySettingsClosed"), events::OnKeySettingsClosed();
  }
  if (role == Role::kStatusWindow) {
    world.status = {};
    Report("OnStatusClosed"), events::OnStatusClosed();
  }
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

platform::MainBarWindows Bar() { return W().bar; }
platform::KeySettingsWindows KeySettings() { return W().keySettings; }
platform::StatusWindows StatusWindow() { return W().status; }
std::string Clipboard() { return W().clipboard; }

unsigned TimerInterval(unsigned id) {
  for (auto& t : W().timers)
    if (t.id == id && Find(t.window)) return t.interval;
  return 0;
}

TrayState Tray() {
  TrayState state = W().trayCounts;
  for (auto& icon : W().trayIcons) state.present = true, state.icon = icon.icon, state.stale = icon.stale;
  return state;
}

void ChooseFromTrayMenu(platform::TrayMenuItem item) { W().nextChoice = item; }
TrayMenuShown LastTrayMenu() { return W().lastMenu; }
void SetCursorPos(int x, int y) { W().cursor = {x, y}; }
bool Exited(unsigned* exitCode) {
  if (exitCode && W().exited) *exitCode = W().exitCode;
  return W().exited;
}

void TypeInto(Hwnd box, const std::string& text) {
  Window* w = Find(box);
  if (!w || !ShownUp(box, true)) return;
  w->text = text;
  w->selStart = w->selEnd = text.size();
  TextChanged(box);
}

void PressEscape(Hwnd window) {
  Hwnd root = RootOf(window);
  if (root && (root == W().keySettings.window || root == W().status.window)) Destroy(root);
}

void Click(Hwnd window) {
  if (!ShownUp(window, true)) return;
  InOwnHandler in;
  const World& world = W();
  if (window == world.bar.buyButton)
    Report("OnBuyClicked"), events::OnBuyClicked();
  else if (window == world.bar.sellButton)
    Report("OnSellClicked"), events::OnSellClicked();
  else if (RootOf(window) == world.keySettings.window && world.windows[window].text == "配置文件")
    Report("OnSettingsFileClicked"), events::OnSettingsFileClicked();
  else if (window == world.status.copyButton)
    Report("OnStatusCopyClicked"), events::OnStatusCopyClicked();
}

void DoubleClick(Hwnd window) {
  InOwnHandler in;
  if (ShownUp(window, true) && window == W().bar.codeLabel)
    Report("OnCodeLabelDoubleClicked"), events::OnCodeLabelDoubleClicked();
}

void RightButtonDown(Hwnd window) {
  if (ShownUp(window, true) && window == W().bar.codeLabel)
    Report("OnCodeLabelRightButtonDown"), events::OnCodeLabelRightButtonDown();
}

void TrayMouse(unsigned mouseMessage) {
  SendToOwn([mouseMessage] {
    if (!W().trayIcons.empty())
      Report("OnTrayMessage", static_cast<long>(mouseMessage)), events::OnTrayMessage(mouseMessage);
  });
}

void SetMonitors(const std::vector<Monitor>& monitors) { W().monitors = monitors; }

void ChangeDisplays(const std::vector<Monitor>& monitors) {
  SetMonitors(monitors);
  if (Find(W().bar.bar)) Report("OnDisplayChanged"), events::OnDisplayChanged();
}

unsigned FontDpiOf(Hwnd window) {
  const auto it = W().fontDpi.find(window);
  return it == W().fontDpi.end() ? 0 : it->second;
}

void BroadcastTaskbarCreated(bool shellRestarted) {
  if (shellRestarted)
    W().trayIcons.clear();
  else
    for (auto& icon : W().trayIcons) icon.stale = true;
  if (Find(W().bar.bar)) Report("OnTaskbarCreated"), events::OnTaskbarCreated();
}

}  // namespace sim

namespace platform {

using namespace sim::detail;

MainBarWindows CreateMainBar() {
  Log("CreateMainBar()");
  World& world = W();
  int left = (sim::kScreenWidth - 120) / 2, top = (sim::kScreenHeight - 24) / 2;
  MainBarWindows bar;
  bar.bar = OwnWindow("LingboBar", "凌波助手", 0, {left, top, left + 120, top + 24}, Role::kBar);
  bar.buyButton = OwnWindow("Button", "买", bar.bar, {0, 0, 30, 24});
  bar.codeLabel = OwnWindow("LingboCodeLabel", "", bar.bar, {30, 0, 90, 24});
  bar.sellButton = OwnWindow("Button", "卖", bar.bar, {90, 0, 120, 24});
  world.bar = bar;
  world.barDpi = DpiAt(Find(bar.bar)->rect);
  world.checked = {TrayMenuItem::kDzh};
  return bar;
}

KeySettingsWindows CreateKeySettingsWindow() {
  Log("CreateKeySettingsWindow()");
  int left = (sim::kScreenWidth - 253) / 2, top = (sim::kScreenHeight - 150) / 2;
  const Hwnd owner = OwnWindow("LingboOwner", "", 0, {0, 0, 0, 0}, Role::kKeyOwner);
  KeySettingsWindows keys;
  keys.window = OwnWindow("LingboKeys", "功能键设置", 0, {left, top, left + 253, top + 150}, Role::kKeyWindow, owner);
  OwnWindow("Static", "买入键", keys.window, {8, 7, 48, 32});
  keys.buyBox = OwnWindow("Edit", "", keys.window, {58, 7, 128, 32}, Role::kBuyBox);
  OwnWindow("Static", "卖出键", keys.window, {8, 37, 48, 62});
  keys.sellBox = OwnWindow("Edit", "", keys.window, {58, 37, 128, 62}, Role::kSellBox);
  OwnWindow("Static", "功能键", keys.window, {8, 67, 48, 92});
  keys.functionBox = OwnWindow("Edit", "", keys.window, {58, 67, 128, 92}, Role::kFunctionBox);
  OwnWindow("Static", "键码表： \r\n\r\nF1[112],F2[113]\r\n\r\nF3[114],F4[115]\r\n\r\n依此类推”", keys.window,
            {136, 6, 240, 97});
  OwnWindow("Button", "配置文件", keys.window, {11, 96, 235, 120});
  return W().keySettings = keys;
}

StatusWindows CreateStatusWindow() {
  Log("CreateStatusWindow()");
  int left = (sim::kScreenWidth - 520) / 2, top = (sim::kScreenHeight - 600) / 2;
  StatusWindows status;
  status.window =
      OwnWindow("LingboStatus", "凌波助手 状态", 0, {left, top, left + 520, top + 600}, Role::kStatusWindow);
  status.text = OwnWindow("Edit", "", status.window, {8, 8, 504, 516});
  status.copyButton = OwnWindow("Button", "复制", status.window, {416, 532, 504, 558});
  return W().status = status;
}

void UpdateEditText(Hwnd edit, const std::string& text) {
  Window* w = Logged(Find(edit), "UpdateEditText(%d)", edit);
  if (!w || w->text == text) return;
  // The selection stays where the trader left it, as far as the text reaches.
  w->text = text;
  w->selStart = std::min(w->selStart, text.size());
  w->selEnd = std::min(w->selEnd, text.size());
}

bool SetClipboardText(Hwnd owner, const std::string& text) {
  Log("SetClipboardText(%d)", owner);
  W().clipboard = text;
  return true;
}

bool SetWindowTextA(Hwnd window, const std::string& text) {
  Window* w = Logged(Find(window), "SetWindowTextA(%d,%s)", window, text.c_str());
  if (!w) return false;
  w->text = text;
  w->selStart = w->selEnd = 0;
  if (w->className == "Edit") TextChanged(window);
  return true;
}

bool GetWindowRect(Hwnd window, Rect* rect) {
  if (!Logged(Find(window), "GetWindowRect(%d)", window)) return false;
  if (rect) *rect = ScreenRect(window);
  return true;
}

bool MoveWindow(Hwnd window, int x, int y, int width, int height, bool repaint) {
  Window* w = Logged(Find(window), "MoveWindow(%d,%d,%d,%d,%d,%d)", window, x, y, width, height, repaint ? 1 : 0);
  if (!w) return false;
  Rect old = w->rect;
  w->rect = {x, y, x + width, y + height};
  // A move reports itself only when the position really changed.
  if (!w->minimized && (old.left != x || old.top != y)) Moved(window);
  return true;
}

bool UpdateWindow(Hwnd window) { return Logged(Find(window) != nullptr, "UpdateWindow(%d)", window); }

bool ShowWindow(Hwnd window, int command) {
  Window* w = Logged(Find(window), "ShowWindow(%d,%d)", window, command);
  if (!w) return false;
  const bool wasVisible = std::exchange(w->visible, command != kSwHide);
  if (!w->visible && W().foreground == window) W().foreground = 0;
  // SW_MINIMIZE, SW_SHOWMINIMIZED and SW_SHOWMINNOACTIVE minimise; SW_RESTORE
  // restores; SW_SHOWNOACTIVATE and SW_SHOWNA only show; the rest (SW_SHOW)
  // show and activate, leaving a minimised window minimised.
  const bool minimize = command == 6 || command == 2 || command == 7;
  const bool restore = command == kSwShowNormal || command == kSwRestore;
  const bool activate = w->visible && !minimize && command != 4 && command != 8 && !w->parent;
  if (minimize || restore) sim::SetMinimized(window, minimize);
  if (activate) Activate(window, true);
  return wasVisible;
}

bool IsIconic(Hwnd window) { return Logged(sim::IsMinimized(window), "IsIconic(%d)", window); }
bool IsWindowVisible(Hwnd window) { return Logged(ShownUp(window, false), "IsWindowVisible(%d)", window); }

bool EnableWindow(Hwnd window, bool enable) {
  Window* w = Logged(Find(window), "EnableWindow(%d,%d)", window, enable ? 1 : 0);
  return w && !std::exchange(w->enabled, enable);  // whether it was disabled
}

bool IsWindowEnabled(Hwnd window) {
  const Window* w = Logged(Find(window), "IsWindowEnabled(%d)", window);
  return w && w->enabled;
}

bool SetTimer(Hwnd window, unsigned id, unsigned intervalMs) {
  World& world = W();
  const Window* w = Logged(Find(window), "SetTimer(%d,%u,%u)", window, id, intervalMs);
  if (!w || !IsOwnThread(w->thread)) return false;
  unsigned interval = std::max(intervalMs, 10u);  // USER_TIMER_MINIMUM
  auto t = std::find_if(world.timers.begin(), world.timers.end(),
                        [&](const Timer& timer) { return timer.window == window && timer.id == id; });
  if (t == world.timers.end()) t = world.timers.insert(t, {window, id});
  t->interval = interval;
  t->due = world.now + interval;
  return true;
}

bool KillTimer(Hwnd window, unsigned id) {
  Log("KillTimer(%d,%u)", window, id);
  auto& timers = W().timers;
  auto it =
      std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
  if (it == timers.end()) return false;
  timers.erase(it);
  return true;
}

bool GetCursorPos(Point* point) {
  Log("GetCursorPos()");
  if (point) *point = W().cursor;
  return point != nullptr;
}

unsigned GetDpiForWindow(Hwnd window) {
  const Window* root = Logged(Find(RootOf(window)), "GetDpiForWindow(%d)", window);
  return root ? DpiAt(root->rect) : 96;
}

bool MonitorFromPoint(Point point) {
  return Logged(MonitorAt(point.x, point.y) != nullptr, "MonitorFromPoint(%d,%d)", point.x, point.y);
}

void SetFontForDpi(Hwnd window, unsigned dpi) {
  const Window* w = Logged(Find(window), "SetFontForDpi(%d,%u)", window, dpi);
  if (!w) return;
  W().fontDpi[window] = dpi;
  for (Hwnd child : std::vector<Hwnd>(w->children)) W().fontDpi[child] = dpi;
}

void ApplyVisualStyle(int scheme) { Log("ApplyVisualStyle(%d)", scheme); }

bool RegisterHotKey(Hwnd window, int id, unsigned modifiers, unsigned vk) {
  Log("RegisterHotKey(%d,%d,%u,%u)", window, id, modifiers, vk);
  World& world = W();
  if (!Find(window) || world.hotKeysElsewhere.count({modifiers, vk})) return false;
  // A combination is had once on the whole desktop, whoever asks again.
  for (const HotKeyRecord& h : world.hotKeys)
    if (h.modifiers == modifiers && h.vk == vk) return false;
  world.hotKeys.push_back({window, id, modifiers, vk});
  return true;
}

bool UnregisterHotKey(Hwnd window, int id) {
  Log("UnregisterHotKey(%d,%d)", window, id);
  auto& keys = W().hotKeys;
  const auto it =
      std::find_if(keys.begin(), keys.end(), [&](const HotKeyRecord& h) { return h.window == window && h.id == id; });
  if (it == keys.end()) return false;
  keys.erase(it);
  return true;
}

bool ShellNotifyIconA(unsigned operation, const TrayIcon& icon) {
  Log("ShellNotifyIconA(%u,%d,%u)", operation, icon.owner, icon.id);
  World& world = W();
  auto& icons = world.trayIcons;
  auto it = std::find_if(icons.begin(), icons.end(),
                         [&](const TrayIconRecord& r) { return r.icon.owner == icon.owner && r.icon.id == icon.id; });
  TrayIcon stored = icon;
  // The tip field holds 64 bytes; the cut never splits a two-byte character.
  std::size_t n = 0;
  while (n < stored.tip.size()) {
    std::size_t step = static_cast<unsigned char>(stored.tip[n]) >= 0x80 ? 2 : 1;
    if (n + step > 62) break;
    n += step;
  }
  stored.tip.resize(std::min(n, stored.tip.size()));
  switch (operation) {
    case kNimAdd:
      ++world.trayCounts.adds;
      if (it != icons.end() || !Find(icon.owner)) return false;
      icons.push_back({stored});
      return true;
    case kNimModify:
      if (it == icons.end()) return false;
      *it = {stored};
      return true;
    case kNimDelete:
      ++world.trayCounts.deletes;
      if (it == icons.end()) return false;
      icons.erase(it);
      return true;
    default:
      return false;
  }
}

void CheckTrayMenuItem(TrayMenuItem item, bool checked) {
  Log("CheckTrayMenuItem(%d,%d)", static_cast<int>(item), checked ? 1 : 0);
  // Only the quote sources carry a mark.
  if (!checked)
    W().checked.erase(item);
  else if (item == TrayMenuItem::kDzh || item == TrayMenuItem::kTrader || item == TrayMenuItem::kTdx)
    W().checked.insert(item);
}

static bool Checked(TrayMenuItem item) { return W().checked.count(item) > 0; }

bool IsTrayMenuItemChecked(TrayMenuItem item) {
  return Logged(Checked(item), "IsTrayMenuItemChecked(%d)", static_cast<int>(item));
}

TrayMenuItem TrackTrayMenu(Hwnd owner, int x, int y) {
  Log("TrackTrayMenu(%d,%d,%d)", owner, x, y);
  World& world = W();
  ++world.lastMenu.times;
  world.lastMenu.at = {x, y};
  world.lastMenu.items.clear();
  for (const TrayMenuEntry& entry : kTrayMenu)
    world.lastMenu.items.push_back((Checked(entry.item) ? "√" : "") + std::string(entry.text));
  return std::exchange(world.nextChoice, TrayMenuItem::kNone);
}

void ShellExecuteOpen(const std::string& path) { Log("ShellExecuteOpen(%s)", path.c_str()); }

int RunMessageLoop() {
  Log("RunMessageLoop()");
  // Time passes in steps until the program ends, at most a virtual day.
  World& world = W();
  std::uint64_t end = world.now + 24ull * 3600 * 1000;
  while (!world.exited && world.now < end)
    RunUntil(std::min(end, world.now + 1000), true, [&] { return world.exited; });
  return world.exited ? static_cast<int>(world.exitCode) : -1;
}

void ExitProcess(unsigned exitCode) {
  Log("ExitProcess(%u)", exitCode);
  if (W().exited) return;
  W().exited = true;
  W().exitCode = exitCode;
}

}  // namespace platform
