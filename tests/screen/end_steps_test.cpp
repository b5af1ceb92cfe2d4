#include "screen/end_steps.h"

#include <gtest/gtest.h>

#include <string>

namespace novabit {
namespace {

TEST(EndStepsTest, RunInReverseOrderOfRegistrationAndOnlyOnce) {
  EndSteps steps;
  std::string order;
  steps.add([&order] { order += "screen "; });
  steps.add([&order] { order += "files "; });
  steps.run_all();
  EXPECT_EQ(order, "files screen ");
  EXPECT_TRUE(steps.empty());
  steps.run_all();
  EXPECT_EQ(order, "files screen ");
}

}  // namespace
}  // namespace novabit
