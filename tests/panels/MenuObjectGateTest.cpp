// Which shell menu object a row takes: only the one its own button announced for the menu
// now open.
#include <gtest/gtest.h>

#include "control/panels/MenuObjectGate.h"

using namespace tavolen;
using Verdict = MenuObjectGate::Verdict;

TEST(MenuObjectGate, OnlyTheOpenMenusOwnObjectIsTaken) {
  MenuObjectGate gate;
  const uintptr_t own = 0x5A10, foreign = 0x7700;
  EXPECT_EQ(gate.Offer(own), Verdict::Ignore) << "no menu open: nothing is taken";
  EXPECT_EQ(gate.Offer(0), Verdict::Release);

  gate.Open(own);
  EXPECT_EQ(gate.Offer(own), Verdict::Take);
  EXPECT_EQ(gate.Offer(foreign), Verdict::Ignore) << "another sender's value";
  EXPECT_EQ(gate.Offer(own + 1), Verdict::Ignore) << "not even near the object";
  EXPECT_EQ(gate.Offer(~uintptr_t(0)), Verdict::Ignore);
  EXPECT_EQ(gate.Offer(0), Verdict::Release) << "letting go is always allowed";
  EXPECT_EQ(gate.Offer(own), Verdict::Take) << "letting go does not end the menu";

  gate.Close();
  EXPECT_EQ(gate.Offer(own), Verdict::Ignore) << "the ended menu's object, replayed";

  gate.Open(0);  // a shell menu without a drawing interface
  EXPECT_EQ(gate.Offer(foreign), Verdict::Ignore);
  EXPECT_EQ(gate.Offer(0), Verdict::Release);

  gate.Open(foreign);  // the next menu's object replaces the previous one
  gate.Open(own);
  EXPECT_EQ(gate.Offer(foreign), Verdict::Ignore);
  EXPECT_EQ(gate.Offer(own), Verdict::Take);
}
