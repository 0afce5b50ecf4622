// The hook's mapping of broadcasts, the flyout record and the dispatch table.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "control/core/ControlHook.h"
#include "control/core/FlyOutInfo.h"
#include "control/core/ZendrelDispatch.h"

using namespace tavolen;

TEST(ControlHook, BroadcastsBecomeTheControlsMessages) {
  using K = HookAction::Kind;
  auto map = [](uint32_t m, uintptr_t w, uint32_t type = kNoTrustedType) { return MapHookMessage(m, w, type); };
  EXPECT_EQ(map(kWmPowerBroadcast, kPbtApmSuspend).kind, K::SendPowerBroadcast);
  EXPECT_EQ(map(kWmPowerBroadcast, kPbtApmResumeSuspend).wParam, kPbtApmResumeSuspend);
  EXPECT_EQ(map(kWmPowerBroadcast, 10).kind, K::None) << "other power events stay with the host";
  EXPECT_EQ(map(kWmDeviceChange, kDbtDevNodesChanged).message, gadget_message::kDevNodes);
  EXPECT_EQ(map(kWmDeviceChange, kDbtConfigChanged).message, gadget_message::kUpdate);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceArrival, kDbtDevTypVolume).message, gadget_message::kVolumeChange);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceRemoveComplete, kDbtDevTypVolume).kind, K::Post);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceArrival, 5).kind, K::None) << "a device interface, not a volume";
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceArrival).kind, K::None) << "a header that was not trusted";
  EXPECT_EQ(map(0x0010, 0).kind, K::None);
}

TEST(ControlHook, OnlyBroadcastHeadersTheSystemWouldSendAreTrusted) {
  using namespace device_broadcast;
  struct Case {
    uint32_t size, type;
    std::size_t readable;
    uint32_t trusted;
    const char* why;
  };
  const Case cases[] = {
      {kVolumeSize, kDbtDevTypVolume, kVolumeSize, kDbtDevTypVolume, "a volume broadcast as the system sends it"},
      {kVolumeSize, kDbtDevTypVolume, 4096, kDbtDevTypVolume, "more readable memory behind it is fine"},
      {kHeaderSize, kDbtDevTypVolume, 4096, kNoTrustedType, "a volume header without the volume's fields"},
      {kVolumeSize + 4, kDbtDevTypVolume, 4096, kNoTrustedType, "a volume broadcast of another size"},
      {kVolumeSize, kDbtDevTypVolume, kVolumeSize - 1, kNoTrustedType, "its last byte is not readable"},
      {kVolumeSize, kDbtDevTypVolume, 0, kNoTrustedType, "an address that means nothing here"},
      {kHeaderSize - 1, kDbtDevTypOem, 4096, kNoTrustedType, "smaller than a header"},
      {0, kDbtDevTypVolume, 4096, kNoTrustedType, "no size at all"},
      {kMaxSize + 1, 5, kMaxSize + 1, kNoTrustedType, "larger than any broadcast"},
      {kMaxSize, 5, kMaxSize, 5, "the largest device-interface broadcast taken"},
      {kHeaderSize, kDbtDevTypOem, kHeaderSize, kDbtDevTypOem, "the lowest known type"},
      {64, kDbtDevTypHandle, 64, kDbtDevTypHandle, "the highest known type"},
      {64, kDbtDevTypHandle + 1, 64, kNoTrustedType, "an unknown type"},
      {64, 0xFFFFFFFF, 64, kNoTrustedType, "a type that collides with 'none'"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrustedDeviceType(c.size, c.type, c.readable), c.trusted) << c.why;

  EXPECT_TRUE(EventCarriesBroadcast(kDbtDeviceArrival));
  EXPECT_TRUE(EventCarriesBroadcast(kDbtDeviceRemoveComplete));
  EXPECT_FALSE(EventCarriesBroadcast(kDbtDevNodesChanged)) << "lParam is no address";
  EXPECT_FALSE(EventCarriesBroadcast(kDbtConfigChanged));

  // The hook's whole path: an untrusted volume header changes nothing.
  const uint32_t forged = TrustedDeviceType(kHeaderSize, kDbtDevTypVolume, kHeaderSize);
  EXPECT_EQ(MapHookMessage(kWmDeviceChange, kDbtDeviceArrival, forged).kind, HookAction::Kind::None);
  const uint32_t real = TrustedDeviceType(kVolumeSize, kDbtDevTypVolume, kVolumeSize);
  EXPECT_EQ(MapHookMessage(kWmDeviceChange, kDbtDeviceArrival, real).message, gadget_message::kVolumeChange);
}

TEST(FlyOutRecord, FieldsAreReadWithinTheirCapacity) {
  FlyOutInfo info{};
  std::memcpy(info.title, u"(E:) Properties", 16 * sizeof(char16_t));
  for (char16_t& c : info.vendor) c = u'V';  // no NUL inside the field
  const auto fields = FlyOutFields(info);
  EXPECT_EQ(fields[0], u"(E:) Properties");
  EXPECT_EQ(fields[3], std::u16string(9, u'V')) << "stops at the field's end";
  EXPECT_TRUE(fields[4].empty());

  SharedFlyOutInfo shared;
  shared.Set(info);
  EXPECT_EQ(FlyOutFields(shared.Get())[0], u"(E:) Properties");
  shared.Clear();
  EXPECT_TRUE(FlyOutFields(shared.Get())[0].empty());
}

TEST(ZendrelDispatchTable, MembersAreUniqueAndUnservedOnesAreAbsent) {
  std::set<int32_t> ids;
  std::set<std::u16string> names;
  for (const DispatchMember& m : ZendrelDispatchTable()) {
    EXPECT_TRUE(ids.insert(m.dispid).second) << m.dispid;
    EXPECT_TRUE(names.insert(m.name).second);
  }
  EXPECT_EQ(ids.size(), 15u);
  EXPECT_EQ(ids.count(zendrel_dispid::AboutBox), 0u);
  EXPECT_EQ(ids.count(zendrel_dispid::SendFlyOutInfo), 0u);
  for (const DispatchMember& m : ZendrelDispatchTable()) {
    if (m.dispid == zendrel_dispid::SetAdditionalOption) {
      EXPECT_EQ(m.args, (std::vector<uint16_t>{vt::Bool, vt::Bool, vt::UI1, vt::UI1, vt::UI1}));
    }
    if (m.dispid == zendrel_dispid::GetDriveLetterCount) {
      EXPECT_EQ(m.result, vt::I2);
    }
  }
}
