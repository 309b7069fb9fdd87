// UTF-16 printf subset.
#include "files/wide_format.h"

#include <cstdint>

namespace tarrowin {
namespace {

class Output {
 public:
  Output(char16_t* out, std::size_t capacity) : out_(out), limit_(capacity - 1) {}
  void Put(char16_t c) {
    if (length_ < limit_) out_[length_++] = c;
  }
  void Repeat(char16_t c, int n) {
    for (int i = 0; i < n; ++i) Put(c);
  }
  std::size_t Finish() {
    out_[length_] = 0;
    return length_;
  }

 private:
  char16_t* out_;
  std::size_t limit_;
  std::size_t length_ = 0;
};

struct FieldFormat {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  int width = 0;
  int precision = -1;
};

enum class Size { kInt, kChar, kShort, kLong, kLongLong, kSizeT, kMax, kPtrDiff, k64 };

void PutPadded(Output& out, const FieldFormat& field, const char16_t* text, int length,
               int prefix_length) {
  const int pad = field.width > length ? field.width - length : 0;
  if (field.left) {
    for (int i = 0; i < length; ++i) out.Put(text[i]);
    out.Repeat(u' ', pad);
  } else if (field.zero && field.precision < 0) {
    for (int i = 0; i < prefix_length; ++i) out.Put(text[i]);
    out.Repeat(u'0', pad);
    for (int i = prefix_length; i < length; ++i) out.Put(text[i]);
  } else {
    out.Repeat(u' ', pad);
    for (int i = 0; i < length; ++i) out.Put(text[i]);
  }
}

void PutNumber(Output& out, const FieldFormat& field, std::uint64_t magnitude, bool negative,
               int base, bool upper) {
  char16_t text[96];
  char16_t digits[64];
  int count = 0;
  const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  while (magnitude != 0) {
    digits[count++] = static_cast<char16_t>(symbols[magnitude % base]);
    magnitude /= base;
  }
  const int precision = field.precision < 0 ? 1 : (field.precision > 64 ? 64 : field.precision);
  int length = 0;
  if (negative) {
    text[length++] = u'-';
  } else if (field.plus) {
    text[length++] = u'+';
  } else if (field.space) {
    text[length++] = u' ';
  }
  const int prefix = length;
  for (int i = count; i < precision; ++i) text[length++] = u'0';
  while (count > 0) text[length++] = digits[--count];
  PutPadded(out, field, text, length, prefix);
}

int ReadNumber(const char16_t*& p) {
  int value = 0;
  while (*p >= u'0' && *p <= u'9') {
    if (value < 100000) value = value * 10 + (*p - u'0');
    ++p;
  }
  return value;
}

Size ReadSize(const char16_t*& p) {
  switch (*p) {
    case u'h':
      ++p;
      if (*p == u'h') return ++p, Size::kChar;
      return Size::kShort;
    case u'l':
      ++p;
      if (*p == u'l') return ++p, Size::kLongLong;
      return Size::kLong;
    case u'z':
      return ++p, Size::kSizeT;
    case u'j':
      return ++p, Size::kMax;
    case u't':
      return ++p, Size::kPtrDiff;
    case u'I':
      if (p[1] == u'6' && p[2] == u'4') return p += 3, Size::k64;
      return Size::kInt;
    default:
      return Size::kInt;
  }
}

std::int64_t SignedArg(Size size, std::va_list& args) {
  switch (size) {
    case Size::kChar:
      return static_cast<signed char>(va_arg(args, int));
    case Size::kShort:
      return static_cast<short>(va_arg(args, int));
    case Size::kLong:
      return va_arg(args, long);
    case Size::kLongLong:
      return va_arg(args, long long);
    case Size::kSizeT:
      return static_cast<std::int64_t>(va_arg(args, std::size_t));
    case Size::kMax:
      return static_cast<std::int64_t>(va_arg(args, std::intmax_t));
    case Size::kPtrDiff:
      return va_arg(args, std::ptrdiff_t);
    case Size::k64:
      return va_arg(args, std::int64_t);
    case Size::kInt:
      break;
  }
  return va_arg(args, int);
}

std::uint64_t UnsignedArg(Size size, std::va_list& args) {
  switch (size) {
    case Size::kChar:
      return static_cast<unsigned char>(va_arg(args, unsigned));
    case Size::kShort:
      return static_cast<unsigned short>(va_arg(args, unsigned));
    case Size::kLong:
      return va_arg(args, unsigned long);
    case Size::kLongLong:
      return va_arg(args, unsigned long long);
    case Size::kSizeT:
      return va_arg(args, std::size_t);
    case Size::kMax:
      return static_cast<std::uint64_t>(va_arg(args, std::uintmax_t));
    case Size::kPtrDiff:
      return static_cast<std::uint64_t>(va_arg(args, std::ptrdiff_t));
    case Size::k64:
      return va_arg(args, std::uint64_t);
    case Size::kInt:
      break;
  }
  return va_arg(args, unsigned);
}

}  // namespace

std::size_t FormatWide(char16_t* out_buffer, std::size_t capacity, const char16_t* format,
                       std::va_list args_in) {
  if (capacity == 0) return 0;
  Output out(out_buffer, capacity);
  std::va_list args;
  va_copy(args, args_in);
  for (const char16_t* p = format; *p != 0;) {
    if (*p != u'%') {
      out.Put(*p++);
      continue;
    }
    ++p;
    FieldFormat field;
    for (;; ++p) {
      if (*p == u'-')
        field.left = true;
      else if (*p == u'0')
        field.zero = true;
      else if (*p == u'+')
        field.plus = true;
      else if (*p == u' ')
        field.space = true;
      else
        break;
    }
    if (*p == u'*') {
      ++p;
      field.width = va_arg(args, int);
      if (field.width < 0) {
        field.left = true;
        field.width = field.width == INT32_MIN ? 0 : -field.width;
      }
    } else {
      field.width = ReadNumber(p);
    }
    if (field.width > 4096) field.width = 4096;
    if (*p == u'.') {
      ++p;
      if (*p == u'*') {
        ++p;
        field.precision = va_arg(args, int);
        if (field.precision < -1) field.precision = -1;
      } else {
        field.precision = ReadNumber(p);
      }
    }
    const Size size = ReadSize(p);
    const char16_t conversion = *p;
    if (conversion == 0) break;
    ++p;
    switch (conversion) {
      case u'%':
        out.Put(u'%');
        break;
      case u'c': {
        const char16_t c = static_cast<char16_t>(va_arg(args, int));
        PutPadded(out, field, &c, 1, 0);
        break;
      }
      case u's': {
        const char16_t* text = va_arg(args, const char16_t*);
        if (text == nullptr) text = u"(null)";
        int length = 0;
        while (text[length] != 0 && (field.precision < 0 || length < field.precision) &&
               length < (1 << 24)) {
          ++length;
        }
        FieldFormat plain = field;
        plain.zero = false;
        PutPadded(out, plain, text, length, 0);
        break;
      }
      case u'd':
      case u'i': {
        const std::int64_t value = SignedArg(size, args);
        const std::uint64_t magnitude =
            value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        PutNumber(out, field, magnitude, value < 0, 10, false);
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        FieldFormat unsigned_field = field;
        unsigned_field.plus = unsigned_field.space = false;
        PutNumber(out, unsigned_field, UnsignedArg(size, args), false, conversion == u'u' ? 10 : 16,
                  conversion == u'X');
        break;
      }
      default:  // unknown conversion: shown as written
        out.Put(u'%');
        out.Put(conversion);
        break;
    }
  }
  va_end(args);
  return out.Finish();
}

}  // namespace tarrowin
