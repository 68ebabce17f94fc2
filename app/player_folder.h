// The installed program's run folder. Built, the executable lives in its run folder with
// its data; installed, it lives in bin/ and its data read-only in share/zolvane/, so each
// player gets a run folder of their own with their settings, scores and logs, and links
// to the shared data. The game inside reads and writes relative to its run folder either way.
#pragma once
#include <optional>
#include <string>

namespace zolvane {

// The read-only data folders every player's run folder links to.
inline constexpr const char* SharedDataNames[] = {"data", "textures", "sounds", "music"};

// The installed data folder of an executable in EXE_FOLDER (bin/ beside share/zolvane/),
// or nothing when the executable runs from a run folder of its own.
std::optional<std::string> InstalledDataFolder(const std::string& exeFolder);

// $XDG_DATA_HOME/zolvane, or HOME/.local/share/zolvane when XDG_DATA_HOME is unset, empty
// or relative (as the base directory rules say); empty when neither gives an absolute path.
std::string PlayerFolderPath(const char* xdgDataHome, const char* home);

// Creates the folder, copies the default config.ini into it the first time, and points
// the shared data names at DATA_FOLDER. The player's own files are never replaced; a name
// that is not a link (put there by the player) is left as it is.
bool PreparePlayerFolder(const std::string& folder, const std::string& dataFolder,
                         std::string* error);

// Installed: prepares the player's folder, makes it the current directory and config.ini's
// home. From a run folder: does nothing. False (with the reason) when the folder cannot be made.
bool EnterPlayerFolder(std::string* error);

}  // namespace zolvane
