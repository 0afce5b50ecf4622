#pragma once
// One portable device's row: a drive panel whose label, size line and picture come from
// the device through the portable-device port instead of a volume. It copies its record
// at construction and keeps the device open for its life; the device is closed when the
// row goes. Everything else (button, menus, eject) is the drive panel's. Created, used and
// destroyed on the control's window thread.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "control/device/DeviceList.h"
#include "control/device/PortableDevices.h"
#include "control/panels/win/CDriveInfoDlg.h"

namespace tavolen {

class CWpdInfoDlg : public CDriveInfoDlg {
 public:
  // Copies record `index` of the snapshot's portable devices (past their end: an empty
  // record, which shows nothing) and opens the device. The host must outlive the panel.
  CWpdInfoDlg(RowHost& host, const DeviceSnapshot& devices, std::size_t index);
  ~CWpdInfoDlg() override;

  // The device's friendly name; the path is not used.
  std::u16string GetLabelText(const std::u16string& path, bool arrayState) override;
  // The free space of the device's first storage; the path is not used.
  std::u16string GetCapacityText(const std::u16string& path) override;
  void UpdatePanel() override;

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::optional<DeviceInfo> EjectRecord() const override { return entry_.record; }

 private:
  PortableDeviceEntry entry_;
  std::unique_ptr<OpenedPortableDevice> device_;  // null when it could not be opened
};

}  // namespace tavolen
