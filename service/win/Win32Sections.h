#pragma once
// Named shared-memory sections of the service, backed by the paging file. Used from
// every connection's thread at once; holds nothing but their security descriptor.
#include "framework/UniqueLocal.h"
#include "service/ServiceSession.h"

namespace tavolen::service {

class Win32Sections : public SectionStore {
 public:
  Win32Sections();
  // Fails with ERROR_ALREADY_EXISTS left in GetLastError() when the name is taken.
  std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size) override;
  // Maps the whole section; its size is what the memory manager really mapped.
  std::unique_ptr<SectionView> Open(const std::string& name) override;

 private:
  UniqueLocal securityDescriptor_;  // clients without administrator rights open the sections
};

}  // namespace tavolen::service
