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
  auto map = [](uint32_t m, uintptr_t w, uint32_t type = 0) { return MapHookMessage(m, w, type); };
  EXPECT_EQ(map(kWmPowerBroadcast, kPbtApmSuspend).kind, K::SendPowerBroadcast);
  EXPECT_EQ(map(kWmPowerBroadcast, kPbtApmResumeSuspend).wParam, kPbtApmResumeSuspend);
  EXPECT_EQ(map(kWmPowerBroadcast, 10).kind, K::None) << "other power events stay with the host";
  EXPECT_EQ(map(kWmDeviceChange, kDbtDevNodesChanged).message, gadget_message::kDevNodes);
  EXPECT_EQ(map(kWmDeviceChange, kDbtConfigChanged).message, gadget_message::kUpdate);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceArrival, kDbtDevTypVolume).message, gadget_message::kVolumeChange);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceRemoveComplete, kDbtDevTypVolume).kind, K::Post);
  EXPECT_EQ(map(kWmDeviceChange, kDbtDeviceArrival, 5).kind, K::None) << "a device interface, not a volume";
  EXPECT_EQ(map(0x0010, 0).kind, K::None);
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
