#pragma once
// The control's own string tables, read from its resource script, as the product's
// string table would give them in English or Japanese: the tests check the very texts
// the user sees (and that they fit the fields they go into).
#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "control/panels/StringTable.h"

namespace tavolen::testing {

class RcStringTable : public StringTable {
 public:
  enum class Language { English, Japanese };

  explicit RcStringTable(Language language) {
    const std::map<std::string, uint32_t> ids = Defines(Read(TAVOLEN_SOURCE_DIR "/control/resources/resource.h"));
    std::istringstream rc(Read(TAVOLEN_SOURCE_DIR "/control/resources/Zendrel.rc"));
    const std::string wanted = language == Language::English ? "LANG_ENGLISH" : "LANG_JAPANESE";
    const std::regex entry(R"re(^\s*(\w+)\s+"((?:[^"]|"")*)"\s*$)re");
    std::string line, current;
    bool inTable = false;
    while (std::getline(rc, line)) {
      if (line.rfind("LANGUAGE", 0) == 0) current = line;
      if (line.rfind("STRINGTABLE", 0) == 0) inTable = current.find(wanted) != std::string::npos;
      if (line.rfind("END", 0) == 0) inTable = false;
      std::smatch m;
      if (inTable && std::regex_match(line, m, entry) && ids.count(m[1])) texts_[ids.at(m[1])] = Utf16(Unescape(m[2]));
    }
  }

  std::u16string Text(uint32_t id) const override {
    const auto found = texts_.find(id);
    return found == texts_.end() ? std::u16string() : found->second;
  }
  const std::map<uint32_t, std::u16string>& All() const { return texts_; }

 private:
  static std::string Read(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  static std::map<std::string, uint32_t> Defines(const std::string& header) {
    std::map<std::string, uint32_t> ids;
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (std::sregex_iterator i(header.begin(), header.end(), define), end; i != end; ++i)
      ids[(*i)[1]] = uint32_t(std::stoul((*i)[2]));
    return ids;
  }
  static std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        ++i;
        out += text[i] == 'n' ? '\n' : text[i];
      } else if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        out += '"';
        ++i;
      } else {
        out += text[i];
      }
    }
    return out;
  }
  static std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
      const unsigned char c = static_cast<unsigned char>(utf8[i]);
      uint32_t code = c;
      std::size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      if (extra) code = c & (0x3F >> extra);
      for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
      i += extra + 1;
      if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(char16_t(0xD800 + (code >> 10)));
        out.push_back(char16_t(0xDC00 + (code & 0x3FF)));
      } else {
        out.push_back(char16_t(code));
      }
    }
    return out;
  }

  std::map<uint32_t, std::u16string> texts_;
};

}  // namespace tavolen::testing
