#pragma once
// A device source for enumeration tests: interface paths per class, in the order added
// (in lower case, as the system may give them), and the parent instance identifier of
// each. A class without an entry cannot be obtained. Used by one thread at a time.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/device/DeviceSource.h"
#include "sim/SimOpener.h"

namespace tavolen::test {

class FakeSource : public DeviceSource {
 public:
  struct Interface {
    std::u16string path;
    std::optional<std::u16string> parent;
  };

  FakeSource() = default;
  // Also notes how many channels of the opener are open whenever a walk moves on.
  explicit FakeSource(const sim::SimOpener& opener) : opener_(&opener) {}

  void Add(InterfaceClass c, std::u16string path, std::optional<std::u16string> parent = std::nullopt) {
    classes_[c].push_back(Interface{std::move(path), std::move(parent)});
  }
  void Provide(InterfaceClass c) { classes_[c]; }

  std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass c) override {
    const auto found = classes_.find(c);
    if (found == classes_.end()) return nullptr;
    return std::make_unique<FakeWalk>(*this, found->second);
  }

  // Channels open whenever the walk moved to the next interface (with an opener only).
  std::vector<int> openAtNext;
  int parentQueries = 0;

 private:
  class FakeWalk : public DeviceInterfaceWalk {
   public:
    FakeWalk(FakeSource& source, const std::vector<Interface>& interfaces)
        : source_(source), interfaces_(interfaces) {}
    std::optional<std::u16string> Next() override {
      if (source_.opener_) source_.openAtNext.push_back(source_.opener_->OpenChannels());
      if (index_ >= interfaces_.size()) return std::nullopt;
      current_ = &interfaces_[index_++];
      return current_->path;
    }
    std::optional<std::u16string> ParentInstanceId() override {
      ++source_.parentQueries;
      return current_ ? current_->parent : std::nullopt;
    }

   private:
    FakeSource& source_;
    const std::vector<Interface>& interfaces_;
    std::size_t index_ = 0;
    const Interface* current_ = nullptr;
  };

  const sim::SimOpener* opener_ = nullptr;
  std::map<InterfaceClass, std::vector<Interface>> classes_;
};

}  // namespace tavolen::test
