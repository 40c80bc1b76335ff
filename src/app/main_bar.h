// The bar, its timer, the tray icon and menu.
#pragma once

#include <string>

#include "platform/platform.h"
#include "settings/settings.h"

inline constexpr unsigned kTrayIconId = 100;
inline constexpr unsigned kTrayCallbackMessage = platform::kWmApp + 100;
inline constexpr unsigned kQuoteTimerId = 1;
inline constexpr unsigned kQuoteTimerStartInterval = 100;

int RunProgram();
// RunProgram up to its message loop: AppState initialised, the bar created,
// loaded from new.ini, placed and shown.  False when the bar cannot be made.
bool StartMainBar();
void OnMainBarCreated();
// Moves a top-level window; a negative width or height keeps the current one,
// and so do left and top when not given.
struct Placement {
  bool hasLeft = false, hasTop = false;
  int left = 0, top = 0;
  int width = -1, height = -1;
};
void PlaceWindow(platform::Hwnd window, int left, int top);
void PlaceWindow(platform::Hwnd window, const Placement& placement);

void ApplyVisualStyle(int scheme);
void InstallTrayIcon();
QuoteSource GetQuoteSource();
void SetQuoteSource(QuoteSource source);
void SetCodeLabelCaption(const std::string& text);
std::string GetCodeLabelCaption();
void SetQuoteTimerInterval(unsigned milliseconds);
unsigned QuoteTimerInterval();
// While one lives, interval changes are only noted; the timer itself is set
// once, when it goes, to the interval last asked for, and that interval
// counts from then.  For a tick, during which nothing can fire anyway: each
// timer call is a round trip to the window system.
class QuoteTimerBatch {
 public:
  QuoteTimerBatch();
  ~QuoteTimerBatch();
  QuoteTimerBatch(const QuoteTimerBatch&) = delete;
  QuoteTimerBatch& operator=(const QuoteTimerBatch&) = delete;
};

void OnMainBarMoved();
// What the tray icon's callback reports: a left click or double-click shows
// or hides the bar, a right click (or the menu key) pops the menu up.
enum class TrayIconClick { kLeft, kLeftDouble, kRight };
void OnTrayIcon(TrayIconClick click);
// Choosing one of the tray menu's source items: that program, ticked.
void ChooseQuoteSource(platform::TrayMenuItem item);
void ExitProgram();
void OnMainBarDestroyed();
// The bar is now on a monitor of another dpi: it takes that monitor's size
// and font, its top-left corner at (left, top).
void OnBarDpiChanged(unsigned dpi, int left, int top);
// Monitors came or went: a bar left on none comes back where a first start
// puts it.
void OnDisplayChanged();
// The shell has a new taskbar (Explorer restarted) and has lost our icon.
void OnTaskbarCreated();

// The bar's windows once it exists (all 0 before).
const platform::MainBarWindows& MainBar();
// Forgets the bar and its timer state (tests).
void ResetMainBar();
