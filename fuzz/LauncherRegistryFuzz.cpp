// Fuzz target: the launcher's registry values as anyone with access to the user's hive may
// have left them: the typed readers (DWORD options, the position texts, the byte the
// control reads), the value specifications and hexadecimal DWORD texts the settings code
// writes from, and the REG_MULTI_SZ lists it appends to.
// Input: a specification (one UTF-16 line, cut at a NUL as the settings code's C texts
// are), then the stored values: the first read of
// each value takes a type byte (0: no value), a little-endian 16-bit length and that many
// data bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "control/core/LauncherValues.h"
#include "fuzz/FuzzStream.h"
#include "launcher/LauncherSettings.h"
#include "launcher/TypedRegistryValue.h"
#include "ports/Registry.h"

using namespace tavolen;
using namespace tavolen::fuzzing;
using tavolen::launcher::LauncherPrompts;
using tavolen::launcher::LauncherSettings;

namespace {

// Every key exists; each value is drawn from the input when first read, and writes are
// kept, so what is written is what is read back.
class FuzzRegistry : public Registry {
 public:
  explicit FuzzRegistry(FuzzStream& input) : input_(input) {}
  bool KeyExists(Hive, const std::u16string&) override { return true; }
  std::optional<Value> Read(Hive hive, const std::u16string& key, const std::u16string& name) override {
    const Name entry{hive, key, name};
    auto found = values_.find(entry);
    if (found == values_.end()) {
      std::optional<Value> value;
      if (const uint8_t type = input_.Byte(); type != 0) {
        const uint8_t kTypes[] = {kString, kExpandString, kBinary, kDword, kMultiString, 5, 11};
        value = Value{type < 8 ? kTypes[type - 1] : type, {}};
        value->data = input_.Bytes(input_.Le16());
      }
      found = values_.emplace(entry, value).first;
    }
    return found->second;
  }
  long Write(Hive hive, const std::u16string& key, const std::u16string& name, const Value& value) override {
    values_[Name{hive, key, name}] = value;
    return kSuccess;
  }
  long CreateKey(Hive, const std::u16string&) override { return kSuccess; }

 private:
  using Name = std::tuple<Hive, std::u16string, std::u16string>;
  FuzzStream& input_;
  std::map<Name, std::optional<Value>> values_;
};

class SilentPrompts : public LauncherPrompts {
 public:
  void ShowError(const std::u16string&, const std::u16string&) override {}
  void ShowStatus(long) override {}
};

bool EqualsIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  std::u16string spec = input.Line();
  spec.resize(std::min(spec.size(), spec.find(u'\0')));
  FuzzRegistry registry(input);
  SilentPrompts prompts;
  LauncherSettings settings(registry, prompts);
  const std::u16string key = launcher::kLauncherKey;

  // The typed readers over what is stored.
  settings.ReadDword(launcher::kShowDriveCount);
  ReadSettingByte(registry, launcher::kColorIndex);
  const launcher::Point corner = settings.ReadPosition();

  // A specification, as the settings code would write it; a list keeps what it had.
  const launcher::ValueSpec parsed = launcher::ParseValueSpec(spec);
  launcher::ParseHexDword(parsed.text);
  const auto before = registry.Read(Registry::Hive::CurrentUser, key, u"List");
  if (launcher::SetTypedRegistryValue(registry, prompts, key, u"List", spec) && parsed.type == Registry::kMultiString) {
    const auto after = registry.Read(Registry::Hive::CurrentUser, key, u"List");
    if (!after || after->type != Registry::kMultiString) __builtin_trap();
    const auto entries = launcher::MultiStringEntries(after->data);
    if (before && before->type == Registry::kMultiString) {
      const auto kept = launcher::MultiStringEntries(before->data);
      if (entries.size() < kept.size() || !std::equal(kept.begin(), kept.end(), entries.begin())) __builtin_trap();
    }
    bool present = parsed.text.empty();
    for (const auto& entry : entries) present = present || EqualsIgnoringAsciiCase(entry, parsed.text);
    if (!present) __builtin_trap();
  }
  if (before && before->type == Registry::kMultiString) {
    // A list's entries are stored again as the same list.
    const auto entries = launcher::MultiStringEntries(before->data);
    if (launcher::MultiStringEntries(launcher::MultiStringData(entries)) != entries) __builtin_trap();
  }

  // A position read is stored and read back unchanged ((0, 0) is kept as (0, 1)).
  settings.SavePosition(corner);
  const launcher::Point saved = settings.ReadPosition();
  const launcher::Point expected{corner.x, corner.x == 0 && corner.y == 0 ? 1 : corner.y};
  if (saved.x != expected.x || saved.y != expected.y) __builtin_trap();
  return 0;
}
