#pragma once
// Size texts of the rows and the details: binary units, one decimal, MB below 1 GiB,
// GB from 1 GiB, TB from 1 TiB where a TB step is shown.
#include <cstdint>
#include <string>

namespace tavolen {

// "%0.1lf / %0.1lf GB" (used / total) from 1 GiB of total, else the same in MB.
std::string UsedOfTotalText(uint64_t totalBytes, uint64_t freeBytes);

// The capacity bar: used percentage, 99 at most, and 99 when the total is 0.
uint32_t CapacityBarPosition(uint64_t totalBytes, uint64_t freeBytes);

// "%0.1lf TB" from 1 TiB, "%0.1lf GB" from 1 GiB, else "%0.1lf MB".
std::string SizeText(uint64_t bytes);

}  // namespace tavolen
