// The SetupAPI interface source against device interfaces written into the prefix's
// registry the way the system keeps them. Every key is made under a name unique to
// this process and removed again, so the test can run any number of times.
#include "control/device/win/SetupApiDeviceSource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "control/device/DeviceIdentity.h"
#include "control/device/DeviceList.h"
#include "sim/SimOpener.h"

namespace tavolen {
namespace {

constexpr wchar_t kDiskGuid[] = L"{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr wchar_t kCdromGuid[] = L"{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr wchar_t kDeviceClasses[] = L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
constexpr wchar_t kEnum[] = L"SYSTEM\\CurrentControlSet\\Enum\\";

class Key {
 public:
  explicit Key(const std::wstring& path) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  bool SetText(const wchar_t* name, const std::wstring& value) {
    return key_ && RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool SetNumber(const wchar_t* name, DWORD value) {
    return key_ && RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
                       ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

void DeleteTree(const std::wstring& path) { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()); }

// One device interface as the registry holds it: instance "ENUMERATOR\DEVICE\INSTANCE".
class RegisteredInterface {
 public:
  RegisteredInterface(const wchar_t* classGuid, std::wstring enumerator, std::wstring device, std::wstring instance)
      : classGuid_(classGuid), enumerator_(std::move(enumerator)), device_(std::move(device)) {
    instanceId_ = enumerator_ + L"\\" + device_ + L"\\" + instance;
    std::wstring hashed = instanceId_;
    std::replace(hashed.begin(), hashed.end(), L'\\', L'#');
    symbolicLink_ = L"\\\\?\\" + hashed + L"#" + classGuid_;
    interfaceKey_ = std::wstring(kDeviceClasses) + classGuid_ + L"\\##?#" + hashed + L"#" + classGuid_;
    Remove();
    ok_ = Key(interfaceKey_).SetText(L"DeviceInstance", instanceId_) &&
          Key(interfaceKey_ + L"\\#").SetText(L"SymbolicLink", symbolicLink_) &&
          Key(interfaceKey_ + L"\\#\\Control").SetNumber(L"Linked", 1) &&
          Key(std::wstring(kEnum) + instanceId_).SetText(L"ClassGUID", classGuid_);
  }
  ~RegisteredInterface() { Remove(); }
  RegisteredInterface(const RegisteredInterface&) = delete;
  RegisteredInterface& operator=(const RegisteredInterface&) = delete;

  bool ok() const { return ok_; }
  // The path as the system gives it back: in lower case.
  std::u16string LowerPath() const {
    std::u16string path(symbolicLink_.begin(), symbolicLink_.end());
    for (auto& c : path)
      if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    return path;
  }

 private:
  void Remove() {
    DeleteTree(interfaceKey_);
    DeleteTree(std::wstring(kEnum) + enumerator_ + L"\\" + device_);
    // The enumerator's key goes too when nothing else is under it (this fails otherwise).
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + enumerator_).c_str());
  }

  std::wstring classGuid_, enumerator_, device_, instanceId_, symbolicLink_, interfaceKey_;
  bool ok_ = false;
};

// Unique to the process and its word size.
std::wstring UniqueName(const wchar_t* stem) {
  return std::wstring(stem) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(sizeof(void*) * 8);
}

std::vector<std::u16string> ListPaths(DeviceSource& source, InterfaceClass c) {
  std::vector<std::u16string> paths;
  auto walk = source.Walk(c);
  if (!walk) return paths;
  while (auto path = walk->Next()) paths.push_back(*path);
  return paths;
}

bool Holds(const std::vector<std::u16string>& paths, const std::u16string& path) {
  return std::find(paths.begin(), paths.end(), path) != paths.end();
}

TEST(SetupApiDeviceSource, ListsRegisteredDiskAndCdromInterfacesPerClass) {
  RegisteredInterface scsiDisk(kDiskGuid, L"SCSI", L"Disk&Ven_Tavolen&Prod_" + UniqueName(L"Scsi"), L"4&1A2B&0&000100");
  RegisteredInterface ideDisk(kDiskGuid, L"IDE", L"DiskTavolen_" + UniqueName(L"Ide"), L"5&2D1C3B0E&0&0.0.0");
  RegisteredInterface cdrom(kCdromGuid, L"SCSI", L"CdRom&Ven_Tavolen&Prod_" + UniqueName(L"Cd"), L"4&1A2B&0&000200");
  ASSERT_TRUE(scsiDisk.ok() && ideDisk.ok() && cdrom.ok());

  SetupApiDeviceSource source;
  const auto disks = ListPaths(source, InterfaceClass::Disk);
  const auto cdroms = ListPaths(source, InterfaceClass::Cdrom);
  EXPECT_TRUE(Holds(disks, scsiDisk.LowerPath()));
  EXPECT_TRUE(Holds(disks, ideDisk.LowerPath()));
  EXPECT_FALSE(Holds(disks, cdrom.LowerPath()));
  EXPECT_TRUE(Holds(cdroms, cdrom.LowerPath()));
  EXPECT_FALSE(Holds(cdroms, scsiDisk.LowerPath()));
}

TEST(SetupApiDeviceSource, RemovedInterfacesAreNoLongerListed) {
  std::u16string path;
  {
    RegisteredInterface disk(kDiskGuid, L"SCSI", L"Disk&Ven_Tavolen&Prod_" + UniqueName(L"Gone"), L"4&9&0&000300");
    ASSERT_TRUE(disk.ok());
    path = disk.LowerPath();
    SetupApiDeviceSource source;
    ASSERT_TRUE(Holds(ListPaths(source, InterfaceClass::Disk), path));
  }
  SetupApiDeviceSource source;
  EXPECT_FALSE(Holds(ListPaths(source, InterfaceClass::Disk), path));
}

TEST(SetupApiDeviceSource, WalkEndsAndStaysEnded) {
  SetupApiDeviceSource source;
  auto walk = source.Walk(InterfaceClass::Cdrom);
  ASSERT_NE(walk, nullptr);
  while (walk->Next()) {
  }
  EXPECT_FALSE(walk->Next());
  EXPECT_FALSE(walk->ParentInstanceId());  // no interface is current after the end
}

// The whole chain: registry, SetupAPI, the device list and simulated devices behind
// the upper-case paths.
TEST(SetupApiDeviceSource, DeviceListBuildsRecordsFromRegisteredInterfaces) {
  RegisteredInterface scsiDisk(kDiskGuid, L"SCSI", L"Disk&Ven_Tavolen&Prod_" + UniqueName(L"List"), L"4&77&0&000400");
  RegisteredInterface cdrom(kCdromGuid, L"IDE", L"CdRomTavolen_" + UniqueName(L"ListCd"), L"5&77&0&1.0.0");
  ASSERT_TRUE(scsiDisk.ok() && cdrom.ok());

  sim::SimOpener opener;
  auto disk = std::make_shared<sim::SimDevice>(sim::Family::PlainAta);
  disk->deviceNumber = 77;
  disk->product = "REGISTERED DISK";
  opener.Add(ToUpperPath(scsiDisk.LowerPath()), disk);
  auto drive = std::make_shared<sim::SimDevice>(sim::Family::Optical);
  drive->deviceNumber = 78;
  opener.Add(ToUpperPath(cdrom.LowerPath()), drive);

  SetupApiDeviceSource source;
  DeviceList list(opener, source, DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(list.Refresh(), 1);

  const auto found = list.FindDisk(77);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->kind, FixedDisk);
  EXPECT_EQ(found->busType, BusScsi);
  EXPECT_EQ(GetText(found->drive.product), u"REGISTERED DISK");
  const std::wstring expectedId = L"SCSI\\DISK&VEN_TAVOLEN&PROD_" + UniqueName(L"LIST") + L"\\4&77&0&000400";
  EXPECT_EQ(GetText(found->drive.instanceId), std::u16string(expectedId.begin(), expectedId.end()).substr(0, 80));

  const auto optical = list.FindOpticalDrive(78);
  ASSERT_TRUE(optical);
  EXPECT_EQ(optical->kind, OpticalDrive);
  EXPECT_EQ(opener.OpenChannels(), 0);
}

}  // namespace
}  // namespace tavolen
