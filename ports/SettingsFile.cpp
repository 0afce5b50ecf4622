#include "ports/SettingsFile.h"

#include <cstdint>

namespace tavolen {

int ReadSettingInt(SettingsFile& file, const std::u16string& section, const std::u16string& key, int fallback) {
  const std::u16string value = file.Read(section, key, 32);
  std::size_t i = 0;
  while (i < value.size() && (value[i] == u' ' || value[i] == u'\t')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) negative = value[i++] == u'-';
  if (i >= value.size() || value[i] < u'0' || value[i] > u'9') return fallback;
  int64_t number = 0;
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    number = number * 10 + (value[i] - u'0');
    if (number > INT32_MAX) return fallback;  // not a setting any writer stores
  }
  return int(negative ? -number : number);
}

}  // namespace tavolen
