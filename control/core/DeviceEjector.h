#pragma once
// EjectDevice: finds the device node of an instance identifier and asks the
// configuration manager to stop it, with the retries and pauses a busy device needs.
// The configuration-manager calls come through a small port and the pauses through the
// clock; the Windows adapter calls CM_*, tests give fakes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/Clock.h"

namespace tavolen {

class ConfigManager {
 public:
  using DevNode = uint32_t;
  enum class EjectCalls {
    Unavailable,    // the setup library cannot be loaded
    RemoveSubTree,  // no eject request: query-remove, disable, query-and-remove
    RequestEject,   // CM_Request_Device_EjectA exists
  };

  virtual ~ConfigManager() = default;
  // A normal locate (present nodes only); none when it fails.
  virtual std::optional<DevNode> Locate(const std::u16string& instanceId) = 0;
  // Names of the subkeys of HKLM\SYSTEM\CurrentControlSet\Enum\<enumeratorAndDevice>;
  // none when the key cannot be opened.
  virtual std::optional<std::vector<std::u16string>> EnumSubkeys(const std::u16string& enumeratorAndDevice) = 0;
  virtual EjectCalls Available() = 0;
  // Each true on CR_SUCCESS.
  virtual bool RequestEject(DevNode node) = 0;           // veto type and a 1-character veto name
  virtual bool QueryRemoveSubTree(DevNode node) = 0;
  virtual bool DisableDevNode(DevNode node) = 0;
  virtual bool QueryAndRemoveSubTree(DevNode node) = 0;  // no veto buffer, name length 260
};


// Every configuration-manager step is tried this often, with this pause.
constexpr int kEjectTries = 3;
constexpr uint32_t kEjectRetryPauseMs = 1000;

// The node of the identifier, or of a present twin whose last component carries a
// suffix (a serial stored as "1234" may be present as "1234&0"): the subkeys of the
// enumerator key are located in turn and the first that contains the identifier wins.
std::optional<ConfigManager::DevNode> LocateDevNode(const std::u16string& instanceId, ConfigManager& manager);

// True when the eject (or the removal) succeeded. The eject request pauses after every
// failed try; the removal steps pause between tries.
bool EjectDevice(const std::u16string& instanceId, ConfigManager& manager, Clock& clock);

}  // namespace tavolen
