// Sliding-window stage decoder. The window lives in a flat history buffer
// that holds the last window of bytes, the output not yet delivered and
// room for the longest match, so that matches copy without wrapping; the
// buffer slides down after every delivered 64 KiB piece.
#include "files/pack_decode_lzss.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/pack_stream_format.h"

namespace tarrowin {
namespace {

// A flag byte and eight matches of three bytes.
constexpr std::size_t kGroupInput = 1 + 8 * 3;
// Wide copies may write this far past a match's end.
constexpr std::size_t kCopySlack = 16;
// Matches closer than this would copy in pieces that overlap the ones just
// written, which the processor cannot forward: they are copied in doubling
// runs instead.
constexpr std::size_t kShortDistance = 32;

class CSlidingWindowDecoder {
 public:
  CSlidingWindowDecoder(CPackByteSource& input, CPackOutput& output)
      : input_(input), output_(output) {}

  void Run() {
    total_ = input_.U32();
    const std::uint32_t exponent = input_.U16();
    StreamCheck(exponent <= kMaxWindowExponent);
    window_ = std::size_t{2} << exponent;
    max_distance_ = std::min<std::size_t>(window_ - 1, kMaxMatchDistance);
    // Full once a piece is waiting: then at most a match lies beyond it.
    deliver_at_ = window_ + kPackStreamPiece;
    fast_limit_ = deliver_at_ - 8 * kMaxMatchLength;
    history_.resize(deliver_at_ + kMaxMatchLength + kCopySlack);

    while (produced_ < total_) {
      if (position_ >= deliver_at_) DeliverAndSlide();
      if (flag_bits_ == 0) {
        if (position_ <= fast_limit_ && input_.Available() >= kGroupInput) {
          DecodeGroup();
          continue;
        }
        flags_ = input_.Byte();
        flag_bits_ = 8;
      }
      const bool literal = (flags_ & 1) != 0;
      flags_ >>= 1;
      --flag_bits_;
      if (literal) {
        history_[position_++] = input_.Byte();
        ++produced_;
      } else {
        const std::size_t distance = input_.U16();
        Copy(distance, input_.Byte() + kMinMatchLength);
      }
    }
    Deliver(position_);
  }

 private:
  // Eight tokens straight from the input window, which holds them all.
  void DecodeGroup() {
    const std::uint8_t* in = input_.Next();
    unsigned flags = *in++;
    for (int token = 0; token < 8; ++token) {
      if (produced_ >= total_) {
        flags_ = flags;
        flag_bits_ = 8 - token;
        break;
      }
      if (flags & 1) {
        history_[position_++] = *in++;
        ++produced_;
      } else {
        const std::size_t distance = in[0] | static_cast<std::size_t>(in[1]) << 8;
        const std::size_t length = in[2] + kMinMatchLength;
        in += 3;
        Copy(distance, length);
      }
      flags >>= 1;
    }
    input_.SetNext(in);
  }

  // A distance reaches back at most max_distance_ and never before the
  // first byte produced.
  void Copy(std::size_t distance, std::size_t length) {
    StreamCheck(distance != 0 && distance <= max_distance_ && distance <= produced_);
    std::uint8_t* to = history_.data() + position_;
    const std::uint8_t* const from = to - distance;
    if (distance == 1) {
      std::memset(to, *from, length);
    } else if (distance < kShortDistance) {
      // A copy overlapping its source repeats the last `distance` bytes:
      // once those are in place, what is written so far doubles with each
      // step, a whole number of repeats at a time.
      const std::size_t first = std::min(distance * ((kShortDistance - 1) / distance + 1), length);
      for (std::size_t i = 0; i < first; ++i) to[i] = from[i];
      for (std::size_t done = first; done < length; done += done) {
        std::memcpy(to + done, to, std::min(done, length - done));
      }
    } else {
      // Sixteen bytes at a time never read what this copy has not written.
      for (std::size_t done = 0; done < length; done += 16) {
        std::memcpy(to + done, from + done, 16);
      }
    }
    position_ += length;
    produced_ += length;
  }

  // Hands the output up to `end` to the sink, never past the total.
  void Deliver(std::size_t end) {
    const std::uint64_t wanted =
        std::min<std::uint64_t>(end - delivered_from_, total_ - delivered_);
    if (wanted == 0) return;
    output_.Deliver(history_.data() + delivered_from_, static_cast<std::size_t>(wanted));
    delivered_ += wanted;
    delivered_from_ += static_cast<std::size_t>(wanted);
  }

  void DeliverAndSlide() {
    Deliver(delivered_from_ + kPackStreamPiece);
    // Keep the window behind the position and whatever is still undelivered.
    const std::size_t keep_from =
        std::min(delivered_from_, position_ > window_ ? position_ - window_ : 0);
    std::memmove(history_.data(), history_.data() + keep_from, position_ - keep_from);
    position_ -= keep_from;
    delivered_from_ -= keep_from;
  }

  CPackByteSource& input_;
  CPackOutput& output_;
  std::uint64_t total_ = 0;
  std::uint64_t produced_ = 0;   // counts whole matches, even past the total
  std::uint64_t delivered_ = 0;  // bytes handed to the output
  std::size_t window_ = 0;
  std::size_t max_distance_ = 0;
  std::size_t deliver_at_ = 0;
  std::size_t fast_limit_ = 0;
  std::vector<std::uint8_t> history_;
  std::size_t position_ = 0;        // next byte of history_ to write
  std::size_t delivered_from_ = 0;  // first byte of history_ not delivered
  unsigned flags_ = 0;
  int flag_bits_ = 0;
};

}  // namespace

void DecodeSlidingWindow(CPackByteSource& input, CPackOutput& output) {
  CSlidingWindowDecoder(input, output).Run();
}

}  // namespace tarrowin
