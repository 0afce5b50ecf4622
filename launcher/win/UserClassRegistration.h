#pragma once
// Creating a COM object from a class registered for the current user only
// (HKEY_CURRENT_USER\Software\Classes, in this program's registry view), for systems
// whose COM does not read the user's classes (Wine): the server named under
// InprocServer32 is loaded and asked for its class factory, as COM would do.
#include <windows.h>
#include <oleidl.h>

#include "framework/ComPtr.h"
#include "framework/UniqueModule.h"

namespace tavolen::launcher {

// The object, or empty with the reason in `result`. `server` keeps the library loaded;
// the caller lets it go only after the object is gone.
ComPtr<IOleObject> CreateFromUserClasses(REFCLSID clsid, UniqueModule* server, HRESULT* result);

}  // namespace tavolen::launcher
