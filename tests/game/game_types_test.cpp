#include <gtest/gtest.h>

#include <string>

#include "game/game_types.h"

namespace zolvane {
namespace {

// Values outside 1..4 reach these through a damaged config or a developer's command line:
// they name nothing, add no rows and take the frame their parity gives, as always.
TEST(GameTypes, EachTypeAndTheValuesAroundThem) {
  struct Case { int32_t type; bool known, garbage, rounded; const char* name; };
  const Case cases[] = {
      {-1, false, false, false, ""},
      {0, false, false, false, ""},
      {Classic, true, false, true, "Classic"},
      {Advanced, true, true, false, "Advanced"},
      {Special, true, false, true, "Special"},
      {Crazy, true, true, false, "Crazy"},
      {5, false, false, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type);
    EXPECT_EQ(IsGameType(c.type), c.known);
    EXPECT_EQ(HasGarbageRows(c.type), c.garbage);
    EXPECT_EQ(HasRoundedFrame(c.type), c.rounded);
    EXPECT_EQ(std::string(GameTypeName(c.type)), c.name);
  }
}

}  // namespace
}  // namespace zolvane
