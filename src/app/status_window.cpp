#include "app/status_window.h"

#include <string>
#include <utility>

#include "app/app_state.h"
#include "discovery/processes.h"
#include "discovery/trading_client.h"
#include "discovery/windows.h"
#include "platform/platform.h"
#include "quote/tdx_reader.h"
#include "quote/trader_reader.h"

namespace {

platform::StatusWindows status;
// The window whose timer refreshes the status window: the bar's.
platform::Hwnd timerOwner = 0;
// The source chosen in the tray menu, as the bar last said.
QuoteSource source = QuoteSource::kDzh;
// What the window reads once while it is open rather than twice a second:
// this program's version, and the description of each executable seen.
std::string ownVersion;
DescriptionCache descriptions;

// How long the status lookup waits for a trading client to answer: it runs
// twice a second, and the bar must not stall on it.  An action waits longer
// (kClientAnswerTimeoutMs), so a client silent for this long may still be
// driven.
constexpr unsigned kAnswerProbeMs = 100;
// The system keeps a window's title in full; no marker needs more.
constexpr int kTitleBuffer = 512;
constexpr unsigned kExpectedCodePage = 936;

class Lines {
 public:
  void Add(const std::string& line) { text_ += line + "\r\n"; }
  void Add(const std::string& name, const std::string& value) { Add(name + "：" + value); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

std::string Number(long long value) { return std::to_string(value); }

std::string TimeText(const platform::LocalTime& t) {
  // By hand, as printf would bring its whole floating-point machinery along.
  std::string text;
  for (const int part : {t.hour, t.minute, t.second}) {
    if (!text.empty()) text += ':';
    text += static_cast<char>('0' + part / 10 % 10);
    text += static_cast<char>('0' + part % 10);
  }
  return text;
}

std::string OrNone(const std::string& text) { return text.empty() ? "（无）" : text; }

void AddProgram(Lines& lines) {
  lines.Add("凌波助手", ownVersion.empty() ? "版本不明" : "版本 " + ownVersion);
  const unsigned codePage = platform::GetACP();
  lines.Add("系统代码页", Number(codePage));
  if (codePage != kExpectedCodePage) {
    lines.Add("警告：系统代码页不是 936（简体中文 GBK），窗口标题里的中文读出来是乱码，行情软件和交易程序都认不出来。");
    lines.Add(
        "办法：控制面板 → 区域 → 管理 → 非 Unicode 程序的语言 → 更改系统区域设置，选“中文(简体，中国)”，"
        "不要勾选“使用 Unicode UTF-8 提供全球语言支持”，然后重新启动电脑。");
  }
}

std::string TdxFileText(const TdxFile& file, std::size_t entries, const char* unit) {
  if (!file.present) return "不存在";
  if (!file.used) return file.whole ? "格式不符，未使用" : "读不出（下次换图表时再读）";
  return Number(static_cast<long long>(entries)) + unit + (file.whole ? "" : "（未读完，下次换图表时再读）");
}

// Why a click does nothing with a code that is not orderable, or "".
std::string RefusedText(CodeKind kind) {
  switch (kind) {
    case CodeKind::kIndex:
      return "这是指数，不是可以下单的证券（点“买”“卖”不会动作）";
    case CodeKind::kOutside:
      return "不在这个市场可以下单的代码段里（点“买”“卖”不会动作）";
    case CodeKind::kOrderable:
      break;
  }
  return "";
}

std::string ExchangeText(Exchange exchange) {
  return exchange == Exchange::kShanghai   ? "上海"
         : exchange == Exchange::kShenzhen ? "深圳"
         : exchange == Exchange::kBeijing  ? "北京"
                                           : "";
}

std::string TdxOutcomeText(const TdxAttachment& tdx) {
  switch (tdx.outcome) {
    case TdxOutcome::kNoTitle:
      return "读不到窗口标题";
    case TdxOutcome::kNotChart:
      return "当前页面不是分析图表，代码保持不变";
    case TdxOutcome::kCode: {
      const CodeKind kind = KindOfCode(tdx.shown, tdx.exchange);
      return tdx.shown + "（" + ExchangeText(tdx.exchange) + "，来自 " + tdx.match.file + "）" +
             (kind == CodeKind::kOrderable ? "" : "：" + RefusedText(kind));
    }
    case TdxOutcome::kNotListed:
      return "无：代码表里没有这个名称（小条显示名称，点“买”“卖”不会动作）";
    case TdxOutcome::kListedMoreThanOnce:
      return "无：代码表里有 " + Number(static_cast<long long>(tdx.match.count)) +
             " 条记录是这个名称，无法确定（小条显示名称，点“买”“卖”不会动作）";
  }
  return "";
}

void AddTdx(Lines& lines) {
  const TdxAttachment& tdx = AppState.tdx;
  lines.Add("行情来源", "通达信");
  const bool attached = tdx.mainWindow > 0 && IsWindowAlive(tdx.mainWindow);
  lines.Add("通达信", attached ? "已连接" : "未找到（每 10 秒找一次）");
  if (!attached) return;
  lines.Add("通达信窗口标题", OrNone(tdx.lastTitle));
  lines.Add("安装目录", OrNone(tdx.folder));
  lines.Add(std::string("名称表 ") + kTdxNameListFile, TdxFileText(tdx.nameList, tdx.nameList.names.size(), " 个名称"));
  for (const TnfTable& table : tdx.tables)
    lines.Add(std::string("代码表 ") + table.layout->fileName, TdxFileText(table, table.records.size(), " 条记录"));
  lines.Add("标题中的名称", OrNone(tdx.name));
  lines.Add("名称对应的代码", TdxOutcomeText(tdx));
}

void AddQuoteSource(Lines& lines) {
  if (source == QuoteSource::kTdx) {
    AddTdx(lines);
  } else if (source == QuoteSource::kTrader) {
    lines.Add("行情来源", "交易师");
    const platform::Hwnd trader = FindTraderMainWindow();
    lines.Add("交易师窗口", trader > 0 ? "已找到" : "未找到");
    if (trader > 0) lines.Add("交易师窗口标题", OrNone(GetWindowTextTimeout(trader)));
  } else {
    const DzhAttachment& dzh = AppState.dzh;
    lines.Add("行情来源", "大智慧");
    const bool attached = dzh.mainWindow > 0 && IsWindowAlive(dzh.mainWindow);
    lines.Add("大智慧", attached ? "已连接" : "未找到（每 10 秒找一次）");
    if (attached) {
      lines.Add("大智慧主窗口标题", OrNone(ReadWindowText(dzh.mainWindow)));
      lines.Add("大智慧程序", OrNone(dzh.exePath));
      lines.Add("代码表文件", dzh.stockInfoFile.empty() ? "尚未选定" : dzh.stockInfoFile);
      lines.Add("最前面的图表标题", OrNone(dzh.lastTitle));
    }
  }
  lines.Add("当前代码", OrNone(AppState.currentCode));
  const std::string refused = RefusedText(KindOfCode(AppState.currentCode, AppState.currentExchange));
  if (!refused.empty()) lines.Add("  " + ExchangeText(AppState.currentExchange) + "市场", refused);
}

std::string QualifiedText(const TradingClientMatch& how) {
  return (how.byTitle ? "窗口标题含“" : "程序的文件说明含“") + how.marker + "”";
}

// A client that answers, one Windows already counts as hung (it gives up at
// once), or one merely slow: silent for the probe's short wait, it may still
// answer within an action's longer one.
std::string AnswerText(platform::Hwnd window) {
  const std::uint64_t asked = platform::GetTickCount64();
  if (AnswersWithin(window, kAnswerProbeMs)) return "正常";
  if (platform::GetTickCount64() - asked < kAnswerProbeMs) {
    return "未响应：点“买”“卖”不会有动作，等交易程序恢复后再点";
  }
  return "慢：" + Number(kAnswerProbeMs) + " 毫秒内没有回答（点“买”“卖”时最多等 " + Number(kClientAnswerTimeoutMs) +
         " 毫秒，仍不回答就不会有动作）";
}

void AddTradingClient(Lines& lines) {
  // The client a click drives: the remembered window while it is one, even
  // under a title that no longer carries a marker; else what a search finds
  // now, which a click would find too.  Titles are the copies the system
  // keeps, so a client that has stopped answering costs no wait here.
  platform::Hwnd window = AppState.tradingClient;
  if (window > 0 && IsWindowAlive(window)) {
    lines.Add("交易程序", "已找到（记住的窗口，点“买”“卖”时用它）");
    const TradingClientMatch& how = AppState.tradingClientFound;
    lines.Add("识别方式", how.window == window ? QualifiedText(how) + "（首次找到时）" : "不明");
  } else {
    const TradingClientMatch match = FindTradingClientMatch(TitleSource::kKeptBySystem, &descriptions);
    if (match.window <= 0) {
      lines.Add("交易程序", "未找到（窗口标题或程序的文件说明都不符合）");
      return;
    }
    window = match.window;
    lines.Add("交易程序", "已找到（现在查找到，点“买”“卖”时会用它）");
    lines.Add("识别方式", QualifiedText(match));
  }
  lines.Add("交易程序窗口标题", OrNone(platform::GetWindowTextA(window, kTitleBuffer)));
  const std::uint32_t processId = ProcessIdOfWindow(window);
  const std::string path = MainModulePath(processId);
  lines.Add("交易程序文件", OrNone(path));
  lines.Add("文件说明", OrNone(descriptions.Of(path)));
  lines.Add("进程号", Number(processId));
  const Bitness bits = ProcessBitness(processId);
  lines.Add("位数", bits == Bitness::k32 ? "32 位" : bits == Bitness::k64 ? "64 位" : "无法判断");
  lines.Add("响应", AnswerText(window));
  switch (ComparePrivilege(processId)) {
    case Privilege::kHigher:
      lines.Add("权限", "高于本程序（例如以管理员身份运行）：本程序发出的按键和代码会被 Windows 丢弃");
      lines.Add("办法：两者以相同方式运行，都以管理员身份运行，或都不以管理员身份运行。");
      break;
    case Privilege::kNotHigher:
      lines.Add("权限", "不高于本程序");
      break;
    case Privilege::kUnknown:
      lines.Add("权限", "无法判断");
      break;
  }
}

std::string ReachedText(ClientReached reached) {
  switch (reached) {
    case ClientReached::kRemembered:
      return "沿用记住的窗口";
    case ClientReached::kSearched:
      return "重新查找到";
    case ClientReached::kNotFound:
      return "未找到";
    case ClientReached::kNotNeeded:
      break;
  }
  return "没有查找";
}

std::string WrittenText(CodeWritten written) {
  switch (written) {
    case CodeWritten::kNotTried:
      return "不写代码";
    case CodeWritten::kReplaced:
      return "已替换（读回无误）";
    case CodeWritten::kKeyedAfterIgnoredReplace:
      return "替换被交易程序忽略，已用键盘输入键入（读回无误）";
    case CodeWritten::kPostedBySetting:
      return "按“输入方式”1 逐字发送按键消息（读回无误）";
    case CodeWritten::kKeyedBySetting:
      return "按“输入方式”2 用键盘输入键入（读回无误）";
    case CodeWritten::kNotKeyed:
      return "未键入：见“键盘输入”一行";
    case CodeWritten::kSelectFailed:
      return "未写入：代码框不接受全选";
    case CodeWritten::kFieldSilent:
      return "未确认：代码框在替换时停止响应";
    case CodeWritten::kNotReadBack:
      return "已键入，读回时代码框未响应，无法确认";
    case CodeWritten::kNotLanded:
      return "已键入，但读回的不是这个代码（交易程序可能仍在处理按键）";
  }
  return "";
}

// Why an action stopped before it wrote anything: what the trader can change.
std::string StoppedText(const OrderOutcome& o) {
  switch (o.stopped) {
    case Stopped::kNot:
      return WrittenText(o.written);
    case Stopped::kNoCode:
      return "未写入：当前没有代码";
    case Stopped::kNotACode:
      return "未写入：中间显示的不是证券代码（五位或六位数字），例如行情软件的图表标题没有查到代码";
    case Stopped::kKeyNotAllowed:
      return "未按键：" + KeyName(o.key) +
             " 不是 F1～F24，它可能按下交易程序窗口里的按钮（例如“买入”），所以不按；请在“功能键设置”里改为交易程序的"
             "热键";
    case Stopped::kEarlierStillStuck:
      return "未动作：上一次调出交易程序时它卡住了，至今还没有处理完，等它恢复后再点";
    case Stopped::kNoClient:
      return "未写入：没有找到交易程序";
    case Stopped::kHigherPrivilege:
      return "未按键：交易程序的权限高于本程序（例如以管理员身份运行），Windows 会丢弃发给它的按键和消息；"
             "两者以相同方式运行";
    case Stopped::kClientSilent:
      return "未写入：交易程序未响应";
    case Stopped::kStalledOnActivation:
      return "未按键：交易程序被调到前面时卡住了，没有及时处理";
    case Stopped::kModifierHeld:
      return "未按键：Shift、Ctrl、Alt 或 Windows 键一直按着，约 2.5 秒内没有松开（用热键时，按下后即松开）";
    case Stopped::kHotKeyNotKeyed:
      return "未按键：见“键盘输入”一行";
    case Stopped::kKeyNotTaken:
      return "未写入：交易程序没有及时处理完热键，焦点可能还在上一张委托单的框里";
    case Stopped::kFocusNotMoved:
      return "未写入：热键没有移动焦点，焦点仍在按键前的输入框里（可能是上一张委托单的数量、价格框）；请确认热键"
             "能打开买入（卖出）窗口";
    case Stopped::kOtherInFront:
      return "未写入：最前面的是别的程序，代码只写进交易程序自己的代码框";
    case Stopped::kNoField:
      return "未写入：约 2 秒内交易程序没有代码框得到焦点";
  }
  return "";
}

// Why keys were not keyed: what the trader can change.
std::string KeyedText(Keyed keyed) {
  switch (keyed) {
    case Keyed::kKeyed:
      return "已键入";
    case Keyed::kModifierHeld:
      return "未键入：Shift、Ctrl、Alt 或 Windows 键一直按着（松开后再点）";
    case Keyed::kNotInFront:
      return "未键入：最前面的不是交易程序的窗口";
    case Keyed::kFocusElsewhere:
      return "未键入：交易程序的代码框没有焦点";
    case Keyed::kNoPlainKey:
      return "未键入：当前键盘布局打数字要加 Shift 等键，或热键不是一个按键（请换用美式键盘布局）";
    case Keyed::kInputMethod:
      return "未键入：交易程序的输入法处于全角或中文模式，键入的数字会变成全角或被拿去选字（请切换到英文或关闭输入法）";
    case Keyed::kInputCut:
      return "未完成：Windows 只接受了部分按键（桌面已锁定），已松开按下的键";
    case Keyed::kNotTried:
      break;
  }
  return "";
}

std::string PressedText(const OrderOutcome& o) {
  switch (o.pressed) {
    case KeyPressed::kPosted:
      return KeyName(o.key) + "，按键消息";
    case KeyPressed::kKeyed:
      return KeyName(o.key) + "，键盘输入";
    case KeyPressed::kNo:
      break;
  }
  return "未按";
}

// Whether the action got past step: each step it did has its line.
bool GotPast(const OrderOutcome& o, Stopped step) {
  return o.stopped == Stopped::kNot || static_cast<int>(o.stopped) > static_cast<int>(step);
}

void AddHotKey(Lines& lines, const char* name, const HotKeyRecord& hotKey) {
  const std::string combination = HotKeyName(hotKey.setting.key);
  switch (hotKey.state) {
    case HotKeyState::kNone:
      lines.Add(name, "未设置");
      break;
    case HotKeyState::kUnreadable:
      lines.Add(name, "“" + hotKey.setting.text +
                          "”无法识别，不起作用（写法如 Ctrl+Alt+B：Ctrl、Alt、Shift、Win 加 A–Z、0–9 或 "
                          "F1–F24，字母和数字须带修饰键）");
      break;
    case HotKeyState::kRegistered:
      lines.Add(name, combination + "，已登记（在任何程序里按下都和点击一样）");
      break;
    case HotKeyState::kTaken:
      lines.Add(name, combination + " 已被别的程序占用，不起作用（请换一个组合）");
      break;
    case HotKeyState::kSameAsBuy:
      lines.Add(name, combination + " 与买入热键相同，不起作用");
      break;
  }
}

void AddLastAction(Lines& lines) {
  const ActionRecord& last = AppState.lastAction;
  if (!last.happened) {
    lines.Add("上一次操作", "尚无");
    return;
  }
  const char* button = last.button == ActionButton::kBuy    ? "买"
                       : last.button == ActionButton::kSell ? "卖"
                                                            : "双击代码（功能键）";
  const OrderOutcome& o = last.outcome;
  lines.Add("上一次操作", TimeText(last.at) + " " + button + (last.byHotKey ? "（热键）" : ""));
  if (last.refused != CodeKind::kOrderable) {
    lines.Add("  结果", "未动作：" + RefusedText(last.refused));
    return;
  }
  if (GotPast(o, Stopped::kEarlierStillStuck)) lines.Add("  交易程序", ReachedText(o.reached));
  if (GotPast(o, Stopped::kHigherPrivilege)) lines.Add("  响应", o.answered ? "正常" : "未响应");
  if (GotPast(o, Stopped::kClientSilent)) {
    lines.Add("  调到前面", o.stopped == Stopped::kStalledOnActivation ? "交易程序卡住"
                            : o.inFront                                ? "成功"
                                                                       : "被 Windows 拒绝");
  }
  if (GotPast(o, Stopped::kStalledOnActivation)) lines.Add("  按键", PressedText(o));
  if (o.keyed != Keyed::kNotTried) lines.Add("  键盘输入", KeyedText(o.keyed));
  if (o.looks > 0 && o.fieldAfterMs >= 0) {
    lines.Add("  代码框", "按键后 " + Number(o.fieldAfterMs) + " 毫秒得到焦点，类名 " + o.focusedClass);
  } else if (o.looks > 0) {
    lines.Add("  代码框", "没有等到，最后看到的焦点类名 " + OrNone(o.focusedClass));
  }
  if (!o.otherInFront.empty()) lines.Add("  最前面的窗口", "别的程序：" + o.otherInFront);
  lines.Add("  结果", StoppedText(o));
  if (!o.fieldText.empty()) lines.Add("  代码框读回", o.fieldText);
}

}  // namespace

std::string KeyName(std::int32_t keyCode) {
  std::string name;
  if (keyCode == 9) {
    name = "Tab";
  } else if (keyCode == 13) {
    name = "Enter";
  } else if (keyCode == 27) {
    name = "Esc";
  } else if (keyCode == 32) {
    name = "Space";
  } else if (keyCode >= 112 && keyCode <= 135) {
    name = "F" + Number(keyCode - 111);
  } else if ((keyCode >= '0' && keyCode <= '9') || (keyCode >= 'A' && keyCode <= 'Z')) {
    name = std::string(1, static_cast<char>(keyCode));
  }
  return name.empty() ? Number(keyCode) : name + " (" + Number(keyCode) + ")";
}

std::string StatusText() {
  Lines lines;
  AddProgram(lines);
  AddQuoteSource(lines);
  AddTradingClient(lines);
  for (const auto& [name, key] : {std::pair<const char*, std::int32_t>{"买入键 ", AppState.buyKey},
                                  {"卖出键 ", AppState.sellKey},
                                  {"功能键 ", AppState.functionKey}})
    lines.Add(name + KeyName(key) + (IsPressableKey(key) ? "" : "（不是 F1～F24，不会按下）"));
  AddHotKey(lines, "买入热键", AppState.buyHotKey);
  AddHotKey(lines, "卖出热键", AppState.sellHotKey);
  AddLastAction(lines);
  return lines.Text();
}

void OpenStatusWindow(platform::Hwnd bar, QuoteSource quoteSource) {
  timerOwner = bar;
  source = quoteSource;
  if (status.window > 0 && platform::IsWindow(status.window)) {
    // Asked for again: the trader wants to see it.
    if (platform::IsIconic(status.window)) platform::ShowWindow(status.window, platform::kSwShowNormal);
    platform::SetForegroundWindow(status.window);
    return;
  }
  status = platform::CreateStatusWindow();
  if (status.window <= 0) {
    status = {};
    return;
  }
  ownVersion = ReadVersionString(platform::GetModuleFileNameA(), "FileVersion");
  platform::UpdateEditText(status.text, StatusText());
  platform::ShowWindow(status.window, platform::kSwShow);
  platform::SetTimer(timerOwner, kStatusTimerId, kStatusRefreshMs);
}

void OnStatusTimer(QuoteSource quoteSource) {
  source = quoteSource;
  if (status.window <= 0) return;
  platform::UpdateEditText(status.text, StatusText());
}

void OnStatusCopyClicked() {
  if (status.window <= 0) return;
  platform::SetClipboardText(status.window, platform::GetWindowTextA(status.text, 65536));
}

void OnStatusClosed() {
  if (status.window <= 0) return;
  status = {};
  descriptions = {};
  platform::KillTimer(timerOwner, kStatusTimerId);
}

void ResetStatusWindow() {
  status = {};
  ownVersion.clear();
  descriptions = {};
  timerOwner = 0;
  source = QuoteSource::kDzh;
}
