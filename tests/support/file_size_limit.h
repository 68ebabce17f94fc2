// Writes that fail as on a full disk.
#pragma once
#include <sys/resource.h>

namespace zolvane::test {

// While it lives, a write that would make a file larger than the limit fails (EFBIG), as on a
// full disk, even for root: the process's file size limit is lowered and SIGXFSZ ignored. The
// limit and the signal's handling before are restored on destruction. Throws
// std::system_error when the limit cannot be set.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit Old{};
  void (*OldHandler)(int) = nullptr;
};

}  // namespace zolvane::test
