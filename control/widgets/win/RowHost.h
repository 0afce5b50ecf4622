#pragma once
// What a row and its widgets need from the control that holds them: the ports, the device
// list, the gadget folder and its settings file, the power-save settings file, the font
// choice, the shared flyout record, the threads for workers, the key state of the last
// drag and the erases of free space that run. The control hands its rows one host when it creates them (the module object, which
// outlives every control); rows reach the control window itself only through their parent
// window. Used on the control's window thread; the parts workers copy say so below.
#include <cstdint>
#include <string>

#include "control/core/FlyOutInfo.h"
#include "control/core/PowerSaveFile.h"
#include "control/core/ZendrelEnvironment.h"
#include "control/device/DeviceList.h"
#include "control/panels/EraseSession.h"
#include "framework/Worker.h"

namespace tavolen {

class RowHost {
 public:
  // The ports (pointers a worker may copy: they outlive every control).
  virtual const ZendrelEnvironment& Environment() const = 0;
  // The device list (its snapshots may be read on any thread).
  virtual DeviceList& Devices() = 0;
  virtual std::u16string GadgetFolder() const = 0;
  // The gadget folder followed by "\DragAndDropSetting.ini".
  virtual std::u16string IniPath() const = 0;
  // Any thread; lives as long as the module.
  virtual PowerSaveFile& PowerSave() = 0;
  // Whether the Meiryo font is installed: it picks the row and dialog templates.
  virtual bool MeiryoFont() const = 0;
  // Any thread; lives as long as the module.
  virtual SharedFlyOutInfo& FlyOut() = 0;
  virtual ThreadStarter& Threads() = 0;
  // The MK_* flags with which the last drag entered a window of the gadget.
  virtual uint32_t LastDragKeyState() const = 0;
  virtual void SetLastDragKeyState(uint32_t keyState) = 0;
  // Any thread; lives as long as the module.
  virtual EraseRegistry& Erases() = 0;

 protected:
  ~RowHost() = default;
};

}  // namespace tavolen
