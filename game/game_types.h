// The four game types and what sets them apart. The numbers are those config.ini,
// highscores.dat and the command lines use, so they never change.
#pragma once
#include <cstdint>

namespace zolvane {

enum GameTypeId : int32_t { Classic = 1, Advanced = 2, Special = 3, Crazy = 4 };

constexpr int32_t GameTypeCount = 4;

constexpr bool IsGameType(int32_t type) { return type >= Classic && type <= Crazy; }

// A row of garbage rises from the bottom every 45 seconds, and the counters beside the
// well show the time to it and the rows added so far.
constexpr bool HasGarbageRows(int32_t type) { return type == Advanced || type == Crazy; }

// The odd types (Classic, Special) sit in the rounded blue glass frame, the even ones in
// the chamfered purple one.
constexpr bool HasRoundedFrame(int32_t type) { return type % 2 == 1; }

// As the game names it on screen; "" for anything else.
constexpr const char* GameTypeName(int32_t type) {
  switch (type) {
    case Classic: return "Classic";
    case Advanced: return "Advanced";
    case Special: return "Special";
    case Crazy: return "Crazy";
    default: return "";
  }
}

}  // namespace zolvane
