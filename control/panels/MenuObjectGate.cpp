#include "control/panels/MenuObjectGate.h"

namespace tavolen {

MenuObjectGate::Verdict MenuObjectGate::Offer(uintptr_t offered) const {
  // Letting go is always safe: the button keeps its own reference while its menu is open.
  if (offered == 0) return Verdict::Release;
  return expected_ != 0 && offered == expected_ ? Verdict::Take : Verdict::Ignore;
}

}  // namespace tavolen
