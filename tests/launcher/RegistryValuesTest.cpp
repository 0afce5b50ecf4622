// The launcher's registry values: typed writes from text specifications, the defaults of
// the first start, and the position and options read back.
#include <gtest/gtest.h>

#include "launcher/LauncherSettings.h"
#include "launcher/TypedRegistryValue.h"
#include "tests/launcher/LauncherFakes.h"

using namespace tavolen;
using namespace tavolen::launcher;
using namespace tavolen::launcher::testing;

namespace {

constexpr char16_t kKey[] = u"Software\\Varnkeld\\Tavolen";

struct Fixture {
  MemoryRegistry registry;
  RecordingPrompts prompts;
  LauncherSettings settings{registry, prompts};
  Fixture() { registry.CreateKey(Registry::Hive::CurrentUser, kKey); }
  bool Set(const std::u16string& name, const std::u16string& spec) {
    return SetTypedRegistryValue(registry, prompts, kKey, name, spec);
  }
  std::optional<Registry::Value> Get(const std::u16string& name) {
    return registry.Read(Registry::Hive::CurrentUser, kKey, name);
  }
};

}  // namespace

TEST(TypedRegistryValue, StoresEachSupportedTypeFromItsSpecification) {
  struct Case {
    const char16_t* spec;
    uint32_t type;
    std::vector<uint8_t> data;
  };
  const Case cases[] = {
      {u"REG_SZ, 0", Registry::kString, {'0', 0, 0, 0}},
      {u"  REG_SZ\t,  a b  ", Registry::kString, {'a', 0, ' ', 0, 'b', 0, 0, 0}},
      {u"REG_SZ,-12", Registry::kString, {'-', 0, '1', 0, '2', 0, 0, 0}},
      {u"REG_EXPAND_SZ,%x%", Registry::kExpandString, {'%', 0, 'x', 0, '%', 0, 0, 0}},
      {u"REG_DWORD, 0", Registry::kDword, {0, 0, 0, 0}},
      {u"REG_DWORD, 0xA", Registry::kDword, {10, 0, 0, 0}},
      {u"REG_DWORD, 10", Registry::kDword, {16, 0, 0, 0}},
      {u"REG_DWORD,0x00000001", Registry::kDword, {1, 0, 0, 0}},
      {u"REG_DWORD_LITTLE_ENDIAN,ff", Registry::kDword, {255, 0, 0, 0}},
      {u"REG_DWORD,123456789", Registry::kDword, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"REG_DWORD", Registry::kDword, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_TRUE(f.Set(u"V", c.spec));
    const auto value = f.Get(u"V");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data) << std::string(c.spec, c.spec + std::char_traits<char16_t>::length(c.spec));
  }
}

TEST(TypedRegistryValue, OtherTypesWriteNothingAndShowNothing) {
  for (const char16_t* spec : {u"REG_BINARY, 1", u"REG_NONE,", u"REG_LINK,x", u"REG_DWORD_BIG_ENDIAN,1",
                               u"REG_RESOURCE_LIST,1", u"reg_sz,1", u"REG_QWORD,1", u""}) {
    Fixture f;
    EXPECT_FALSE(f.Set(u"V", spec));
    EXPECT_FALSE(f.Get(u"V"));
    EXPECT_TRUE(f.prompts.statuses.empty());
  }
}

TEST(TypedRegistryValue, MultiStringAppendKeepsTheWholeListAndAddsAnEntryOnce) {
  Fixture f;
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,First"));
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,First"));
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,FIRST"));
  EXPECT_EQ(MultiStringEntries(f.Get(u"L")->data), std::vector<std::u16string>{u"First"});

  // A list far longer than 520 bytes survives an append whole.
  std::vector<std::u16string> longList;
  for (int i = 0; i < 60; ++i) longList.push_back(u"Entry number " + std::u16string(1, char16_t(u'A' + i % 26)));
  f.registry.Put(kKey, u"L", Registry::Value{Registry::kMultiString, MultiStringData(longList)});
  ASSERT_GT(f.Get(u"L")->data.size(), 520u);
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,Last"));
  std::vector<std::u16string> expected = longList;
  expected.push_back(u"Last");
  EXPECT_EQ(MultiStringEntries(f.Get(u"L")->data), expected);

  // A list stored without its terminators keeps its text; another type starts a new list.
  f.registry.Put(kKey, u"L", MemoryRegistry::Text(u"Loose", false));
  f.registry.keys[MemoryRegistry::Fold(kKey)][u"L"].type = Registry::kMultiString;
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,Next"));
  EXPECT_EQ(MultiStringEntries(f.Get(u"L")->data), (std::vector<std::u16string>{u"Loose", u"Next"}));
  f.registry.Put(kKey, u"L", DwordValue(7));
  EXPECT_TRUE(f.Set(u"L", u"REG_MULTI_SZ,Only"));
  EXPECT_EQ(f.Get(u"L")->data, MultiStringData({u"Only"}));
}

TEST(TypedRegistryValue, AFailedWriteShowsTheStatusTheRegistryReturned) {
  Fixture f;
  f.registry.failWrites = true;
  f.registry.writeStatus = 1009;  // ERROR_BADDB
  EXPECT_FALSE(f.Set(u"V", u"REG_SZ,1"));
  EXPECT_EQ(f.prompts.statuses, std::vector<long>{1009});
}

TEST(LauncherDefaults, FirstStartWritesTheDefaultsAndNeverOverwritesAValue) {
  Fixture f;
  f.settings.EnsureDefaults();
  EXPECT_EQ(f.Get(u"ShowDriveCount")->data, DwordValue(0).data);
  EXPECT_EQ(MemoryRegistry::AsText(*f.Get(u"PosX")), std::u16string(u"0\0", 2));
  EXPECT_EQ(f.Get(u"PosY")->type, Registry::kString);
  EXPECT_EQ(f.Get(u"ShowAlways")->type, Registry::kDword);
  EXPECT_FALSE(f.Get(u"AutoHide"));
  EXPECT_FALSE(f.Get(u"ColorIndex"));

  Fixture g;
  g.registry.Put(kKey, u"PosX", MemoryRegistry::Text(u"345"));
  g.registry.Put(kKey, u"ShowAlways", MemoryRegistry::Text(u"not a number"));
  g.registry.Put(kKey, u"ShowDriveCount", Registry::Value{Registry::kBinary, {1, 2, 3}});
  g.settings.EnsureDefaults();
  EXPECT_EQ(MemoryRegistry::AsText(*g.Get(u"PosX")), std::u16string(u"345\0", 4));
  EXPECT_EQ(g.Get(u"ShowAlways")->type, Registry::kString);
  EXPECT_EQ(g.Get(u"ShowDriveCount")->type, Registry::kBinary);
  EXPECT_EQ(MemoryRegistry::AsText(*g.Get(u"PosY")), std::u16string(u"0\0", 2));
}

TEST(LauncherDefaults, KeyFailuresAreToldAndStartUpGoesOn) {
  MemoryRegistry registry;
  RecordingPrompts prompts;
  LauncherSettings settings(registry, prompts);
  registry.failCreate = true;
  settings.EnsureDefaults();
  EXPECT_EQ(prompts.errors, std::vector<std::u16string>{u"ERROR: can't create key."});
  EXPECT_EQ(registry.writes, 0);

  registry.failCreate = false;
  registry.readOnly = true;
  prompts.errors.clear();
  settings.EnsureDefaults();
  EXPECT_EQ(prompts.errors, std::vector<std::u16string>{u"ERROR: can't set default value."});
  EXPECT_EQ(registry.writes, 0);
}

TEST(LauncherValues, APositionIsReadOnlyFromAWellFormedText) {
  struct Case {
    Registry::Value value;
    int expected;
  };
  std::vector<uint8_t> tooLong = MemoryRegistry::Text(std::u16string(140, u'1')).data;
  const Case cases[] = {
      {MemoryRegistry::Text(u"345"), 345},
      {MemoryRegistry::Text(u" -20"), -20},
      {MemoryRegistry::Text(u"12px"), 12},
      {MemoryRegistry::Text(u"abc"), 0},
      {MemoryRegistry::Text(u"99999999999"), 2147483647},
      {MemoryRegistry::Text(u"345", false), 0},
      {Registry::Value{Registry::kString, {'7', 0, 0}}, 0},
      {Registry::Value{Registry::kString, tooLong}, 0},
      {Registry::Value{Registry::kExpandString, MemoryRegistry::Text(u"5").data}, 0},
      {DwordValue(345), 0},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.registry.Put(kKey, u"PosX", c.value);
    f.registry.Put(kKey, u"PosY", MemoryRegistry::Text(u"7"));
    EXPECT_EQ(f.settings.ReadPosition(), (Point{c.expected, 7})) << MemoryRegistry::AsText(c.value).size();
  }
  Fixture f;
  EXPECT_EQ(f.settings.ReadPosition(), (Point{0, 0})) << "missing values";
  f.registry.Put(kKey, u"AutoHide", Registry::Value{Registry::kDword, {1, 0}});
  f.registry.Put(kKey, u"ShowAlways", DwordValue(1));
  EXPECT_EQ(f.settings.ReadDword(u"AutoHide"), 0u) << "wrong size";
  EXPECT_EQ(f.settings.ReadDword(u"ShowAlways"), 1u);
  EXPECT_EQ(f.settings.ReadDword(u"ColorIndex"), 0u) << "missing";
}

TEST(LauncherValues, SavedPositionsAreDecimalTextAndNeverTheEmptyCorner) {
  struct Case {
    Point corner;
    const char16_t* x;
    const char16_t* y;
  };
  for (const Case& c : {Case{{0, 0}, u"0", u"1"}, Case{{-5, 300}, u"-5", u"300"}, Case{{0, 12}, u"0", u"12"}}) {
    Fixture f;
    f.settings.SavePosition(c.corner);
    EXPECT_EQ(MemoryRegistry::AsText(*f.Get(u"PosX")), c.x + std::u16string(1, u'\0'));
    EXPECT_EQ(MemoryRegistry::AsText(*f.Get(u"PosY")), c.y + std::u16string(1, u'\0'));
  }
  Fixture readOnly;
  readOnly.registry.readOnly = true;
  readOnly.settings.SavePosition(Point{5, 5});
  EXPECT_EQ(readOnly.registry.writes, 0);
  EXPECT_TRUE(readOnly.prompts.statuses.empty()) << "an unwritable key saves nothing, silently";
  Fixture failing;
  failing.registry.failWrites = true;
  failing.settings.SavePosition(Point{5, 5});
  EXPECT_EQ(failing.registry.writes, 1) << "PosY is written only after PosX";
}
