// A recorded game: what the rules consumed (the seed, the state a game starts from, and for
// every step its frame time, its clock and its keys), and a header for the player to see.
// Stored in our own binary format, the steps run-length coded and deflated, with a CRC-32.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zolvane {

struct ReplayHeader {
  int32_t GameType = 0;
  int32_t Score = 0, Lines = 0, Level = 0, GameSeconds = 0;
  int64_t Date = 0;  // seconds since 1970, when the game ended
  std::string Player;
};

// What a game starts from besides the seed: state that lives on from the game before and
// from the menus, which the steps read.
struct ReplayStart {
  uint32_t Seed = 0;
  // The settings the rules read; full screen changes with F11, so each step has it.
  int32_t KeyRepeatDelay = 0;
  bool RotateClockwise = true;
  uint32_t RotationSpeedBits = 0;  // the float's bits
  int32_t MoveRepeatTimer = 0, DownRepeatTimer = 0, UpRepeatTimer = 0;
  int32_t EscapeTimer = 0, PauseTimer = 0;
  uint8_t SideMove = 0;
  bool SlideStep = false;
  int32_t SlideGraceMs = 0;
  bool BrickFlipActive = false;
  int32_t BrickFlipColumn = 0, BrickFlipRow = 0, BrickFlipAxis = 0;
  uint32_t BrickFlipAngleBits = 0;  // the float's bits, so it comes back exact
  int32_t TimeLeft = 0;
  bool TransitionActive = false, FadeInRunning = false;
  int32_t FadeLevel = 0;
};

struct ReplayStep {
  uint8_t FrameDelta = 0;  // 0..MaxFrameDelta
  int32_t ClockExtra = 0;  // the clock's advance beyond FrameDelta (a frame longer than the cap)
  uint16_t Input = 0;      // GameInputBit
  bool operator==(const ReplayStep& o) const {
    return FrameDelta == o.FrameDelta && ClockExtra == o.ClockExtra && Input == o.Input;
  }
};

struct Replay {
  ReplayHeader Header;
  ReplayStart Start;
  std::vector<ReplayStep> Steps;
};

constexpr uint16_t ReplayVersion = 1;
constexpr size_t MaxReplayNameBytes = 64;
// About 37 hours at 60 steps a second: far past any game, small enough to hold in memory.
constexpr uint32_t MaxReplaySteps = 8u << 20;
constexpr uint64_t MaxReplayFileBytes = 64u << 20;

std::string EncodeReplay(const Replay& replay);
// Empty on success; otherwise what is wrong with the bytes, and replay is left as it was.
std::string DecodeReplay(std::string_view bytes, Replay& replay);

// Whole files. Saving replaces the file atomically; both return "" or the problem, worded
// with the file's name.
std::string SaveReplay(const std::string& path, const Replay& replay);
std::string LoadReplay(const std::string& path, Replay& replay);

}  // namespace zolvane
