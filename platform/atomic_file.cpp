#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace zolvane {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a save must replace: the one a symbolic link (or a chain of them) names, so the
// link survives the rename. A link to a missing file names the file to create, as any write
// through a link would. Empty, with errno set, when the links cannot be followed.
std::string ReplaceTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) return "";
    if (static_cast<size_t>(length) >= link.size()) {
      errno = ENAMETOOLONG;
      return "";
    }
    link.resize(static_cast<size_t>(length));
    path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
  }
  errno = ELOOP;
  return "";
}

bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The rename reaches the disk only with its folder.
void SyncFolder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

const char* ReplaceResult::What() const {
  switch (Step) {
    case ReplaceStep::Done: return "done";
    case ReplaceStep::FollowLink: return "cannot follow its link";
    case ReplaceStep::ReadOnly: return "file is read-only";
    case ReplaceStep::CreateTemp: return "cannot create a file in its folder";
    case ReplaceStep::KeepMode: return "cannot keep its permissions";
    case ReplaceStep::Write: return "write failed";
    case ReplaceStep::Flush: return "flush failed";
    case ReplaceStep::Close: return "close failed";
    case ReplaceStep::Rename: return "cannot replace the old file";
  }
  return "failed";
}

std::string ReplaceResult::Reason() const {
  return std::string(What()) + ": " + std::strerror(Error);
}

ReplaceResult ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const auto failed = [](ReplaceStep step) { return ReplaceResult{step, errno}; };
  const std::string target = ReplaceTarget(path);
  if (target.empty()) return failed(ReplaceStep::FollowLink);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // A file the player made read-only stays as it is, as it would on Windows: also for
  // root, whom access() lets write anything.
  if (exists && ::access(target.c_str(), W_OK) != 0) return failed(ReplaceStep::ReadOnly);
  if (exists && S_ISREG(old.st_mode) && (old.st_mode & 0222) == 0) {
    errno = EACCES;
    return failed(ReplaceStep::ReadOnly);
  }

  // A name no other save uses at the same time; one a killed run left behind is skipped.
  const std::string folder = FolderOf(target);
  const std::string stem = folder + "/." + BaseOf(target) + "." + std::to_string(::getpid()) + ".";
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = stem + std::to_string(attempt) + ".tmp";
    // 0666 under the umask: the permissions of any new file of the folder.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return failed(ReplaceStep::CreateTemp);

  const auto abandon = [&](ReplaceStep step) {
    const ReplaceResult result{step, errno};
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return result;
  };
  if (exists && ::fchmod(fd, old.st_mode & 07777) != 0) return abandon(ReplaceStep::KeepMode);
  if (!WriteAll(fd, bytes)) return abandon(ReplaceStep::Write);
  if (::fsync(fd) != 0) return abandon(ReplaceStep::Flush);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return abandon(ReplaceStep::Close);
  if (::rename(temp.c_str(), target.c_str()) != 0) return abandon(ReplaceStep::Rename);
  SyncFolder(folder);
  return {};
}

}  // namespace zolvane
