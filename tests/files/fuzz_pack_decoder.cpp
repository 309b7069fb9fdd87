// libFuzzer target of one pack stage decoder, chosen at build time by
// FUZZ_PACK_STAGE (1 sliding window, 2 Huffman, 3 range coder, 4 block
// sorting). The first input byte picks the parameters, the rest is the
// stored stream; the sink refuses more than 1 MiB so that streams that
// legitimately expand a lot end quickly.
#include <cstddef>
#include <cstdint>

#include "files/pack_stages.h"
#include "tests/files/fuzz_pack_params.h"

namespace {

class FuzzReader final : public tarrowin::IPackReader {
 public:
  FuzzReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    // Small pieces make the decoders cross their refill paths often.
    std::size_t n = size_ - position_;
    if (n > count) n = count;
    if (n > 4096) n = 4096;
    for (std::size_t i = 0; i < n; ++i) buffer[i] = data_[position_ + i];
    position_ += n;
    *delivered = static_cast<std::uint32_t>(n);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

class FuzzSink final : public tarrowin::IPackSink {
 public:
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override {
    *taken = count;
    if (buffer == nullptr) return true;
    written_ += count;
    volatile std::uint8_t touch = buffer[count - 1];  // lets ASan check the piece
    (void)touch;
    return written_ <= (1u << 20);
  }

 private:
  std::size_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const tarrowin::PackStages stages = tarrowin::fuzzing::FuzzStages(FUZZ_PACK_STAGE, data[0]);
  FuzzReader reader(data + 1, size - 1);
  FuzzSink sink;
  tarrowin::DecodePackStages(stages, static_cast<std::uint32_t>(size - 1), reader, sink);
  return 0;
}
