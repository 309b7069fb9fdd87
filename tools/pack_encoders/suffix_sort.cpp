// SA-IS (Nong, Zhang and Chan): sort the left-most S-type substrings by
// induction, name them, sort the reduced text recursively, then induce the
// order of all suffixes. The text carries a unique smallest sentinel at its
// end, which the result leaves out.
#include "tools/pack_encoders/suffix_sort.h"

#include <algorithm>
#include <stdexcept>

namespace tarrowin::pack_encoding {
namespace {

using Index = std::int32_t;

class InducedSorter {
 public:
  // `text` ends with its sentinel 0; symbols lie in 0 .. alphabet - 1.
  static void Sort(const Index* text, Index* sa, Index n, Index alphabet) {
    InducedSorter(text, sa, n, alphabet).Run();
  }

 private:
  InducedSorter(const Index* text, Index* sa, Index n, Index alphabet)
      : s_(text), sa_(sa), n_(n), alphabet_(alphabet), s_type_(n), bucket_(alphabet) {}

  bool IsLms(Index i) const { return i > 0 && s_type_[i] && !s_type_[i - 1]; }

  void Buckets(bool ends) {
    std::fill(bucket_.begin(), bucket_.end(), 0);
    for (Index i = 0; i < n_; ++i) ++bucket_[s_[i]];
    Index sum = 0;
    for (Index c = 0; c < alphabet_; ++c) {
      sum += bucket_[c];
      bucket_[c] = ends ? sum : sum - bucket_[c];
    }
  }

  void InduceL() {
    Buckets(false);
    for (Index i = 0; i < n_; ++i) {
      const Index j = sa_[i] - 1;
      if (j >= 0 && !s_type_[j]) sa_[bucket_[s_[j]]++] = j;
    }
  }

  void InduceS() {
    Buckets(true);
    for (Index i = n_ - 1; i >= 0; --i) {
      const Index j = sa_[i] - 1;
      if (j >= 0 && s_type_[j]) sa_[--bucket_[s_[j]]] = j;
    }
  }

  // Two LMS substrings are equal when their symbols and types agree up to
  // and including the next LMS position.
  bool SameLmsSubstring(Index a, Index b) const {
    for (Index d = 0;; ++d) {
      if (s_[a + d] != s_[b + d] || s_type_[a + d] != s_type_[b + d]) return false;
      if (d > 0 && (IsLms(a + d) || IsLms(b + d))) return IsLms(a + d) && IsLms(b + d);
    }
  }

  void Run() {
    if (n_ == 1) {
      sa_[0] = 0;
      return;
    }
    s_type_[n_ - 1] = true;
    s_type_[n_ - 2] = false;
    for (Index i = n_ - 3; i >= 0; --i) {
      s_type_[i] = s_[i] < s_[i + 1] || (s_[i] == s_[i + 1] && s_type_[i + 1]);
    }
    // Stage 1: sort the LMS substrings.
    Buckets(true);
    std::fill(sa_, sa_ + n_, -1);
    for (Index i = 1; i < n_; ++i) {
      if (IsLms(i)) sa_[--bucket_[s_[i]]] = i;
    }
    InduceL();
    InduceS();
    Index lms_count = 0;
    for (Index i = 0; i < n_; ++i) {
      if (IsLms(sa_[i])) sa_[lms_count++] = sa_[i];
    }
    // Name them; position / 2 keeps names of distinct positions apart.
    std::fill(sa_ + lms_count, sa_ + n_, -1);
    Index names = 0;
    Index previous = -1;
    for (Index i = 0; i < lms_count; ++i) {
      const Index position = sa_[i];
      if (previous < 0 || !SameLmsSubstring(position, previous)) {
        ++names;
        previous = position;
      }
      sa_[lms_count + position / 2] = names - 1;
    }
    for (Index i = n_ - 1, j = n_ - 1; i >= lms_count; --i) {
      if (sa_[i] >= 0) sa_[j--] = sa_[i];
    }
    // Stage 2: the reduced text, recursively when names repeat.
    Index* reduced_sa = sa_;
    Index* reduced = sa_ + n_ - lms_count;
    // The reduced text lies above the first lms_count words (at most half
    // of the text), which the recursion fills with its result.
    if (names < lms_count) {
      Sort(reduced, reduced_sa, lms_count, names);
    } else {
      for (Index i = 0; i < lms_count; ++i) reduced_sa[reduced[i]] = i;
    }
    // Stage 3: place the sorted LMS suffixes and induce the rest.
    for (Index i = 1, j = 0; i < n_; ++i) {
      if (IsLms(i)) reduced[j++] = i;
    }
    for (Index i = 0; i < lms_count; ++i) reduced_sa[i] = reduced[reduced_sa[i]];
    std::fill(sa_ + lms_count, sa_ + n_, -1);
    Buckets(true);
    for (Index i = lms_count - 1; i >= 0; --i) {
      const Index j = sa_[i];
      sa_[i] = -1;
      sa_[--bucket_[s_[j]]] = j;
    }
    InduceL();
    InduceS();
  }

  const Index* s_;
  Index* sa_;
  Index n_;
  Index alphabet_;
  std::vector<bool> s_type_;
  std::vector<Index> bucket_;
};

}  // namespace

std::vector<std::int32_t> SuffixArray(std::span<const std::uint8_t> text) {
  if (text.size() >= 0x7FFFFFF0u) throw std::invalid_argument("suffix sort: text too long");
  const auto n = static_cast<Index>(text.size());
  std::vector<Index> symbols(static_cast<std::size_t>(n) + 1);
  for (Index i = 0; i < n; ++i) symbols[i] = text[i] + 1;
  symbols[n] = 0;
  std::vector<Index> sa(static_cast<std::size_t>(n) + 1);
  InducedSorter::Sort(symbols.data(), sa.data(), n + 1, 257);
  // The sentinel's suffix sorts first.
  sa.erase(sa.begin());
  return sa;
}

}  // namespace tarrowin::pack_encoding
