// The launcher's registry values as the control reads and resets them, over a registry
// kept in memory.
#include <gtest/gtest.h>

#include "control/core/LauncherValues.h"
#include "tests/fakes/FakeRegistry.h"

using namespace tavolen;
using tavolen::testing::FakeRegistry;

namespace {
constexpr auto kUser = Registry::Hive::CurrentUser;
}

TEST(LauncherValues, SettingDataIsTheLowByteOfAFourByteValue) {
  FakeRegistry registry;
  EXPECT_EQ(ReadSettingByte(registry, u"ColorIndex"), 0) << "no key";
  registry.CreateKey(kUser, kLauncherKey);
  registry.Write(kUser, kLauncherKey, u"ColorIndex", DwordValue(0x1234));
  registry.Write(kUser, kLauncherKey, u"Name", Registry::Value{Registry::kString, {'t', 0, 'x', 0, 0, 0}});
  registry.Write(kUser, kLauncherKey, u"Four", Registry::Value{Registry::kBinary, {7, 1, 2, 3}});
  EXPECT_EQ(ReadSettingByte(registry, u"ColorIndex"), 0x34);
  EXPECT_EQ(ReadSettingByte(registry, u"Missing"), 0);
  EXPECT_EQ(ReadSettingByte(registry, u"Name"), 0) << "not four bytes";
  EXPECT_EQ(ReadSettingByte(registry, u"Four"), 7) << "any four-byte value";
  EXPECT_EQ(ReadSettingByte(registry, std::u16string(20000, u'x')), 0) << "no value can have such a name";
  EXPECT_EQ(ReadSettingByte(registry, std::u16string(u"Color\0Index", 11)), 0);
}

TEST(LauncherValues, ShowDriveCountIsResetOnlyInAnExistingKey) {
  FakeRegistry registry;
  EXPECT_EQ(ResetShowDriveCount(registry), std::nullopt) << "no key: nothing written, nothing to tell";
  EXPECT_FALSE(registry.KeyExists(kUser, kLauncherKey)) << "the key is not made";

  registry.CreateKey(kUser, kLauncherKey);
  registry.Write(kUser, kLauncherKey, u"ShowDriveCount", DwordValue(9));
  EXPECT_EQ(ResetShowDriveCount(registry), std::optional<long>(Registry::kSuccess));
  EXPECT_EQ(ReadDword(registry, kUser, kLauncherKey, u"ShowDriveCount"), std::optional<uint32_t>(0));

  registry.failWrites = 1450;  // a full registry: the caller shows the status's text
  EXPECT_EQ(ResetShowDriveCount(registry), std::optional<long>(1450));
  registry.failWrites = Registry::kAccessDenied;  // not ours to change: left alone quietly
  EXPECT_EQ(ResetShowDriveCount(registry), std::nullopt);
}
