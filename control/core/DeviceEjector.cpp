#include "control/core/DeviceEjector.h"

namespace tavolen {

namespace {

enum class PauseAfter { EveryFailure, FailuresButLast };

template <typename Step>
bool Retry(Step step, Clock& clock, PauseAfter pause) {
  for (int attempt = 1; attempt <= kEjectTries; ++attempt) {
    if (step()) return true;
    if (pause == PauseAfter::EveryFailure || attempt < kEjectTries) clock.Pause(kEjectRetryPauseMs);
  }
  return false;
}

}  // namespace

std::optional<ConfigManager::DevNode> LocateDevNode(const std::u16string& instanceId, ConfigManager& manager) {
  // An empty identifier would name the root of the device tree.
  if (instanceId.empty()) return std::nullopt;
  if (auto node = manager.Locate(instanceId)) return node;

  const std::size_t slash = instanceId.rfind(u'\\');
  if (slash == std::u16string::npos) return std::nullopt;
  const std::u16string enumeratorAndDevice = instanceId.substr(0, slash);
  const auto subkeys = manager.EnumSubkeys(enumeratorAndDevice);
  if (!subkeys) return std::nullopt;
  for (const auto& name : *subkeys) {
    const std::u16string candidate = enumeratorAndDevice + u'\\' + name;
    if (candidate.find(instanceId) == std::u16string::npos) continue;
    if (auto node = manager.Locate(candidate)) return node;
  }
  return std::nullopt;
}

bool EjectDevice(const std::u16string& instanceId, ConfigManager& manager, Clock& clock) {
  const auto node = LocateDevNode(instanceId, manager);
  if (!node) return false;

  switch (manager.Available()) {
    case ConfigManager::EjectCalls::Unavailable: return false;
    case ConfigManager::EjectCalls::RequestEject:
      return Retry([&] { return manager.RequestEject(*node); }, clock, PauseAfter::EveryFailure);
    case ConfigManager::EjectCalls::RemoveSubTree: break;
  }
  return Retry([&] { return manager.QueryRemoveSubTree(*node); }, clock, PauseAfter::FailuresButLast) &&
         Retry([&] { return manager.DisableDevNode(*node); }, clock, PauseAfter::FailuresButLast) &&
         Retry([&] { return manager.QueryAndRemoveSubTree(*node); }, clock, PauseAfter::FailuresButLast);
}

}  // namespace tavolen
