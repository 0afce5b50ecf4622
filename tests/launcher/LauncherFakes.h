#pragma once
// Fakes of the launcher's ports: a registry in memory, recorded message boxes, monitor
// layouts described by the test, and recording stand-ins of the main window and its page.
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "launcher/LauncherPrompts.h"
#include "launcher/MarveskPort.h"
#include "launcher/Monitors.h"
#include "ports/Registry.h"

namespace tavolen::launcher::testing {

// Keys compare without regard to case, as the system's registry does.
class MemoryRegistry : public Registry {
 public:
  static std::u16string Fold(std::u16string text) {
    for (char16_t& c : text)
      if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    return text;
  }
  bool KeyExists(Hive, const std::u16string& key) override { return keys.count(Fold(key)) != 0; }
  std::optional<Value> Read(Hive, const std::u16string& key, const std::u16string& name) override {
    const auto k = keys.find(Fold(key));
    if (k == keys.end()) return std::nullopt;
    const auto v = k->second.find(Fold(name));
    if (v == k->second.end()) return std::nullopt;
    return v->second;
  }
  long Write(Hive, const std::u16string& key, const std::u16string& name, const Value& value) override {
    ++writes;
    if (failWrites) return writeStatus;
    const auto k = keys.find(Fold(key));
    if (k == keys.end()) return kNotFound;
    k->second[Fold(name)] = value;
    return kSuccess;
  }
  long CreateKey(Hive, const std::u16string& key) override {
    if (failCreate) return kAccessDenied;
    keys[Fold(key)];
    return kSuccess;
  }
  long OpenForWriting(Hive hive, const std::u16string& key) override {
    if (readOnly) return kAccessDenied;
    return KeyExists(hive, key) ? kSuccess : kNotFound;
  }

  void Put(const std::u16string& key, const std::u16string& name, Value value) {
    keys[Fold(key)][Fold(name)] = std::move(value);
  }
  static Value Text(const std::u16string& text, bool terminated = true) {
    Value value{kString, {}};
    for (char16_t c : text) {
      value.data.push_back(uint8_t(c));
      value.data.push_back(uint8_t(c >> 8));
    }
    if (terminated) value.data.insert(value.data.end(), {0, 0});
    return value;
  }
  static std::u16string AsText(const Value& value) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) text.push_back(char16_t(value.data[i] | value.data[i + 1] << 8));
    return text;
  }

  std::map<std::u16string, std::map<std::u16string, Value>> keys;
  bool failCreate = false;
  bool readOnly = false;
  bool failWrites = false;
  long writeStatus = kAccessDenied;
  int writes = 0;
};

struct RecordingPrompts : LauncherPrompts {
  void ShowError(const std::u16string& text, const std::u16string& caption) override {
    errors.push_back(caption + u": " + text);
  }
  void ShowStatus(long status) override { statuses.push_back(status); }
  std::vector<std::u16string> errors;
  std::vector<long> statuses;
};

// Monitors listed by the test, the first one primary. A rectangle belongs to the monitor
// it shares most area with; the nearest one is measured edge to edge.
class SyntheticMonitors : public Monitors {
 public:
  explicit SyntheticMonitors(std::vector<MonitorArea> list) : list_(std::move(list)) {}
  std::optional<MonitorArea> FromPoint(Point p) override {
    for (const MonitorArea& m : list_)
      if (m.monitor.Contains(p)) return m;
    return std::nullopt;
  }
  std::optional<MonitorArea> FromRect(const Rect& r) override {
    std::optional<MonitorArea> best;
    long long bestArea = 0;
    for (const MonitorArea& m : list_) {
      const long long w = std::min(r.right, m.monitor.right) - std::max(r.left, m.monitor.left);
      const long long h = std::min(r.bottom, m.monitor.bottom) - std::max(r.top, m.monitor.top);
      if (w > 0 && h > 0 && w * h > bestArea) {
        bestArea = w * h;
        best = m;
      }
    }
    return best;
  }
  MonitorArea Nearest(const Rect& r) override {
    if (const auto m = FromRect(r)) return *m;
    MonitorArea best = list_.front();
    long long bestDistance = -1;
    for (const MonitorArea& m : list_) {
      const long long dx = std::max({0, m.monitor.left - r.right, r.left - m.monitor.right});
      const long long dy = std::max({0, m.monitor.top - r.bottom, r.top - m.monitor.bottom});
      if (bestDistance < 0 || dx * dx + dy * dy < bestDistance) {
        bestDistance = dx * dx + dy * dy;
        best = m;
      }
    }
    return best;
  }
  MonitorArea Primary() override { return list_.front(); }
  void Replace(std::vector<MonitorArea> list) { list_ = std::move(list); }

 private:
  std::vector<MonitorArea> list_;
};

// A 1280 x 1024 monitor at the origin with a 40-pixel taskbar at the bottom.
inline MonitorArea SingleMonitor() { return MonitorArea{Rect{0, 0, 1280, 1024}, Rect{0, 0, 1280, 984}}; }

class FakeWindow : public MainWindowPort {
 public:
  Rect WindowRect() override { return rect; }
  void MoveTo(const Rect& r) override {
    moves.push_back(r);
    if (!stuck) rect = r;
  }
  void SlideOut(DockState edge) override {
    visible = false;
    slides.push_back(edge);
  }
  void ShowOnTop() override { visible = true; }
  void SetAlwaysOnTop(bool always) override { topmost = always; }
  void StartHideTimer() override { timer = true; }
  void StopHideTimer() override { timer = false; }
  void OpenBar(DockState edge, const Rect&, const Rect&) override { bar = edge; }
  void CloseBar() override { bar.reset(); }
  bool BarOpen() override { return bar.has_value(); }
  Point Cursor() override { return cursor; }
  bool FlyoutOpen() override { return flyout; }

  Rect rect{100, 100, 230, 101};
  bool stuck = false;  // the system keeps the window where it is
  bool visible = true;
  bool topmost = true;
  bool timer = false;
  bool flyout = false;
  std::optional<DockState> bar;
  Point cursor{};
  std::vector<Rect> moves;
  std::vector<DockState> slides;
};

class FakePage : public MainPagePort {
 public:
  bool Loaded() override { return loaded; }
  std::optional<Size> FrameSize() override { return frame; }
  bool Call(const std::u16string& function) override {
    calls.push_back(function);
    return loaded;
  }
  bool loaded = true;
  std::optional<Size> frame = Size{130, 200};
  std::vector<std::u16string> calls;
};

}  // namespace tavolen::launcher::testing
