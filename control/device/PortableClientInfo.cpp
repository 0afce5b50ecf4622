#include "control/device/PortableClientInfo.h"

#include <cstdio>

namespace tavolen {

namespace {
// SECURITY_IMPERSONATION: the driver may act as the user, no further.
constexpr uint32_t kSecurityImpersonation = 0x20000;
}  // namespace

const std::array<ClientInfoValue, 5>& ClientInformation() {
  static const std::array<ClientInfoValue, 5> values{{
      {ClientInfoKey::Name, "WPD_CLIENT_NAME", u"WPD Access Application", 0},
      {ClientInfoKey::MajorVersion, "WPD_CLIENT_MAJOR_VERSION", nullptr, 1},
      {ClientInfoKey::MinorVersion, "WPD_CLIENT_MINOR_VERSION", nullptr, 0},
      {ClientInfoKey::Revision, "WPD_CLIENT_REVISION", nullptr, 2},
      {ClientInfoKey::SecurityQualityOfService, "WPD_CLIENT_SECURITY_QUALITY_OF_SERVICE", nullptr,
       kSecurityImpersonation},
  }};
  return values;
}

std::string ClientInfoCreationFailure(uint32_t hr) {
  char text[96];
  std::snprintf(text, sizeof text, "! Failed to CoCreateInstance CLSID_PortableDeviceValues, hr = 0x%lx\n",
                static_cast<unsigned long>(hr));
  return text;
}

std::string ClientInfoSetFailure(const ClientInfoValue& value, uint32_t hr) {
  char text[96];
  std::snprintf(text, sizeof text, "! Failed to set %s, hr = 0x%lx\n", value.keyName, static_cast<unsigned long>(hr));
  return text;
}

}  // namespace tavolen
