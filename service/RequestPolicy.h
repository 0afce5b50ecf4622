#pragma once
// What the service performs for a caller: the device I/O controls, device paths and
// pass-through contents the product sends, and nothing else. A caller is any local
// process, so everything it names is checked before a device is opened; pass-through
// contents are checked on the service's own copy of the request (a copy another
// process cannot change between the check and the use).
// Pure functions over bytes; safe from any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavolen::service {

enum class Refusal {
  None,
  ControlCode,  // an I/O control the product never sends
  DevicePath,   // not a disk or CD-ROM path of the kinds enumeration opens
  Contents,     // a pass-through block of a form or command the product never sends
};
const char* RefusalText(Refusal refusal);

// IOCTL_STORAGE_GET_DEVICE_NUMBER, IOCTL_DISK_PERFORMANCE, IOCTL_STORAGE_GET_HOTPLUG_INFO,
// IOCTL_DISK_GET_DRIVE_GEOMETRY, IOCTL_SCSI_PASS_THROUGH, IOCTL_ATA_PASS_THROUGH.
bool IsAllowedControlCode(uint32_t code);

// "\\.\PhysicalDrive<n>", "\\.\Cdrom<n>", "\\.\<letter>:" and disk or CD-ROM interface
// paths ("\\?\<instance with # separators>#{disk or CD-ROM interface class}"), in any
// ASCII case. Never a UNC path, a file, a volume by GUID or anything with "\.." in it.
bool IsAllowedDevicePath(std::string_view path);

// The pass-through block in the service's copy of the input: the 32-bit layout, data in
// or no data, within the input, and carrying only the CDBs and ATA commands the product
// sends. The output must be as long as the input (the block comes back in place).
// Controls other than the two pass-throughs carry no input.
Refusal CheckControlContents(uint32_t code, const uint8_t* in, std::size_t inLength, std::size_t outLength);

// The whole check of one device request.
Refusal CheckDeviceRequest(std::string_view path, uint32_t code, const uint8_t* in, std::size_t inLength,
                           std::size_t outLength);

// The longest data transfer the product asks for (a bridge's 8 KiB information block).
constexpr uint32_t kMaxPassThroughData = 8192;

// The largest section a client needs: that transfer's pass-through block, in and out.
constexpr uint32_t kMaxClientSection = 2 * (kMaxPassThroughData + 96);

// A section name of the client's own form: "Global\" and sixteen upper-case hexadecimal
// digits (its thread and the time), "-LIBSEMBRID_SHARE". Nothing else is made in the
// global namespace on a caller's word.
bool IsClientSectionName(std::string_view name);

}  // namespace tavolen::service
