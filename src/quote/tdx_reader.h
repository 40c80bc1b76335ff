// 通达信: the security's name in the main window's chart title, turned into
// its code through the installation's own name files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "quote/exchanges.h"

// A name table, "T0002\hq_cache\<file>" in the installation: a 50-byte
// header, then records of one size, each with its code (six ASCII digits) at
// offset 0 and its GBK name, NUL-padded, in a field further on.  Names
// longer than the field are cut at a character.
struct TnfLayout {
  const char* fileName;
  Exchange exchange;
  std::size_t recordSize, nameOffset, nameSize;
  // Public readers agree on it: a table is taken as far as it is whole and
  // right.  Any other is taken only when whole and right in every record.
  bool confirmed;
  // A newer version's layout, seen in a script or two: each name must be
  // whole GBK characters (one read a byte off would pass otherwise), and it
  // is looked for only where neither shm.tnf nor szm.tnf is.
  bool newer;
};
inline constexpr std::size_t kTnfHeaderSize = 50;
inline constexpr std::size_t kLongestTnfName = 31;
// Whatever a file's size, no more than this is read of it (far beyond any
// exchange's list in any layout).
inline constexpr std::size_t kMostTnfBytes = 24u << 20;

struct TnfRecord {
  std::array<char, kLongestTnfName> name;  // NUL-padded
  std::uint32_t code;                      // the six digits as a number
};

// What is known of one of the installation's files.
struct TdxFile {
  std::string path;      // in the installation attached to
  bool present = false;  // it was there when last looked at
  bool used = false;     // what it holds is taken
  // Its stamp when it was last read whole; "not read" while the last try
  // failed, so the next look reads it again.
  bool whole = false;
  platform::FileStamp stamp;
};

struct TnfTable : TdxFile {
  explicit TnfTable(const TnfLayout& shape, std::string where = "") : layout(&shape) { path = std::move(where); }
  const TnfLayout* layout;
  std::vector<TnfRecord> records;  // sorted by name
};

// "T0002\hq_cache\infoharbor_ex.name": GBK lines "market|code|name" (market
// 0 深圳, 1 上海, 2 北京) with names the tables cut.  Taken only when every
// line is so.
inline constexpr const char* kTdxNameListFile = "infoharbor_ex.name";
struct ListedName {
  std::string name;
  std::uint32_t code;
  Exchange exchange;
};
struct TdxNameList : TdxFile {
  std::vector<ListedName> names;  // sorted by name
};

// The layouts read, in this order: the name tables public readers agree on
// (上海, 深圳; 北京 read the same way by one), then, where the first two are
// not, those of newer versions seen in one reader or two.
extern const std::array<TnfLayout, 8> kTnfLayouts;

// The records of a whole number of them in bytes that meet the check,
// appended; false when any did not.
bool TakeTnfRecords(std::string_view bytes, const TnfLayout& layout, std::vector<TnfRecord>* records);
// Reads a table file again when it appeared, went or changed, or its last
// read was not whole; false when nothing was read or dropped.
bool RefreshTnfTable(const std::string& path, TnfTable* table);
bool RefreshTdxNameList(const std::string& path, TdxNameList* list);
// Lines of an infoharbor_ex.name, sorted; false when any line is not one.
bool TakeListedNames(std::string_view text, std::vector<ListedName>* names);

// The name as a field of size bytes holds it: cut to the last whole GBK
// character that fits.
std::string_view CutToField(std::string_view name, std::size_t size);

// Which securities carry a name: how many (the same code and exchange in two
// tables count once), and the last one's code, exchange and file.
struct TdxMatch {
  std::size_t count = 0;
  std::string code;
  Exchange exchange = Exchange::kUnknown;
  const char* file = "";
};
TdxMatch MatchInTables(const TnfTable* tables, std::size_t count, std::string_view name);
TdxMatch MatchInNameList(const TdxNameList& list, std::string_view name);

// The name in a chart page's title ("... - [分析图表-平安银行]"); "" for any
// other page.
std::string TdxChartName(std::string_view title);

enum class TdxOutcome { kNoTitle, kNotChart, kCode, kNotListed, kListedMoreThanOnce };

// What the reader keeps of a running 通达信 while it stays attached.
struct TdxAttachment {
  platform::Hwnd mainWindow = 0;  // below 1: not attached
  std::string folder;             // the installation: its executable's folder
  std::vector<TnfTable> tables{kTnfLayouts.begin(), kTnfLayouts.end()};
  TdxNameList nameList;
  std::string lastTitle;  // the main window's title last read
  TdxOutcome outcome = TdxOutcome::kNoTitle;
  std::string name;                        // from the last chart title
  TdxMatch match;                          // what the name files say of it
  std::string shown;                       // what the label shows for that title
  Exchange exchange = Exchange::kUnknown;  // of the code shown, where known
};

// The frontmost visible top-level window of class "TdxW_MainFrame_Class",
// found by its class alone; 0 when there is none.
platform::Hwnd FrontmostTdx();
// Attaches to window and its installation folder; the files read before are
// kept while the folder is the same.  A window whose process cannot be
// found is not attached.
void AttachTdx(TdxAttachment& tdx, platform::Hwnd window);
// What the label shows for the title: the code of a chart's name listed
// exactly once, else the name; "" for a page that is not a chart or a title
// that cannot be read.  The files are looked at only when the title has
// changed: an unchanged title touches no file.
std::string ReadTdxCode(TdxAttachment& tdx);
