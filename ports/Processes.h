#pragma once
// Other programs as the control sees them: starting one by its full path (and waiting
// for it to end), and asking whether one runs. The Windows adapter uses CreateProcessW and
// a process snapshot; tests record what would be started.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavolen {

class Processes {
 public:
  virtual ~Processes() = default;
  // The system folder ("C:\Windows\System32"), where the system's own programs are
  // started from, never found through a search of other folders first.
  virtual std::u16string SystemFolder() = 0;
  // Starts `application` (a full path) with `arguments`, in `folder`, its window hidden
  // when asked. Nobody waits for it. False when it cannot be started.
  virtual bool Start(const std::u16string& application, const std::u16string& arguments,
                     const std::u16string& folder, bool hidden) = 0;
  // Starts `application` as Start does and waits until it has ended: its exit code, or
  // none when it could not be started (then nothing is waited for).
  virtual std::optional<uint32_t> Run(const std::u16string& application, const std::u16string& arguments,
                                      const std::u16string& folder, bool hidden) = 0;
  // Whether a process with exactly this executable name (case-sensitive) runs.
  virtual bool IsRunning(std::u16string_view exeName) = 0;
};

}  // namespace tavolen
