// DLGTEMPLATEEX reader for the tests.
#include "tests/app/dialog_template.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>

namespace tarrowin::testing {
namespace {

class Reader {
 public:
  Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }

  template <typename T>
  T Get() {
    T value{};
    if (pos_ + sizeof(T) > size_) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return value;
  }

  // A null-terminated UTF-16 string, or 0xFFFF and an ordinal ("#n").
  std::wstring SzOrOrdinal() {
    const WORD first = Get<WORD>();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Get<WORD>());
    std::wstring text;
    for (WORD c = first; ok_ && c != 0; c = Get<WORD>()) text += static_cast<wchar_t>(c);
    return text;
  }

  void AlignDword() { pos_ = (pos_ + 3) & ~size_t{3}; }

 private:
  const BYTE* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// The predefined classes a template may store as atoms.
std::wstring ClassName(const std::wstring& stored) {
  if (stored == L"#128") return L"button";
  if (stored == L"#129") return L"edit";
  if (stored == L"#130") return L"static";
  std::wstring lower = stored;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower;
}

}  // namespace

bool LoadDialogTemplate(int id, DialogTemplate& out) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  EXPECT_NE(resource, nullptr) << "dialog " << id;
  if (resource == nullptr) return false;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  Reader r(data, SizeofResource(module, resource));

  const WORD version = r.Get<WORD>();
  const WORD signature = r.Get<WORD>();
  EXPECT_EQ(version, 1);
  EXPECT_EQ(signature, 0xFFFF);
  if (version != 1 || signature != 0xFFFF) return false;
  r.Get<DWORD>();  // help id
  r.Get<DWORD>();  // extended style
  out.style = r.Get<DWORD>();
  const WORD count = r.Get<WORD>();
  out.x = r.Get<short>();
  out.y = r.Get<short>();
  out.cx = r.Get<short>();
  out.cy = r.Get<short>();
  r.SzOrOrdinal();  // menu
  r.SzOrOrdinal();  // class
  out.caption = r.SzOrOrdinal();
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.pointSize = r.Get<WORD>();
    r.Get<WORD>();  // weight
    r.Get<BYTE>();  // italic
    r.Get<BYTE>();  // charset
    out.font = r.SzOrOrdinal();
  }
  for (WORD i = 0; i < count && r.ok(); ++i) {
    r.AlignDword();
    DialogItem item;
    r.Get<DWORD>();  // help id
    r.Get<DWORD>();  // extended style
    item.style = r.Get<DWORD>();
    item.x = r.Get<short>();
    item.y = r.Get<short>();
    item.cx = r.Get<short>();
    item.cy = r.Get<short>();
    item.id = static_cast<int>(r.Get<DWORD>());
    item.windowClass = r.SzOrOrdinal();
    item.text = r.SzOrOrdinal();
    const WORD extra = r.Get<WORD>();
    for (WORD b = 0; b < extra; ++b) r.Get<BYTE>();
    out.items.push_back(item);
  }
  EXPECT_TRUE(r.ok()) << "dialog " << id << " is cut short";
  return r.ok();
}

void ExpectDialogItems(const DialogTemplate& dialog, const std::vector<ExpectedItem>& expected) {
  ASSERT_EQ(dialog.items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "control " << i << " \"" << expected[i].text << "\"");
    const DialogItem& item = dialog.items[i];
    EXPECT_EQ(ClassName(item.windowClass), ClassName(expected[i].windowClass));
    EXPECT_EQ(item.id == 0xFFFF ? -1 : item.id, expected[i].id);  // -1 is stored as a word
    EXPECT_EQ(item.text, expected[i].text);
    EXPECT_EQ(item.x, expected[i].x);
    EXPECT_EQ(item.y, expected[i].y);
    EXPECT_EQ(item.cx, expected[i].cx);
    EXPECT_EQ(item.cy, expected[i].cy);
    EXPECT_EQ(item.style, expected[i].style) << std::hex << item.style;
  }
}

}  // namespace tarrowin::testing
