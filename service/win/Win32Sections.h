#pragma once
// Named shared-memory sections of the service, backed by the paging file. Used from
// every connection's thread at once; holds nothing of its own.
#include <windows.h>

#include <string>

#include "service/SectionStore.h"

namespace tavolen::service {

class Win32Sections : public SectionStore {
 public:
  // Only the system and the client's user may open the section (see SectionSecurity).
  // Fails with ERROR_ALREADY_EXISTS left in GetLastError() when the name is taken.
  std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size, const std::string& userSid) override;
};

// The security of a section made for the user of `userSid`, in the descriptor's string
// form: a protected DACL with the system and that user only. With an empty `userSid`,
// the account this service runs as takes the user's place (see Win32Sections.cpp).
std::string SectionSecurity(const std::string& userSid);

// The text form of the user of a token (TokenUser); empty when it cannot be read.
std::string TokenUserSid(HANDLE token);

}  // namespace tavolen::service
