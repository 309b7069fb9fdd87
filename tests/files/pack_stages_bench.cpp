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

// Streams built to make a decoder work hard for every stored byte: none
// may decode pathologically slowly. Each reports decoded bytes per second
// and the stored bytes it started from.
struct Degenerate {
  const char* name;
  PackStages stages;
  std::vector<std::uint8_t> stored;
  std::size_t decoded;
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
    streams.push_back({"lzss_distance1", lzss, s, 1 + std::size_t{kMatches} * 259});
  }
  {  // One-symbol Huffman blocks whose lone code is 15 bits: a full table
     // built for every decoded byte.
    constexpr int kBlocks = 20000;
    std::vector<std::uint8_t> s;
    for (int b = 0; b < kBlocks; ++b) {
      Put32(s, 1);
      s.push_back(b + 1 < kBlocks ? 0x82 : 0x02);
      for (int i = 0; i < 128; ++i) s.push_back(i == 0 ? 0x0F : 0);
      s.insert(s.end(), {0, 0});
    }
    s.insert(s.end(), {0, 0});
    streams.push_back({"huffman_15bit_blocks", huffman, s, kBlocks});
  }
  {  // Range blocks of 4095:1 odds: thousands of symbols per stored byte.
    constexpr std::uint32_t kSymbols = 64u << 20;
    std::vector<std::uint8_t> s;
    Put32(s, kSymbols);
    s.insert(s.end(), {0x01, 2, 'a', 0x7F, 31, 'b', 0x81});  // 4095 and 1
    s.insert(s.end(), 4096, 0);
    streams.push_back({"range_skewed", range, s, 0});
  }
  {  // Move-to-front indices of 255 throughout, in 1 MiB blocks.
    std::vector<std::uint8_t> rle;
    for (int block = 0; block < 16; ++block) {
      Put32(rle, 0);
      for (std::uint32_t i = 0; i < (1u << 20); ++i) rle.push_back(i % 2 ? 255 : 254);
    }
    const auto stored = pack_encoding::EncodeHuffman(pack_encoding::RunLengthEncode(rle), 1u << 20);
    streams.push_back({"blocksort_mtf_far", block_sort, stored, 16u << 20});
  }
  return streams;
}

}  // namespace
}  // namespace tarrowin

int main(int argc, char** argv) {
  using namespace tarrowin;
  benchmark::Initialize(&argc, argv);
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
  static const std::vector<Degenerate> degenerate = DegenerateStreams();
  for (const auto& stream : degenerate) {
    benchmark::RegisterBenchmark(
        (std::string("Degenerate/") + stream.name).c_str(),
        [&stream](benchmark::State& state) {
          std::size_t decoded = 0;
          for (auto _ : state) {
            SpanReader reader(stream.stored);
            std::vector<std::uint8_t> out(64u << 20);
            BufferSink sink(out);
            // The skewed range stream decodes until the sink is full.
            DecodePackStages(stream.stages, static_cast<std::uint32_t>(stream.stored.size()),
                             reader, sink);
            decoded = sink.Written();
          }
          state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * decoded));
          state.counters["stored"] = static_cast<double>(stream.stored.size());
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
  return 0;
}
