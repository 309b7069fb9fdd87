#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "settings/settings_document.h"
#include "settings/settings_text.h"
#include "tests/files/temp_dir.h"
#include "tests/settings/document_contents.h"

namespace tarrowin {
namespace {

using testing_settings::Contents;
using testing_settings::Section;
using Sections = std::vector<Section>;

class SettingsReaderTest : public testing::Test {
 protected:
  Sections Load(const std::string& bytes) {
    testing_files::WriteBytes(dir_.dir() / "s.ini", bytes);
    EXPECT_EQ(doc_.LoadFile(dir_.Path(u"s.ini").c_str()), 1);
    return Contents(doc_);
  }

  testing_files::TempDir dir_;
  CSettingsDocument doc_;
};

// The reference file, line by line as stored; only the line ends vary.
const std::vector<std::string> kExampleLines = {
    "top=yes", "[s1]", "[s2]",  "k = \"a b\"  c", "k2 = a b", "k3=\"a", "k4=\"\"", "k5=",
    "a b = c", "=c",   "//k=v", "   // note",     "/k=v",     ";k=v",   "[ a ]",   "x=1",
    "x=2",     "[a",   "y=3"};

const Sections kExampleDocument = {{u"", {{u"top", u"yes"}}},
                                   {u"s2",
                                    {{u"k", u"a b"},
                                     {u"k2", u"a"},
                                     {u"k3", u"a"},
                                     {u"k4", u""},
                                     {u"a", u"c"},
                                     {u"", u"c"},
                                     {u"/k", u"v"},
                                     {u";k", u"v"}}},
                                   {u" a ", {{u"x", u"2"}, {u"y", u"3"}}}};

class ExampleFileTest : public SettingsReaderTest,
                        public testing::WithParamInterface<const char*> {};

TEST_P(ExampleFileTest, ReadsAsDocumented) {
  std::string bytes;
  for (const std::string& line : kExampleLines) bytes += line + GetParam();
  EXPECT_EQ(Load(bytes), kExampleDocument);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, ExampleFileTest, testing::Values("\r\n", "\n", "\r"));

TEST_F(SettingsReaderTest, RepeatedHeadersGiveSeparateRecords) {
  EXPECT_EQ(Load("[a]\nk=1\n[b]\nk=2\n[a]\nk=3\n"),
            (Sections{{u"a", {{u"k", u"1"}}}, {u"b", {{u"k", u"2"}}}, {u"a", {{u"k", u"3"}}}}));
}

TEST_F(SettingsReaderTest, EmptyOrMissingFile) {
  EXPECT_EQ(Load(""), Sections{});
  doc_.SetString(u"old", u"k", u"v");
  EXPECT_EQ(doc_.LoadFile(dir_.Path(u"missing.ini").c_str()), 0);
  EXPECT_TRUE(doc_.sections().empty());
  EXPECT_EQ(doc_.LoadFile(nullptr), 0);
}

TEST_F(SettingsReaderTest, LongLineIsReadInPiecesOf1024) {
  // The second piece starts inside the value, so it is a line of its own.
  const std::string line = "k=" + std::string(1022, 'v') + "x=" + std::string(474, 'w');
  ASSERT_EQ(line.size(), 1500u);
  const Sections contents = Load(line + "\r\n");
  ASSERT_EQ(contents.size(), 1u);
  ASSERT_EQ(contents[0].keys.size(), 2u);
  EXPECT_EQ(contents[0].keys[0].first, u"k");
  EXPECT_EQ(contents[0].keys[0].second, std::u16string(255, u'v'));
  EXPECT_EQ(contents[0].keys[1],
            (std::pair<std::u16string, std::u16string>{u"x", std::u16string(255, u'w')}));
}

// The same names in every encoding the reader accepts give one document.
TEST_F(SettingsReaderTest, EncodingsGiveTheSameDocument) {
  const Sections expected = {{u"\u8A2D\u5B9A", {{u"\u540D\u524D", u"\u3042 \u3044"}}}};
  const std::u16string text = u"[\u8A2D\u5B9A]\r\n\u540D\u524D=\"\u3042 \u3044\"\r\n";
  std::string utf16le = "\xFF\xFE";
  std::string utf16be = "\xFE\xFF";
  for (char16_t c : text) {
    utf16le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    utf16be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  }
  const std::string cp932 = "[\x90\xDD\x92\xE8]\r\n\x96\xBC\x91\x4F=\"\x82\xA0 \x82\xA2\"\r\n";
  EXPECT_EQ(Load("\xEF\xBB\xBF" + testing_settings::Utf8(text)), expected);
  EXPECT_EQ(Load(utf16le), expected);
  EXPECT_EQ(Load(utf16be), expected);
  EXPECT_EQ(Load(cp932), expected);
}

// Names, keys and values longer than 255 units are cut to 255, never
// splitting a surrogate pair; the rest of the line is read as usual.
TEST_F(SettingsReaderTest, LongTokensAreCutTo255Units) {
  const std::string name(300, 'n');
  const std::string key(300, 'k');
  const std::string value(300, 'v');
  // 254 units and then a pair that would end at unit 256.
  const std::string pair_at_cut = std::string(254, 'p') + "\xF0\x9F\x98\x80" + "tail";
  const Sections contents = Load("\xEF\xBB\xBF[" + name + "]\n" + key + "=" + value + "\nq=\"" +
                                 value + " x\"\nr=" + pair_at_cut + "\nafter=1\n");
  const std::u16string cut_name(255, u'n');
  EXPECT_EQ(contents, (Sections{{cut_name,
                                 {{std::u16string(255, u'k'), std::u16string(255, u'v')},
                                  {u"q", std::u16string(255, u'v')},
                                  {u"r", std::u16string(254, u'p')},
                                  {u"after", u"1"}}}}));
}

TEST_F(SettingsReaderTest, LoadFromStreamReadsTheRestAndMovesBack) {
  testing_files::WriteBytes(dir_.dir() / "s.ini", "\xEF\xBB\xBF[a]\nk=1\n");
  CFileStream stream;
  ASSERT_TRUE(
      stream.Open(dir_.Path(u"s.ini").c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(doc_.LoadFromStream(&stream), 1);
    EXPECT_EQ(Contents(doc_), (Sections{{u"a", {{u"k", u"1"}}}})) << round;
    std::uint64_t position = 9;
    ASSERT_TRUE(stream.Seek64(0, &position, kSeekCurrent));
    EXPECT_EQ(position, 0u);
  }
  stream.Close();
  EXPECT_EQ(doc_.LoadFromStream(&stream), 0);
  EXPECT_EQ(doc_.LoadFromStream(nullptr), 0);
  EXPECT_EQ(doc_.LoadFromPack(nullptr, nullptr), 0);
}

// Content that cannot be read is a failed load, not an empty file: the
// document is left empty, and Parse appends nothing.
TEST_F(SettingsReaderTest, ContentThatCannotBeReadIsNotLoaded) {
  const std::filesystem::path file = dir_.dir() / "s.ini";
  testing_files::WriteBytes(file, "[a]\nk=1\n");
  std::filesystem::resize_file(file, std::uintmax_t{1} << 32);  // too large for memory
  doc_.SetString(u"old", u"k", u"v");
  EXPECT_EQ(doc_.LoadFile(dir_.Path(u"s.ini").c_str()), 0);
  EXPECT_TRUE(doc_.sections().empty());

  // A file that shrinks after it was opened cannot be mapped.
  std::filesystem::resize_file(file, 100000);
  CFileStream stream;
  ASSERT_TRUE(stream.Open(dir_.Path(u"s.ini").c_str(), kGenericRead,
                          kFileShareRead | kFileShareWrite, kOpenExisting));
  std::filesystem::resize_file(file, 10);
  doc_.SetString(u"old", u"k", u"v");
  EXPECT_EQ(doc_.Parse(&stream), 0);
  EXPECT_EQ(Contents(doc_), (Sections{{u"old", {{u"k", u"v"}}}}));
  EXPECT_EQ(doc_.LoadFromStream(&stream), 0);
  EXPECT_TRUE(doc_.sections().empty());
}

TEST_F(SettingsReaderTest, ParseAppendsWithoutMerging) {
  testing_files::WriteBytes(dir_.dir() / "s.ini", "[a]\nk=2\n");
  doc_.SetString(u"a", u"k", u"1");
  CFileStream stream;
  ASSERT_TRUE(
      stream.Open(dir_.Path(u"s.ini").c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_EQ(doc_.Parse(&stream), 1);
  EXPECT_EQ(Contents(doc_), (Sections{{u"a", {{u"k", u"1"}}}, {u"a", {{u"k", u"2"}}}}));
}

struct ScanCase {
  const char* name;
  const char16_t* text;
  int scanner;  // 0 CopyUntil "=", 1 NextToken "\"", 2 NextWord
  std::size_t capacity;
  std::u16string out;
  int rest;  // units from the text to the returned position, -1 for null
};

class TextScannerTest : public testing::TestWithParam<ScanCase> {};

TEST_P(TextScannerTest, Scans) {
  const ScanCase& c = GetParam();
  std::vector<char16_t> out(c.capacity + 4, u'#');
  const char16_t* next = c.scanner == 0   ? CopyUntil(c.text, u"=", out.data(), c.capacity)
                         : c.scanner == 1 ? NextToken(c.text, u"\"", out.data(), c.capacity)
                                          : NextWord(c.text, out.data(), c.capacity);
  EXPECT_EQ(std::u16string(out.data()), c.out);
  EXPECT_EQ(next == nullptr ? -1 : static_cast<int>(next - c.text), c.rest);
  for (std::size_t i = c.capacity; i < out.size(); ++i) EXPECT_EQ(out[i], u'#');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextScannerTest,
    testing::Values(ScanCase{"CopyUntilDelimiter", u"ab=cd", 0, 16, u"ab", 3},
                    ScanCase{"CopyUntilEnd", u"abc", 0, 16, u"abc", -1},
                    ScanCase{"CopyUntilCut", u"abcdef=x", 0, 4, u"abc", 7},
                    ScanCase{"CopyUntilNoHalfPair",
                             u"ab\xD83D\xDE00"
                             u"c=",
                             0, 4, u"ab", 6},
                    ScanCase{"NextTokenSkipsLeading", u"\"\"a b\"c", 1, 16, u"a b", 6},
                    ScanCase{"NextTokenOnlyDelimiters", u"\"\"", 1, 16, u"", -1},
                    ScanCase{"NextWordStopsAtBlank", u" \tab\tc", 2, 16, u"ab", 5},
                    ScanCase{"NextWordEmpty", u"", 2, 16, u"", -1}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST(SettingsText, SkipBlanksAndLengths) {
  const char16_t* text = u" \t\r\nx y";
  EXPECT_EQ(SkipBlanks(text), text + 4);
  EXPECT_EQ(SkipBlanks(u" \t\r\n"), nullptr);
  EXPECT_EQ(WideLength(u"\u8A2Dab"), 3u);
  EXPECT_EQ(WideByteLength(u"\u8A2Dab"), 6u);
  EXPECT_EQ(WideLength(u""), 0u);
}

}  // namespace
}  // namespace tarrowin
