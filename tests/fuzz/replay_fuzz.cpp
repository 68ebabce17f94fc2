// Replay files: any bytes decode or are refused without harm. The checksum would turn away
// nearly every mutation before the parser sees it, so each input is also tried with its last
// four bytes made its right checksum; a replay decoded encodes and decodes back the same.
#include <zlib.h>

#include <string>

#include "fuzz_support.h"
#include "game/replay.h"

using namespace zolvane;

namespace {
void RoundTrip(const std::string& bytes) {
  Replay replay;
  if (!DecodeReplay(bytes, replay).empty()) return;
  Replay again;
  fuzz::Require(DecodeReplay(EncodeReplay(replay), again).empty(),
                "a decoded replay did not decode once encoded again");
  fuzz::Require(again.Steps == replay.Steps, "the steps changed on their way through the file");
  fuzz::Require(again.Header.Score == replay.Header.Score &&
                    again.Header.Player == replay.Header.Player &&
                    again.Start.Seed == replay.Start.Seed,
                "the header changed on its way through the file");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  RoundTrip(bytes);
  if (size < 4) return 0;
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data), size - 4));
  for (int i = 0; i < 4; ++i) bytes[size - 4 + i] = static_cast<char>(crc >> (8 * i));
  RoundTrip(bytes);
  return 0;
}
