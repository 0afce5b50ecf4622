#include "control/panels/win/PropertyThread.h"

#include <memory>

#include "control/core/ControlHook.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"

namespace tavolen {

namespace {

// The control's string table in the language the system picks for the thread.
class ResourceStringTable : public StringTable {
 public:
  std::u16string Text(uint32_t id) const override { return LoadResourceString(UINT(id)); }
};

// The reference comes first, so that it goes last, after the copies.
struct PropertyJob {
  ModuleReference hold;
  HWND control;
  DetailsRequest request;
  std::shared_ptr<const DeviceSnapshot> devices;
  DeviceOpener* opener;
  Volumes* volumes;
  PowerSaveFile* powerSave;    // the module's; the reference below keeps it
  SharedFlyOutInfo* flyOut;    // the module's
};

unsigned PropertyThreadMain(PropertyJob& job) {
  const ResourceStringTable strings;
  const DetailsSources sources{job.opener, job.devices.get(), job.volumes, job.powerSave, &strings};
  switch (RunDetailsRequest(job.request, sources, *job.flyOut)) {
    case DetailsOutcome::Show: ::PostMessageW(job.control, gadget_message::kFlyoutOn, 0, 0); break;
    case DetailsOutcome::Close: ::PostMessageW(job.control, gadget_message::kFlyoutOff, 0, 0); break;
    case DetailsOutcome::Overtaken: break;  // zeroed or replaced meanwhile: nothing to show
  }
  return 0;
}

}  // namespace

void StartPropertyThread(WorkerSlot& slot, RowHost& host, HWND control, DetailsRequest request) {
  if (slot.Running()) return;
  const ZendrelEnvironment& env = host.Environment();
  auto job = std::make_unique<PropertyJob>(PropertyJob{ModuleReference(), control, std::move(request),
                                                       host.Devices().Snapshot(), env.opener, env.volumes,
                                                       &host.PowerSave(), &host.FlyOut()});
  slot.Start(host.Threads(), std::move(job), &PropertyThreadMain);
}

}  // namespace tavolen
