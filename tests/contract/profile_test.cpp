// The profile (INI) file calls: what they read, and what they leave in the
// file.
#include <tuple>
#include <utility>

#include "contract/fixture.h"

namespace contract {
namespace {

using namespace platform;

class ProfileTest : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    path_ = world().Directory() + "\\new.ini";
  }
  std::string Read(const std::string& section, const std::string& key, const std::string& def = "<none>",
                   std::uint32_t size = 10240) {
    return GetPrivateProfileStringA(section, key, def, size, path_);
  }
  bool Write(const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section, key, value, path_);
  }
  std::string path_;
};

// The file's stamp changes with every write and only then.
TEST_F(ProfileTest, TheFirstWriteCreatesTheFileAndLaterOnesExtendIt) {
  FileStamp stamp;
  EXPECT_FALSE(GetFileAttributesExA(path_, &stamp)) << "no file yet";
  EXPECT_FALSE(GetFileAttributesExA(world().Directory(), &stamp)) << "a folder is no file";
  EXPECT_EQ(Read("软件设置", "买入键", "0"), "0");
  ASSERT_TRUE(Write("软件设置", "键码表", "F1[112],F2[113],F3[114],F4[115],依此类推"));
  EXPECT_EQ(world().FileBytes(path_), "[软件设置]\r\n键码表=F1[112],F2[113],F3[114],F4[115],依此类推\r\n");
  ASSERT_TRUE(Write("软件设置", "买入键", "112"));
  ASSERT_TRUE(Write("代码表", "浦发银行", "600000"));
  ASSERT_TRUE(Write("软件设置", "左边", "-500"));
  ASSERT_TRUE(Write("软件设置", "买入键", "F5"));
  EXPECT_EQ(world().FileBytes(path_),
            "[软件设置]\r\n键码表=F1[112],F2[113],F3[114],F4[115],依此类推\r\n买入键=F5\r\n左边=-500\r\n"
            "[代码表]\r\n浦发银行=600000\r\n");
  EXPECT_EQ(Read("软件设置", "买入键"), "F5");
  EXPECT_EQ(Read("代码表", "浦发银行"), "600000");

  ASSERT_TRUE(GetFileAttributesExA(path_, &stamp));
  EXPECT_EQ(stamp.size, world().FileBytes(path_).size());
  Read("代码表", "浦发银行");
  FileStamp again;
  ASSERT_TRUE(GetFileAttributesExA(path_, &again));
  EXPECT_EQ(again, stamp) << "reading leaves the file as it was";
  // A rewrite of the same length, as a hand edit of one digit would be; the
  // file system's clock needs a moment to move on.
  Sleep(50);
  ASSERT_TRUE(Write("代码表", "浦发银行", "600036"));
  ASSERT_TRUE(GetFileAttributesExA(path_, &again));
  EXPECT_EQ(again.size, stamp.size);
  EXPECT_NE(again.lastWriteTime, stamp.lastWriteTime);
}

TEST_F(ProfileTest, ReadingMatchesNamesLooselyTrimsValuesAndTakesTheFirstMatchingSection) {
  world().MakeFile(path_,
                   "[Settings]\r\n"
                   "  Key  =  spaced value  \r\n"
                   "quoted=\"  inside  \"\r\n"
                   "half=\"open\r\n"
                   "single='x'\r\n"
                   "empty=\r\n"
                   "long=0123456789\r\n"
                   "[代码表]\r\n"
                   "深发展Ａ=000001\r\n"
                   "[T]\r\n"
                   ";c=1\r\n"
                   "noeq\r\n"
                   "=empty\r\n"
                   "[x]y=2\r\n"
                   " k = v \r\n"
                   "[ T2 ]\r\n"
                   "z=3\r\n"
                   "[T]\r\n"
                   "dup=4\r\n");
  struct {
    std::string section, key, def;
    std::uint32_t size;
    std::string expected;
  } cases[] = {
      {"Settings", "Key", "d", 100, "spaced value"},
      {"settings", "KEY", "d", 100, "spaced value"},
      {"  Settings ", " key ", "d", 100, "spaced value"},
      {"Settings", "quoted", "d", 100, "  inside  "},
      {"Settings", "half", "d", 100, "\"open"},
      {"Settings", "single", "d", 100, "x"},
      {"Settings", "empty", "d", 100, ""},
      {"Settings", "long", "d", 5, "0123"},
      {"Settings", "long", "d", 1, ""},
      {"Settings", "long", "d", 0, ""},
      {"Settings", "missing", "default  ", 100, "default"},
      {"Settings", "missing", "  lead", 100, "  lead"},
      {"Settings", "missing", "0123456789", 4, "012"},
      {"Missing", "Key", "d", 100, "d"},
      {"代码表", "深发展Ａ", "", 100, "000001"},
      {"代码表", "深发展", "", 100, ""},
  };
  for (auto& c : cases)
    EXPECT_EQ(Read(c.section, c.key, c.def, c.size), c.expected)
        << "[" << c.section << "] " << c.key << " size " << c.size;

  // Irregular lines: only the first section of a name counts.
  const std::tuple<std::string, std::string, std::string> irregular[] = {
      {"T", ";c", "1"},     {"T", "noeq", "<none>"}, {"T", "k", "<none>"},   {"x", "k", "v"},
      {"x", "y", "<none>"}, {"T2", "z", "3"},        {"T", "dup", "<none>"}, {"[x]y", "k", "<none>"},
  };
  for (auto& [section, key, expected] : irregular) EXPECT_EQ(Read(section, key), expected) << section << " " << key;
  ASSERT_TRUE(Write("T2", "z", "33"));
  ASSERT_TRUE(Write("T", "new", "5"));
  EXPECT_EQ(Read("T2", "z"), "33");
  EXPECT_EQ(Read("T", "new"), "5");
  EXPECT_EQ(Read("T", ";c"), "1");
  EXPECT_EQ(Read("x", "k"), "v");
}

TEST_F(ProfileTest, WritingReplacesInPlaceKeepsEverythingElseAndOddKeysComeBackAsTheFormatReadsThem) {
  world().MakeFile(path_,
                   "; a comment\r\n"
                   "[A]\r\n"
                   "x=1\r\n"
                   "y = 2\r\n"
                   "\r\n"
                   "[B]\r\n"
                   "z=3\r\n");
  ASSERT_TRUE(Write("a", "Y", "20"));
  ASSERT_TRUE(Write("A", "w", "4"));
  ASSERT_TRUE(Write("B", "z", "30"));
  ASSERT_TRUE(Write("B", "empty", ""));
  EXPECT_EQ(Read("B", "empty"), "") << "an empty value is a value";
  EXPECT_EQ(Read("A", "x"), "1");
  EXPECT_EQ(Read("A", "y"), "20");
  EXPECT_EQ(Read("A", "w"), "4");
  EXPECT_EQ(Read("B", "z"), "30");
  std::string file = world().FileBytes(path_);
  EXPECT_NE(file.find("; a comment"), std::string::npos) << file;
  EXPECT_LT(file.find("w=4"), file.find("[B]")) << file;
  EXPECT_NE(file.find("z=30\r\n"), std::string::npos) << file;

  // Odd keys and values come back as the format reads them.
  const std::pair<std::string, std::string> writes[] = {
      {"a=b", "v1"},   {"  padded  ", "  v2  "},    {"[bracket", "v3"},
      {";semi", "v4"}, {"multi", "line1\r\nline2"}, {"tab\tkey", "\tv"},
  };
  for (auto& [key, value] : writes) ASSERT_TRUE(Write("S", key, value)) << key;
  const std::pair<std::string, std::string> reads[] = {
      {"a", "b=v1"},                             // the key ends at the first "="
      {"a=b", "<none>"},    {"padded", "v2"},    // blanks around names and values do not count
      {"  padded  ", "v2"}, {"[bracket", "v3"},  // no "]": not a section
      {";semi", "v4"},                           // no comment either
      {"semi", "<none>"},   {"multi", "line1"},  // the value ends with its line
      {"line2", "<none>"},                       // a line without "=" holds no value
      {"tab\tkey", "v"},
  };
  for (auto& [key, expected] : reads) EXPECT_EQ(Read("S", key), expected) << key;

  // A last line ended by a lone carriage return, as a hand edit may leave it:
  // the value stops before it, a new key gets a line of its own, and writing
  // what is already there leaves the file as it is.
  world().MakeFile(path_, "[S]\r\nk=100\r");
  EXPECT_EQ(Read("S", "k"), "100");
  ASSERT_TRUE(Write("S", "new", "5"));
  const std::string extended = world().FileBytes(path_);
  ASSERT_TRUE(Write("S", "k", "100"));
  EXPECT_EQ(world().FileBytes(path_), extended);
  EXPECT_EQ(Read("S", "k"), "100");
  EXPECT_EQ(Read("S", "new"), "5");
}

TEST_F(ProfileTest, WritesFailWhereTheFileCannotBeWritten) {
  world().MakeFile(path_, "[S]\r\nk=1\r\n");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "2", world().Directory() + "\\no such folder\\new.ini"));
  if (!world().SetReadOnly(path_)) GTEST_SKIP() << "read-only files can be written here";
  EXPECT_FALSE(Write("S", "k", "2"));
  EXPECT_EQ(world().FileBytes(path_), "[S]\r\nk=1\r\n");
  EXPECT_EQ(Read("S", "k"), "1");
}

}  // namespace
}  // namespace contract
