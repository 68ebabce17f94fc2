#include "game/replay.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/frame_time.h"
#include "game/game_types.h"
#include "game/keys.h"
#include "platform/atomic_file.h"

namespace zolvane {

namespace {

// The line ending and the ^Z show a file that went through a text-mode copy.
constexpr char Magic[8] = {'Z', 'R', 'P', 'L', '\r', '\n', '\x1a', '\n'};

// ---- Little-endian writing and bounded reading.

class Writer {
 public:
  void U8(uint32_t v) { Bytes.push_back(static_cast<char>(v & 0xff)); }
  void U16(uint32_t v) { U8(v); U8(v >> 8); }
  void U32(uint32_t v) { U16(v & 0xffff); U16(v >> 16); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void I64(int64_t v) {
    U32(static_cast<uint32_t>(static_cast<uint64_t>(v)));
    U32(static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
  }
  void Var(uint32_t v) {
    while (v >= 0x80) {
      U8((v & 0x7f) | 0x80);
      v >>= 7;
    }
    U8(v);
  }
  void Raw(std::string_view s) { Bytes.append(s); }
  void Field(uint8_t v) { U8(v); }
  void Field(bool v) { U8(v); }
  void Field(uint32_t v) { U32(v); }
  void Field(int32_t v) { I32(v); }
  std::string Bytes;
};

// Every read checks what is left: a short buffer sets Failed and reads zeros from then on.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : Rest(bytes) {}
  uint32_t U8() {
    if (Rest.empty()) { Failed = true; return 0; }
    const auto v = static_cast<unsigned char>(Rest[0]);
    Rest.remove_prefix(1);
    return v;
  }
  uint32_t U16() { const uint32_t lo = U8(); return lo | (U8() << 8); }
  uint32_t U32() { const uint32_t lo = U16(); return lo | (U16() << 16); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  int64_t I64() {
    const uint64_t lo = U32();
    return static_cast<int64_t>(lo | (static_cast<uint64_t>(U32()) << 32));
  }
  bool Bool() { const uint32_t v = U8(); if (v > 1) Failed = true; return v == 1; }
  // At most five bytes, and no bits past 32.
  uint32_t Var() {
    uint32_t v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      const uint32_t b = U8();
      if (shift == 28 && b > 0x0f) { Failed = true; return 0; }
      v |= (b & 0x7f) << shift;
      if (!(b & 0x80)) return v;
    }
    Failed = true;
    return 0;
  }
  void Field(uint8_t& v) { v = static_cast<uint8_t>(U8()); }
  void Field(bool& v) { v = Bool(); }
  void Field(uint32_t& v) { v = U32(); }
  void Field(int32_t& v) { v = I32(); }
  std::string_view Take(size_t n) {
    if (n > Rest.size()) { Failed = true; Rest = {}; return {}; }
    const std::string_view s = Rest.substr(0, n);
    Rest.remove_prefix(n);
    return s;
  }
  std::string_view Rest;
  bool Failed = false;
};

uint32_t ZigZag(int32_t v) {
  return (static_cast<uint32_t>(v) << 1) ^ static_cast<uint32_t>(v >> 31);
}
int32_t UnZigZag(uint32_t v) {
  return static_cast<int32_t>((v >> 1) ^ (~(v & 1) + 1));
}

// ---- The steps: runs of equal steps, each a byte telling which of the three values
// changed and how long the run is, the changes, and a longer length where it does not fit.

constexpr uint32_t ChangedDelta = 1, ChangedExtra = 2, ChangedInput = 4;
constexpr uint32_t ShortRuns = 31;  // run lengths 1..31 fit in the byte; 32 and up follow it
// The code byte, the longer length, the frame time, the clock's advance and the keys.
constexpr uint32_t MaxStepBytes = 1 + 5 + 1 + 5 + 3;

std::string PackSteps(const std::vector<ReplayStep>& steps) {
  Writer w;
  ReplayStep last;
  for (size_t i = 0; i < steps.size();) {
    const ReplayStep& s = steps[i];
    size_t run = 1;
    while (i + run < steps.size() && steps[i + run] == s) ++run;
    uint32_t mask = 0;
    if (s.FrameDelta != last.FrameDelta) mask |= ChangedDelta;
    if (s.ClockExtra != last.ClockExtra) mask |= ChangedExtra;
    if (s.Input != last.Input) mask |= ChangedInput;
    const uint32_t lengthCode = run < ShortRuns ? static_cast<uint32_t>(run) : ShortRuns;
    w.U8(mask | (lengthCode << 3));
    if (run >= ShortRuns) w.Var(static_cast<uint32_t>(run - ShortRuns));
    if (mask & ChangedDelta) w.U8(s.FrameDelta);
    if (mask & ChangedExtra) w.Var(ZigZag(s.ClockExtra));
    if (mask & ChangedInput) w.Var(s.Input ^ last.Input);
    last = s;
    i += run;
  }
  return w.Bytes;
}

std::string UnpackSteps(std::string_view raw, uint32_t count, std::vector<ReplayStep>& steps) {
  Reader r(raw);
  ReplayStep last;
  steps.clear();
  steps.reserve(count);
  while (!r.Rest.empty()) {
    const uint32_t code = r.U8();
    const uint32_t mask = code & 7;
    uint32_t run = code >> 3;
    if (run == 0) return "a run of no steps";
    if (run == ShortRuns) {
      const uint32_t more = r.Var();
      if (more > MaxReplaySteps) return "a run longer than any game";
      run += more;
    }
    if (mask & ChangedDelta) last.FrameDelta = static_cast<uint8_t>(r.U8());
    if (mask & ChangedExtra) last.ClockExtra = UnZigZag(r.Var());
    if (mask & ChangedInput) last.Input = static_cast<uint16_t>(last.Input ^ r.Var());
    if (r.Failed) return "the steps end in the middle of one";
    if (last.FrameDelta > MaxFrameDelta) return "a step longer than the game allows";
    if (last.Input & ~GameInputMask) return "a step with keys the game does not know";
    if (run > count - steps.size()) return "more steps than the file says";
    steps.insert(steps.end(), run, last);
  }
  if (steps.size() != count) return "fewer steps than the file says";
  return "";
}

// The start's fields in the file's order, written or read by the same list.
template <class Bytes>
void StartFields(Bytes& io, ReplayStart& s) {
  io.Field(s.Seed);
  io.Field(s.KeyRepeatDelay);
  io.Field(s.RotateClockwise);
  io.Field(s.RotationSpeedBits);
  for (int32_t* t : {&s.MoveRepeatTimer, &s.DownRepeatTimer, &s.UpRepeatTimer, &s.EscapeTimer,
                     &s.PauseTimer})
    io.Field(*t);
  io.Field(s.SideMove);
  io.Field(s.SlideStep);
  io.Field(s.SlideGraceMs);
  io.Field(s.BrickFlipActive);
  io.Field(s.BrickFlipColumn);
  io.Field(s.BrickFlipRow);
  io.Field(s.BrickFlipAxis);
  io.Field(s.BrickFlipAngleBits);
  io.Field(s.TimeLeft);
  io.Field(s.TransitionActive);
  io.Field(s.FadeInRunning);
  io.Field(s.FadeLevel);
}

// The values the rules would index or divide by with: the rest they take as they come.
std::string CheckStart(const ReplayStart& s) {
  if (s.SideMove > 2) return "a sideways move the game does not know";
  if (s.BrickFlipActive && (s.BrickFlipColumn < 1 || s.BrickFlipColumn > 10 ||
                            s.BrickFlipRow < 1 || s.BrickFlipRow > 20))
    return "a flipping brick outside the well";
  if (s.FadeLevel < 0 || s.FadeLevel > 255) return "a fade level past 255";
  return "";
}

}  // namespace

std::string EncodeReplay(const Replay& replay) {
  Writer w;
  w.Raw(std::string_view(Magic, sizeof Magic));
  w.U16(ReplayVersion);
  const ReplayHeader& h = replay.Header;
  w.U8(static_cast<uint32_t>(h.GameType));
  w.I32(h.Score);
  w.I32(h.Lines);
  w.I32(h.Level);
  w.I32(h.GameSeconds);
  w.I64(h.Date);
  const std::string_view name =
      std::string_view(h.Player).substr(0, MaxReplayNameBytes);
  w.U8(static_cast<uint32_t>(name.size()));
  w.Raw(name);
  ReplayStart start = replay.Start;
  StartFields(w, start);

  const std::string raw = PackSteps(replay.Steps);
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9) != Z_OK)
    return "";  // only when out of memory
  packed.resize(packedSize);
  w.U32(static_cast<uint32_t>(replay.Steps.size()));
  w.U32(static_cast<uint32_t>(raw.size()));
  w.U32(static_cast<uint32_t>(packed.size()));
  w.Raw(packed);
  w.U32(static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(w.Bytes.data()), w.Bytes.size())));
  return w.Bytes;
}

std::string DecodeReplay(std::string_view bytes, Replay& out) {
  Reader r(bytes);
  if (r.Take(sizeof Magic) != std::string_view(Magic, sizeof Magic)) {
    const bool textCopy = bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view(Magic, 4);
    return textCopy ? "damaged: its first bytes were changed (a copy as text?)"
                    : "not a replay of this game";
  }
  const uint32_t version = r.U16();
  if (r.Failed) return "truncated: it ends in its header";
  if (version > ReplayVersion)
    return "made by a newer version of the game (replay format " + std::to_string(version) +
           ", this one reads up to " + std::to_string(ReplayVersion) + ")";
  if (version == 0) return "damaged: replay format 0";

  Replay replay;
  ReplayHeader& h = replay.Header;
  h.GameType = static_cast<int32_t>(r.U8());
  h.Score = r.I32();
  h.Lines = r.I32();
  h.Level = r.I32();
  h.GameSeconds = r.I32();
  h.Date = r.I64();
  const uint32_t nameSize = r.U8();
  h.Player = std::string(r.Take(nameSize));
  StartFields(r, replay.Start);
  const uint32_t count = r.U32();
  const uint32_t rawSize = r.U32();
  const uint32_t packedSize = r.U32();
  if (r.Failed) return "truncated: it ends in its header";
  const size_t crcOffset = bytes.size() - r.Rest.size() + packedSize;
  if (packedSize > r.Rest.size() || r.Rest.size() - packedSize < 4)
    return "truncated: " + std::to_string(bytes.size()) + " bytes where the header promises " +
           std::to_string(crcOffset + 4);
  const std::string_view packed = r.Take(packedSize);
  const uint32_t storedCrc = r.U32();
  if (!r.Rest.empty()) return "damaged: " + std::to_string(r.Rest.size()) + " bytes after its end";
  if (storedCrc != static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                               static_cast<uInt>(crcOffset))))
    return "damaged: its checksum does not match";

  // The checksum held, so what follows is what a game wrote, or a forgery: checked all the same.
  if (!IsGameType(h.GameType)) return "damaged: game type " + std::to_string(h.GameType);
  if (nameSize > MaxReplayNameBytes) return "damaged: a player name over 64 bytes";
  if (const std::string problem = CheckStart(replay.Start); !problem.empty())
    return "damaged: " + problem;
  if (count > MaxReplaySteps)
    return "damaged: " + std::to_string(count) + " steps, more than any game";
  // Deflate packs at most about 1032 to 1, and a run of steps takes at most MaxStepBytes: a
  // larger promise is a lie, not a reason to allocate.
  if (rawSize > uint64_t{packedSize} * 1040 + 64 || rawSize > uint64_t{count} * MaxStepBytes)
    return "damaged: the steps' size is impossible";
  std::string raw(rawSize, '\0');
  uLongf unpacked = rawSize;
  if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &unpacked,
                 reinterpret_cast<const Bytef*>(packed.data()), packedSize) != Z_OK ||
      unpacked != rawSize)
    return "damaged: its steps cannot be unpacked";
  if (const std::string problem = UnpackSteps(raw, count, replay.Steps); !problem.empty())
    return "damaged: " + problem;
  out = std::move(replay);
  return "";
}

std::string SaveReplay(const std::string& path, const Replay& replay) {
  const std::string bytes = EncodeReplay(replay);
  if (bytes.empty()) return path + ": out of memory";
  const ReplaceResult result = ReplaceFileAtomically(path, bytes);
  return result ? "" : path + ": " + result.Reason();
}

std::string LoadReplay(const std::string& path, Replay& replay) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return path + ": cannot be read: " + std::strerror(errno);
  // Longer than any game packs into: not read into memory to find that out.
  std::error_code error;
  if (const auto size = std::filesystem::file_size(path, error);
      !error && size > MaxReplayFileBytes)
    return path + ": not a replay of this game (" + std::to_string(size) + " bytes)";
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  } catch (const std::ios_base::failure&) {
    return path + ": cannot be read";
  }
  if (in.bad()) return path + ": cannot be read";
  const std::string problem = DecodeReplay(bytes, replay);
  return problem.empty() ? "" : path + ": " + problem;
}

}  // namespace zolvane
