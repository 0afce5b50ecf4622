#pragma once
// Small text rules of the launcher's settings: blanks, trimming, letter case, decimal
// numbers as the system's text-to-integer conversion reads them.
#include <string>

namespace tavolen::launcher {

bool IsBlank(char16_t c);
std::u16string Trim(const std::u16string& text);
// Equal when they differ at most in the letter case of A to Z.
bool EqualsIgnoreAsciiCase(const std::u16string& a, const std::u16string& b);
// Leading blanks, an optional sign and decimal digits; 0 when there are none. A number
// beyond the range of int stops growing at its limit.
int DecimalToInt(const std::u16string& text);
std::u16string IntToDecimal(long long value);
// Whether `text` contains `part` (exact comparison).
inline bool Contains(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

}  // namespace tavolen::launcher
