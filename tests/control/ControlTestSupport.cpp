#include "tests/control/ControlTestSupport.h"

#include <vector>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <oleauto.h>

#include "tests/framework/MessagePump.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueVariant.h"

namespace tavolen::test {

// --- device source ----------------------------------------------------------------------

namespace {
class ListedWalk : public DeviceInterfaceWalk {
 public:
  ListedWalk(ListedSource& source, std::vector<ListedSource::Interface> list)
      : source_(source), list_(std::move(list)) {}
  ~ListedWalk() override { source_.WalkEnded(); }
  std::optional<std::u16string> Next() override {
    if (next_ >= list_.size()) return std::nullopt;
    current_ = next_++;
    return list_[current_].path;
  }
  std::optional<std::u16string> ParentInstanceId() override {
    return current_ < list_.size() ? list_[current_].parent : std::nullopt;
  }

 private:
  ListedSource& source_;
  std::vector<ListedSource::Interface> list_;
  std::size_t next_ = 0, current_ = SIZE_MAX;
};
}  // namespace

void ListedSource::Set(InterfaceClass c, std::vector<Interface> interfaces) {
  std::lock_guard<std::mutex> lock(mutex_);
  classes_[c] = std::move(interfaces);
}

void ListedSource::Append(InterfaceClass c, Interface added) {
  std::lock_guard<std::mutex> lock(mutex_);
  classes_[c].push_back(std::move(added));
}

void ListedSource::Remove(InterfaceClass c, const std::u16string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& list = classes_[c];
  list.erase(std::remove_if(list.begin(), list.end(), [&](const Interface& i) { return i.path == path; }), list.end());
}

int ListedSource::Walks(InterfaceClass c) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = walks_.find(c);
  return found == walks_.end() ? 0 : found->second;
}

std::unique_ptr<DeviceInterfaceWalk> ListedSource::Walk(InterfaceClass c) {
  if (onWalk) onWalk(c);
  std::lock_guard<std::mutex> lock(mutex_);
  ++walks_[c];
  const int open = ++open_;
  if (open > mostOpen_) mostOpen_ = open;
  return std::make_unique<ListedWalk>(*this, classes_[c]);
}

// --- message boxes ----------------------------------------------------------------------

namespace {
std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 511);
  return text;
}

struct BoxSearch {
  const std::wstring* expected;
  HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  wchar_t className[16] = {};
  ::GetClassNameW(hwnd, className, 15);
  if (std::wstring(className) != L"#32770" || !::IsWindowVisible(hwnd)) return TRUE;
  HWND text = ::GetDlgItem(hwnd, 0xFFFF);
  if (text && WindowText(text).find(*search->expected) != std::wstring::npos) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindMessageBox(const std::wstring& text) {
  BoxSearch search{&text, nullptr};
  ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BoxAnswerer::BoxAnswerer(std::wstring expected, int button, DWORD delay)
    : expected_(std::move(expected)), button_(button), delay_(delay) {
  thread_ = std::thread([this] {
    // Looks for the box for at most thirty seconds: a control made on a loaded machine
    // can take more than ten to ask, and a box nobody answers would wait for ever.
    for (int i = 0; i < 1500 && !answered_ && !stopped_; ++i) {
      BoxSearch search{&expected_, nullptr};
      ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
      if (search.found) {
        seen_ = true;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          caption_ = WindowText(search.found);
        }
        if (delay_ != 0) {
          // The person is slow: before pressing, the box may go by itself.
          const auto gone = [&] { return !::IsWindow(search.found) || !::IsWindowVisible(search.found); };
          for (DWORD waited = 0; waited < delay_ && !gone(); waited += 10) ::Sleep(10);
          if (gone()) {
            closedByItself_ = true;
            answered_ = true;
            break;
          }
        }
        ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
        answered_ = true;
        break;
      }
      ::Sleep(20);
    }
  });
}

BoxAnswerer::~BoxAnswerer() {
  if (thread_.joinable()) thread_.join();
}

void BoxAnswerer::StopLooking() {
  stopped_ = true;
  if (thread_.joinable()) thread_.join();
}

bool BoxAnswerer::Answered() {
  if (thread_.joinable()) thread_.join();
  return answered_;
}

std::wstring BoxAnswerer::Caption() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return caption_;
}

// --- launcher stand-in ------------------------------------------------------------------

FakeLauncher::FakeLauncher() {
  // An empty dialog template: popup, no controls.
  struct {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } blank{};
  blank.header.style = WS_POPUP;
  hwnd_ = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), &blank.header, nullptr, &Procedure,
                                       reinterpret_cast<LPARAM>(this));
  ::SetWindowTextW(hwnd_, L"Marvesk");
}

FakeLauncher::~FakeLauncher() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

INT_PTR CALLBACK FakeLauncher::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT subMenu = ::RegisterWindowMessageW(L"IsSubMenuOpen");
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return TRUE;
  }
  auto* self = reinterpret_cast<FakeLauncher*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_CLOSE) {
    self->closed_ = true;
    return TRUE;
  }
  if (message == subMenu) {
    self->subMenuOpen_ = UINT(wParam) + 1;  // 1 for "closed", 2 for "open"
    return TRUE;
  }
  return FALSE;
}

// --- service key ------------------------------------------------------------------------

void SetServiceInstalled(bool installed) {
  const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Services\\SembridService\\Parameters";
  if (installed) {
    HKEY created = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
    UniqueRegKey owner(created);
  } else {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
  }
}

// --- hosted control ---------------------------------------------------------------------

HostedControl::HostedControl() {
  // Not shown: without a window manager the X server makes a shown window's end slow.
  window_ = ::CreateWindowExW(0, WC_STATICW, L"host", WS_OVERLAPPEDWINDOW, 10, 10, 320, 400, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

HostedControl::~HostedControl() {
  Close();
  if (window_) ::DestroyWindow(window_);
}

HRESULT HostedControl::Create(const wchar_t* progIdOrClsid) {
  site_ = ControlSite::Create(window_);
  const RECT rect{0, 0, 300, 360};
  HRESULT hr = site_->CreateControl(progIdOrClsid, rect);
  if (SUCCEEDED(hr)) hr = site_->ConnectEvents([this](DISPID id, const std::vector<VARIANT>& args) {
    Event event{id, {}};
    for (const VARIANT& arg : args) {
      UniqueVariant text;
      if (SUCCEEDED(::VariantChangeType(text.put(), const_cast<VARIANT*>(&arg), VARIANT_ALPHABOOL, VT_BSTR)))
        event.args.emplace_back(V_BSTR(text.get()), ::SysStringLen(V_BSTR(text.get())));
      else
        event.args.emplace_back(L"?");
    }
    events_.push_back(std::move(event));
  });
  if (FAILED(hr)) site_.reset();
  return hr;
}

HRESULT HostedControl::Create(REFCLSID clsid) {
  wchar_t text[64] = {};
  ::StringFromGUID2(clsid, text, 64);
  return Create(text);
}

HRESULT HostedControl::CallById(DISPID id, std::vector<VARIANT> argsInOrder, VARIANT* result) {
  if (!site_) return E_UNEXPECTED;
  std::vector<VARIANT> reversed(argsInOrder.rbegin(), argsInOrder.rend());
  DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
  UniqueVariant ignored;
  UINT argErr = 0;
  const HRESULT hr = site_->Dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                               result ? result : ignored.put(), nullptr, &argErr);
  for (VARIANT& v : argsInOrder) ::VariantClear(&v);
  return hr;
}

HRESULT HostedControl::Call(const wchar_t* name, std::vector<VARIANT> argsInOrder, VARIANT* result) {
  if (!site_) return E_UNEXPECTED;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = site_->Dispatch()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    for (VARIANT& v : argsInOrder) ::VariantClear(&v);
    return hr;
  }
  return CallById(id, std::move(argsInOrder), result);
}

void HostedControl::Close() {
  if (site_) {
    site_->Close();
    site_.reset();
  }
}

std::vector<HostedControl::Event> HostedControl::Events(DISPID id) const {
  std::vector<Event> matching;
  for (const Event& e : events_)
    if (e.id == id) matching.push_back(e);
  return matching;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = ::SysAllocString(text);
  return v;
}

VARIANT Int(LONG value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Real(double value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

VARIANT Bool(bool value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

void WriteIni(const std::wstring& file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  ::WritePrivateProfileStringW(section, key, value, file.c_str());
}

std::wstring ReadIni(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  // Room for a shortcut record's structure (5218 characters).
  std::vector<wchar_t> value(8192, L'\0');
  ::GetPrivateProfileStringW(section, key, L"<none>", value.data(), DWORD(value.size()), file.c_str());
  return value.data();
}

std::wstring MakeTempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveTempFolder(const std::wstring& folder) {
  if (folder.empty()) return;
  std::wstring from = folder;
  from.push_back(L'\0');  // the list's second NUL
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ::SHFileOperationW(&operation);
}

std::wstring MakeEmptyTempFolder(const wchar_t* name) {
  const std::wstring folder = MakeTempFolder(name);
  RemoveTempFolder(folder);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

}  // namespace tavolen::test
