#pragma once
// The details of one drive behind the flyout, as a drive panel's property thread gathers
// them: the title, label and total size; for an optical drive its medium and disc state;
// for a hard disk its temperature, S.M.A.R.T. verdict and power-save state (a disk in
// standby is never woken: it is asked CHECK POWER MODE first and nothing more); for the
// maker's array products the array level and state and the members that failed; the
// identity from IDENTIFY DEVICE when Ctrl was held at the click. Every value that cannot
// be read keeps its preset text; no message is shown and nothing is retried.
//
// A pure computation over the command layer, the volumes, the power-save settings file,
// the string table and what the window thread read at the click; it runs on the property
// thread. Every write into the record is cut at its field's capacity.
#include <cstdint>
#include <string>

#include "control/core/FlyOutInfo.h"
#include "control/core/PowerSaveFile.h"
#include "control/device/DeviceChannel.h"
#include "control/device/DeviceList.h"
#include "control/panels/StringTable.h"
#include "ports/UiLanguage.h"
#include "ports/Volumes.h"

namespace tavolen {

// The string table entries of the details.
namespace details_strings {
constexpr uint32_t kSizeUnknown = 401;
constexpr uint32_t kEmptyDisk = 403;
constexpr uint32_t kNotInsert = 404;
constexpr uint32_t kProperties = 415;
constexpr uint32_t kMedia = 416;
constexpr uint32_t kState = 417;
constexpr uint32_t kHddTemp = 418;
constexpr uint32_t kSaveState = 419;
constexpr uint32_t kGetFailed = 420;
constexpr uint32_t kPowerSaveEnabled = 421;
constexpr uint32_t kEnable = 422;
constexpr uint32_t kDisable = 423;
constexpr uint32_t kPowerSaving = 424;
constexpr uint32_t kSetting10m = 425;  // to 428 (1 hour), in the order of the stored choices
constexpr uint32_t kGood = 429;
constexpr uint32_t kBad = 430;
constexpr uint32_t kMode = 431;
constexpr uint32_t kEjecting = 434;
constexpr uint32_t kUnknown = 435;
constexpr uint32_t kNotClosedMedia = 436;
constexpr uint32_t kClosedMedia = 437;
constexpr uint32_t kDriveTimer15m = 442;  // the drive's own standby timer: 15 m, 30 m, 1 h
constexpr uint32_t kDriveTimer30m = 443;
constexpr uint32_t kDriveTimer1h = 444;
}  // namespace details_strings

// What the window thread hands the property thread at the click.
struct DetailsRequest {
  std::u16string drivePath;  // "E:\"
  uint32_t driveNumber = 0;
  uint32_t kind = 0;         // the panel's kind
  bool ctrlDown = false;     // Ctrl was held at the click: the drive's own identity is asked
  uint16_t uiLanguage = 0;   // Japanese shows degrees Celsius, every other Fahrenheit
};

// What the details are read from; every pointer is non-null and outlives the call.
struct DetailsSources {
  DeviceOpener* opener = nullptr;
  const DeviceSnapshot* devices = nullptr;
  Volumes* volumes = nullptr;
  PowerSaveFile* powerSave = nullptr;
  const StringTable* strings = nullptr;
};

// "(E:)" followed by string 415 (" Properties").
std::u16string DetailsTitle(const std::u16string& drivePath, const StringTable& strings);

FlyOutInfo BuildFlyOutInfo(const DetailsRequest& request, const DetailsSources& sources);

// The whole property thread: a request for the drive the shared record already describes
// closes the details (Close) and sends nothing to the device; otherwise the record is
// built and written (Show), unless the shared record was zeroed or claimed by another
// request meanwhile (Overtaken: nothing is to be shown).
enum class DetailsOutcome { Show, Close, Overtaken };
DetailsOutcome RunDetailsRequest(const DetailsRequest& request, const DetailsSources& sources,
                                 SharedFlyOutInfo& shared);

}  // namespace tavolen
