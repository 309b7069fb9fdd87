#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/files/temp_dir.h"
#include "tests/settings/document_contents.h"

namespace tarrowin {
namespace {

using testing_settings::Contents;
using testing_settings::Section;
using Names = std::vector<std::u16string>;

class SettingsDocumentTest : public testing::Test {
 protected:
  Names KeyNames(const char16_t* section) {
    Names names;
    doc_.GetKeyNames(section, names);
    return names;
  }
  std::u16string Get(const char16_t* section, const char16_t* key) {
    char16_t buffer[64];
    return doc_.GetString(section, key, buffer, 64) ? buffer : u"<none>";
  }

  CSettingsDocument doc_;
};

TEST_F(SettingsDocumentTest, KeysListInTheOrderTheyWereFirstSet) {
  doc_.SetString(u"s", u"b", u"1");
  doc_.SetString(u"s", u"a", u"2");
  doc_.SetString(u"s", u"c", u"3");
  doc_.SetString(u"s", u"b", u"4");  // replaced, keeps its place
  EXPECT_EQ(KeyNames(u"s"), (Names{u"b", u"a", u"c"}));
  EXPECT_EQ(Get(u"s", u"b"), u"4");
}

TEST_F(SettingsDocumentTest, DeleteKeyClosesTheGap) {
  doc_.SetString(u"s", u"x", u"1");
  doc_.SetString(u"s", u"y", u"2");
  doc_.SetString(u"s", u"z", u"3");
  EXPECT_EQ(doc_.DeleteKey(u"s", u"y"), 1);
  EXPECT_EQ(doc_.sections()[0].keys.at(u"x").order, 0);
  EXPECT_EQ(doc_.sections()[0].keys.at(u"z").order, 1);
  doc_.SetString(u"s", u"w", u"4");
  EXPECT_EQ(doc_.sections()[0].keys.at(u"w").order, 2);
  EXPECT_EQ(KeyNames(u"s"), (Names{u"x", u"z", u"w"}));
  EXPECT_EQ(doc_.DeleteKey(u"s", u"missing"), 1);
  EXPECT_EQ(doc_.DeleteKey(u"missing", u"x"), 0);
  EXPECT_EQ(doc_.DeleteKey(nullptr, u"x"), 0);
}

TEST_F(SettingsDocumentTest, GetStringBoundsTheCopy) {
  doc_.SetString(u"s", u"k", u"abcdef");
  doc_.SetString(u"s", u"empty", u"");
  char16_t buffer[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
  EXPECT_EQ(doc_.GetString(u"s", u"k", buffer, 4), 4);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(buffer[4], u'#');
  EXPECT_EQ(doc_.GetString(u"s", u"k", nullptr, 0), 7);
  EXPECT_EQ(doc_.GetString(u"s", u"empty", buffer, 8), 1);
  EXPECT_EQ(doc_.GetString(u"s", u"k", buffer, 0), 0);
  EXPECT_EQ(doc_.GetString(u"s", u"missing", buffer, 8), 0);
  EXPECT_EQ(doc_.GetString(u"S", u"k", buffer, 8), 0);  // case-sensitive
  EXPECT_EQ(doc_.GetString(nullptr, u"k", buffer, 8), 0);
}

struct IntCase {
  const char16_t* text;
  std::int32_t expected;  // 99 = left alone
  int result;
};

class GetIntTest : public SettingsDocumentTest, public testing::WithParamInterface<IntCase> {};

TEST_P(GetIntTest, ReadsADecimalStart) {
  doc_.SetString(u"s", u"k", GetParam().text);
  std::int32_t value = 99;
  EXPECT_EQ(doc_.GetInt(u"s", u"k", &value), GetParam().result);
  EXPECT_EQ(value, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GetIntTest,
                         testing::Values(IntCase{u"12abc", 12, 6}, IntCase{u"-5", 99, 3},
                                         IntCase{u"0x10", 0, 5}, IntCase{u"", 99, 1},
                                         IntCase{u" 7", 99, 3},
                                         IntCase{u"2147483647", 2147483647, 11}));

TEST_F(SettingsDocumentTest, SetIntStoresDecimalText) {
  EXPECT_EQ(doc_.SetInt(u"s", u"k", -2147483647 - 1), 1);
  EXPECT_EQ(Get(u"s", u"k"), u"-2147483648");
  EXPECT_EQ(doc_.SetInt(nullptr, u"k", 1), 0);
  EXPECT_EQ(doc_.SetString(u"s", u"k", nullptr), 0);
  std::int32_t value = 0;
  EXPECT_EQ(doc_.GetInt(u"s", nullptr, &value), 0);
  EXPECT_EQ(doc_.GetInt(u"s", u"k", nullptr), 0);
}

TEST_F(SettingsDocumentTest, SectionsKeepTheirOrderAndCase) {
  doc_.AddSection(u"b");
  doc_.SetString(u"a", u"k", u"1");
  doc_.AddSection(u"b");  // exists: nothing changes
  doc_.SetString(u"A", u"K", u"2");
  doc_.SetString(u"", u"k", u"3");  // the empty name is an ordinary name
  Names names;
  EXPECT_EQ(doc_.GetSectionNames(names), 1);
  EXPECT_EQ(names, (Names{u"b", u"a", u"A", u""}));
  EXPECT_EQ(doc_.HasSection(u"b"), 1);
  EXPECT_EQ(doc_.HasKey(u"a", u"K"), 0);
  EXPECT_EQ(doc_.HasKey(u"A", u"K"), 1);
  EXPECT_EQ(doc_.GetKeyNames(u"missing", names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(doc_.DeleteSection(u"missing"), 1);
  EXPECT_EQ(doc_.DeleteSection(u"b"), 1);
  EXPECT_EQ(doc_.HasSection(u"b"), 0);
  EXPECT_EQ(doc_.Clear(), 1);
  EXPECT_TRUE(doc_.sections().empty());
}

// A file that repeats a header gives two records; lookups reach the first.
class DuplicateSectionTest : public SettingsDocumentTest {
 protected:
  void SetUp() override {
    testing_files::WriteBytes(dir_.dir() / "dup.ini", "[a]\nk=1\nx=first\n[a]\nk=2\n");
    ASSERT_EQ(doc_.LoadFile(dir_.Path(u"dup.ini").c_str()), 1);
  }
  testing_files::TempDir dir_;
};

TEST_F(DuplicateSectionTest, LookupsReachTheFirst) {
  EXPECT_EQ(Get(u"a", u"k"), u"1");
  EXPECT_EQ(doc_.HasKey(u"a", u"x"), 1);
  EXPECT_EQ(KeyNames(u"a"), (Names{u"k", u"x"}));
  doc_.SetString(u"a", u"k", u"changed");
  doc_.DeleteKey(u"a", u"x");
  EXPECT_EQ(Contents(doc_),
            (std::vector<Section>{{u"a", {{u"k", u"changed"}}}, {u"a", {{u"k", u"2"}}}}));
  doc_.DeleteSection(u"a");
  EXPECT_EQ(Get(u"a", u"k"), u"2");
}

}  // namespace
}  // namespace tarrowin
