#pragma once
// A clock that only moves when the test says so; its day is the one the test sets. Pauses of workers move it at once and
// are recorded; window timers are recorded and fire only in Advance, which hands each
// expiry to `deliver` (a Wine test sends WM_TIMER to the window) in time order. Any
// thread may use it.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "ports/Clock.h"

namespace tavolen::testing {

class FakeClock : public Clock {
 public:
  using TimerKey = std::pair<uintptr_t, uintptr_t>;  // window, id

  uint64_t NowMs() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }
  CalendarDate Today() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return today_;
  }
  void SetToday(CalendarDate today) {
    std::lock_guard<std::mutex> lock(mutex_);
    today_ = today;
  }
  void Pause(uint32_t milliseconds) override {
    std::function<void(uint32_t)> observer;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pauses_.push_back(milliseconds);
      now_ += milliseconds;
      observer = onPause;
    }
    if (observer) observer(milliseconds);
  }
  void StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) override {
    std::lock_guard<std::mutex> lock(mutex_);
    timers_[{window, id}] = Timer{periodMs, now_ + (periodMs == 0 ? 1 : periodMs)};
    ++starts_[{window, id}];
  }
  void StopTimer(uintptr_t window, uintptr_t id) override {
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.erase({window, id});
  }

  // Moves time on by `milliseconds`, firing every timer that expires meanwhile.
  void Advance(uint64_t milliseconds) {
    uint64_t end;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      end = now_ + milliseconds;
    }
    for (;;) {
      TimerKey fired;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto next = timers_.end();
        for (auto t = timers_.begin(); t != timers_.end(); ++t)
          if (t->second.due <= end && (next == timers_.end() || t->second.due < next->second.due)) next = t;
        if (next == timers_.end()) {
          now_ = end;
          return;
        }
        now_ = next->second.due;
        next->second.due += next->second.period == 0 ? 1 : next->second.period;  // timers repeat
        fired = next->first;
      }
      if (deliver) deliver(fired.first, fired.second);
    }
  }

  // The period of a running timer, none when it is not running.
  std::optional<uint32_t> Period(uintptr_t window, uintptr_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto t = timers_.find({window, id});
    return t == timers_.end() ? std::nullopt : std::optional<uint32_t>(t->second.period);
  }
  bool Running(uintptr_t window, uintptr_t id) const { return Period(window, id).has_value(); }
  // How often the timer was (re)started.
  int Starts(uintptr_t window, uintptr_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto s = starts_.find({window, id});
    return s == starts_.end() ? 0 : s->second;
  }
  std::vector<uint32_t> Pauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }

  std::function<void(uintptr_t window, uintptr_t id)> deliver;
  std::function<void(uint32_t milliseconds)> onPause;  // on the pausing thread, after the pause

 private:
  struct Timer {
    uint32_t period;
    uint64_t due;
  };
  mutable std::mutex mutex_;
  uint64_t now_ = 1000000;
  CalendarDate today_{2014, 2, 28};
  std::map<TimerKey, Timer> timers_;
  std::map<TimerKey, int> starts_;
  std::vector<uint32_t> pauses_;
};

}  // namespace tavolen::testing
