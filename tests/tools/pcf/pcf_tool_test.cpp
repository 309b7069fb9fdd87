// The pcf tool end to end, as a separate program: create, list, cat, open,
// extract and test, and failures that end with status 1 and one line on
// standard error naming the archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/pack_test_support.h"
#include "tests/tools/run_program.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;
using testing_tools::ProgramResult;

std::u16string Pcf() {
  const fs::path folder(testing_tools::ThisProgramFolder());
  return (folder / TARROWIN_PCF_RELATIVE).lexically_normal().u16string();
}

// "ab\ncd\n" -> {"ab", "cd"}
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// A failure: status 1, nothing on standard output, exactly one line on
// standard error that names `subject` and says `what`.
void ExpectFailure(const ProgramResult& r, const std::string& subject, const std::string& what) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.back(), '\n');
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(subject), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
}

// An archive of one entry "x" renamed to `name` afterwards: the writer
// itself refuses names that are not safe.
PackImage ImageWithName(const std::string& name) {
  PackImage image = testing_files::BuildImage({{"x", testing_files::ToBytes("content"), 0}});
  const std::size_t record = testing_files::RecordAt(image.first, 0);
  std::fill_n(image.first.begin() + static_cast<std::ptrdiff_t>(record), 80, 0);
  std::copy(name.begin(), name.end(), image.first.begin() + static_cast<std::ptrdiff_t>(record));
  return image;
}

class PcfToolTest : public testing::Test {
 protected:
  PcfToolTest() {
    fs::create_directories(Src() / "Sub");
    WriteBytes(Src() / "a.txt", "alpha\n");
    WriteBytes(Src() / "Sub" / "User.ini", "[tarrowin1]\r\nProcessName=x.exe\r\n");
    WriteBytes(Src() / fs::path(u"\u65E5\u672C.txt"), "nihon");
    WriteBytes(Src() / "empty.bin", "");
  }

  fs::path Src() const { return dir_.dir() / "src"; }
  fs::path At(const char* name) const { return dir_.dir() / name; }

  ProgramResult Run(const std::vector<std::u16string>& args) {
    return testing_tools::RunProgram(Pcf(), args);
  }
  ProgramResult Create(const fs::path& archive, std::vector<std::u16string> options) {
    std::vector<std::u16string> args = {u"create", archive.u16string()};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(u"-C");
    args.push_back(Src().u16string());
    args.push_back(u".");
    return Run(args);
  }

  TempDir dir_;
};

TEST_F(PcfToolTest, CreateListCatTestExtract) {
  const fs::path archive = At("conf.pcf");
  const ProgramResult created = Create(archive, {});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(created.out + created.err, "");

  const ProgramResult list = Run({u"list", archive.u16string()});
  ASSERT_EQ(list.status, 0) << list.err;
  // Sorted by the archive's order, which folds ASCII case.
  EXPECT_EQ(Lines(list.out), (std::vector<std::string>{
                                 "a.txt\t6\t6\t0x00000000",
                                 "empty.bin\t0\t0\t0x00000000",
                                 "Sub/User.ini\t32\t32\t0x00000000",
                                 "\xE6\x97\xA5\xE6\x9C\xAC.txt\t5\t5\t0x00000000",
                             }));

  const ProgramResult cat = Run({u"cat", archive.u16string(), u"SUB\\user.INI"});
  ASSERT_EQ(cat.status, 0) << cat.err;
  EXPECT_EQ(cat.out, "[tarrowin1]\r\nProcessName=x.exe\r\n");
  EXPECT_EQ(Run({u"cat", archive.u16string(), u"\u65E5\u672C.txt"}).out, "nihon");
  const ProgramResult empty = Run({u"cat", archive.u16string(), u"empty.bin"});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");

  const ProgramResult test = Run({u"test", archive.u16string()});
  EXPECT_EQ(test.status, 0) << test.err;
  EXPECT_NE(test.out.find("4 entries intact"), std::string::npos) << test.out;

  const ProgramResult extract = Run({u"extract", archive.u16string(), At("out").u16string()});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadBytes(At("out") / "Sub" / "User.ini"), ReadBytes(Src() / "Sub" / "User.ini"));
  EXPECT_EQ(ReadBytes(At("out") / fs::path(u"\u65E5\u672C.txt")), "nihon");
  EXPECT_TRUE(fs::exists(At("out") / "empty.bin"));
}

TEST_F(PcfToolTest, EveryCompressionChoiceRoundTrips) {
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text += "[tarrowin" + std::to_string(i) + "]\r\nProcessName=prog" + std::to_string(i % 37) +
            ".exe\r\nCPUCount=" + std::to_string(i % 4) + "\r\n";
  }
  WriteBytes(Src() / "rules.ini", text);
  const std::pair<const char16_t*, const char*> choices[] = {
      {u"none", "0x00000000"},         {u"lzss", "0x00000060"},
      {u"huffman", "0x0000b000"},      {u"range", "0x00000b00"},
      {u"lzss+huffman", "0x0000b060"}, {u"lzss+range", "0x00000b60"},
      {u"bwt+huffman", "0x0000b006"},  {u"bwt+range", "0x00000b06"}};
  for (const auto& [choice, flags] : choices) {
    SCOPED_TRACE(flags);
    const fs::path archive = At("c.pcf");
    const ProgramResult created = Create(archive, {u"--compress", choice, u"--digest"});
    ASSERT_EQ(created.status, 0) << created.err;
    const ProgramResult list = Run({u"list", archive.u16string()});
    EXPECT_NE(list.out.find(std::string("rules.ini\t") + std::to_string(text.size())),
              std::string::npos);
    for (const std::string& line : Lines(list.out)) EXPECT_TRUE(line.ends_with(flags)) << line;
    EXPECT_EQ(Run({u"cat", archive.u16string(), u"rules.ini"}).out, text);
    EXPECT_EQ(Run({u"cat", archive.u16string(), u"a.txt"}).out, "alpha\n");
    EXPECT_EQ(Run({u"cat", archive.u16string(), u"empty.bin"}).status, 0);
    EXPECT_EQ(Run({u"test", archive.u16string()}).status, 0);
  }
}

TEST_F(PcfToolTest, OpenFindsAFileThroughTheArchiveOfAParentFolder) {
  ASSERT_EQ(Create(At("conf.pcf"), {u"--cipher", u"camellia", u"--mode", u"cfb"}).status, 0);
  // conf/Sub/User.ini is not on disk: conf.pcf holds it.
  const ProgramResult open = Run({u"open", (dir_.dir() / "conf" / "Sub" / "User.ini").u16string()});
  ASSERT_EQ(open.status, 0) << open.err;
  EXPECT_EQ(open.out, "[tarrowin1]\r\nProcessName=x.exe\r\n");
  ExpectFailure(Run({u"open", (dir_.dir() / "conf" / "missing.ini").u16string()}), "missing.ini",
                "not on disk");
}

// A bomb beside the wanted file's folder: refused before it is decoded,
// naming the archive, the entry and the limit.
TEST_F(PcfToolTest, OpenRefusesAnEntryDeclaredAboveTheLimit) {
  testing_files::WriteFileBytes(
      At("conf.pcf"), testing_files::RangeBombArchive("user.ini", std::uint64_t{2} << 30));
  const ProgramResult open = Run({u"open", (dir_.dir() / "conf" / "user.ini").u16string()});
  ExpectFailure(open, "conf.pcf", "entry user.ini");
  EXPECT_NE(open.err.find("declares 2147483648 bytes"), std::string::npos) << open.err;
  EXPECT_NE(open.err.find("67108864 bytes (64 MiB)"), std::string::npos) << open.err;
}

// Names Windows cannot hold are refused on every system, before anything
// is written, so that an archive extracts the same everywhere.
TEST_F(PcfToolTest, ExtractRefusesNamesThatWindowsCannotHold) {
  for (const std::string name : {"CON", "sub/Aux.txt", "lpt1.log", "dots.", "space ", "a?b"}) {
    SCOPED_TRACE(name);
    testing_files::WriteImage(ImageWithName(name), At("n.pcf"));
    const ProgramResult r = Run({u"extract", At("n.pcf").u16string(), At("out").u16string()});
    ExpectFailure(r, "n.pcf", "entry " + name + " has a name that Windows cannot hold");
    EXPECT_FALSE(fs::exists(At("out")));
  }
}

// A link that stands in the output folder where an entry's folder goes:
// the entry fails, naming itself, and nothing is written through the link.
TEST_F(PcfToolTest, ExtractNeverWritesThroughALink) {
  ASSERT_EQ(Create(At("conf.pcf"), {}).status, 0);
  fs::create_directories(At("out"));
  fs::create_directories(At("outside"));
  std::error_code error;
  fs::create_directory_symlink(At("outside"), At("out") / "Sub", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  const ProgramResult r = Run({u"extract", At("conf.pcf").u16string(), At("out").u16string()});
  ExpectFailure(r, "conf.pcf", "entry Sub/User.ini: a symbolic link");
  EXPECT_TRUE(fs::is_empty(At("outside")));
  // What the run had written before is taken back; the link stays.
  std::vector<fs::path> left;
  for (const auto& entry : fs::directory_iterator(At("out"))) left.push_back(entry.path());
  EXPECT_EQ(left, (std::vector<fs::path>{At("out") / "Sub"}));
}

// Entry names are shown with their control characters escaped, so that
// listing an archive cannot move the cursor or change the colours.
TEST_F(PcfToolTest, ListAndMessagesEscapeControlCharacters) {
  const std::string name = "a\x1B[31mred\x07\tb\xC2\x9B\xFFz\\";
  testing_files::WriteImage(ImageWithName(name), At("e.pcf"));
  const std::string shown = "a\\x1b[31mred\\x07\\x09b\\xc2\\x9b\\xffz\\\\";
  const ProgramResult list = Run({u"list", At("e.pcf").u16string()});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, shown + "\t7\t7\t0x00000000\n");
  const ProgramResult extract = Run({u"extract", At("e.pcf").u16string(), At("out").u16string()});
  ExpectFailure(extract, "e.pcf", "entry " + shown);
  for (const char raw : {'\x1B', '\x07', '\t'}) {
    EXPECT_EQ(extract.err.find(raw), std::string::npos) << int{raw};
  }
}

TEST_F(PcfToolTest, EncryptedDividedArchiveWithDigest) {
  WriteBytes(Src() / "big.bin", std::string(5000, 'z') + "end");
  const fs::path archive = At("big.pcf");
  const ProgramResult created =
      Create(archive, {u"--cipher", u"rijndael", u"--mode", u"cbc", u"--encrypt-directory",
                       u"--digest", u"--volume-size", u"1024"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_TRUE(fs::exists(At("big_001.pcf")));
  EXPECT_TRUE(fs::exists(At("big_005.pcf")));
  const ProgramResult test = Run({u"test", archive.u16string()});
  EXPECT_EQ(test.status, 0) << test.err;
  EXPECT_NE(test.out.find("digest matches"), std::string::npos) << test.out;
  const ProgramResult list = Run({u"list", archive.u16string()});
  EXPECT_NE(list.out.find("big.bin\t5003\t5008\t0x002a0000"), std::string::npos) << list.out;
  EXPECT_EQ(Run({u"cat", archive.u16string(), u"big.bin"}).out, std::string(5000, 'z') + "end");

  fs::remove(At("big_002.pcf"));
  ExpectFailure(Run({u"test", archive.u16string()}), "big.pcf", "volume");
}

TEST_F(PcfToolTest, FailuresNameTheArchiveOnOneLine) {
  WriteBytes(At("junk.pcf"), "this is not a pack archive, not at all, not even close......");
  ExpectFailure(Run({u"list", At("junk.pcf").u16string()}), "junk.pcf", "not a pack archive");
  ExpectFailure(Run({u"test", At("none.pcf").u16string()}), "none.pcf", "cannot open");
  ASSERT_EQ(Create(At("ok.pcf"), {}).status, 0);
  ExpectFailure(Run({u"cat", At("ok.pcf").u16string(), u"nope.txt"}), "ok.pcf",
                "no entry nope.txt");
  ExpectFailure(Create(At("x.pcf"), {u"--compress", u"zip"}), "x.pcf", "--compress");
  ExpectFailure(Create(At("x.pcf"), {u"--cipher", u"rc6"}), "x.pcf", "--mode");
  ExpectFailure(Create(At("x.pcf"), {u"--volume-size", u"100"}), "x.pcf", "volume size");
  ExpectFailure(Run({u"frobnicate"}), "pcf", "usage");
  EXPECT_FALSE(fs::exists(At("x.pcf")));

  // A damaged directory.
  std::string bytes = ReadBytes(At("ok.pcf"));
  bytes[bytes.size() - 2] ^= 1;
  WriteBytes(At("bad.pcf"), bytes);
  ExpectFailure(Run({u"test", At("bad.pcf").u16string()}), "bad.pcf", "directory");
}

}  // namespace
}  // namespace tarrowin
