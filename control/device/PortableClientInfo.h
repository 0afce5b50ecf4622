#pragma once
// The client information the control opens portable devices with, in the order it is
// set, and the debug texts of the failures to set it. The texts go to the process's
// standard output only; they carry no behaviour.
#include <array>
#include <cstdint>
#include <string>

namespace tavolen {

enum class ClientInfoKey { Name, MajorVersion, MinorVersion, Revision, SecurityQualityOfService };

struct ClientInfoValue {
  ClientInfoKey key;
  const char* keyName;   // as the debug texts name it
  const char16_t* text;  // the value of a text key; null for a number key
  uint32_t number;       // the value of a number key
};

// Every key is set in this order; a failure is reported and the next key is still set.
const std::array<ClientInfoValue, 5>& ClientInformation();

// "! Failed to CoCreateInstance CLSID_PortableDeviceValues, hr = 0x%lx\n".
std::string ClientInfoCreationFailure(uint32_t hr);
// "! Failed to set <key name>, hr = 0x%lx\n".
std::string ClientInfoSetFailure(const ClientInfoValue& value, uint32_t hr);

}  // namespace tavolen
