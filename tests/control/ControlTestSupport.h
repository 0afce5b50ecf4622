#pragma once
// What the control tests share: a device source listing interfaces the test chooses,
// a person answering message boxes, a stand-in for the launcher's window, the service key,
// and a host window with the control in it.
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/ControlSite.h"
#include "control/device/DeviceList.h"
#include "control/device/DeviceSource.h"
#include "framework/EventSink.h"

namespace tavolen::sim {
class SimDevice;
}

namespace tavolen::test {

// Interfaces per class, with parent instance ids; counts the walks of each class.
class ListedSource : public DeviceSource {
 public:
  // The most walks of any class that were open at the same time.
  int MostOpenWalks() const { return mostOpen_; }
  void WalkEnded() { --open_; }
  struct Interface {
    std::u16string path;
    std::optional<std::u16string> parent;
  };
  void Set(InterfaceClass c, std::vector<Interface> interfaces);
  void Append(InterfaceClass c, Interface added);
  void Remove(InterfaceClass c, const std::u16string& path);
  int Walks(InterfaceClass c) const;
  std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass c) override;
  // Called on the walking thread as a walk begins; set it only while no walk runs.
  std::function<void(InterfaceClass)> onWalk;

 private:
  mutable std::mutex mutex_;
  std::map<InterfaceClass, std::vector<Interface>> classes_;
  std::map<InterfaceClass, int> walks_;
  std::atomic<int> open_{0}, mostOpen_{0};
};

// Waits (bounded) on its own thread for a message box whose text contains `expected`,
// remembers its text and presses `button` in it, as a person would.
class BoxAnswerer {
 public:
  // With a delay, the person waits that long after the box appeared before pressing.
  BoxAnswerer(std::wstring expected, int button, DWORD delay = 0);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;
  // Waits for the answer; false when no such box came.
  bool Answered();
  // The person stops looking now, for a box that must not have come by this point.
  void StopLooking();
  std::wstring Caption() const;
  // The box was found (the person may not have pressed yet).
  bool Seen() const { return seen_; }
  // The box was gone before the person pressed anything.
  bool ClosedByItself() const { return closedByItself_; }

 private:
  std::wstring expected_;
  int button_;
  DWORD delay_;
  std::atomic<bool> closedByItself_{false};
  std::atomic<bool> seen_{false};
  std::atomic<bool> answered_{false};
  std::atomic<bool> stopped_{false};
  mutable std::mutex mutex_;
  std::wstring caption_;
  std::thread thread_;
};

// A message box showing a text containing `text`, if one is up now.
HWND FindMessageBox(const std::wstring& text);

// A top-level dialog titled "Marvesk", as the launcher's window; records WM_CLOSE.
class FakeLauncher {
 public:
  FakeLauncher();
  ~FakeLauncher();
  FakeLauncher(const FakeLauncher&) = delete;
  FakeLauncher& operator=(const FakeLauncher&) = delete;
  bool Closed() const { return closed_; }
  UINT SubMenuOpen() const { return subMenuOpen_; }
  HWND hwnd() const { return hwnd_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  bool closed_ = false;
  UINT subMenuOpen_ = 0;
};

// The service's registry key under HKEY_LOCAL_MACHINE.
void SetServiceInstalled(bool installed);

// A top-level window hosting one control through our control site; records its events.
class HostedControl {
 public:
  struct Event {
    DISPID id;
    std::vector<std::wstring> args;  // each argument as text (VariantChangeType to BSTR)
  };
  HostedControl();
  ~HostedControl();
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  HRESULT Create(const wchar_t* progIdOrClsid);
  HRESULT Create(REFCLSID clsid);
  // A member call by name, as a page script makes it: GetIDsOfNames, then Invoke.
  HRESULT Call(const wchar_t* name, std::vector<VARIANT> argsInOrder = {}, VARIANT* result = nullptr);
  HRESULT CallById(DISPID id, std::vector<VARIANT> argsInOrder, VARIANT* result = nullptr);
  void Close();

  std::vector<Event> Events(DISPID id) const;
  void ClearEvents() { events_.clear(); }
  HWND Window() const { return window_; }
  ControlSite* Site() const { return site_.get(); }

 private:
  HWND window_ = nullptr;
  ComPtr<ControlSite> site_;
  std::vector<Event> events_;
};

VARIANT Text(const wchar_t* text);  // a BSTR the callee's caller (HostedControl) frees
VARIANT Int(LONG value);
VARIANT Real(double value);
VARIANT Bool(bool value);

// The simulated optical drive behind drive letter G: of the panel tests.
std::shared_ptr<sim::SimDevice> TestOpticalDrive();

// Writes a string value into an INI file (creating it).
void WriteIni(const std::wstring& file, const wchar_t* section, const wchar_t* key, const wchar_t* value);
std::wstring ReadIni(const std::wstring& file, const wchar_t* section, const wchar_t* key);
// A fresh folder under the temporary folder.
std::wstring MakeTempFolder(const wchar_t* name);
// Removes a folder MakeTempFolder made, with everything in it.
void RemoveTempFolder(const std::wstring& folder);
// MakeTempFolder's folder, emptied of what an earlier run of the same process id left.
std::wstring MakeEmptyTempFolder(const wchar_t* name);

}  // namespace tavolen::test
