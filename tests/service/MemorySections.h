#pragma once
// Sections in memory for the service's session tests: what a test "client" and the
// session see of one section is one byte vector. Used by one thread at a time.
#include <map>
#include <memory>
#include <string>

#include "service/ServiceSession.h"

namespace tavolen::service {

// Sections in memory. A section lives while the service holds it or a view is open,
// or while the "client" (the test) holds it.
class MemorySections : public SectionStore {
 public:
  struct Section {
    Bytes bytes;
    int holders = 0;
  };
  std::map<std::string, std::shared_ptr<Section>> sections;
  int openViews = 0;

  class Held : public HeldSection {
   public:
    explicit Held(std::shared_ptr<Section> s) : section(std::move(s)) { ++section->holders; }
    ~Held() override { --section->holders; }
    std::shared_ptr<Section> section;
  };
  class View : public SectionView {
   public:
    View(std::shared_ptr<Section> s, int& views) : section(std::move(s)), views_(views) { ++views_; }
    ~View() override { --views_; }
    uint8_t* Data() override { return section->bytes.data(); }
    uint64_t Size() const override { return section->bytes.size(); }
    std::shared_ptr<Section> section;

   private:
    int& views_;
  };

  std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size) override {
    auto it = sections.find(name);
    if (it != sections.end() && it->second->holders > 0) return nullptr;
    auto section = std::make_shared<Section>();
    section->bytes.assign(size, 0);
    sections[name] = section;
    return std::make_unique<Held>(section);
  }
  std::unique_ptr<SectionView> Open(const std::string& name) override {
    auto it = sections.find(name);
    if (it == sections.end()) return nullptr;
    return std::make_unique<View>(it->second, openViews);
  }
};

}  // namespace tavolen::service
