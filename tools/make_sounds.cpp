// Writes the twenty sound effects into sounds/ of the run folder, as 16-bit PCM wave files
// with the canonical 44-byte header the game reads. The spoken ones come from espeak-ng,
// whose output is the same for one version of it; the rest are synthesised here.
//
// usage: zolvane_make_sounds <run folder> <espeak-ng>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/data_files.h"
#include "tools/sound/sounds.h"

namespace zolvane::gen {
namespace {

bool Write(const std::string& run, Effect effect, const Sound& s) {
  const std::string name = EffectNames[static_cast<int>(effect)];
  const std::filesystem::path path = std::filesystem::path(run) / "sounds" / (name + ".wav");
  std::filesystem::create_directories(path.parent_path());
  const std::vector<uint8_t> bytes = EncodeWave(s);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (f) return true;
  std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return false;
}

struct Line {
  Effect Name;
  const char* Text;
};

constexpr Line Praise[] = {
    {Effect::YouAreGood, "You are good!"}, {Effect::Spectacular, "Spectacular!"},
    {Effect::Smashing, "Smashing!"},       {Effect::Perfect, "Perfect!"},
    {Effect::Great, "Great!"},             {Effect::Fantastic, "Fantastic!"},
    {Effect::Excellent, "Excellent!"},     {Effect::WellDone, "Well done!"},
    {Effect::GoodJob, "Good job!"},
};

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  using zolvane::Effect;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <run folder> <espeak-ng>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1], espeak = argv[2];
  bool ok = true;
  for (const Line& line : Praise) {
    Sound s;
    if (!Spoken(espeak, line.Text, s)) {
      std::fprintf(stderr, "espeak-ng could not say \"%s\"\n", line.Text);
      return 1;
    }
    ok = Write(run, line.Name, s) && ok;
  }
  const std::pair<Effect, Sound (*)()> synthesised[] = {
      {Effect::Warning, Warning},       {Effect::LineAdd, LineAdd},
      {Effect::LevelDone, LevelDone},   {Effect::MenuChange, MenuChange},
      {Effect::MenuEnter, MenuEnter},   {Effect::MenuMove, MenuMove},
      {Effect::GameOver, GameOver},     {Effect::FigureFall, FigureFall},
      {Effect::NewGame, NewGame},       {Effect::LineDel, LineDel},
      {Effect::LineDelLow, LineDelLow},
  };
  for (const auto& [name, make] : synthesised) ok = Write(run, name, make()) && ok;
  return ok ? 0 : 1;
}
