#pragma once
// Named shared-memory sections of the service, backed by the paging file.
#include "service/ServiceSession.h"

namespace tavolen::service {

class Win32Sections : public SectionStore {
 public:
  // Fails with ERROR_ALREADY_EXISTS left in GetLastError() when the name is taken.
  std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size) override;
  // Maps the whole section; its size is what the memory manager really mapped.
  std::unique_ptr<SectionView> Open(const std::string& name) override;
};

}  // namespace tavolen::service
