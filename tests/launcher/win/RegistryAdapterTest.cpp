// The registry adapter against the real registry: the launcher's typed writes, whole
// multi-string lists, existence of values of any type, and the key's writability.
#include <gtest/gtest.h>

#include <windows.h>

#include "launcher/LauncherSettings.h"
#include "launcher/TypedRegistryValue.h"
#include "ports/win/Win32Registry.h"

using namespace tavolen;
using namespace tavolen::launcher;

namespace {

constexpr char16_t kTestKey[] = u"Software\\Varnkeld\\TavolenAdapterTest";

struct SilentPrompts : LauncherPrompts {
  void ShowError(const std::u16string&, const std::u16string&) override { ++shown; }
  void ShowStatus(long status) override { statuses.push_back(status); }
  int shown = 0;
  std::vector<long> statuses;
};

}  // namespace

TEST(Win32RegistryAdapter, CarriesTheLauncherValuesToTheRealRegistry) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey));
  Win32Registry registry;
  SilentPrompts prompts;
  constexpr auto hive = Registry::Hive::CurrentUser;
  EXPECT_EQ(registry.OpenForWriting(hive, kTestKey), Registry::kNotFound);
  ASSERT_EQ(registry.CreateKey(hive, kTestKey), Registry::kSuccess);
  EXPECT_EQ(registry.OpenForWriting(hive, kTestKey), Registry::kSuccess);

  EXPECT_TRUE(SetTypedRegistryValue(registry, prompts, kTestKey, u"Text", u"REG_SZ, 345"));
  EXPECT_TRUE(SetTypedRegistryValue(registry, prompts, kTestKey, u"Number", u"REG_DWORD,0x0000000a"));
  EXPECT_EQ(ReadDword(registry, hive, kTestKey, u"Number"), 10u);
  wchar_t text[16] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey), L"Text", RRF_RT_REG_SZ,
                           nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(text, L"345");

  // A list longer than 520 bytes keeps every entry through an append.
  std::vector<std::u16string> entries;
  for (int i = 0; i < 40; ++i) entries.push_back(u"A long entry of the list, number " + std::u16string(1, char16_t(u'a' + i % 26)));
  for (const std::u16string& entry : entries)
    ASSERT_TRUE(SetTypedRegistryValue(registry, prompts, kTestKey, u"List", u"REG_MULTI_SZ," + entry));
  ASSERT_TRUE(SetTypedRegistryValue(registry, prompts, kTestKey, u"List", u"REG_MULTI_SZ,last"));
  const auto list = registry.Read(hive, kTestKey, u"List");
  ASSERT_TRUE(list);
  EXPECT_GT(list->data.size(), 520u);
  std::vector<std::u16string> expected = entries;
  expected.push_back(u"last");
  std::vector<std::u16string> unique;
  for (const auto& e : expected)
    if (std::find(unique.begin(), unique.end(), e) == unique.end()) unique.push_back(e);
  EXPECT_EQ(MultiStringEntries(list->data), unique);

  // Any value counts as existing, whatever its type; the defaults leave it alone.
  const BYTE binary[] = {1, 2, 3};
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey), L"Odd", REG_BINARY, binary,
                              sizeof binary),
            ERROR_SUCCESS);
  EXPECT_TRUE(registry.ValueExists(hive, kTestKey, u"Odd"));
  EXPECT_FALSE(registry.ValueExists(hive, kTestKey, u"Missing"));
  EXPECT_TRUE(prompts.statuses.empty());
  ::RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey));
  ::RegDeleteKeyW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey));
}
