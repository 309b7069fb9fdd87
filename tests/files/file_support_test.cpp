// The pieces under the file stream: code page 932 tables, the UTF-16
// printf and the file function tables of the pack reader.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "files/code_page_932.h"
#include "files/file_io_table.h"
#include "files/wide_format.h"
#include "tests/files/temp_dir.h"

namespace tarrowin {
namespace {

struct CodePageCase {
  std::string bytes;
  char16_t unit;
};

class CodePage932Test : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePage932Test, DecodesAndEncodes) {
  const CodePageCase& c = GetParam();
  const auto& code_page = CodePage932::Instance();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
  char16_t unit = 0;
  EXPECT_EQ(code_page.Decode(bytes, c.bytes.size(), &unit), static_cast<int>(c.bytes.size()));
  EXPECT_EQ(unit, c.unit);
  std::uint8_t out[2] = {};
  ASSERT_EQ(code_page.Encode(c.unit, out), static_cast<int>(c.bytes.size()));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), c.bytes.size()), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Characters, CodePage932Test,
                         testing::Values(CodePageCase{"A", u'A'}, CodePageCase{"\\", u'\\'},
                                         CodePageCase{"\x90\xDD", u'\u8A2D'},    // 設
                                         CodePageCase{"\x92\xE8", u'\u5B9A'},    // 定
                                         CodePageCase{"\x82\xA0", u'\u3042'},    // あ
                                         CodePageCase{"\xB1", u'\uFF71'},        // half-width ア
                                         CodePageCase{"\x87\x40", u'\u2460'},    // NEC row 13
                                         CodePageCase{"\xFA\x40", u'\u2170'}));  // IBM extension

TEST(CodePage932, PrefersTheUsualOfSeveralEncodings) {
  const auto& code_page = CodePage932::Instance();
  std::uint8_t out[2] = {};
  // ≒ is both 81 E0 and 87 90; ⅰ both EE EF and FA 40.
  ASSERT_EQ(code_page.Encode(u'\u2252', out), 2);
  EXPECT_EQ(out[0] << 8 | out[1], 0x81E0);
  ASSERT_EQ(code_page.Encode(u'\u2170', out), 2);
  EXPECT_EQ(out[0] << 8 | out[1], 0xFA40);
}

TEST(CodePage932, RejectsWhatItLacks) {
  const auto& code_page = CodePage932::Instance();
  std::uint8_t out[2] = {};
  EXPECT_EQ(code_page.Encode(u'\uAC00', out), 0);  // Hangul
  EXPECT_EQ(code_page.Encode(u'\xD83D', out), 0);  // half a surrogate pair
  char16_t unit = 0;
  const std::uint8_t lead_only[1] = {0x90};
  EXPECT_EQ(code_page.Decode(lead_only, 1, &unit), 0);
  const std::uint8_t bad_trail[2] = {0x90, 0x0A};
  EXPECT_EQ(code_page.Decode(bad_trail, 2, &unit), 0);
}

std::u16string Format(const char16_t* format, ...) {
  char16_t out[64];
  std::va_list args;
  va_start(args, format);
  const std::size_t length = FormatWide(out, 64, format, args);
  va_end(args);
  EXPECT_EQ(std::u16string(out).size(), length);
  return out;
}

TEST(FormatWide, FormatsTheUsualConversions) {
  EXPECT_EQ(Format(u"%d|%5d|%-5d|%05d|%+d", 42, -42, 7, -7, 3), u"42|  -42|7    |-0007|+3");
  EXPECT_EQ(Format(u"%u|%x|%08X|%.3d", 4000000000u, 255u, 0xBEEFu, 5),
            u"4000000000|ff|0000BEEF|005");
  EXPECT_EQ(Format(u"%s|%.2s|%4s|%c|%%", u"abc", u"abc", u"ab", u'\u3042'),
            u"abc|ab|  ab|\u3042|%");
  EXPECT_EQ(Format(u"%lld|%I64u|%ld", -9000000000LL, 18000000000ULL, -5L),
            u"-9000000000|18000000000|-5");
  EXPECT_EQ(Format(u"%*d|%-*s|", 4, 1, 3, u"x"), u"   1|x  |");
  EXPECT_EQ(Format(u"%s|%q", static_cast<const char16_t*>(nullptr)), u"(null)|%q");
}

TEST(FormatWide, CutsAtTheCapacity) {
  char16_t out[8];
  std::u16string long_text(100, u'y');
  auto format = [&](const char16_t* f, ...) {
    std::va_list args;
    va_start(args, f);
    const std::size_t length = FormatWide(out, 8, f, args);
    va_end(args);
    return length;
  };
  EXPECT_EQ(format(u"%s", long_text.c_str()), 7u);
  EXPECT_EQ(std::u16string(out), u"yyyyyyy");
  EXPECT_EQ(format(u"%100d", 1), 7u);
}

TEST(FileIoTable, ReadsAndWritesThroughTheSystem) {
  EXPECT_FALSE(InitFileIoReadTable(nullptr));
  EXPECT_FALSE(InitFileIoWriteTable(nullptr));
  FileIoReadTable reader;
  FileIoWriteTable writer;
  ASSERT_TRUE(InitFileIoReadTable(&reader));
  ASSERT_TRUE(InitFileIoWriteTable(&writer));
  testing_files::TempDir dir;
  const std::u16string path = dir.Path(u"table.bin");

  FileHandle out = writer.open(path.c_str(), kGenericWrite, 0, kCreateAlways);
  ASSERT_TRUE(out.IsValid());
  std::uint32_t done = 0;
  EXPECT_TRUE(writer.write(out, "0123456789", 10, &done));
  EXPECT_TRUE(writer.flush(out));
  EXPECT_TRUE(writer.close(out));
  EXPECT_FALSE(out.IsValid());

  FileHandle in = reader.open(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting);
  ASSERT_TRUE(in.IsValid());
  std::uint64_t size = 0;
  EXPECT_TRUE(reader.get_size(in, &size));
  EXPECT_EQ(size, 10u);
  std::uint64_t position = 0;
  EXPECT_TRUE(reader.seek(in, 0xFFFFFFFDu, -1, kSeekEnd, &position));  // -3 from the end
  EXPECT_EQ(position, 7u);
  char bytes[8] = {};
  EXPECT_TRUE(reader.read(in, bytes, 8, &done));
  EXPECT_EQ(std::string(bytes, done), "789");
  EXPECT_TRUE(reader.close(in));

  EXPECT_FALSE(
      reader.open(dir.Path(u"missing").c_str(), kGenericRead, kFileShareRead, kOpenExisting)
          .IsValid());
}

}  // namespace
}  // namespace tarrowin
