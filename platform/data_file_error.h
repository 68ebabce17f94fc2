// The error every reader of the game's data files throws for a file it cannot use. The
// start-up shows its text as the fatal message, so the text begins with the file's name.
#pragma once
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace zolvane {

class DataFileError : public std::runtime_error {
 public:
  // "<file>: <reason>"
  DataFileError(std::string file, std::string reason);
  // "<file> line <line>: <reason>"; without a line as above.
  DataFileError(std::string file, std::optional<size_t> line, std::string reason);

  const std::string& File() const { return FileName; }
  // Counted from 1; an empty file that ends too soon reports line 0.
  std::optional<size_t> Line() const { return LineNumber; }
  const std::string& Reason() const { return ReasonText; }

 private:
  std::string FileName;
  std::optional<size_t> LineNumber;
  std::string ReasonText;
};

}  // namespace zolvane
