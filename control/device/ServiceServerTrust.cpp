#include "control/device/ServiceServerTrust.h"

#include <string_view>

namespace tavolen {

ServiceServerTrust ServiceServerTrustFromVariable(const char16_t* value) {
  if (value && std::u16string_view(value) == u"own-account") return ServiceServerTrust::AlsoOwnAccount;
  return ServiceServerTrust::LocalSystemOrRegistered;
}

bool IsTrustedServiceServer(const ServiceServerFacts& facts, ServiceServerTrust trust) {
  if (facts.runsAsLocalSystem || facts.isRegisteredService) return true;
  return trust == ServiceServerTrust::AlsoOwnAccount && facts.runsAsCaller;
}

}  // namespace tavolen
