// 通达信: the security's name in the main window's chart title, turned into
// its code through the installation's own name tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// A name table, "T0002\hq_cache\<file>" in the installation: a 50-byte
// header, then 314-byte records, each with its code (six ASCII digits) at
// offset 0 and its GBK name, NUL-padded, in the 8 bytes at offset 23.
inline constexpr std::size_t kTnfHeaderSize = 50;
inline constexpr std::size_t kTnfRecordSize = 314;
inline constexpr std::size_t kTnfNameOffset = 23;
inline constexpr std::size_t kTnfNameSize = 8;
// Whatever a file's size, no more records than this are kept of it (about
// 20 MB of table, far beyond any exchange's list).
inline constexpr std::size_t kMostTnfRecords = 65536;

struct TnfRecord {
  std::array<char, kTnfNameSize> name;  // NUL-padded
  std::uint32_t code;                   // the six digits as a number
};

struct TnfTable {
  explicit TnfTable(const char* name = "") : fileName(name) {}
  const char* fileName;
  bool present = false;  // the file was there when last looked at
  // Taken as a table: bjm.tnf only when well-formed, as its layout is not
  // known for certain; shm.tnf and szm.tnf as far as they are whole.
  bool used = false;
  platform::FileStamp stamp;
  std::vector<TnfRecord> records;  // sorted by name
};

// The records of a whole number of them in bytes that meet the check (a code
// of six ASCII digits, a name of at least one byte that ends at its NUL or at
// the field's end), appended; false when any did not.
bool TakeTnfRecords(std::string_view bytes, std::vector<TnfRecord>* records);
// Reads a table file once more when its size or time differ from what
// table->stamp says; false when nothing changed.
bool RefreshTnfTable(const std::string& path, TnfTable* table);
// How many records of the tables carry the name; *code gets the last one's.
std::size_t CountTnfRecords(const TnfTable* tables, std::size_t count, std::string_view name, std::string* code);

// The name in a chart page's title ("... - [分析图表-平安银行]"); "" for any
// other page.
std::string TdxChartName(std::string_view title);

enum class TdxOutcome { kNoTitle, kNotChart, kCode, kNotListed, kListedMoreThanOnce };

// What the reader keeps of a running 通达信 while it stays attached.
struct TdxAttachment {
  platform::Hwnd mainWindow = 0;  // below 1: not attached
  std::string folder;             // the installation: its executable's folder
  // 上海, 深圳, and 北京, whose layout is not confirmed anywhere.
  std::array<TnfTable, 3> tables{TnfTable("shm.tnf"), TnfTable("szm.tnf"), TnfTable("bjm.tnf")};
  std::string lastTitle;  // the main window's title last read
  TdxOutcome outcome = TdxOutcome::kNoTitle;
  std::string name;         // from the last chart title
  std::size_t records = 0;  // how many records have that name
  std::string shown;        // what the label shows for that title
};

// Attaches to the frontmost visible top-level window of class
// "TdxW_MainFrame_Class" and its installation folder; mainWindow 0 when there
// is none.  The tables read before are kept while the folder is the same.
void FindTdx(TdxAttachment& tdx);
// What the label shows for the title: the code of a chart's name listed
// exactly once, else the name; "" for a page that is not a chart or a title
// that cannot be read.  The tables are looked at only when the title has
// changed: an unchanged title touches no file.
std::string ReadTdxCode(TdxAttachment& tdx);
// The table's path in the installation.
std::string TnfPath(const TdxAttachment& tdx, const TnfTable& table);
