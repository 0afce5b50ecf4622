#pragma once
// The capacity bar of a row. Its position and colour are set by its panel; the bar only
// stops the progress control's own animation timers when they come due.
#include <cstdint>

#include "framework/SubclassedControl.h"

namespace tavolen {

class CGadgetProgBar : public SubclassedControl {
 public:
  void SetCapacity(uint32_t position, COLORREF colour) const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace tavolen
