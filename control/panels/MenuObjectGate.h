#pragma once
// Which shell menu object a row may call while one of its buttons has a shell menu open.
// The button hands the object over by a window message, and any process can send a row
// that message with any value; the row takes only the value its own button announced
// for the menu now open and never treats another value as an object. Owned by the row,
// used on its window thread.
#include <cstdint>

namespace tavolen {

class MenuObjectGate {
 public:
  enum class Verdict {
    Ignore,   // not the open menu's object: not to be touched
    Take,     // the open menu's object: the row may hold and call it
    Release,  // 0: the row lets go of what it holds
  };

  // The row's button made `object` for the menu it is about to open (0: none to call).
  void Open(uintptr_t object) { expected_ = object; }
  // The menu has ended: no value is taken until the next Open.
  void Close() { expected_ = 0; }

  Verdict Offer(uintptr_t offered) const;

 private:
  uintptr_t expected_ = 0;
};

}  // namespace tavolen
