#pragma once
// The system's portable-device API behind the PortableDevices port. A session holds the
// manager and the client information; an opened device holds its device object and is
// closed when destroyed. Each initialises COM on its thread for its life (apartment
// threaded, or whatever the thread already has: a thread in the other model is used as
// it is and never uninitialised). The module object holds one for the process; sessions
// and devices belong to the thread that made them.
#include <windows.h>

#include <functional>
#include <memory>

#include "control/device/PortableDevices.h"

namespace tavolen {

// Makes an object of a class: the product's CoCreateInstance of an in-process server;
// tests hand in their own objects.
using ComObjectFactory = std::function<HRESULT(const CLSID& clsid, const IID& iid, void** object)>;
HRESULT CreateInProcessObject(const CLSID& clsid, const IID& iid, void** object);

class Win32PortableDevices : public PortableDevices {
 public:
  explicit Win32PortableDevices(ComObjectFactory create = &CreateInProcessObject);
  std::unique_ptr<PortableDeviceSession> StartSession() override;

 private:
  ComObjectFactory create_;  // never changes: any thread may use it
};

}  // namespace tavolen
