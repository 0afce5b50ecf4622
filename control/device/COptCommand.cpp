#include "control/device/COptCommand.h"

#include <utility>

namespace tavolen {

COptCommand::COptCommand(DeviceOpener& opener, std::u16string path) : CScsiCommand(opener, std::move(path)) {}

COptCommand::COptCommand(DeviceOpener& opener, uint32_t cdromNumber) : CScsiCommand(opener, cdromNumber) {
  Reopen(CdromPath(cdromNumber));
}

bool COptCommand::GetCurrentProfile(uint32_t& profile) {
  const uint8_t cdb[10] = {0x46, 0x10, 0, 0, 0, 0, 0, 0, 0x08, 0};
  uint8_t header[8] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, header, sizeof header)) return false;
  profile = header[7] == 2 ? 0 : header[7];
  return true;
}

bool COptCommand::ReadDiscStatus(uint32_t& status) {
  const uint8_t cdb[10] = {0x51, 0, 0, 0, 0, 0, 0, 0, 0x04, 0};
  uint8_t info[4] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, info, sizeof info)) return false;
  status = info[2] & 3;
  return true;
}

}  // namespace tavolen
