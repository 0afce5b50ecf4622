// Fuzz target: what a page hands the control: its address (the site lock) and the
// location LoadGadgetPath makes the gadget folder of. Input: UTF-16 text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/core/GadgetOptions.h"
#include "control/core/SiteLock.h"

using namespace tavolen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
  ServesSite({true, text});
  CheckedGadgetFolder(text);
  NormalizeGadgetPath(text);
  return 0;
}
