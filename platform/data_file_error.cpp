#include "platform/data_file_error.h"

#include <utility>

namespace zolvane {

namespace {
std::string Message(const std::string& file, std::optional<size_t> line,
                    const std::string& reason) {
  std::string where = file;
  if (line) where += " line " + std::to_string(*line);
  return where + ": " + reason;
}
}  // namespace

DataFileError::DataFileError(std::string file, std::string reason)
    : DataFileError(std::move(file), std::nullopt, std::move(reason)) {}

DataFileError::DataFileError(std::string file, std::optional<size_t> line, std::string reason)
    : std::runtime_error(Message(file, line, reason)),
      FileName(std::move(file)),
      LineNumber(line),
      ReasonText(std::move(reason)) {}

}  // namespace zolvane
