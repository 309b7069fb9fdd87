// Decoding speed and compressed size of the pack stages on a 16 MiB mix of
// text and binary data, printed beside gzip -6, bzip2 -9 and xz -6 measured
// on the same data in the same run.
//
// The mix is reproducible on the build machine: 8 MiB of the C++ standard
// library headers (/usr/include/c++/12, files in sorted path order) and the
// first 8 MiB of /usr/bin/cmake, both from packages the build needs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "files/pack_stages.h"
#include "tools/pack_encoders/block_sort_encoder.h"
#include "tools/pack_encoders/huffman_encoder.h"
#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin {
namespace {

constexpr std::size_t kHalf = 8u << 20;
constexpr int kRepeats = 3;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> BenchmarkData() {
  std::vector<std::uint8_t> data;
  std::vector<std::filesystem::path> headers;
  for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/include/c++/12")) {
    if (entry.is_regular_file()) headers.push_back(entry.path());
  }
  std::sort(headers.begin(), headers.end());
  for (const auto& path : headers) {
    if (data.size() >= kHalf) break;
    const auto bytes = ReadFile(path);
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  data.resize(std::min(data.size(), kHalf));
  auto binary = ReadFile("/usr/bin/cmake");
  binary.resize(std::min(binary.size(), kHalf));
  data.insert(data.end(), binary.begin(), binary.end());
  if (data.size() != 2 * kHalf) {
    std::fprintf(stderr, "bench: expected 16 MiB of data, found %zu bytes\n", data.size());
    std::exit(1);
  }
  return data;
}

struct Combination {
  const char* name;
  PackStages stages;
};

std::vector<Combination> Combinations() {
  using F = PackFirstStage;
  using E = PackEntropyStage;
  // Blocks of 1 MiB (table A code 6) decode faster than the 4 MiB of code
  // 10, whose link arrays outgrow the caches; the 4 MiB row shows the size
  // it buys. The window and the entropy capacity are the tables' largest.
  auto make = [](F first, E entropy, std::uint32_t block_sort_size = 1u << 20) {
    PackStages stages;
    stages.first = first;
    stages.entropy = entropy;
    stages.block_sort_size = block_sort_size;
    stages.window_exponent = 15;
    stages.entropy_capacity = 1u << 20;
    return stages;
  };
  return {{"lzss+huffman", make(F::kSlidingWindow, E::kHuffman)},
          {"lzss+range", make(F::kSlidingWindow, E::kRange)},
          {"bwt+huffman", make(F::kBlockSort, E::kHuffman)},
          {"bwt+range", make(F::kBlockSort, E::kRange)},
          {"bwt4M+huffman", make(F::kBlockSort, E::kHuffman, 4u << 20)},
          {"lzss", make(F::kSlidingWindow, E::kNone)},
          {"huffman", make(F::kNone, E::kHuffman)},
          {"range", make(F::kNone, E::kRange)}};
}

class SpanReader final : public IPackReader {
 public:
  explicit SpanReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    const std::size_t n = std::min<std::size_t>(count, bytes_.size() - position_);
    std::copy_n(bytes_.data() + position_, n, buffer);
    position_ += n;
    *delivered = static_cast<std::uint32_t>(n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t position_ = 0;
};

// Copies into a preallocated buffer, as the archive's memory sink does.
class BufferSink final : public IPackSink {
 public:
  explicit BufferSink(std::vector<std::uint8_t>& buffer) : buffer_(buffer) {}
  bool Write(const std::uint8_t* data, std::uint32_t count, std::uint32_t* taken) override {
    *taken = count;
    if (count == 0) return true;
    if (count > buffer_.size() - written_) return false;
    std::copy_n(data, count, buffer_.data() + written_);
    written_ += count;
    return true;
  }
  std::size_t Written() const { return written_; }

 private:
  std::vector<std::uint8_t>& buffer_;
  std::size_t written_ = 0;
};

bool DecodeOnce(const PackStages& stages, const std::vector<std::uint8_t>& stored,
                std::vector<std::uint8_t>& out) {
  SpanReader reader(stored);
  BufferSink sink(out);
  return DecodePackStages(stages, static_cast<std::uint32_t>(stored.size()), reader, sink) &&
         sink.Written() == out.size();
}

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best wall time of a shell command over the repeats.
double TimeCommand(const std::string& command) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "bench: failed: %s\n", command.c_str());
      std::exit(1);
    }
    best = std::min(best, Seconds(start));
  }
  return best;
}

struct Row {
  std::string name;
  std::size_t size;
  double encode_seconds;
  double decode_seconds;
};

std::vector<Row> ToolRows(const std::vector<std::uint8_t>& data) {
  const auto dir = std::filesystem::temp_directory_path() / "tarrowin-pack-bench";
  std::filesystem::create_directories(dir);
  const auto input = (dir / "mix.bin").string();
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  std::vector<Row> rows;
  for (const auto& [tool, level, suffix] :
       {std::tuple{"gzip", "-6", ".gz"}, std::tuple{"bzip2", "-9", ".bz2"},
        std::tuple{"xz", "-6", ".xz"}}) {
    const std::string packed = input + suffix;
    const double encode =
        TimeCommand(std::string(tool) + " " + level + " -c " + input + " > " + packed);
    const double decode = TimeCommand(std::string(tool) + " -d -c " + packed + " > /dev/null");
    rows.push_back(
        {std::string(tool) + " " + level, std::filesystem::file_size(packed), encode, decode});
  }
  std::filesystem::remove_all(dir);
  return rows;
}

// Streams built to make a decoder work hard for every byte it takes in:
// none may decode pathologically slowly. `input` is what the degenerate
// stage itself consumes: the stored bytes, or for block sorting the bytes
// its entropy stage hands it. A stream whose every input byte legitimately
// yields thousands of output bytes (range_skewed) is bounded by its
// declared size, not by its input; its output rate is the one that counts.
struct Degenerate {
  const char* stage;
  const char* name;
  PackStages stages;
  std::vector<std::uint8_t> stored;
  std::size_t input;
};

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<Degenerate> DegenerateStreams() {
  std::vector<Degenerate> streams;
  PackStages lzss;
  lzss.first = PackFirstStage::kSlidingWindow;
  PackStages huffman;
  huffman.entropy = PackEntropyStage::kHuffman;
  PackStages range;
  range.entropy = PackEntropyStage::kRange;
  PackStages block_sort = huffman;
  block_sort.first = PackFirstStage::kBlockSort;
  block_sort.block_sort_size = 1u << 20;
  block_sort.entropy_capacity = 1u << 20;
  auto add = [&](const char* stage, const char* name, const PackStages& stages,
                 std::vector<std::uint8_t> stored, std::size_t input = 0) {
    const std::size_t consumed = input != 0 ? input : stored.size();
    streams.push_back({stage, name, stages, std::move(stored), consumed});
  };

  {  // Longest matches at distance 1: byte-by-byte copies.
    constexpr std::uint32_t kMatches = 65536;
    std::vector<std::uint8_t> s;
    Put32(s, 1 + kMatches * 259);
    s.push_back(15);
    s.push_back(0);
    s.push_back(0x01);  // a literal, then seven matches
    s.push_back('z');
    for (std::uint32_t i = 0; i < kMatches; ++i) {
      if (i > 0 && (i + 1) % 8 == 0) s.push_back(0);
      s.insert(s.end(), {1, 0, 255});
    }
    add("lzss", "distance1", lzss, s);
  }
  // Longest matches at short distances, which overlap what they copy.
  auto short_distances = [&](const char* name, std::uint8_t nearest, std::uint8_t farthest) {
    constexpr std::uint32_t kMatches = 65536;
    std::vector<std::uint8_t> s;
    Put32(s, 256 + kMatches * 259);
    s.push_back(15);
    s.push_back(0);
    for (int group = 0; group < 32; ++group) {
      s.push_back(0xFF);  // eight literals
      for (int i = 0; i < 8; ++i) s.push_back(static_cast<std::uint8_t>(8 * group + i));
    }
    for (std::uint32_t i = 0; i < kMatches; ++i) {
      if (i % 8 == 0) s.push_back(0);
      const auto distance = static_cast<std::uint8_t>(nearest + i % (farthest - nearest + 1));
      s.insert(s.end(), {distance, 0, 255});
    }
    add("lzss", name, lzss, s);
  };
  short_distances("distances2to7", 2, 7);
  short_distances("distances8to31", 8, 31);
  short_distances("distances32to255", 32, 255);
  {  // One-symbol Huffman blocks whose lone code is 15 bits: a table built
     // for every decoded byte.
    constexpr int kBlocks = 20000;
    std::vector<std::uint8_t> s;
    for (int b = 0; b < kBlocks; ++b) {
      Put32(s, 1);
      s.push_back(b + 1 < kBlocks ? 0x82 : 0x02);
      for (int i = 0; i < 128; ++i) s.push_back(i == 0 ? 0x0F : 0);
      s.insert(s.end(), {0, 0});
    }
    s.insert(s.end(), {0, 0});
    add("huffman", "15bit_blocks", huffman, s);
  }
  {  // Every symbol a 15-bit code: lengths 1 to 14 for symbols 0 to 13, 15
     // for symbols 14 and 15; the stream repeats symbol 15, all one bits.
    constexpr std::uint32_t kSymbols = 1u << 20;
    std::vector<std::uint8_t> s;
    Put32(s, kSymbols);
    s.push_back(0x02);
    for (int i = 0; i < 128; ++i) {
      const int low = 2 * i < 14 ? 2 * i + 1 : 2 * i < 16 ? 15 : 0;
      const int high = 2 * i + 1 < 14 ? 2 * i + 2 : 2 * i + 1 < 16 ? 15 : 0;
      s.push_back(static_cast<std::uint8_t>(low | high << 4));
    }
    s.insert(s.end(), kSymbols * 15 / 8, 0xFF);
    s.insert(s.end(), {0, 0});
    add("huffman", "15bit_codes", huffman, s);
  }
  {  // Range blocks of 4095:1 odds: thousands of symbols per stored byte.
    constexpr std::uint32_t kSymbols = 64u << 20;
    std::vector<std::uint8_t> s;
    Put32(s, kSymbols);
    s.insert(s.end(), {0x01, 2, 'a', 0x7F, 31, 'b', 0x81});  // 4095 and 1
    s.insert(s.end(), 4096, 0);
    add("range", "skewed", range, s);
  }
  {  // Blocks of one symbol under a table of one symbol: a whole slot
     // table for 13 stored bytes.
    constexpr int kBlocks = 65536;
    std::vector<std::uint8_t> s;
    for (int b = 0; b < kBlocks; ++b) {
      Put32(s, 1);
      s.insert(s.end(), {static_cast<std::uint8_t>(b + 1 < kBlocks ? 0x81 : 0x01), 1,
                         static_cast<std::uint8_t>(b), 0x00, 0x20, 0, 0, 0, 0});
    }
    add("range", "one_symbol_blocks", range, s);
  }
  {  // Blocks of one symbol under a table of all 256 symbols.
    constexpr int kBlocks = 16384;
    std::vector<std::uint8_t> s;
    for (int b = 0; b < kBlocks; ++b) {
      Put32(s, 1);
      s.push_back(b + 1 < kBlocks ? 0x82 : 0x02);
      s.insert(s.end(), 256, 0x90);        // 16 each
      s.insert(s.end(), {0, 0, 0, 0, 0});  // the code, and one renormalising byte
    }
    add("range", "full_table_blocks", range, s);
  }
  {  // Move-to-front indices of 255 throughout, in 1 MiB blocks.
    std::vector<std::uint8_t> rle;
    for (int block = 0; block < 16; ++block) {
      Put32(rle, 0);
      for (std::uint32_t i = 0; i < (1u << 20); ++i) rle.push_back(i % 2 ? 255 : 254);
    }
    const std::vector<std::uint8_t> coded = pack_encoding::RunLengthEncode(rle);
    add("blocksort", "mtf_far", block_sort, pack_encoding::EncodeHuffman(coded, 1u << 20),
        coded.size());
  }
  return streams;
}

// Decodes the stream into a 64 MiB buffer (the skewed range stream goes on
// until it is full) and reports the decoded bytes.
std::size_t DecodeDegenerate(const Degenerate& stream, std::vector<std::uint8_t>& out) {
  SpanReader reader(stream.stored);
  BufferSink sink(out);
  DecodePackStages(stream.stages, static_cast<std::uint32_t>(stream.stored.size()), reader, sink);
  return sink.Written();
}

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Input and output MB/s of every degenerate stream, from the best processor
// time of the decoding thread over the repeats, so that a busy machine
// shows the decoders' own cost.
void PrintDegenerateTable(const std::vector<Degenerate>& streams) {
  constexpr int kDegenerateRepeats = 5;
  std::vector<std::uint8_t> out(64u << 20);
  std::printf(
      "\nDegenerate streams: best of %d runs, processor time of the decoding thread; input is\n"
      "what the stage consumes (block sorting: the bytes its entropy stage hands it)\n",
      kDegenerateRepeats);
  std::printf("%-10s %-18s %12s %12s %11s %11s\n", "stage", "stream", "input", "output",
              "input MB/s", "output MB/s");
  for (const Degenerate& stream : streams) {
    double best = 1e30;
    std::size_t decoded = 0;
    for (int i = 0; i < kDegenerateRepeats; ++i) {
      const double start = ThreadSeconds();
      decoded = DecodeDegenerate(stream, out);
      best = std::min(best, ThreadSeconds() - start);
    }
    std::printf("%-10s %-18s %12zu %12zu %11.1f %11.1f\n", stream.stage, stream.name, stream.input,
                decoded, static_cast<double>(stream.input) / best / 1e6,
                static_cast<double>(decoded) / best / 1e6);
  }
}

}  // namespace
}  // namespace tarrowin

int main(int argc, char** argv) {
  using namespace tarrowin;
  // --degenerate: only the degenerate streams, without the 16 MiB mix.
  bool degenerate_only = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--degenerate") {
      degenerate_only = true;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  benchmark::Initialize(&argc, argv);
  static const std::vector<Degenerate> degenerate = DegenerateStreams();
  for (const auto& stream : degenerate) {
    benchmark::RegisterBenchmark(
        (std::string("Degenerate/") + stream.stage + "_" + stream.name).c_str(),
        [&stream](benchmark::State& state) {
          std::vector<std::uint8_t> out(64u << 20);
          std::size_t decoded = 0;
          for (auto _ : state) decoded = DecodeDegenerate(stream, out);
          const auto runs = static_cast<double>(state.iterations());
          state.counters["input"] = benchmark::Counter(runs * static_cast<double>(stream.input),
                                                       benchmark::Counter::kIsRate);
          state.counters["output"] =
              benchmark::Counter(runs * static_cast<double>(decoded), benchmark::Counter::kIsRate);
        })
        ->Unit(benchmark::kMillisecond);
  }
  if (degenerate_only) {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintDegenerateTable(degenerate);
    return 0;
  }
  static const std::vector<std::uint8_t> data = BenchmarkData();
  std::vector<Row> rows;
  static std::map<std::string, std::vector<std::uint8_t>> stored;
  for (const auto& combination : Combinations()) {
    auto start = std::chrono::steady_clock::now();
    stored[combination.name] = EncodePackStages(combination.stages, data);
    const double encode = Seconds(start);
    std::vector<std::uint8_t> out(data.size());
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
      start = std::chrono::steady_clock::now();
      if (!DecodeOnce(combination.stages, stored[combination.name], out) || out != data) {
        std::fprintf(stderr, "bench: %s does not round-trip\n", combination.name);
        return 1;
      }
      best = std::min(best, Seconds(start));
    }
    rows.push_back({combination.name, stored[combination.name].size(), encode, best});
    benchmark::RegisterBenchmark(
        (std::string("Decode/") + combination.name).c_str(),
        [stages = combination.stages,
         name = std::string(combination.name)](benchmark::State& state) {
          std::vector<std::uint8_t> out(data.size());
          for (auto _ : state) {
            if (!DecodeOnce(stages, stored[name], out)) state.SkipWithError("decode failed");
            benchmark::ClobberMemory();
          }
          state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
        })
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const auto tools = ToolRows(data);
  rows.insert(rows.end(), tools.begin(), tools.end());
  const double megabytes = static_cast<double>(data.size()) / 1e6;
  std::printf(
      "\n16 MiB mix (8 MiB /usr/include/c++/12 headers, 8 MiB /usr/bin/cmake); "
      "best of %d runs, decoded MB/s = 16.78 MB / wall time\n",
      kRepeats);
  std::printf("%-14s %12s %8s %12s %12s\n", "method", "size", "ratio", "encode MB/s",
              "decode MB/s");
  for (const auto& row : rows) {
    std::printf("%-14s %12zu %8.3f %12.1f %12.1f\n", row.name.c_str(), row.size,
                static_cast<double>(data.size()) / static_cast<double>(row.size),
                megabytes / row.encode_seconds, megabytes / row.decode_seconds);
  }
  PrintDegenerateTable(degenerate);
  return 0;
}
