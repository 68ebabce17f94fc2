// Whole files read and written as bytes, for the tests' inputs and what the code wrote.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zolvane::test {

// The file's bytes as they are; throws std::runtime_error naming the file when it cannot be
// read (a missing file is not read as empty).
std::string ReadFile(const std::filesystem::path& path);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

// Replaces the file with the bytes, making the folders on its way; throws std::runtime_error
// naming the file when it cannot be written whole.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace zolvane::test
