#include "app/main_bar.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "app/app_state.h"
#include "app/status_window.h"
#include "discovery/trading_client.h"
#include "settings/settings.h"

namespace {

constexpr const char* kProgramTitle = "凌波助手";
// The tray tip on a system whose code page garbles every Chinese title: the
// one cause of silence the trader cannot see from outside.
constexpr const char* kWrongCodePageTip = "凌波助手：系统代码页不是936，中文会乱码";
constexpr unsigned kExpectedCodePage = 936;
constexpr int kCodeLabelTextSize = 4096;
// The bar and its buttons at 100 % (96 dpi); everything scales with the dpi
// of the bar's monitor, the label taking what the buttons leave.
constexpr unsigned kBaseDpi = 96;
constexpr int kBarWidth = 120, kBarHeight = 24, kButtonWidth = 30;

platform::MainBarWindows bar;
unsigned quoteTimerInterval = 0;
bool batchingTimer = false;
bool timerChangedInBatch = false;
unsigned intervalBeforeBatch = 0;
std::uint64_t batchStartedAt = 0;
// A tick shorter than this leaves its running timer as it is: the timer's
// next expiry, an interval after the last, is then an interval after the
// tick's end to within the timer's own resolution, and re-arming would cost
// a call to the window system on every tick of a waiting program.
constexpr std::uint64_t kQuickTickMs = 10;
std::string trayTip = kProgramTitle;
// Until LoadSettings has read "左边" and "顶边", a move must not overwrite them.
bool savedPositionRead = false;

platform::TrayIcon TrayIconData() {
  platform::TrayIcon icon;
  icon.owner = bar.bar;
  icon.id = kTrayIconId;
  icon.callbackMessage = kTrayCallbackMessage;
  icon.tip = trayTip;
  return icon;
}

// A hot key is registered on the bar for its whole life, hidden or not.
HotKeyState RegisterOne(int id, const HotKeySetting& setting) {
  if (!setting.valid) return HotKeyState::kUnreadable;
  if (setting.key.vk == 0) return HotKeyState::kNone;
  return platform::RegisterHotKey(bar.bar, id, setting.key.modifiers, setting.key.vk) ? HotKeyState::kRegistered
                                                                                      : HotKeyState::kTaken;
}

void RegisterHotKeys(const Settings& settings) {
  AppState.buyHotKey = {settings.buyHotKey, RegisterOne(kBuyHotKeyId, settings.buyHotKey)};
  AppState.sellHotKey.setting = settings.sellHotKey;
  // Registering it twice would fail as if another program held it.
  const bool sameAsBuy = settings.sellHotKey.key.vk != 0 && settings.sellHotKey.key == settings.buyHotKey.key;
  AppState.sellHotKey.state = sameAsBuy ? HotKeyState::kSameAsBuy : RegisterOne(kSellHotKeyId, settings.sellHotKey);
  // The trader sees it without opening anything; a wrong code page matters
  // more, and says so already.
  for (const HotKeyRecord* hotKey : {&AppState.buyHotKey, &AppState.sellHotKey}) {
    if (hotKey->state != HotKeyState::kTaken || trayTip != kProgramTitle) continue;
    trayTip = std::string(kProgramTitle) + "：热键 " + HotKeyName(hotKey->setting.key) + " 已被别的程序占用";
    platform::ShellNotifyIconA(platform::kNimModify, TrayIconData());
  }
}

void UnregisterHotKeys() {
  for (const auto& [id, hotKey] :
       {std::pair{kBuyHotKeyId, &AppState.buyHotKey}, std::pair{kSellHotKeyId, &AppState.sellHotKey}})
    if (hotKey->state == HotKeyState::kRegistered) platform::UnregisterHotKey(bar.bar, id);
}

void RemoveTrayIcon() { platform::ShellNotifyIconA(platform::kNimDelete, TrayIconData()); }

void ToggleBarVisibility() {
  // SW_SHOW does not restore a minimised bar; the user sees it come back as
  // it was left.
  platform::ShowWindow(bar.bar, platform::IsWindowVisible(bar.bar) ? platform::kSwHide : platform::kSwShow);
}

void PopUpTrayMenu() {
  // Without the foreground, the menu would not close when the user clicks
  // elsewhere; the posted WM_NULL lets a second click on the icon work.
  platform::SetForegroundWindow(bar.bar);
  platform::Point cursor;
  platform::GetCursorPos(&cursor);
  const platform::TrayMenuItem chosen = platform::TrackTrayMenu(bar.bar, cursor.x - 5, cursor.y - 5);
  platform::PostMessageA(bar.bar, platform::kWmNull, 0, 0);
  switch (chosen) {
    case platform::TrayMenuItem::kDzh:
    case platform::TrayMenuItem::kTrader:
    case platform::TrayMenuItem::kTdx:
      ChooseQuoteSource(chosen);
      break;
    case platform::TrayMenuItem::kStatus:
      OpenStatusWindow(bar.bar, GetQuoteSource());
      break;
    case platform::TrayMenuItem::kExit:
      ExitProgram();
      break;
    case platform::TrayMenuItem::kNone:
      break;
  }
}

int Scaled(int length, unsigned dpi) {
  return static_cast<int>((static_cast<std::int64_t>(length) * dpi + kBaseDpi / 2) / kBaseDpi);
}

// The bar at its top-left corner, sized and lettered for dpi.
void LayOutBar(unsigned dpi, int left, int top) {
  if (dpi == 0) dpi = kBaseDpi;
  const int width = Scaled(kBarWidth, dpi), height = Scaled(kBarHeight, dpi), button = Scaled(kButtonWidth, dpi);
  Placement placement;
  placement.hasLeft = placement.hasTop = true;
  placement.left = left;
  placement.top = top;
  placement.width = width;
  placement.height = height;
  PlaceWindow(bar.bar, placement);
  platform::MoveWindow(bar.buyButton, 0, 0, button, height, true);
  platform::MoveWindow(bar.codeLabel, button, 0, width - 2 * button, height, true);
  platform::MoveWindow(bar.sellButton, width - button, 0, button, height, true);
  platform::SetFontForDpi(bar.bar, dpi);
}

// Sizes the bar for the monitor it is now on, where it stands.
void FitBarToItsMonitor() {
  platform::Rect rect;
  platform::GetWindowRect(bar.bar, &rect);
  LayOutBar(platform::GetDpiForWindow(bar.bar), rect.left, rect.top);
}

// Whether the trader can reach the label, the one part that drags the bar:
// its centre is on a monitor.
bool BarWithinReach() {
  platform::Rect rect;
  if (!platform::GetWindowRect(bar.bar, &rect)) return true;
  const int width = rect.right - rect.left;
  return platform::MonitorFromPoint({rect.left + width / 2, rect.top + (rect.bottom - rect.top) / 2});
}

// A bar left where no monitor is (one unplugged since) goes where a first
// start puts it.
void BringBarWithinReach() {
  if (BarWithinReach()) return;
  const Settings defaults;
  PlaceWindow(bar.bar, defaults.left, defaults.top);
  FitBarToItsMonitor();
}

}  // namespace

int RunProgram() {
  // Without its bar the program could neither be seen nor ended: a message
  // loop would only leave an invisible process behind.
  if (!StartMainBar()) return 1;
  return platform::RunMessageLoop();
}

bool StartMainBar() {
  ResetAppState();
  bar = platform::CreateMainBar();
  if (bar.bar <= 0) return false;
  SetQuoteTimerInterval(kQuoteTimerStartInterval);
  SetQuoteSource(QuoteSource::kDzh);
  OnMainBarCreated();
  OnMainBarMoved();
  platform::ShowWindow(bar.bar, platform::kSwShow);
  return true;
}

void OnMainBarCreated() {
  ApplyVisualStyle(3);
  trayTip = platform::GetACP() == kExpectedCodePage ? kProgramTitle : kWrongCodePageTip;
  InstallTrayIcon();
  AppState.tradingClientFound = FindTradingClientMatch();
  AppState.tradingClient = AppState.tradingClientFound.window;
  const Settings settings = LoadSettings();
  SetQuoteSource(settings.source);
  AppState.buyKey = settings.buyKey;
  AppState.sellKey = settings.sellKey;
  AppState.functionKey = settings.functionKey;
  AppState.codeEntry = settings.codeEntry;
  RegisterHotKeys(settings);
  PlaceWindow(bar.bar, settings.left, settings.top);
  FitBarToItsMonitor();
  BringBarWithinReach();
  // Only now: the moves above must not write a position nobody can see.
  savedPositionRead = true;
}

void PlaceWindow(platform::Hwnd window, int left, int top) {
  Placement placement;
  placement.hasLeft = placement.hasTop = true;
  placement.left = left;
  placement.top = top;
  PlaceWindow(window, placement);
}

void PlaceWindow(platform::Hwnd window, const Placement& placement) {
  platform::Rect rect;
  platform::GetWindowRect(window, &rect);
  const int width = placement.width >= 0 ? placement.width : rect.right - rect.left;
  const int height = placement.height >= 0 ? placement.height : rect.bottom - rect.top;
  // Any saved number is taken as it is, short of a rectangle whose far edge
  // would lie beyond what a 32-bit coordinate can hold.
  const auto fit = [](int position, int extent) {
    const std::int64_t last = std::int64_t{INT32_MAX} - std::max(extent, 0);
    return static_cast<int>(std::min<std::int64_t>(position, last));
  };
  const int left = fit(placement.hasLeft ? placement.left : rect.left, width);
  const int top = fit(placement.hasTop ? placement.top : rect.top, height);
  platform::MoveWindow(window, left, top, width, height, true);
  platform::UpdateWindow(window);
}

void ApplyVisualStyle(int scheme) { platform::ApplyVisualStyle(scheme); }

void InstallTrayIcon() {
  const platform::TrayIcon icon = TrayIconData();
  // Whichever of the two the shell turns down, the other is right: a new
  // taskbar has lost the icon, a taskbar that only redrew itself still has it.
  if (!platform::ShellNotifyIconA(platform::kNimAdd, icon)) platform::ShellNotifyIconA(platform::kNimModify, icon);
}

QuoteSource GetQuoteSource() {
  if (platform::IsTrayMenuItemChecked(platform::TrayMenuItem::kTdx)) return QuoteSource::kTdx;
  return platform::IsTrayMenuItemChecked(platform::TrayMenuItem::kDzh) ? QuoteSource::kDzh : QuoteSource::kTrader;
}

void SetQuoteSource(QuoteSource source) {
  platform::CheckTrayMenuItem(platform::TrayMenuItem::kDzh, source == QuoteSource::kDzh);
  platform::CheckTrayMenuItem(platform::TrayMenuItem::kTrader, source == QuoteSource::kTrader);
  platform::CheckTrayMenuItem(platform::TrayMenuItem::kTdx, source == QuoteSource::kTdx);
}

void SetCodeLabelCaption(const std::string& text) {
  // The poller sets the caption ten times a second; repaint only on a change.
  if (GetCodeLabelCaption() == text) return;
  platform::SetWindowTextA(bar.codeLabel, text);
}

std::string GetCodeLabelCaption() { return platform::GetWindowTextA(bar.codeLabel, kCodeLabelTextSize); }

void SetQuoteTimerInterval(unsigned milliseconds) {
  if (batchingTimer) {
    timerChangedInBatch = true;
    quoteTimerInterval = milliseconds;
    return;
  }
  if (milliseconds == quoteTimerInterval) return;
  if (milliseconds == 0) {
    platform::KillTimer(bar.bar, kQuoteTimerId);
    quoteTimerInterval = 0;
    return;
  }
  // A timer that could not be set stays at 0, so the next call tries again.
  quoteTimerInterval = platform::SetTimer(bar.bar, kQuoteTimerId, milliseconds) ? milliseconds : 0;
}

unsigned QuoteTimerInterval() { return quoteTimerInterval; }

QuoteTimerBatch::QuoteTimerBatch() {
  batchingTimer = true;
  timerChangedInBatch = false;
  intervalBeforeBatch = quoteTimerInterval;
  batchStartedAt = platform::GetTickCount64();
}

QuoteTimerBatch::~QuoteTimerBatch() {
  batchingTimer = false;
  if (!timerChangedInBatch) return;
  if (quoteTimerInterval == 0) {
    platform::KillTimer(bar.bar, kQuoteTimerId);
    return;
  }
  if (quoteTimerInterval == intervalBeforeBatch && platform::GetTickCount64() - batchStartedAt < kQuickTickMs) return;
  // Set again after a slow tick even when unchanged: the interval counts from
  // the batch's end, so that the bar answers its trader between slow ticks.
  if (!platform::SetTimer(bar.bar, kQuoteTimerId, quoteTimerInterval)) quoteTimerInterval = 0;
}

void OnMainBarMoved() {
  if (!savedPositionRead) return;
  if (platform::IsIconic(bar.bar)) {
    platform::ShowWindow(bar.bar, platform::kSwHide);
    return;
  }
  platform::Rect rect;
  platform::GetWindowRect(bar.bar, &rect);
  WriteSetting(kSettingsSection, "左边", std::to_string(rect.left));
  WriteSetting(kSettingsSection, "顶边", std::to_string(rect.top));
}

void OnTrayIcon(TrayIconClick click) {
  switch (click) {
    case TrayIconClick::kLeft:
    case TrayIconClick::kLeftDouble:
      ToggleBarVisibility();
      break;
    case TrayIconClick::kRight:
      PopUpTrayMenu();
      break;
  }
}

void ChooseQuoteSource(platform::TrayMenuItem item) {
  const QuoteSource chosen = item == platform::TrayMenuItem::kTdx      ? QuoteSource::kTdx
                             : item == platform::TrayMenuItem::kTrader ? QuoteSource::kTrader
                                                                       : QuoteSource::kDzh;
  // The ticked item is the source already: choosing it again is no change,
  // and new.ini is left as the trader has it.
  if (chosen == GetQuoteSource()) return;
  SetQuoteSource(chosen);
  SaveQuoteSource(chosen);
}

void ExitProgram() {
  // Ending the process leaves a dead icon in the tray until the mouse passes
  // over it; take it away first.
  RemoveTrayIcon();
  platform::ExitProcess(0);
}

void OnMainBarDestroyed() {
  SetQuoteTimerInterval(0);
  UnregisterHotKeys();
  RemoveTrayIcon();
}

void OnBarDpiChanged(unsigned dpi, int left, int top) { LayOutBar(dpi, left, top); }

void OnDisplayChanged() {
  FitBarToItsMonitor();
  BringBarWithinReach();
}

void OnTaskbarCreated() { InstallTrayIcon(); }

const platform::MainBarWindows& MainBar() { return bar; }

void ResetMainBar() {
  bar = {};
  quoteTimerInterval = 0;
  batchingTimer = timerChangedInBatch = false;
  intervalBeforeBatch = 0;
  batchStartedAt = 0;
  savedPositionRead = false;
  trayTip = kProgramTitle;
}
