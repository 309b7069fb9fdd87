#include "files/file_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/temp_dir.h"

namespace tarrowin {
namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;
using Mode = CFileStream::FileMode;

class FileStreamTest : public testing::Test {
 protected:
  // Stores `bytes` as a file and opens it for reading.
  void OpenBytes(const std::string& bytes) {
    stream_.Close();  // Windows shares the file for reading only
    WriteBytes(dir_.dir() / "in.txt", bytes);
    ASSERT_TRUE(stream_.Open(Path(u"in.txt").c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  }
  std::u16string Path(const std::u16string& name) const { return dir_.Path(name); }

  // Every line piece until ReadLine gives false.
  std::vector<std::u16string> ReadAllLines(std::uint32_t count) {
    std::vector<std::u16string> lines;
    std::vector<char16_t> buffer(LineBufferUnits(count) + 8, u'#');
    for (int guard = 0; guard < 10000; ++guard) {
      if (!stream_.ReadLine(buffer.data(), count)) {
        EXPECT_EQ(buffer[0], 0);
        break;
      }
      lines.emplace_back(buffer.data());
      // Nothing beyond the promised room is touched.
      for (std::size_t i = LineBufferUnits(count); i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], u'#');
    }
    return lines;
  }

  TempDir dir_;
  CFileStream stream_;
};

struct LineCase {
  const char* name;
  std::string bytes;
  std::uint32_t count;
  std::vector<std::u16string> lines;
};

class ReadLineTest : public FileStreamTest, public testing::WithParamInterface<LineCase> {};

TEST_P(ReadLineTest, GivesTheLinePieces) {
  const LineCase& c = GetParam();
  OpenBytes(c.bytes);
  EXPECT_EQ(ReadAllLines(c.count), c.lines);
  EXPECT_FALSE(stream_.ReadLine(std::vector<char16_t>(LineBufferUnits(c.count)).data(), c.count));
  // The end of the text, also where a decoder stopped early, is no error.
  EXPECT_FALSE(stream_.HasReadError());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLineTest,
    testing::Values(
        LineCase{"Empty", "", 1024, {}}, LineCase{"CrSeparates", "A\rB", 1024, {u"A", u"B"}},
        LineCase{"CrCrLfIsTwoEmptyLines", "\r\r\n", 1024, {u"", u""}},
        LineCase{"FinalCrConsumed", "A\r", 1024, {u"A"}},
        LineCase{"LfAndCrLf", "A\nB\r\nC\n\nD", 1024, {u"A", u"B", u"C", u"", u"D"}},
        LineCase{"Utf16LeMarkOnly", "\xFF\xFE", 1024, {}},
        LineCase{"Utf16BeMarkOnly", "\xFE\xFF", 1024, {}},
        LineCase{"Utf8MarkOnly", "\xEF\xBB\xBF", 1024, {}},
        LineCase{"Utf16Be",
                 std::string("\xFE\xFF\x00\x41\x00\x0D\x00\x0A\x30\x42", 10),
                 1024,
                 {u"A", u"\u3042"}},
        LineCase{
            "Utf16LeOddByteIgnored", std::string("\xFF\xFE\x41\x00\x0A\x00\x42", 7), 1024, {u"A"}},
        LineCase{"Utf16LePairIsOneCharacter",
                 std::string("\xFF\xFE\x3D\xD8\x00\xDE\x78\x00", 8),
                 1,
                 {u"\U0001F600", u"x"}},
        LineCase{
            "Utf8FourBytesCountOnce", "\xEF\xBB\xBF\xF0\x9F\x98\x80xy", 2, {u"\U0001F600x", u"y"}},
        LineCase{"Utf8InvalidByteEndsText",
                 "\xEF\xBB\xBF"
                 "a\xFF"
                 "b\nc",
                 1024,
                 {u"a"}},
        LineCase{"Utf8OverlongEndsText",
                 "\xEF\xBB\xBF"
                 "a\xE0\x80\x80",
                 1024,
                 {u"a"}},
        LineCase{"Utf8CutSequenceEndsText",
                 "\xEF\xBB\xBF"
                 "a\xE3\x81",
                 1024,
                 {u"a"}},
        LineCase{"CodePage932", "\x90\xDD\x92\xE8=\xB1", 1024, {u"\u8A2D\u5B9A=\uFF71"}},
        LineCase{"Utf8WithoutMarkIsCodePage932", "\xE3\x81\x82", 1024, {u"\u7E3A"}},
        LineCase{"NulEndsText", std::string("ab\0cd\n", 6), 1024, {u"ab"}},
        LineCase{"LineOfExactlyCount", "abc\r\nd", 3, {u"abc", u"", u"d"}},
        LineCase{"LongLineInPieces", "abcdefg", 3, {u"abc", u"def", u"g"}}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST_F(FileStreamTest, FirstReadLineAwayFromTheStartFindsNoText) {
  OpenBytes("ab\ncd\n");
  char16_t line[LineBufferUnits(16)];
  EXPECT_EQ(stream_.Seek(3, nullptr, kSeekBegin), 3u);
  EXPECT_FALSE(stream_.ReadLine(line, 16));
  EXPECT_EQ(stream_.Seek(0, nullptr, kSeekBegin), 0u);
  EXPECT_FALSE(stream_.ReadLine(line, 16));  // until the next open
  EXPECT_FALSE(stream_.HasReadError());
  ASSERT_TRUE(stream_.Open(Path(u"in.txt").c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_TRUE(stream_.ReadLine(line, 16));
  EXPECT_EQ(std::u16string(line), u"ab");
}

// Content that cannot be brought into memory is a read error, not the end
// of the text: a file that shrank after it was opened cannot be mapped, and
// content of 4 GiB or more is not read at all.
struct UnreadableCase {
  const char* name;
  std::uintmax_t size_at_open;
  std::uintmax_t size_at_read;
};

class UnreadableContentTest : public FileStreamTest,
                              public testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableContentTest, IsAReadError) {
  const std::filesystem::path file = dir_.dir() / "in.txt";
  WriteBytes(file, "[a]\nk=v\n");
  std::filesystem::resize_file(file, GetParam().size_at_open);
  // Shared for writing, so that the file can shrink while it is open.
  ASSERT_TRUE(stream_.Open(Path(u"in.txt").c_str(), kGenericRead, kFileShareRead | kFileShareWrite,
                           kOpenExisting));
  EXPECT_EQ(stream_.mode(), Mode::kReadHandle);
  std::filesystem::resize_file(file, GetParam().size_at_read);
  char16_t line[LineBufferUnits(16)];
  EXPECT_FALSE(stream_.ReadLine(line, 16));
  EXPECT_EQ(line[0], 0);
  EXPECT_TRUE(stream_.HasReadError());
  EXPECT_FALSE(stream_.ReadLine(line, 16));
  EXPECT_TRUE(stream_.HasReadError());
  stream_.Close();
  EXPECT_FALSE(stream_.HasReadError());
}

constexpr std::uintmax_t kFourGiB = std::uintmax_t{1} << 32;

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableContentTest,
                         testing::Values(UnreadableCase{"ShrankBeforeMapping", 100000, 10},
                                         UnreadableCase{"FourGiB", kFourGiB, kFourGiB}),
                         [](const testing::TestParamInfo<UnreadableCase>& info) {
                           return info.param.name;
                         });

TEST_F(FileStreamTest, BackAtTheStartTheMarkIsSkippedAgain) {
  OpenBytes("\xEF\xBB\xBFone\ntwo");
  char16_t line[LineBufferUnits(16)];
  ASSERT_TRUE(stream_.ReadLine(line, 16));
  EXPECT_EQ(stream_.Seek(0, nullptr, kSeekBegin), 0u);
  ASSERT_TRUE(stream_.ReadLine(line, 16));
  EXPECT_EQ(std::u16string(line), u"one");
}

// Files below 64 KiB are copied and their handle closed; from 64 KiB on the
// stream keeps its handle until the first line read maps the file.
struct ThresholdCase {
  std::size_t size;
  Mode after_open;
};

class ThresholdTest : public FileStreamTest, public testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdTest, CopiesOrMaps) {
  std::string bytes(GetParam().size, 'x');
  bytes.replace(0, 6, "first\n");
  bytes.back() = 'z';
  OpenBytes(bytes);
  EXPECT_EQ(stream_.mode(), GetParam().after_open);
  std::vector<std::u16string> lines = ReadAllLines(1024);
  EXPECT_EQ(stream_.mode(), Mode::kMemory);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), u"first");
  EXPECT_EQ(lines.back().back(), u'z');
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size();
  EXPECT_EQ(total, bytes.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThresholdTest,
                         testing::Values(ThresholdCase{65535, Mode::kMemory},
                                         ThresholdCase{65536, Mode::kReadHandle}));

struct SeekCase {
  std::int64_t distance;
  std::uint32_t method;
  std::uint64_t expected;
};

class MemorySeekTest : public FileStreamTest, public testing::WithParamInterface<SeekCase> {};

TEST_P(MemorySeekTest, ClampsToTheContent) {
  OpenBytes("0123456789");
  ASSERT_EQ(stream_.mode(), Mode::kMemory);
  ASSERT_EQ(stream_.Seek(4, nullptr, kSeekBegin), 4u);
  std::uint64_t position = 99;
  EXPECT_TRUE(stream_.Seek64(GetParam().distance, &position, GetParam().method));
  EXPECT_EQ(position, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MemorySeekTest,
                         testing::Values(SeekCase{100, kSeekBegin, 10}, SeekCase{-5, kSeekBegin, 0},
                                         SeekCase{-3, kSeekEnd, 7}, SeekCase{3, kSeekEnd, 10},
                                         SeekCase{-10, kSeekCurrent, 0},
                                         SeekCase{2, kSeekCurrent, 6},
                                         SeekCase{INT64_MAX, kSeekCurrent, 10}));

TEST_F(FileStreamTest, SeekOnAHandleDoesNotClamp) {
  OpenBytes(std::string(65536, 'a'));
  ASSERT_EQ(stream_.mode(), Mode::kReadHandle);
  // No high half: the low half is sign-extended, so this is 16 bytes back.
  EXPECT_EQ(stream_.Seek(static_cast<std::int32_t>(0xFFFFFFF0u), nullptr, kSeekEnd), 65520u);
  std::uint64_t position = 0;
  EXPECT_TRUE(stream_.Seek64(100000, &position, kSeekBegin));
  EXPECT_EQ(position, 100000u);
  EXPECT_TRUE(stream_.IsAtEnd());
  char byte;
  std::uint32_t read = 7;
  EXPECT_TRUE(stream_.Read(&byte, 1, &read));  // past the end: nothing, no failure
  EXPECT_EQ(read, 0u);
  // Before the start fails and leaves the position alone.
  std::int32_t high = -1;
  EXPECT_EQ(stream_.Seek(-5, &high, kSeekBegin), 0xFFFFFFFFu);
  EXPECT_EQ(high, -1);
  EXPECT_FALSE(stream_.Seek64(0, nullptr, 7));
  EXPECT_TRUE(stream_.Seek64(0, &position, kSeekCurrent));
  EXPECT_EQ(position, 100000u);
}

TEST_F(FileStreamTest, ReadStopsAtTheEnd) {
  OpenBytes("hello");
  char buffer[16] = {};
  std::uint32_t read = 0;
  ASSERT_TRUE(stream_.Seek64(2, nullptr, kSeekBegin));
  EXPECT_TRUE(stream_.Read(buffer, 16, &read));
  EXPECT_EQ(std::string(buffer, read), "llo");
  EXPECT_TRUE(stream_.IsAtEnd());
  std::uint32_t low = 0;
  std::uint32_t high = 9;
  EXPECT_TRUE(stream_.GetSize(&low, &high));
  EXPECT_EQ(low, 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_FALSE(stream_.GetSize(nullptr, &high));
}

TEST_F(FileStreamTest, MissingFileOrFolderDoesNotOpen) {
  EXPECT_FALSE(
      stream_.Open(Path(u"missing.ini").c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_FALSE(stream_.IsOpen());
  EXPECT_EQ(std::u16string(stream_.GetPath()), u"");
  EXPECT_FALSE(
      stream_.Open(dir_.dir().u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_FALSE(stream_.Open(nullptr, kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_FALSE(stream_.OpenInPack(Path(u"missing.ini").c_str(), nullptr));
  // Neither read nor write access.
  WriteBytes(dir_.dir() / "in.txt", "x");
  EXPECT_FALSE(stream_.Open(Path(u"in.txt").c_str(), 0, kFileShareRead, kOpenExisting));
  std::uint64_t size;
  EXPECT_FALSE(stream_.GetSize64(&size));
  EXPECT_EQ(stream_.Seek(0, nullptr, kSeekBegin), 0xFFFFFFFFu);
}

TEST_F(FileStreamTest, KeepsTheFullPath) {
  OpenBytes("x");
  EXPECT_EQ(std::u16string(stream_.GetPath()), Path(u"in.txt"));
  stream_.Close();
  EXPECT_EQ(std::u16string(stream_.GetPath()), u"");
}

TEST_F(FileStreamTest, WriteTextWritesUtf16WithCrLf) {
  const std::u16string path = Path(u"out.txt");
  ASSERT_TRUE(stream_.Open(path.c_str(), kGenericWrite, 0, kCreateAlways));
  EXPECT_TRUE(stream_.WriteText(u"a\nb"));
  EXPECT_TRUE(stream_.WriteText(u"%s=%d;%04x\r", u"k", -12, 0xBEEFu));
  stream_.Close();
  const std::u16string expected = u"a\r\nbk=-12;beef\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : expected) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.txt"), bytes);
}

TEST_F(FileStreamTest, WriteTextCutsWhatDoesNotFit) {
  ASSERT_TRUE(stream_.Open(Path(u"out.txt").c_str(), kGenericWrite, 0, kCreateAlways));
  const std::u16string lines(3000, u'\n');
  EXPECT_TRUE(stream_.WriteText(u"%s", lines.c_str()));
  stream_.Close();
  // The mark, then 1023 whole CR LF pairs within the 2047 units.
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.txt").size(), 2u + 1023 * 4);
}

TEST_F(FileStreamTest, WriteTextFirstUsedAwayFromTheStartFails) {
  WriteBytes(dir_.dir() / "out.txt", "abcd");
  ASSERT_TRUE(stream_.Open(Path(u"out.txt").c_str(), kGenericWrite, 0, kOpenExisting));
  ASSERT_TRUE(stream_.Seek64(0, nullptr, kSeekEnd));
  EXPECT_FALSE(stream_.WriteText(u"x"));
  ASSERT_TRUE(stream_.Seek64(0, nullptr, kSeekBegin));
  EXPECT_FALSE(stream_.WriteText(u"x"));
}

TEST_F(FileStreamTest, WritesTruncatesAndFlushes) {
  ASSERT_TRUE(stream_.Open(Path(u"out.bin").c_str(), kGenericWrite, 0, kCreateAlways));
  std::uint32_t written = 0;
  EXPECT_TRUE(stream_.Write("0123456789", 10, &written));
  EXPECT_EQ(written, 10u);
  std::uint64_t size = 0;
  EXPECT_TRUE(stream_.GetSize64(&size));
  EXPECT_EQ(size, 10u);
  EXPECT_TRUE(stream_.Seek64(4, nullptr, kSeekBegin));
  EXPECT_TRUE(stream_.Truncate());
  EXPECT_TRUE(stream_.Flush());
  stream_.Close();
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.bin"), "0123");
  EXPECT_FALSE(stream_.Write("x", 1, &written));
  EXPECT_FALSE(stream_.Truncate());
  EXPECT_FALSE(stream_.Flush());
}

TEST_F(FileStreamTest, CopyToCopiesFromThePosition) {
  std::string bytes(200000, 0);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  for (const bool mapped : {false, true}) {
    OpenBytes(bytes);
    if (mapped) {
      ASSERT_TRUE(stream_.LoadToMemory());
    }
    ASSERT_TRUE(stream_.Seek64(5, nullptr, kSeekBegin));
    CFileStream out;
    ASSERT_TRUE(out.Open(Path(u"copy.bin").c_str(), kGenericWrite, 0, kCreateAlways));
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    EXPECT_TRUE(stream_.CopyTo(&out, 150000, &read, &written));
    EXPECT_EQ(read, 150000u);
    EXPECT_EQ(written, 150000u);
    EXPECT_TRUE(stream_.CopyTo(&out, -1, &read, &written));
    EXPECT_EQ(read, bytes.size() - 150005);
    out.Close();
    EXPECT_EQ(ReadBytes(dir_.dir() / "copy.bin"), bytes.substr(5)) << mapped;
  }
  CFileStream closed;
  ASSERT_TRUE(stream_.Seek64(0, nullptr, kSeekBegin));
  std::uint64_t read = 0;
  std::uint64_t written = 9;
  EXPECT_FALSE(stream_.CopyTo(&closed, -1, &read, &written));  // destination not writable
  EXPECT_EQ(read, 65536u);
  EXPECT_EQ(written, 0u);
}

TEST_F(FileStreamTest, DeletePathDeletesItsOwnFile) {
  CFileStream closed;
  EXPECT_FALSE(closed.DeletePath(nullptr));
  OpenBytes("x");
  EXPECT_TRUE(stream_.DeletePath(nullptr));
  EXPECT_FALSE(stream_.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(dir_.dir() / "in.txt"));
  WriteBytes(dir_.dir() / "other.txt", "y");
  EXPECT_TRUE(stream_.DeletePath(Path(u"other.txt").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir_.dir() / "other.txt"));
  EXPECT_FALSE(stream_.DeletePath(Path(u"other.txt").c_str()));
}

TEST_F(FileStreamTest, RebaseMovesTheStartInsideTheContent) {
  OpenBytes("skip\nkeep\n");
  ASSERT_EQ(stream_.mode(), Mode::kMemory);
  EXPECT_TRUE(stream_.Rebase(5));
  std::uint64_t size = 0;
  ASSERT_TRUE(stream_.GetSize64(&size));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(ReadAllLines(64), std::vector<std::u16string>{u"keep"});
  EXPECT_TRUE(stream_.Rebase(0));  // back to the whole block
  ASSERT_TRUE(stream_.GetSize64(&size));
  EXPECT_EQ(size, 10u);
  EXPECT_FALSE(stream_.Rebase(11));
}

}  // namespace
}  // namespace tarrowin
