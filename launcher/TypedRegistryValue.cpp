#include "launcher/TypedRegistryValue.h"

#include "launcher/Text.h"

namespace tavolen::launcher {
namespace {

struct TypeName {
  const char16_t* name;
  uint32_t type;
};
constexpr TypeName kTypeNames[] = {
    {u"REG_BINARY", 3},    {u"REG_DWORD", 4},         {u"REG_DWORD_LITTLE_ENDIAN", 4},
    {u"REG_DWORD_BIG_ENDIAN", 5}, {u"REG_EXPAND_SZ", 2}, {u"REG_LINK", 6},
    {u"REG_MULTI_SZ", 7},  {u"REG_NONE", 0},          {u"REG_RESOURCE_LIST", 8},
    {u"REG_SZ", 1},
};

std::vector<uint8_t> Utf16Bytes(const std::u16string& text) {
  std::vector<uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    data.push_back(uint8_t(c));
    data.push_back(uint8_t(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

}  // namespace

ValueSpec ParseValueSpec(const std::u16string& spec) {
  const std::u16string::size_type comma = spec.find(u',');
  const std::u16string name = Trim(spec.substr(0, comma));
  ValueSpec result;
  if (comma != std::u16string::npos) result.text = Trim(spec.substr(comma + 1));
  for (const TypeName& entry : kTypeNames) {
    if (name == entry.name) result.type = entry.type;
  }
  return result;
}

uint32_t ParseHexDword(const std::u16string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) i += 2;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) break;
    value = value * 16 + uint64_t(digit);
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return uint32_t(value);
}

std::vector<std::u16string> MultiStringEntries(const std::vector<uint8_t>& data) {
  std::vector<std::u16string> entries;
  std::u16string current;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char16_t c = char16_t(data[i] | data[i + 1] << 8);
    if (c != 0) {
      current.push_back(c);
      continue;
    }
    if (current.empty()) return entries;  // the empty string ends the list
    entries.push_back(std::move(current));
    current.clear();
  }
  if (!current.empty()) entries.push_back(std::move(current));
  return entries;
}

std::vector<uint8_t> MultiStringData(const std::vector<std::u16string>& entries) {
  std::vector<uint8_t> data;
  for (const std::u16string& entry : entries) {
    const std::vector<uint8_t> bytes = Utf16Bytes(entry);
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

bool SetTypedRegistryValue(Registry& registry, LauncherPrompts& prompts, const std::u16string& key,
                           const std::u16string& name, const std::u16string& spec) {
  const ValueSpec parsed = ParseValueSpec(spec);
  Registry::Value value;
  value.type = parsed.type;
  switch (parsed.type) {
    case Registry::kString:
    case Registry::kExpandString: value.data = Utf16Bytes(parsed.text); break;
    case Registry::kDword: value = DwordValue(ParseHexDword(parsed.text)); break;
    case Registry::kMultiString: {
      std::vector<std::u16string> entries;
      const std::optional<Registry::Value> current = registry.Read(Registry::Hive::CurrentUser, key, name);
      if (current && current->type == Registry::kMultiString) entries = MultiStringEntries(current->data);
      bool present = false;
      for (const std::u16string& entry : entries) present = present || EqualsIgnoreAsciiCase(entry, parsed.text);
      // An empty text would end the list early instead of joining it.
      if (!present && !parsed.text.empty()) entries.push_back(parsed.text);
      value.data = MultiStringData(entries);
      break;
    }
    default: return false;
  }
  const long status = registry.Write(Registry::Hive::CurrentUser, key, name, value);
  if (status != Registry::kSuccess) {
    prompts.ShowStatus(status);
    return false;
  }
  return true;
}

}  // namespace tavolen::launcher
