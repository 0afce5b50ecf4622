#include "service/win/Win32Sections.h"

#include <windows.h>
#include <sddl.h>

#include "framework/UniqueHandle.h"
#include "framework/UniqueView.h"

namespace tavolen::service {

namespace {

// Clients without administrator rights open the section with FILE_MAP_ALL_ACCESS.
constexpr char kSectionSecurity[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;OW)(A;;GA;;;AU)";

class Win32HeldSection : public HeldSection {
 public:
  explicit Win32HeldSection(UniqueHandle mapping) : mapping_(std::move(mapping)) {}

 private:
  UniqueHandle mapping_;
};

class Win32SectionView : public SectionView {
 public:
  explicit Win32SectionView(UniqueView view) : view_(std::move(view)), size_(MappedSize(view_)) {}
  uint8_t* Data() override { return ViewBytes(view_); }
  uint64_t Size() const override { return size_; }

 private:
  UniqueView view_;
  uint64_t size_;
};

}  // namespace

Win32Sections::Win32Sections() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(kSectionSecurity, SDDL_REVISION_1, &descriptor,
                                                             nullptr)) {
    securityDescriptor_.reset(descriptor);
  }
}

std::unique_ptr<HeldSection> Win32Sections::Create(const std::string& name, uint32_t size) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, securityDescriptor_.get(), FALSE};
  UniqueHandle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, securityDescriptor_ ? &attributes : nullptr,
                                            PAGE_READWRITE, 0, size, name.c_str()));
  if (!mapping) return nullptr;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    mapping.reset();
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return nullptr;
  }
  return std::make_unique<Win32HeldSection>(std::move(mapping));
}

std::unique_ptr<SectionView> Win32Sections::Open(const std::string& name) {
  const UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  if (!mapping) return nullptr;
  UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view) return nullptr;
  // The view keeps the section alive; the mapping handle closes here.
  return std::make_unique<Win32SectionView>(std::move(view));
}

}  // namespace tavolen::service
