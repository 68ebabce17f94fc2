#include "tests/support/file_size_limit.h"

#include <cerrno>
#include <csignal>
#include <system_error>

namespace zolvane::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  if (::getrlimit(RLIMIT_FSIZE, &Old) != 0)
    throw std::system_error(errno, std::generic_category(), "getrlimit");
  rlimit limit = Old;
  limit.rlim_cur = bytes < Old.rlim_max ? bytes : Old.rlim_max;  // never above the hard limit
  OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
    const int error = errno;
    std::signal(SIGXFSZ, OldHandler);
    throw std::system_error(error, std::generic_category(), "setrlimit");
  }
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &Old);
  std::signal(SIGXFSZ, OldHandler);
}

}  // namespace zolvane::test
