#include <gtest/gtest.h>

#include <cstdint>

#include "controls/delta.h"
#include "controls/winicon.h"
#include "platform/window/gui.h"
#include "platform/testing/window_probe.h"

namespace {

// Drives TDelta from a clock the test sets by hand.
class DeltaTest : public testing::Test {
 protected:
  void SetUp() override {
    TDelta::Reset();
    SetClockForTesting([this] { return now_; });
  }
  void TearDown() override {
    SetClockForTesting(nullptr);
    TDelta::Reset();
  }
  void At(std::int32_t ms) { now_ = ms; }

  std::int32_t now_ = 0;
};

constexpr double kFloatMilli = 0.0010000000474974513;

}  // namespace

TEST_F(DeltaTest, FirstUpdateAfterStartOpensAWindow) {
  At(5000);
  EXPECT_EQ(TDelta::Start(), 0);
  EXPECT_EQ(TDelta::TimeDelay, 5000);
  At(5017);
  EXPECT_EQ(TDelta::Update(), 0);
  EXPECT_EQ(TDelta::Time(), 17 * kFloatMilli);
  EXPECT_EQ(TDelta::Time(), 0.017000000807456672);
  EXPECT_EQ(TDelta::FPS(), 1);
  EXPECT_EQ(TDelta::FPSTime, 5017.0);
  EXPECT_EQ(TDelta::Frames, 0);
  EXPECT_EQ(TDelta::TimeDelay, 5017);
}

TEST_F(DeltaTest, WindowClosesAtFirstUpdateMoreThanASecondLater) {
  At(5000);
  TDelta::Start();
  At(5017);
  TDelta::Update();
  std::int32_t t = 5017;
  for (int i = 1; i <= 58; ++i) {
    t += 17;
    At(t);
    TDelta::Update();
    EXPECT_EQ(TDelta::FPS(), 1) << "update " << i << " at " << t;
  }
  EXPECT_EQ(t, 6003);
  EXPECT_EQ(TDelta::Frames, 58);
  At(6020);
  TDelta::Update();
  EXPECT_EQ(TDelta::FPS(), 59);
  EXPECT_EQ(TDelta::Frames, 0);
  EXPECT_EQ(TDelta::FPSTime, 6020.0);
}

TEST_F(DeltaTest, ExactlyOneSecondDoesNotClose) {
  At(5000);
  TDelta::Start();
  At(5017);
  TDelta::Update();
  At(6017);
  TDelta::Update();
  EXPECT_EQ(TDelta::FPS(), 1);
  EXPECT_EQ(TDelta::Frames, 1);
  EXPECT_EQ(TDelta::Time(), 1000 * kFloatMilli);
  At(6018);
  TDelta::Update();
  EXPECT_EQ(TDelta::FPS(), 2);
}

TEST_F(DeltaTest, SameMillisecondGivesZero) {
  At(7000);
  TDelta::Start();
  At(7010);
  TDelta::Update();
  TDelta::Update();
  EXPECT_EQ(TDelta::Time(), 0.0);
}

TEST_F(DeltaTest, EarlyClockDoesNotCloseTheFirstWindow) {
  At(0);
  TDelta::Start();
  At(500);
  TDelta::Update();
  EXPECT_EQ(TDelta::FPS(), 0);
  EXPECT_EQ(TDelta::Frames, 1);
  EXPECT_EQ(TDelta::Time(), 500 * kFloatMilli);
}

TEST(TWinIcon, SetIconDoesNothing) {
  EXPECT_EQ(TWinIcon::SetIcon(""), 0);
  EXPECT_EQ(TWinIcon::SetIcon("/usr/bin/cellreel"), 0);
}
