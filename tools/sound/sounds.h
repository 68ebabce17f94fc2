// The twenty sound effects: nine spoken lines and eleven synthesised sounds.
#pragma once
#include <string>

#include "tools/sound/signal.h"

namespace zolvane::gen {

// A line of praise as a game announcer says it; false when espeak-ng fails.
bool Spoken(const std::string& espeak, const std::string& text, Sound& out);

Sound Warning();
Sound LineAdd();
Sound LevelDone();
Sound MenuChange();
Sound MenuEnter();
Sound MenuMove();
Sound GameOver();
Sound FigureFall();
Sound NewGame();
Sound LineDel();
Sound LineDelLow();

}  // namespace zolvane::gen
