// Replacing a player's file so that a crash, a kill or a full disk leaves the old file or
// the new one, whole: config.ini, highscores.dat, the player folder's first config.ini.
#pragma once

#include <string>
#include <string_view>

namespace zolvane {

// Where a replacement stopped; each caller words its own message from it.
enum class ReplaceStep {
  Done,
  FollowLink,  // a symbolic link (or a chain of them) could not be followed
  ReadOnly,    // the file is read-only and is kept as it is
  CreateTemp,  // no temporary can be made in the file's folder
  KeepMode,    // the old file's permissions cannot be given to the new one
  Write,
  Flush,
  Close,
  Rename,
};

struct ReplaceResult {
  ReplaceStep Step = ReplaceStep::Done;
  int Error = 0;  // errno of the failed step

  explicit operator bool() const { return Step == ReplaceStep::Done; }
  // What failed, e.g. "write failed".
  const char* What() const;
  // What failed and why, e.g. "write failed: No space left on device".
  std::string Reason() const;
};

// Writes BYTES to a temporary beside the file PATH names (through symbolic links, which
// stay), with the old file's permissions, flushes it, renames it over the file and flushes
// the folder. On any failure the temporary is removed and the old file is untouched. A file
// the player made read-only is never replaced.
ReplaceResult ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace zolvane
