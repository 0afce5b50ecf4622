#pragma once
// The service's port to named shared-memory sections: made by the service for one
// client's request, mapped by the service to perform it.
#include <cstdint>
#include <memory>
#include <string>

namespace tavolen::service {

// A mapped view of a section; unmapped when destroyed (the section lives while a view does).
class SectionView {
 public:
  virtual ~SectionView() = default;
  virtual uint8_t* Data() = 0;
  virtual uint64_t Size() const = 0;  // bytes reachable from Data()
};

// A section the service created; closed when destroyed. Map may be called from any
// thread while the section is held.
class HeldSection {
 public:
  virtual ~HeldSection() = default;
  // A view of the whole section; nothing when it cannot be mapped.
  virtual std::unique_ptr<SectionView> Map() = 0;
};

class SectionStore {
 public:
  virtual ~SectionStore() = default;
  // A section that only the system and the user of `userSid` (text form, "S-1-...")
  // may open; an empty `userSid` when the client's user is not known (see the store
  // for what it grants then). Nothing when the section cannot be made, and when one of
  // that name still exists.
  virtual std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size, const std::string& userSid) = 0;
};

}  // namespace tavolen::service
