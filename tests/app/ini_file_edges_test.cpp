// config.ini text at the edges: how a key is added to a section that ends the file, whatever
// ends its last line. Found by the config fuzz target.
#include <gtest/gtest.h>

#include <string>

#include "app/config.h"

namespace zolvane {
namespace {

TEST(IniFileEdges, AKeyAddedToTheLastSectionStaysInItWhateverEndsTheFile) {
  const struct {
    const char* Text;
    const char* Expected;
  } cases[] = {
      {"[A]\r\nx=1\r\n[Settings]\r\ny=2", "[A]\r\nx=1\r\n[Settings]\r\ny=2\r\nMusic volume=7\r\n"},
      {"[A]\r\nx=1\r\n[Settings]\r\ny=2\r\n",
       "[A]\r\nx=1\r\n[Settings]\r\ny=2\r\nMusic volume=7\r\n"},
      // A lone CR ends the last line: the key once went to the top of the file, outside
      // every section, and the setting was lost.
      {"[A]\r\nx=1\r\n[Settings]\r\ny=2\r", "[A]\r\nx=1\r\n[Settings]\r\ny=2\r\r\nMusic volume=7\r\n"},
      {"[Settings]\r", "[Settings]\r\r\nMusic volume=7\r\n"},
      {"[Settings]\ny=2\r", "[Settings]\ny=2\r\nMusic volume=7\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    IniFile file = IniFile::FromText(c.Text);
    ASSERT_TRUE(file.SetInt("Settings", "Music volume", 7));
    EXPECT_EQ(file.Text(), c.Expected);
    EXPECT_EQ(file.GetInt("Settings", "Music volume"), 7);
    EXPECT_FALSE(file.GetString("A", "Music volume").has_value());
  }
}

}  // namespace
}  // namespace zolvane
