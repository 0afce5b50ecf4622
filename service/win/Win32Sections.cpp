#include "service/win/Win32Sections.h"

#include <windows.h>
#include <sddl.h>

#include <array>

#include "framework/UniqueHandle.h"
#include "framework/UniqueLocal.h"
#include "framework/UniqueView.h"

namespace tavolen::service {

namespace {

// The client opens its section with FILE_MAP_ALL_ACCESS (the product's client does, and
// it cannot be changed), which asks for every right of a section: its user is granted
// exactly that, SECTION_ALL_ACCESS. Nobody else but the system.
static_assert(FILE_MAP_ALL_ACCESS == SECTION_ALL_ACCESS, "what the client's open asks for");
constexpr char kSectionRights[] = "0xf001f";
static_assert(SECTION_ALL_ACCESS == 0xF001F, "kSectionRights");

class Win32SectionView : public SectionView {
 public:
  explicit Win32SectionView(UniqueView view) : view_(std::move(view)), size_(MappedSize(view_)) {}
  uint8_t* Data() override { return ViewBytes(view_); }
  uint64_t Size() const override { return size_; }

 private:
  UniqueView view_;
  uint64_t size_;
};

class Win32HeldSection : public HeldSection {
 public:
  explicit Win32HeldSection(UniqueHandle mapping) : mapping_(std::move(mapping)) {}
  // Maps the whole section; its size is what the memory manager really mapped.
  std::unique_ptr<SectionView> Map() override {
    UniqueView view(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view) return nullptr;
    return std::make_unique<Win32SectionView>(std::move(view));
  }

 private:
  UniqueHandle mapping_;
};

// The user this process runs as: the system for the installed service.
std::string OwnUserSid() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  return TokenUserSid(token.get());
}

}  // namespace

std::string TokenUserSid(HANDLE token) {
  alignas(TOKEN_USER) std::array<unsigned char, sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE> buffer{};
  DWORD needed = 0;
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), DWORD(buffer.size()), &needed)) return {};
  char* text = nullptr;
  if (!::ConvertSidToStringSidA(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  const UniqueLocal owned(text);
  return text;
}

std::string SectionSecurity(const std::string& userSid) {
  // When the client's user could not be learnt, the section is not opened up to anyone
  // else: it goes to the account this service runs as. For the installed service that is
  // the system, so a client whose user is unknown cannot open its section and its
  // request fails; the demonstration stand-in under Wine, where every process runs as
  // the one user of the prefix, serves its clients that way.
  const std::string user = userSid.empty() ? OwnUserSid() : userSid;
  std::string sddl = std::string("D:P(A;;") + kSectionRights + ";;;SY)";
  if (!user.empty()) sddl += std::string("(A;;") + kSectionRights + ";;;" + user + ")";
  return sddl;
}

std::unique_ptr<HeldSection> Win32Sections::Create(const std::string& name, uint32_t size,
                                                   const std::string& userSid) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(SectionSecurity(userSid).c_str(), SDDL_REVISION_1,
                                                              &raw, nullptr)) {
    return nullptr;  // never a section with the default security of the service
  }
  const UniqueLocal descriptor(raw);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  UniqueHandle mapping(
      ::CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, size, name.c_str()));
  if (!mapping) return nullptr;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    mapping.reset();
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return nullptr;
  }
  return std::make_unique<Win32HeldSection>(std::move(mapping));
}

}  // namespace tavolen::service
