// What the fuzz targets share: a scratch run folder of their own for readers that only take
// a path (relative to the run folder), and the input written into it.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace zolvane::fuzz {

// Made once per process and entered; removed at a normal exit (a crash leaves it, beside the
// saved input). Memory-backed where the system has /dev/shm, so the readers' files cost no
// disk writes. Never destroyed: the exit handler still needs it after static destructors.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path* const folder = [] {
    namespace fs = std::filesystem;
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = tmp && *tmp ? fs::path(tmp) : fs::temp_directory_path();
    if (!(tmp && *tmp) && ::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    std::string pattern = (base / "zolvane-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
      std::perror("zolvane fuzz: cannot make a scratch folder");
      std::abort();
    }
    fs::current_path(pattern);
    return new fs::path(pattern);
  }();
  static const bool removedAtExit = std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(*folder, ignored);
  }) == 0;
  (void)removedAtExit;
  return *folder;
}

// Writes bytes to a file of the scratch folder, replacing what it held.
inline void WriteFile(const std::string& relativePath, const uint8_t* data, size_t size) {
  ScratchFolder();
  const std::filesystem::path path(relativePath);
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::FILE* f = std::fopen(relativePath.c_str(), "wb");
  if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
    std::perror(relativePath.c_str());
    std::abort();
  }
}

inline void WriteFile(const std::string& relativePath, std::string_view text) {
  WriteFile(relativePath, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// A property the reader must keep: a broken one is a finding, reported like a crash.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "zolvane fuzz: property broken: %s\n", what);
    std::abort();
  }
}

}  // namespace zolvane::fuzz
