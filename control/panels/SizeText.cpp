#include "control/panels/SizeText.h"

#include <cstdio>

namespace tavolen {

namespace {
constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr uint64_t kTiB = uint64_t(1) << 40;

std::string Format(const char* format, double a, double b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}
}  // namespace

std::string UsedOfTotalText(uint64_t total, uint64_t free) {
  const double unit = double(total >= kGiB ? kGiB : kMiB);
  const double t = double(total) / unit, f = double(free) / unit;
  return Format(total >= kGiB ? "%0.1lf / %0.1lf GB" : "%0.1lf / %0.1lf MB", t - f, t);
}

uint32_t CapacityBarPosition(uint64_t total, uint64_t free) {
  if (total == 0) return 99;
  // free * 100 cannot overflow for any real volume (below 2^57 bytes); a free count above
  // the total, which a misbehaving file system could report, reads as empty.
  if (free > total) return 0;
  const uint64_t position = 100 - (free * 100) / total;
  return position >= 100 ? 99 : uint32_t(position);
}

std::string SizeText(uint64_t bytes) {
  if (bytes >= kTiB) return Format("%0.1lf TB", double(bytes) / double(kTiB));
  if (bytes >= kGiB) return Format("%0.1lf GB", double(bytes) / double(kGiB));
  return Format("%0.1lf MB", double(bytes) / double(kMiB));
}

}  // namespace tavolen
