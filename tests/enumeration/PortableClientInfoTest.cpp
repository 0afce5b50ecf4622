// The debug texts of the client information: what a developer reads on the console.
#include "control/device/PortableClientInfo.h"

#include <gtest/gtest.h>

namespace tavolen {
namespace {

TEST(PortableClientInfo, FailuresNameTheKeyAndTheResult) {
  EXPECT_EQ(ClientInfoCreationFailure(0x80040154),
            "! Failed to CoCreateInstance CLSID_PortableDeviceValues, hr = 0x80040154\n");
  EXPECT_EQ(ClientInfoSetFailure(ClientInformation().back(), 0x8007000E),
            "! Failed to set WPD_CLIENT_SECURITY_QUALITY_OF_SERVICE, hr = 0x8007000e\n");
}

}  // namespace
}  // namespace tavolen
