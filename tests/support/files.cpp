#include "tests/support/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace zolvane::test {

namespace fs = std::filesystem;

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

[[noreturn]] void Fail(const char* what, const fs::path& path) {
  throw std::runtime_error(std::string(what) + " " + path.string() + ": " + std::strerror(errno));
}

}  // namespace

std::string ReadFile(const fs::path& path) {
  File f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) Fail("cannot open", path);
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(f.get())) Fail("cannot read", path);  // e.g. a folder
  return bytes;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  const std::string bytes = ReadFile(path);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  File f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) Fail("cannot open", path);
  // An empty view may hold no pointer at all, which fwrite must not be given.
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  if (!written || std::fclose(f.release()) != 0)
    Fail("cannot write", path);
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace zolvane::test
