// The names of the game's generated data files, in the order the game numbers them. The one
// list: the game, the asset tools and the check tool include this header; CMake reads the
// names from the lines tagged "// sound", "// menu picture" and "// background" (one name a
// line, exactly so); the shell tests through e2e_data_names in tests/e2e/lib/session.sh.
#pragma once

#include <cstdint>
#include <iterator>

namespace zolvane {

// The sound effects, sounds/<name>.wav: effect number i is the i-th file.
enum class Effect : int32_t {
  // Praise for several rows at once, from the plainest up.
  YouAreGood, Spectacular, Smashing, Perfect, Great, Fantastic, Excellent,
  Warning, LineAdd,
  // One per level, taken in turn.
  LevelDone, WellDone, GoodJob,
  MenuChange, MenuEnter, MenuMove,
  GameOver, FigureFall, NewGame, LineDel, LineDelLow,
};

inline constexpr const char* EffectNames[] = {
    "youaregood",   // sound
    "spectacular",  // sound
    "smashing",     // sound
    "perfect",      // sound
    "great",        // sound
    "fantastic",    // sound
    "excellent",    // sound
    "warning",      // sound
    "lineadd",      // sound
    "leveldone",    // sound
    "welldone",     // sound
    "goodjob",      // sound
    "menuchange",   // sound
    "menuenter",    // sound
    "menumove",     // sound
    "gameover",     // sound
    "figurefall",   // sound
    "newgame",      // sound
    "linedel",      // sound
    "linedellow",   // sound
};

constexpr int EffectCount = static_cast<int>(std::size(EffectNames));
static_assert(static_cast<int>(Effect::LineDelLow) == EffectCount - 1);

// The effect N places after FIRST, for the effects chosen by a counter.
constexpr Effect operator+(Effect first, int32_t n) {
  return static_cast<Effect>(static_cast<int32_t>(first) + n);
}
constexpr Effect operator-(Effect first, int32_t n) {
  return static_cast<Effect>(static_cast<int32_t>(first) - n);
}

// The menu's labels, option values, volume stripe and logo, textures/<name>.bmp, in the
// order of the menu's texture slots.
inline constexpr const char* MenuPictureNames[] = {
    "newgame",     // menu picture
    "options",     // menu picture
    "highscores",  // menu picture
    "help",        // menu picture
    "exit",        // menu picture
    "sound",       // menu picture
    "music",       // menu picture
    "rotation",    // menu picture
    "quality",     // menu picture
    "return",      // menu picture
    "plexo1",      // menu picture
    "plexo2",      // menu picture
    "plexo3",      // menu picture
    "plexo4",      // menu picture
    "return2",     // menu picture
    "cw",          // menu picture
    "ccw",         // menu picture
    "low",         // menu picture
    "medium",      // menu picture
    "high",        // menu picture
    "stripe",      // menu picture
    "name",        // menu picture
};

constexpr int MenuPictureCount = static_cast<int>(std::size(MenuPictureNames));

// The backgrounds, made as textures/<name>.jpg and converted to textures/<name>.bmp on the
// first start: the menu's, then one per game type.
inline constexpr const char* BackgroundNames[] = {
    "background",  // background
    "bkgrgame",    // background
    "bkgrgame2",   // background
    "bkgrgame3",   // background
    "bkgrgame4",   // background
};

constexpr int BackgroundCount = static_cast<int>(std::size(BackgroundNames));

}  // namespace zolvane
