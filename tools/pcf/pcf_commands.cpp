// pcf commands: create, list, cat, open, extract and test.
#include "tools/pcf/pcf_commands.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "files/file_stream.h"
#include "files/pack_archive.h"
#include "settings/utf8.h"
#include "tools/pcf/pack_writer.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: pcf create ARCHIVE [--compress none|lzss|huffman|range|lzss+huffman|lzss+range|"
    "bwt+huffman|bwt+range] [--cipher word|rotate|subst|rc4|rc6|camellia|rijndael --mode "
    "ecb|cbc|cfb|ofb] [--encrypt-directory] [--digest] [--volume-size BYTES] [-C DIR] FILE... | "
    "pcf list ARCHIVE | pcf cat ARCHIVE ENTRY | pcf open PATH | pcf extract ARCHIVE [DIR] | "
    "pcf test ARCHIVE";

struct Choice {
  std::u16string_view word;
  PackFlags flags;
};

// Stage parameters: the largest window (2^16 bytes), block sorting in
// blocks of 1 MiB, entropy blocks of 1 MiB: the sizes the stage benchmark
// weighs against gzip, bzip2 and xz.
constexpr Choice kCompressions[] = {
    {u"none", 0},
    {u"lzss", 0x0060},
    {u"huffman", 0xB000},
    {u"range", 0x0B00},
    {u"lzss+huffman", 0xB060},
    {u"lzss+range", 0x0B60},
    {u"bwt+huffman", 0xB006},
    {u"bwt+range", 0x0B06},
};
constexpr Choice kCiphers[] = {
    {u"word", kPackCipherWord},         {u"rotate", kPackCipherRotate},
    {u"subst", kPackCipherSubst},       {u"rc4", kPackCipherRC4},
    {u"rc6", kPackCipherRC6},           {u"camellia", kPackCipherCamellia},
    {u"rijndael", kPackCipherRijndael},
};
constexpr Choice kModes[] = {
    {u"ecb", kPackModeECB}, {u"cbc", kPackModeCBC}, {u"cfb", kPackModeCFB}, {u"ofb", kPackModeOFB}};

template <std::size_t N>
std::optional<PackFlags> Lookup(const Choice (&choices)[N], std::u16string_view word) {
  for (const Choice& choice : choices) {
    if (choice.word == word) return choice.flags;
  }
  return std::nullopt;
}

std::string Utf8(std::u16string_view text) {
  std::string out(text.size() * 3 + 1, '\0');
  const std::u16string terminated(text);
  const int length = WideToUtf8(out.data(), terminated.c_str(), static_cast<int>(out.size()));
  out.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  return out;
}

// An entry name as it may be shown on a terminal: control characters (C0,
// DEL and C1) and bytes that are not UTF-8 become \xHH and a backslash
// becomes \\, so that no name can move the cursor or change colours, and
// the escapes stay unambiguous.
std::string Shown(std::string_view name) {
  std::string out;
  auto escape = [&out](unsigned char byte) {
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
  };
  std::size_t i = 0;
  while (i < name.size()) {
    const auto lead = static_cast<unsigned char>(name[i]);
    if (lead < 0x80) {
      if (lead < 0x20 || lead == 0x7F) {
        escape(lead);
      } else if (lead == '\\') {
        out += "\\\\";
      } else {
        out += static_cast<char>(lead);
      }
      ++i;
      continue;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    std::uint32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= name.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(name[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and the C1 controls U+0080 to U+009F.
    valid = valid && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) &&
            code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) && code > 0x9F;
    if (valid) {
      out.append(name.substr(i, length));
      i += length;
    } else {
      escape(lead);
      ++i;
    }
  }
  return out;
}

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string DescribeOpenError(PackOpenError error) {
  switch (error) {
    case PackOpenError::kNone:
      break;
    case PackOpenError::kNoFile:
      return "cannot open the file";
    case PackOpenError::kNotArchive:
      return "not a pack archive";
    case PackOpenError::kBadHeader:
      return "damaged header: its sizes describe no archive";
    case PackOpenError::kMissingVolume:
      return "a volume is missing or belongs to another archive";
    case PackOpenError::kBadDirectory:
      return "the directory cannot be read (damaged, truncated or another password)";
    case PackOpenError::kDigestMismatch:
      return "the directory does not match its digest";
  }
  return "cannot be opened";
}

// Sinks of decoded bytes: standard output, or nowhere.
class CConsoleSink : public IPackSink {
 public:
  explicit CConsoleSink(IPcfConsole& console) : console_(console) {}
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override {
    *taken = 0;
    if (count == 0) return true;
    if (!console_.Out(buffer, count)) return false;
    *taken = count;
    return true;
  }

 private:
  IPcfConsole& console_;
};

class CDiscardSink : public IPackSink {
 public:
  bool Write(const std::uint8_t*, std::uint32_t count, std::uint32_t* taken) override {
    *taken = count;
    return true;
  }
};

class CCommand {
 public:
  CCommand(const std::vector<std::u16string>& args, IPcfConsole& console)
      : args_(args), console_(console) {}

  int Run() {
    if (args_.empty()) return Usage();
    const std::u16string& verb = args_[0];
    if (verb == u"create") return Create();
    if (verb == u"list" && args_.size() == 2) return List(args_[1]);
    if (verb == u"cat" && args_.size() == 3) return Cat(args_[1], args_[2]);
    if (verb == u"open" && args_.size() == 2) return Open(args_[1]);
    if (verb == u"extract" && (args_.size() == 2 || args_.size() == 3)) {
      return Extract(args_[1], args_.size() == 3 ? args_[2] : u".");
    }
    if (verb == u"test" && args_.size() == 2) return Test(args_[1]);
    if (verb == u"help" || verb == u"--help" || verb == u"-h") {
      console_.Out(kUsage.data(), kUsage.size());
      console_.Out("\n", 1);
      return 0;
    }
    return Usage();
  }

 private:
  int Usage() {
    console_.Error("pcf: " + std::string(kUsage));
    return 1;
  }

  int Fail(std::string_view subject, std::string_view what) {
    console_.Error("pcf: " + std::string(subject) + ": " + std::string(what));
    return 1;
  }

  bool OpenArchive(CPackArchive& archive, const std::u16string& path, std::uint16_t options) {
    if (archive.OpenArchive(path.c_str(), options)) return true;
    Fail(Utf8(path), DescribeOpenError(archive.OpenError()));
    return false;
  }

  int Create() {
    if (args_.size() < 2) return Usage();
    const std::u16string& archive = args_[1];
    PackFlags compression = 0;
    std::optional<PackFlags> cipher;
    std::optional<PackFlags> mode;
    bool encrypt_directory = false;
    PackWriterOptions options;
    fs::path base = u".";
    std::vector<std::u16string> inputs;
    for (std::size_t i = 2; i < args_.size(); ++i) {
      const std::u16string& arg = args_[i];
      auto value = [&]() -> std::optional<std::u16string> {
        if (i + 1 >= args_.size()) return std::nullopt;
        return args_[++i];
      };
      std::optional<std::u16string> v;
      if (arg == u"--compress") {
        v = value();
        const auto flags = v ? Lookup(kCompressions, *v) : std::nullopt;
        if (!flags) return Fail(Utf8(archive), "unknown --compress choice");
        compression = *flags;
      } else if (arg == u"--cipher") {
        v = value();
        cipher = v ? Lookup(kCiphers, *v) : std::nullopt;
        if (!cipher) return Fail(Utf8(archive), "unknown --cipher choice");
      } else if (arg == u"--mode") {
        v = value();
        mode = v ? Lookup(kModes, *v) : std::nullopt;
        if (!mode) return Fail(Utf8(archive), "unknown --mode choice");
      } else if (arg == u"--encrypt-directory") {
        encrypt_directory = true;
      } else if (arg == u"--digest") {
        options.digest = true;
      } else if (arg == u"--volume-size") {
        v = value();
        if (!v || !ParseSize(*v, &options.volume_size) || options.volume_size == 0) {
          return Fail(Utf8(archive), "--volume-size needs a number of bytes");
        }
      } else if (arg == u"-C") {
        v = value();
        if (!v) return Fail(Utf8(archive), "-C needs a folder");
        base = fs::path(*v);
      } else if (arg.starts_with(u"-") && arg.size() > 1) {
        return Fail(Utf8(archive), "unknown option " + Utf8(arg));
      } else {
        inputs.push_back(arg);
      }
    }
    if (cipher.has_value() != mode.has_value()) {
      return Fail(Utf8(archive), "--cipher and --mode go together");
    }
    if (encrypt_directory && !cipher) {
      return Fail(Utf8(archive), "--encrypt-directory needs --cipher and --mode");
    }
    if (inputs.empty()) return Fail(Utf8(archive), "no files to pack");
    const PackFlags encryption = cipher ? *cipher | *mode : 0;
    options.directory_flags = compression | (encrypt_directory ? encryption : 0);

    std::vector<PackWriterFile> files;
    for (const std::u16string& input : inputs) {
      if (!Collect(base, fs::path(input), compression | encryption, &files)) return 1;
    }
    PackImage image;
    std::string error;
    if (!BuildPackImage(std::move(files), options, &image, &error) ||
        !WritePackImage(image, fs::path(archive), &error)) {
      return Fail(Utf8(archive), error);
    }
    return 0;
  }

  static bool ParseSize(const std::u16string& text, std::uint64_t* out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (const char16_t c : text) {
      if (c < u'0' || c > u'9') return false;
      value = value * 10 + (c - u'0');
    }
    *out = value;
    return true;
  }

  // Adds the file, or every file under the folder, named relative to `base`.
  bool Collect(const fs::path& base, const fs::path& input, PackFlags flags,
               std::vector<PackWriterFile>* files) {
    const fs::path relative = input.lexically_normal();
    if (relative.is_absolute() || relative.has_root_name() ||
        (!relative.empty() && *relative.begin() == "..")) {
      Fail(PathText(input), "not a path inside " + PathText(base));
      return false;
    }
    const fs::path full = base / relative;
    std::error_code error;
    if (fs::is_directory(full, error)) {
      std::vector<fs::path> found;
      for (fs::recursive_directory_iterator it(full, error), end; !error && it != end;
           it.increment(error)) {
        if (it->is_regular_file(error)) found.push_back(it->path());
      }
      if (error) {
        Fail(PathText(full), error.message());
        return false;
      }
      std::sort(found.begin(), found.end());
      for (const fs::path& path : found) {
        const fs::path name = (relative / path.lexically_relative(full)).lexically_normal();
        if (!AddFile(path, name, flags, files)) return false;
      }
      return true;
    }
    return AddFile(full, relative, flags, files);
  }

  bool AddFile(const fs::path& path, const fs::path& name, PackFlags flags,
               std::vector<PackWriterFile>* files) {
    PackWriterFile file;
    file.name = Utf8(name.generic_u16string());
    file.flags = flags;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in) {
      Fail(PathText(path), "cannot read the file");
      return false;
    }
    file.data.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(file.data.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size || in.peek() != EOF) {
      Fail(PathText(path), "changed while it was read");
      return false;
    }
    files->push_back(std::move(file));
    return true;
  }

  int List(const std::u16string& path) {
    CPackArchive archive;
    if (!OpenArchive(archive, path, 0)) return 1;
    for (std::uint32_t i = 0; i < archive.EntryCount(); ++i) {
      const PackEntry& entry = *archive.Entry(i);
      char numbers[96];
      const int length =
          std::snprintf(numbers, sizeof numbers, "\t%" PRIu64 "\t%" PRIu64 "\t0x%08" PRIx32 "\n",
                        entry.size, entry.stored_size, entry.flags);
      const std::string name = Shown(entry.Name());
      if (!console_.Out(name.data(), name.size()) ||
          !console_.Out(numbers, static_cast<std::size_t>(length))) {
        return Fail(Utf8(path), "cannot write the list");
      }
    }
    return 0;
  }

  std::optional<std::uint32_t> Find(CPackArchive& archive, const std::u16string& path,
                                    const std::u16string& name) {
    std::uint32_t index = 0;
    if (archive.FindEntry(name.c_str(), &index)) return index;
    Fail(Utf8(path), "no entry " + Utf8(name));
    return std::nullopt;
  }

  std::string EntryFailure(const CPackArchive& archive, std::uint32_t index) {
    const std::string name = Shown(archive.Entry(index)->Name());
    if ((archive.Header().flags & kPackNotReadable) != 0) {
      return "entry " + name + ": the archive marks its entries as not to be read";
    }
    return "entry " + name + " cannot be decoded (damaged, truncated or another password)";
  }

  int Cat(const std::u16string& path, const std::u16string& name) {
    CPackArchive archive;
    if (!OpenArchive(archive, path, 0)) return 1;
    const std::optional<std::uint32_t> index = Find(archive, path, name);
    if (!index) return 1;
    CConsoleSink sink(console_);
    if (!archive.ExtractTo(*index, sink)) return Fail(Utf8(path), EntryFailure(archive, *index));
    return 0;
  }

  int Open(const std::u16string& path) {
    CFileStream stream;
    if (!stream.Open(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting)) {
      if (const PackEntryRefusal* refused = stream.LastPackRefusal()) {
        // Shown as the archive stores it, with "/" between folders.
        std::u16string stored = refused->entry;
        std::replace(stored.begin(), stored.end(), u'\\', u'/');
        return Fail(Utf8(path), "entry " + Shown(Utf8(stored)) + " of " + Utf8(refused->archive) +
                                    " declares " + std::to_string(refused->size) +
                                    " bytes, more than the limit of " +
                                    std::to_string(kMaxLookupEntrySize) + " bytes (" +
                                    std::to_string(kMaxLookupEntrySize >> 20) +
                                    " MiB) for a file opened through an archive");
      }
      return Fail(Utf8(path), "not on disk and in no archive of its parent folders");
    }
    std::vector<std::uint8_t> piece(65536);
    while (true) {
      std::uint32_t got = 0;
      if (!stream.Read(piece.data(), static_cast<std::uint32_t>(piece.size()), &got)) {
        return Fail(Utf8(path), "read error");
      }
      if (got == 0) return 0;
      if (!console_.Out(piece.data(), got)) return Fail(Utf8(path), "cannot write the content");
    }
  }

  int Extract(const std::u16string& path, const std::u16string& directory) {
    CPackArchive archive;
    if (!OpenArchive(archive, path, 0)) return 1;
    std::error_code error;
    const fs::path output = fs::absolute(fs::path(directory), error);
    if (error) return Fail(Utf8(directory), error.message());
    archive.SetOutputDirectory(output.u16string());
    for (std::uint32_t i = 0; i < archive.EntryCount(); ++i) {
      const PackNameProblem problem = CheckPackName(archive.Entry(i)->Name());
      if (problem != PackNameProblem::kNone || !archive.ExtractToDisk(i)) {
        const std::string why = ExtractFailure(archive, i, problem, output);
        archive.RemoveExtracted(i, true);
        return Fail(Utf8(path), why);
      }
    }
    return 0;
  }

  std::string ExtractFailure(const CPackArchive& archive, std::uint32_t index,
                             PackNameProblem problem, const fs::path& output) {
    const std::string entry = "entry " + Shown(archive.Entry(index)->Name());
    if (problem == PackNameProblem::kLeavesFolder) {
      return entry + " would be written outside " + PathText(output);
    }
    if (problem == PackNameProblem::kNotPortable) {
      return entry + " has a name that Windows cannot hold (a device name such as CON or " +
             "COM1, a trailing dot or space, or a character it refuses)";
    }
    switch (archive.ExtractError()) {
      case PackExtractError::kLinkInTheWay:
        return entry + ": a symbolic link, junction or other non-folder stands in its way inside " +
               PathText(output) + "; nothing is written through it";
      case PackExtractError::kCannotWrite:
      case PackExtractError::kUnsafeName:
        return entry + " cannot be written under " + PathText(output);
      case PackExtractError::kNone:
      case PackExtractError::kCannotDecode:
        break;
    }
    return EntryFailure(archive, index);
  }

  int Test(const std::u16string& path) {
    CPackArchive archive;
    if (!OpenArchive(archive, path, 0)) return 1;
    const PackDigestBytes& digest = archive.Header().directory_digest;
    const bool has_digest =
        std::any_of(digest.begin(), digest.end(), [](std::uint8_t b) { return b != 0; });
    if (has_digest && !OpenArchive(archive, path, 1)) return 1;
    for (std::uint32_t i = 0; i < archive.EntryCount(); ++i) {
      CDiscardSink sink;
      if (!archive.ExtractTo(i, sink)) return Fail(Utf8(path), EntryFailure(archive, i));
    }
    const std::string line = Utf8(path) + ": " + std::to_string(archive.EntryCount()) +
                             " entries intact" + (has_digest ? ", directory digest matches" : "") +
                             "\n";
    console_.Out(line.data(), line.size());
    return 0;
  }

  const std::vector<std::u16string>& args_;
  IPcfConsole& console_;
};

}  // namespace

int RunPcf(const std::vector<std::u16string>& args, IPcfConsole& console) {
  try {
    return CCommand(args, console).Run();
  } catch (const std::exception& e) {
    console.Error(std::string("pcf: ") + e.what());
    return 1;
  }
}

}  // namespace tarrowin
