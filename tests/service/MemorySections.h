#pragma once
// Sections in memory for the service's session tests: what a test "client" and the
// session see of one section is one byte vector. The service's side may be used from
// several threads as the registry uses it (one call at a time, views and holds of
// different sections at once); the test's side from one thread.
#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "service/ServiceSession.h"

namespace tavolen::service {

// Sections in memory. A section lives while the service holds it or a view is open,
// or while the "client" (the test) holds it. Sections the test holds for the client
// are made with Held(section) directly.
class MemorySections : public SectionStore {
 public:
  struct Section {
    Bytes bytes;
    std::string userSid;  // whom the service made it for
    std::atomic<int> holders{0};
  };
  std::map<std::string, std::shared_ptr<Section>> sections;
  std::atomic<int> openViews{0};

  class View;
  class Held : public HeldSection {
   public:
    Held(std::shared_ptr<Section> s, std::atomic<int>* views = nullptr) : section(std::move(s)), views_(views) {
      ++section->holders;
    }
    ~Held() override { --section->holders; }
    std::unique_ptr<SectionView> Map() override;
    std::shared_ptr<Section> section;

   private:
    std::atomic<int>* views_;
  };
  class View : public SectionView {
   public:
    View(std::shared_ptr<Section> s, std::atomic<int>& views) : section(std::move(s)), views_(views) { ++views_; }
    ~View() override { --views_; }
    uint8_t* Data() override { return section->bytes.data(); }
    uint64_t Size() const override { return section->bytes.size(); }
    std::shared_ptr<Section> section;

   private:
    std::atomic<int>& views_;
  };

  std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size, const std::string& userSid) override {
    auto it = sections.find(name);
    if (it != sections.end() && it->second->holders > 0) return nullptr;
    auto section = std::make_shared<Section>();
    section->bytes.assign(size, 0);
    section->userSid = userSid;
    sections[name] = section;
    return std::make_unique<Held>(section, &openViews);
  }
};

inline std::unique_ptr<SectionView> MemorySections::Held::Map() {
  static std::atomic<int> untracked = 0;
  return std::make_unique<View>(section, views_ ? *views_ : untracked);
}

}  // namespace tavolen::service
