#include "app/config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "audio/music.h"
#include "platform/atomic_file.h"
#include "platform/program_path.h"
#include "platform/settings.h"

namespace zolvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A section header's name, or nothing when the line is not one.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

std::string_view KeyOf(std::string_view line) {
  const size_t eq = line.find('=');
  return Trim(eq == std::string_view::npos ? line : line.substr(0, eq));
}

// A key line's value: blanks trimmed, and one pair of quotes around it taken off.
std::string ValueOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::string();
  std::string_view value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void ReportWriteFailure(const std::string& path, const char* what, int error) {
  std::fprintf(stderr, "zolvane: could not save %s (%s): %s\n", path.c_str(), what,
               std::strerror(error));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

struct ConfigState {
  bool OptionsRead = false;  // GetOptions ran: SaveOptions has something to write back
  std::string OptionsPath;
};
ConfigState ConfigFile;

}  // namespace

int32_t ParseProfileInt(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint32_t value = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    for (char c : text.substr(2)) {
      uint32_t digit;
      if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
      else break;
      value = value * 16u + digit;
    }
  } else {
    for (char c : text) {
      if (c < '0' || c > '9') break;
      value = value * 10u + static_cast<uint32_t>(c - '0');
    }
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

IniFile IniFile::Load(const std::string& path) {
  IniFile file;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    file.ReadFailed = errno != ENOENT && errno != ENOTDIR;
    return file;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      file.ReadFailed = true;
      file.Content.clear();
      break;
    }
    if (n == 0) {
      file.Existed = true;
      break;
    }
    file.Content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return file;
}

IniFile IniFile::FromText(std::string text) {
  IniFile file;
  file.Content = std::move(text);
  file.Existed = true;
  return file;
}

std::vector<IniFile::Line> IniFile::SplitLines() const {
  std::vector<Line> lines;
  size_t begin = 0;
  // A UTF-8 byte order mark left by an editor is not part of the first line's text.
  if (Content.compare(0, 3, "\xEF\xBB\xBF") == 0) begin = 3;
  while (begin < Content.size()) {
    size_t newline = Content.find('\n', begin);
    const size_t next = newline == std::string::npos ? Content.size() : newline + 1;
    size_t end = newline == std::string::npos ? Content.size() : newline;
    if (end > begin && Content[end - 1] == '\r') --end;
    lines.push_back({begin, end});
    begin = next;
  }
  return lines;
}

IniFile::Position IniFile::Find(std::string_view section, std::string_view key) const {
  Position pos;
  const std::vector<Line> lines = SplitLines();
  const std::string_view text = Content;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = text.substr(lines[i].Begin, lines[i].End - lines[i].Begin);
    if (auto name = SectionName(line)) {
      if (inside) break;  // only the first section of that name counts, as on Windows
      if (SameName(*name, section)) {
        inside = true;
        pos.SectionFound = true;
        pos.SectionLine = pos.LastContentLine = i;
      }
      continue;
    }
    if (!inside || Trim(line).empty()) continue;
    pos.LastContentLine = i;
    if (!pos.KeyLine && SameName(KeyOf(line), key)) pos.KeyLine = i;
  }
  return pos;
}

std::string IniFile::LineEnd() const {
  const size_t newline = Content.find('\n');
  if (newline == std::string::npos) return "\r\n";
  return newline > 0 && Content[newline - 1] == '\r' ? "\r\n" : "\n";
}

std::optional<std::string> IniFile::GetString(std::string_view section,
                                              std::string_view key) const {
  const Position pos = Find(section, key);
  if (!pos.KeyLine) return std::nullopt;
  const Line line = SplitLines()[*pos.KeyLine];
  return ValueOf(std::string_view(Content).substr(line.Begin, line.End - line.Begin));
}

std::vector<IniFile::Entry> IniFile::Entries(std::string_view section) const {
  std::vector<Entry> entries;
  const std::vector<Line> lines = SplitLines();
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line =
        std::string_view(Content).substr(lines[i].Begin, lines[i].End - lines[i].Begin);
    if (auto name = SectionName(line)) {
      if (inside) break;
      inside = SameName(*name, section);
      continue;
    }
    if (inside && !Trim(line).empty())
      entries.push_back({static_cast<int>(i + 1), std::string(KeyOf(line)), ValueOf(line)});
  }
  return entries;
}

std::vector<int> IniFile::SectionLines(std::string_view section) const {
  std::vector<int> headers;
  const std::vector<Line> lines = SplitLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(
        std::string_view(Content).substr(lines[i].Begin, lines[i].End - lines[i].Begin));
    if (name && SameName(*name, section)) headers.push_back(static_cast<int>(i + 1));
  }
  return headers;
}

int32_t IniFile::GetInt(std::string_view section, std::string_view key) const {
  const auto value = GetString(section, key);
  return value ? ParseProfileInt(*value) : 0;
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  value = Trim(value);
  // Anything that would end the line or change how it parses would let a value rewrite
  // other keys.
  if (key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      key.front() == '[')
    return false;

  const Position pos = Find(section, key);
  const std::vector<Line> lines = SplitLines();
  const std::string eol = LineEnd();
  if (pos.KeyLine) {
    const Line line = lines[*pos.KeyLine];
    const std::string_view old(Content.data() + line.Begin, line.End - line.Begin);
    std::string replacement(KeyOf(old));
    replacement += '=';
    replacement += value;
    Content.replace(line.Begin, line.End - line.Begin, replacement);
    return true;
  }
  const std::string entry = std::string(key) + "=" + std::string(value);
  if (pos.SectionFound) {
    const Line last = lines[pos.LastContentLine];
    // A last line ended by a lone CR has no line feed to insert after.
    if (Content.find('\n', last.End) == std::string::npos) {
      Content += eol + entry + eol;
    } else {
      const size_t after = Content.find('\n', last.End) + 1;
      Content.insert(after, entry + eol);
    }
    return true;
  }
  if (!Content.empty() && Content.back() != '\n') Content += eol;
  Content += "[" + std::string(section) + "]" + eol + entry + eol;
  return true;
}

bool IniFile::SetInt(std::string_view section, std::string_view key, int32_t value) {
  return SetString(section, key, std::to_string(value));
}

bool IniFile::Save(const std::string& path) const {
  const ReplaceResult saved = ReplaceFileAtomically(path, Content);
  if (!saved) ReportWriteFailure(path, saved.What(), saved.Error);
  return static_cast<bool>(saved);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  IniFile file = IniFile::Load(path);
  if (file.Unreadable()) {
    ReportWriteFailure(path, "cannot read it", EACCES);
    return false;
  }
  if (!file.SetString(section, key, value)) return false;
  return file.Save(path);
}

int32_t ReadProfileInt(const std::string& path, std::string_view section, std::string_view key) {
  return IniFile::Load(path).GetInt(section, key);
}

namespace {
std::string ConfigPathOverride;
}

void SetConfigPath(std::string path) { ConfigPathOverride = std::move(path); }

std::string ConfigPath() {
  if (!ConfigPathOverride.empty()) return ConfigPathOverride;
  const std::string exe = ProgramPath();
  if (exe.empty()) return "config.ini";
  return FolderOf(exe) + (exe.rfind('/') == 0 ? "" : "/") + "config.ini";
}

bool ReadFullScreenOption(const std::string& path) {
  return ReadProfileInt(path, "Options", "FullScreen") == 1;
}
bool ReadFullScreenOption() { return ReadFullScreenOption(ConfigPath()); }
bool WriteFullScreenOption(const std::string& path, bool fullScreen) {
  return WriteProfileString(path, "Options", "FullScreen", fullScreen ? "1" : "0");
}
bool WriteFullScreenOption(bool fullScreen) {
  return WriteFullScreenOption(ConfigPath(), fullScreen);
}

void ReadDisplayOptions(const std::string& path) {
  static constexpr int32_t Resolutions[9][2] = {{1600, 1200}, {1280, 960}, {1152, 864},
                                                {1024, 768},  {800, 600},  {640, 480},
                                                {512, 384},   {400, 300},  {320, 240}};
  const IniFile file = IniFile::Load(path);
  const bool fullScreen = file.GetInt("Options", "FullScreen") == 1;
  if (fullScreen) {
    if (file.GetInt("Options", "Use desktop settings") == 1) {
      Config.DisplayWidth = Config.DisplayHeight = 0;
    } else {
      const int32_t mode = file.GetInt("Options", "Resolution");
      if (mode >= 0 && mode <= 8) {
        Config.DisplayWidth = Resolutions[mode][0];
        Config.DisplayHeight = Resolutions[mode][1];
      }
    }
  }
  Config.FullScreen = fullScreen;
  // Unknown values get the slowest setting: a speed or delay of zero would freeze turning
  // figures and make Left/Right repeat on every frame.
  switch (file.GetInt("Options", "Rotation Speed")) {
    case 1: Config.RotationSpeed = 1.15f; break;
    case 2: Config.RotationSpeed = 1.55f; break;
    default: Config.RotationSpeed = 0.75f; break;
  }
  switch (file.GetInt("Options", "Keys Sensetive")) {
    case 1: Config.KeyRepeatDelay = 250; break;
    case 2: Config.KeyRepeatDelay = 170; break;
    default: Config.KeyRepeatDelay = 340; break;
  }
  const int32_t maxFps = file.GetInt("Options", "Max FPS");
  Config.MaxFps = maxFps >= -1 ? maxFps : 0;
}
void ReadDisplayOptions() { ReadDisplayOptions(ConfigPath()); }

KeyOptions ReadBindingSection(const IniFile& file, const std::string& fileName,
                              std::string_view section, const BindingVocabulary& words) {
  std::vector<KeyOptionLine> lines;
  for (const IniFile::Entry& e : file.Entries(section)) lines.push_back({e.Line, e.Key, e.Value});
  KeyOptions read = ReadBindingOptions(lines, words, fileName);
  // A section added below the file's own would be read by nothing.
  const std::vector<int> headers = file.SectionLines(section);
  const std::string name(section);
  for (size_t i = 1; i < headers.size(); ++i)
    read.Messages.push_back(fileName + " line " + std::to_string(headers[i]) + ": [" + name +
                            "] again: only the one at line " + std::to_string(headers[0]) +
                            " is read");
  return read;
}

std::vector<std::string> ReadKeyBindings(const std::string& path, const KeyNameResolver& dikOf) {
  BindingVocabulary keys;
  keys.CodeOf = dikOf;
  const KeyOptions read =
      ReadBindingSection(IniFile::Load(path), path.substr(path.rfind('/') + 1), "Keys", keys);
  KeyBindings = read.Bindings;
  return read.Messages;
}

void GetOptions(const std::string& path) {
  const IniFile file = IniFile::Load(path);
  // Out of range the Options item could not move it back with either arrow.
  Config.MusicVolume = std::clamp(file.GetInt("Settings", "Music volume"), 0, MaxVolume);
  Config.SoundVolume = std::clamp(file.GetInt("Settings", "Sound volume"), 0, MaxVolume);
  Config.RotateClockwise = file.GetInt("Settings", "Rotation") == 1;
  const int32_t quality = file.GetInt("Settings", "Brick Quality");
  if (quality >= 1 && quality <= 3) Config.BrickQuality = static_cast<uint8_t>(quality - 1);
  Config.MusicNumber = file.GetInt("Settings", "Music Number");
  // Saved back as read unless a piece is played: a run without sound keeps the player's place.
  CurrentMusicNumber = Config.MusicNumber;
  ConfigFile.OptionsRead = true;
  ConfigFile.OptionsPath = path;
}
void GetOptions() { GetOptions(ConfigPath()); }

bool SaveOptions() {
  if (!ConfigFile.OptionsRead) return true;
  ConfigFile.OptionsRead = false;
  const std::string& path = ConfigFile.OptionsPath;
  IniFile file = IniFile::Load(path);
  // Rewriting a file we cannot read would drop its [Options].
  if (file.Unreadable()) {
    ReportWriteFailure(path, "cannot read it", EACCES);
    return false;
  }
  file.SetInt("Settings", "Music volume", Config.MusicVolume);
  file.SetInt("Settings", "Sound volume", Config.SoundVolume);
  file.SetInt("Settings", "Rotation", Config.RotateClockwise ? 1 : 0);
  if (Config.BrickQuality <= 2) file.SetInt("Settings", "Brick Quality", Config.BrickQuality + 1);
  file.SetInt("Settings", "Music Number", CurrentMusicNumber);
  return file.Save(path);
}

void ResetConfigState() { ConfigFile = ConfigState{}; }

}  // namespace zolvane
