// Throughput of every digest, cipher and mode, printed beside the figures of
// `openssl speed` for the same algorithms measured in the same run, with
// OpenSSL's hardware AES and SHA code turned off (OPENSSL_ia32cap).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/md5.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/rotate_cipher.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"

namespace tarrowin {
namespace {

constexpr std::size_t kBufferSize = 16384;
// CPUID bits masked off for OpenSSL: AES-NI (leaf 1 ECX bit 25) and the SHA
// extensions (leaf 7 EBX bit 29).
constexpr const char* kNoHardwareCrypto = "~0x200000000000000:~0x20000000";

std::vector<std::uint8_t> Buffer() {
  std::vector<std::uint8_t> buffer(kBufferSize);
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i * 7);
  return buffer;
}

template <typename Hash>
void BM_Hash(benchmark::State& state) {
  const auto buffer = Buffer();
  Hash hash;
  for (auto _ : state) {
    hash.Update(buffer.data(), buffer.size());
    benchmark::ClobberMemory();
  }
  hash.Final();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

std::unique_ptr<IBlockCipher> MakeCipher(const std::string& name) {
  std::unique_ptr<IBlockCipher> cipher;
  std::uint32_t block = 0;
  if (name == "RC4") cipher = std::make_unique<CRC4>();
  if (name == "RC6") cipher = std::make_unique<CRC6>();
  if (name == "Camellia-128") cipher = std::make_unique<CCamellia>();
  if (name == "AES-128") cipher = std::make_unique<CRijndael>();
  if (name == "Rijndael-256/128") {
    cipher = std::make_unique<CRijndael>();
    block = 32;
  }
  if (name == "Word/16") {
    cipher = std::make_unique<CWordCipher>();
    block = 16;
  }
  if (name == "Rotate/16") {
    cipher = std::make_unique<CRotateCipher>();
    block = 16;
  }
  if (name == "Subst/16") {
    cipher = std::make_unique<CSubstCipher>();
    block = 16;
  }
  if (block != 0) cipher->SetBlockSize(block);
  const std::uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  cipher->SetKey(key, sizeof key);
  return cipher;
}

void BM_Cipher(benchmark::State& state, const std::string& name, bool decrypt) {
  auto buffer = Buffer();
  const auto cipher = MakeCipher(name);
  const std::size_t blocks = buffer.size() / cipher->BlockSize();
  for (auto _ : state) {
    if (decrypt) {
      cipher->DecryptBlocks(buffer.data(), buffer.data(), blocks);
    } else {
      cipher->EncryptBlocks(buffer.data(), buffer.data(), blocks);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

std::unique_ptr<ICipherMode> MakeMode(const std::string& mode, IBlockCipher& cipher) {
  if (mode == "ECB") return std::make_unique<CModeECB>(cipher);
  if (mode == "CBC") return std::make_unique<CModeCBC>(cipher);
  if (mode == "CFB") return std::make_unique<CModeCFB>(cipher);
  return std::make_unique<CModeOFB>(cipher);
}

void BM_Mode(benchmark::State& state, const std::string& cipher_name, const std::string& mode_name,
             bool decrypt) {
  const auto in = Buffer();
  std::vector<std::uint8_t> out(in.size() + 32);
  const auto cipher = MakeCipher(cipher_name);
  const auto mode = MakeMode(mode_name, *cipher);
  std::size_t written = 0;
  for (auto _ : state) {
    if (decrypt) {
      mode->Decrypt(out.data(), written, in.data(), in.size());
    } else {
      mode->Encrypt(out.data(), written, in.data(), in.size());
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

// The benchmark name, OpenSSL's name for the same algorithm, and the least
// fraction of OpenSSL's speed expected (0: no target).
struct Comparison {
  std::string benchmark;
  std::string openssl;
  double target;
};

const std::vector<Comparison>& Comparisons() {
  static const std::vector<Comparison> list = {
      {"Hash/MD5", "md5", 0.5},
      {"Hash/SHA-1", "sha1", 0.5},
      {"Hash/SHA-256", "sha256", 0.5},
      {"Cipher/RC4/encrypt", "rc4", 0},
      {"Cipher/AES-128/encrypt", "aes-128-ecb", 0.3},
      {"Cipher/AES-128/decrypt", "aes-128-ecb -decrypt", 0.3},
      {"Cipher/Camellia-128/encrypt", "camellia-128-ecb", 0.3},
      {"Cipher/Camellia-128/decrypt", "camellia-128-ecb -decrypt", 0.3},
      {"Mode/AES-128/ECB/encrypt", "aes-128-ecb", 0.3},
      {"Mode/AES-128/CBC/encrypt", "aes-128-cbc", 0.3},
      {"Mode/AES-128/CBC/decrypt", "aes-128-cbc -decrypt", 0.3},
      {"Mode/AES-128/CFB/encrypt", "aes-128-cfb", 0.3},
      {"Mode/AES-128/OFB/encrypt", "aes-128-ofb", 0.3},
      {"Mode/Camellia-128/ECB/encrypt", "camellia-128-ecb", 0.3},
      {"Mode/Camellia-128/CBC/encrypt", "camellia-128-cbc", 0.3},
      {"Mode/Camellia-128/CBC/decrypt", "camellia-128-cbc -decrypt", 0.3},
      {"Mode/Camellia-128/CFB/encrypt", "camellia-128-cfb", 0.3},
      {"Mode/Camellia-128/OFB/encrypt", "camellia-128-ofb", 0.3},
  };
  return list;
}

// Collects bytes per second of every run while printing as usual.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: the table is meant to be pasted into notes.
  CollectingReporter() : ConsoleReporter(OO_Tabular) {}

  std::map<std::string, double> rates;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string OpenSSLCommand(const std::string& algorithm) {
  const bool legacy = algorithm == "rc4";
  return std::string("OPENSSL_ia32cap=") + kNoHardwareCrypto +
         " openssl speed -mr -seconds 1 -bytes " + std::to_string(kBufferSize) +
         (legacy ? " -provider legacy -provider default" : "") + " -evp " + algorithm;
}

// Bytes per second from the "+F:<n>:<name>:<rate>" line of `openssl speed
// -mr`; 0 when the command fails.
double OpenSSLRate(const std::string& algorithm) {
  const std::string command = OpenSSLCommand(algorithm) + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  double rate = 0;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    const std::string text = line;
    if (text.rfind("+F:", 0) == 0) rate = std::stod(text.substr(text.rfind(':') + 1));
  }
  pclose(pipe);
  return rate;
}

void PrintComparison(const std::map<std::string, double>& rates) {
  std::printf("\nBeside `%s` (bytes per second / 1e6):\n", OpenSSLCommand("ALGORITHM").c_str());
  std::printf("%-32s %12s %12s %7s %7s\n", "benchmark", "ours MB/s", "OpenSSL MB/s", "ratio",
              "target");
  std::map<std::string, double> measured;
  for (const Comparison& c : Comparisons()) {
    const auto ours = rates.find(c.benchmark);
    if (ours == rates.end()) continue;
    if (measured.count(c.openssl) == 0) measured[c.openssl] = OpenSSLRate(c.openssl);
    const double theirs = measured[c.openssl];
    const double ratio = theirs > 0 ? ours->second / theirs : 0;
    std::printf("%-32s %12.1f %12.1f %7.2f %7s%s\n", c.benchmark.c_str(), ours->second / 1e6,
                theirs / 1e6, ratio,
                c.target > 0 ? std::to_string(c.target).substr(0, 4).c_str() : "-",
                c.target > 0 && ratio < c.target ? "  BELOW TARGET" : "");
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Hash/MD5", BM_Hash<CMD5>);
  benchmark::RegisterBenchmark("Hash/SHA-1", BM_Hash<CSHA1>);
  benchmark::RegisterBenchmark("Hash/SHA-256", BM_Hash<CSHA256>);
  for (const char* name : {"RC4", "RC6", "Camellia-128", "AES-128", "Rijndael-256/128", "Word/16",
                           "Rotate/16", "Subst/16"}) {
    for (bool decrypt : {false, true}) {
      const std::string label = std::string("Cipher/") + name + (decrypt ? "/decrypt" : "/encrypt");
      benchmark::RegisterBenchmark(label.c_str(), BM_Cipher, std::string(name), decrypt);
    }
  }
  for (const char* cipher : {"AES-128", "Camellia-128"}) {
    for (const char* mode : {"ECB", "CBC", "CFB", "OFB"}) {
      for (bool decrypt : {false, true}) {
        const std::string label =
            std::string("Mode/") + cipher + "/" + mode + (decrypt ? "/decrypt" : "/encrypt");
        benchmark::RegisterBenchmark(label.c_str(), BM_Mode, std::string(cipher), std::string(mode),
                                     decrypt);
      }
    }
  }
}

}  // namespace
}  // namespace tarrowin

int main(int argc, char** argv) {
  tarrowin::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tarrowin::CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  tarrowin::PrintComparison(reporter.rates);
  benchmark::Shutdown();
  return 0;
}
