#pragma once
// UTF-16 text at the Win32 boundary. Our records hold char16_t; the system takes wchar_t,
// which on Windows has the same size and representation, so conversion is a copy (or a
// reinterpretation of a pointer that stays owned by the caller).
#include <windows.h>

#include <string>
#include <string_view>

namespace tavolen {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

inline std::wstring ToWide(std::u16string_view text) { return std::wstring(AsWide(text.data()), text.size()); }
inline std::u16string ToUtf16(std::wstring_view text) { return std::u16string(AsUtf16(text.data()), text.size()); }
// A null pointer reads as empty text.
inline std::u16string ToUtf16(const wchar_t* text) { return text ? ToUtf16(std::wstring_view(text)) : std::u16string(); }

// Compares as the system's case-insensitive ordinal comparison (names of automation members).
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

}  // namespace tavolen
