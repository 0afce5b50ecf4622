#include "control/core/FlyOutInfo.h"

#include <cstring>

namespace tavolen {

namespace {
template <std::size_t N>
std::u16string Field(const char16_t (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return std::u16string(field, n);
}
}  // namespace

std::array<std::u16string, kFlyOutFieldCount> FlyOutFields(const FlyOutInfo& i) {
  return {Field(i.title), Field(i.label), Field(i.size),   Field(i.vendor), Field(i.product), Field(i.revision),
          Field(i.name1), Field(i.value1), Field(i.name2), Field(i.value2), Field(i.name3),   Field(i.value3)};
}

FlyOutInfo SharedFlyOutInfo::Get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return info_;
}

void SharedFlyOutInfo::Set(const FlyOutInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  info_ = info;
}

std::u16string FlyOutDriveRoot(const FlyOutInfo& info) {
  const std::u16string_view title = GetText(info.title);
  const std::size_t colon = title.find(u':');
  if (colon == std::u16string_view::npos || colon == 0) return {};
  return std::u16string{title[colon - 1], u':', u'\\'};
}

bool SharedFlyOutInfo::Claim(const std::u16string& drivePath, const std::u16string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (FlyOutDriveRoot(info_) == drivePath) return false;
  std::memset(&info_, 0, sizeof info_);
  SetText(info_.title, title);
  return true;
}

bool SharedFlyOutInfo::Fill(const FlyOutInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (GetText(info_.title).empty() || GetText(info_.title) != GetText(info.title)) return false;
  info_ = info;
  return true;
}

void SharedFlyOutInfo::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::memset(&info_, 0, sizeof info_);
}

}  // namespace tavolen
