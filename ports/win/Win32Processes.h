#pragma once
// Programs started with CreateProcessW by full path; running processes from a snapshot.
// Stateless: any thread may call it.
#include "ports/Processes.h"

namespace tavolen {

class Win32Processes : public Processes {
 public:
  std::u16string SystemFolder() override;
  bool Start(const std::u16string& application, const std::u16string& arguments, const std::u16string& folder,
             bool hidden) override;
  std::optional<uint32_t> Run(const std::u16string& application, const std::u16string& arguments,
                              const std::u16string& folder, bool hidden) override;
  bool IsRunning(std::u16string_view exeName) override;
};

}  // namespace tavolen
