// config.ini: the [Options] the player or an installer prepares (read only) and the
// [Settings] the options menu changes (read at start-up, written at shutdown).
//
// The file keeps the Windows initialisation-file rules the game grew up with: sections and
// keys match without regard to case, integers are decimal or 0x hexadecimal, a missing key
// or a value that is not a number reads 0, and a value with trailing junk ("12abc") reads
// its leading digits (12).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/key_config.h"

namespace zolvane {

// The integer a profile value holds: optional blanks and sign, then 0x hex or decimal
// digits up to the first other character. No digits at all reads 0; overflow wraps to
// 32 bits as on Windows.
int32_t ParseProfileInt(std::string_view text);

// One initialisation file held as its lines, so that writing a key touches that key's
// line only and every other byte (comments, blank lines, line ends, foreign sections)
// stays as it was.
class IniFile {
 public:
  // A missing or unreadable file loads empty; Exists() tells which.
  static IniFile Load(const std::string& path);
  static IniFile FromText(std::string text);

  bool Exists() const { return Existed; }
  // The file is there but could not be read: writing it back would lose its contents.
  bool Unreadable() const { return ReadFailed; }
  std::optional<std::string> GetString(std::string_view section, std::string_view key) const;
  int32_t GetInt(std::string_view section, std::string_view key) const;
  // The lines of the section that GetString reads (the first of that name), blank ones left
  // out (comments kept: the reader skips them), as GetString sees them; Line counts from 1.
  struct Entry {
    int Line;
    std::string Key, Value;
  };
  std::vector<Entry> Entries(std::string_view section) const;
  // The lines of all headers of that name: after the first, none is read.
  std::vector<int> SectionLines(std::string_view section) const;

  // Replaces the key's line in place, or appends the key to its section, or appends the
  // section to the file. Refuses (false) names and values that would break the line
  // structure: line breaks, "=" in a key, "]" in a section.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  bool SetInt(std::string_view section, std::string_view key, int32_t value);

  const std::string& Text() const { return Content; }

  // Replaces the file as a whole: a new file beside it, flushed, renamed over the old one.
  // A failure leaves the old file as it was, is reported on standard error and returns false.
  bool Save(const std::string& path) const;

 private:
  struct Line {
    size_t Begin, End;  // the line's text without its line end
  };
  struct Position {
    bool SectionFound = false;
    size_t SectionLine = 0;
    size_t LastContentLine = 0;  // the last non-blank line of the section
    std::optional<size_t> KeyLine;
  };
  std::vector<Line> SplitLines() const;
  Position Find(std::string_view section, std::string_view key) const;
  std::string LineEnd() const;

  std::string Content;
  bool Existed = false;
  bool ReadFailed = false;
};

// Writes one key at once, as WritePrivateProfileString does.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);
int32_t ReadProfileInt(const std::string& path, std::string_view section,
                       std::string_view key);

// The executable's folder followed by "config.ini", unless another path was set (tests).
std::string ConfigPath();
void SetConfigPath(std::string path);  // empty: back to the executable's folder

// [Options] "FullScreen" is 1: the window is created without a border.
bool ReadFullScreenOption(const std::string& path);
bool ReadFullScreenOption();
// F11's choice for the next start: [Options] "FullScreen" 1 or 0, no other byte touched.
// False when the file could not be written (the old one stays).
bool WriteFullScreenOption(const std::string& path, bool fullScreen);
bool WriteFullScreenOption(bool fullScreen);

// Start-up: [Options] into Config.FullScreen, DisplayWidth/Height, RotationSpeed,
// KeyRepeatDelay and MaxFps ("Max FPS": 0, N > 0 or -1; other negatives read as 0).
void ReadDisplayOptions(const std::string& path);
void ReadDisplayOptions();

// A section of bindings ([Keys], [Gamepad]) read by ReadBindingOptions, and a line for each
// later header of its name, which nothing reads.
KeyOptions ReadBindingSection(const IniFile& file, const std::string& fileName,
                              std::string_view section, const BindingVocabulary& words);

// Start-up: [Keys] into KeyBindings, key names looked up by dikOf. Returns a line for each
// line of the section that was not taken, naming the file's line (KeyOptions::Messages).
std::vector<std::string> ReadKeyBindings(const std::string& path, const KeyNameResolver& dikOf);

// Start-up: [Settings] into Config. Remembers the file for SaveOptions.
void GetOptions(const std::string& path);
void GetOptions();

// Shutdown: writes [Settings] back to the file GetOptions read. Without a GetOptions
// nothing was read, so nothing is written (returns true). Returns false when the file
// could not be written; the old file then stays untouched.
bool SaveOptions();

// Forgets that GetOptions ran (tests).
void ResetConfigState();

}  // namespace zolvane
