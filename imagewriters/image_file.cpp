#include "imagewriters/image_file.h"

#include <fcntl.h>
#include <linux/limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>

namespace brevix {

EImageWriteError::EImageWriteError(std::string fileName, std::string cause)
    : std::runtime_error("cannot write \"" + fileName + "\": " + cause),
      FFileName(std::move(fileName)),
      FCause(std::move(cause)) {}

namespace {

std::string ErrnoText(int err) {
  return std::strerror(err);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Why fileName cannot be reached when the system answers "not a directory": the nearest ancestor
// that exists and is something else.
std::string ParentProblem(const std::string& fileName) {
  std::string dir = DirectoryOf(fileName);
  for (;;) {
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) break;
      return "\"" + dir + "\" is " + (S_ISREG(st.st_mode) ? "a file" : "not a directory") +
             ", not a directory";
    }
    if (errno != ENOTDIR || dir == "." || dir == "/") break;
    dir = DirectoryOf(dir);
  }
  return ErrnoText(ENOTDIR);
}

// The error for a file that cannot be made in directory.
EImageWriteError DirectoryError(const std::string& fileName, const std::string& directory,
                                int err) {
  if (err == ENOENT) {
    return EImageWriteError(fileName, "the directory \"" + directory + "\" does not exist");
  }
  if (err == ENOTDIR) return EImageWriteError(fileName, ParentProblem(fileName));
  return EImageWriteError(fileName,
                          "cannot create a file in \"" + directory + "\": " + ErrnoText(err));
}

// Writes all of bytes to fd, retrying interrupted and partial writes. Returns 0, or the error.
int WriteFully(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return 0;
}

// A name for a temporary file in directory. Unlikely to collide, and O_EXCL or a link that
// never replaces settles a collision: the process and the clock name it. (Opening a random
// device for every file costs more than writing a small picture.)
std::string TemporaryName(const std::string& directory, int attempt) {
  const auto pid = static_cast<unsigned long long>(getpid());
  const auto now =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "/.brevix-%llx-%llx-%x.tmp", pid, now,
                static_cast<unsigned>(attempt));
  return directory + suffix;
}

// --- Named temporaries removed on SIGINT and SIGTERM --------------------------------------------
// A file under a temporary name exists only between its creation and its rename. A process
// stopped by an interrupt or a termination request in between removes it on the way out; the
// handler then passes the signal on to what was there before (the default: the process ends).

constexpr int kCleanupSlots = 32;

struct TCleanupSlot {
  std::atomic<bool> Used{false};
  std::atomic<bool> Armed{false};
  char Path[PATH_MAX] = {};
};

TCleanupSlot gCleanup[kCleanupSlots];
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM};
struct sigaction gPrevious[std::size(kCleanupSignals)];

void RemoveTemporaries(int sig, siginfo_t* info, void* context) {
  for (TCleanupSlot& slot : gCleanup)
    if (slot.Armed.load()) unlink(slot.Path);
  for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
    if (kCleanupSignals[i] != sig) continue;
    const struct sigaction& previous = gPrevious[i];
    if (previous.sa_flags & SA_SIGINFO) {
      previous.sa_sigaction(sig, info, context);
    } else if (previous.sa_handler == SIG_DFL) {
      // Delivered again once this handler returns, now to end the process.
      signal(sig, SIG_DFL);
      raise(sig);
    } else if (previous.sa_handler != SIG_IGN) {
      previous.sa_handler(sig);
    }
  }
}

void InstallCleanupHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
      if (sigaction(kCleanupSignals[i], nullptr, &gPrevious[i]) != 0) continue;
      // A signal the process ignores does not end it: nothing to clean up then.
      if (!(gPrevious[i].sa_flags & SA_SIGINFO) && gPrevious[i].sa_handler == SIG_IGN) continue;
      struct sigaction ours {};
      ours.sa_sigaction = RemoveTemporaries;
      ours.sa_flags = SA_SIGINFO | SA_RESTART;
      sigemptyset(&ours.sa_mask);
      sigaction(kCleanupSignals[i], &ours, nullptr);
    }
  });
}

// Keeps path in the list that the signal handler removes, for the guard's life.
class TCleanupGuard {
 public:
  TCleanupGuard() = default;
  explicit TCleanupGuard(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    InstallCleanupHandler();
    for (TCleanupSlot& slot : gCleanup) {
      bool expected = false;
      if (!slot.Used.compare_exchange_strong(expected, true)) continue;
      std::memcpy(slot.Path, path.c_str(), path.size() + 1);
      slot.Armed.store(true);
      FSlot = &slot;
      return;
    }
  }
  ~TCleanupGuard() { Release(); }
  TCleanupGuard(const TCleanupGuard&) = delete;
  TCleanupGuard& operator=(const TCleanupGuard&) = delete;
  TCleanupGuard& operator=(TCleanupGuard&& other) noexcept {
    Release();
    FSlot = std::exchange(other.FSlot, nullptr);
    return *this;
  }

  void Release() {
    if (!FSlot) return;
    FSlot->Armed.store(false);
    FSlot->Used.store(false);
    FSlot = nullptr;
  }

 private:
  TCleanupSlot* FSlot = nullptr;
};

// --- Temporary files ----------------------------------------------------------------------------

// A file under a temporary name beside the target, until it is renamed into place; removed
// otherwise.
class TTempFile {
 public:
  explicit TTempFile(const std::string& fileName) : FFileName(fileName) {}
  ~TTempFile() {
    if (FFd >= 0) close(FFd);
    if (!FPath.empty()) unlink(FPath.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Creates an empty file in directory.
  void Create(const std::string& directory) {
    for (int attempt = 0; attempt < 16; ++attempt) {
      std::string path = TemporaryName(directory, attempt);
      FFd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (FFd >= 0) {
        FPath = std::move(path);
        FGuard = TCleanupGuard(FPath);
        return;
      }
      if (errno != EEXIST) break;
    }
    throw DirectoryError(FFileName, directory, errno);
  }
  // Takes over a complete file that has the name path already.
  void Adopt(std::string path) {
    FPath = std::move(path);
    FGuard = TCleanupGuard(FPath);
  }

  // Writes the bytes and closes the file, so that a late write error shows before the rename.
  void WriteAll(std::span<const std::uint8_t> bytes, const mode_t* mode) {
    if (const int err = WriteFully(FFd, bytes)) Fail(err);
    if (mode) (void)fchmod(FFd, *mode & 07777);
    const int fd = std::exchange(FFd, -1);
    if (close(fd) != 0) Fail(errno);
  }
  // Gives the file the name target unless something holds that name already: false then.
  bool TryCommitAsNew(const std::string& target) {
    if (renameat2(AT_FDCWD, FPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      Done();
      return true;
    }
    const int err = errno;
    if (err == EEXIST) return false;
    // A file system that cannot rename without replacing: the name was free a moment ago.
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
      CommitAs(target);
      return true;
    }
    Fail(err);
  }
  void CommitAs(const std::string& target) {
    if (rename(FPath.c_str(), target.c_str()) != 0) Fail(errno);
    Done();
  }

 private:
  [[noreturn]] void Fail(int err) { throw EImageWriteError(FFileName, ErrnoText(err)); }
  void Done() {
    FPath.clear();
    FGuard.Release();
  }

  std::string FFileName;
  std::string FPath;
  int FFd = -1;
  TCleanupGuard FGuard;
};

// A file without a name in a directory until it is complete: a process that dies while writing
// it leaves nothing behind. Not every file system (or system) can make one.
class TUnnamedFile {
 public:
  explicit TUnnamedFile(const std::string& fileName) : FFileName(fileName) {}
  ~TUnnamedFile() {
    if (FFd >= 0) close(FFd);
  }
  TUnnamedFile(const TUnnamedFile&) = delete;
  TUnnamedFile& operator=(const TUnnamedFile&) = delete;

  // False when directory cannot hold an unnamed file (the named way then says why, if it is
  // the directory's fault).
  bool Open(const std::string& directory) {
#ifdef O_TMPFILE
    FFd = open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    return FFd >= 0;
#else
    (void)directory;
    return false;
#endif
  }
  void Write(std::span<const std::uint8_t> bytes, const mode_t* mode) {
    if (const int err = WriteFully(FFd, bytes)) throw EImageWriteError(FFileName, ErrnoText(err));
    if (mode) (void)fchmod(FFd, *mode & 07777);
  }
  // Gives the file the name, never replacing anything. False with errno set when it cannot.
  bool Link(const std::string& name) {
    // Linking the descriptor itself needs a privilege on older kernels; its /proc name does not.
    if (linkat(FFd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;
    char procName[64];
    std::snprintf(procName, sizeof procName, "/proc/self/fd/%d", FFd);
    return linkat(AT_FDCWD, procName, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  }
  // Closes the file once it has a name; on failure removes that name and raises.
  void Close(const std::string& name) {
    const int fd = std::exchange(FFd, -1);
    if (close(fd) != 0) {
      const int err = errno;
      unlink(name.c_str());
      throw EImageWriteError(FFileName, ErrnoText(err));
    }
  }

 private:
  std::string FFileName;
  int FFd = -1;
};

// --- What the name stands for -------------------------------------------------------------------

struct TTarget {
  enum TKind { New, Replace, Stream } Kind = New;
  std::string Path;  // what the rename replaces
  std::string Directory;
  bool HasMode = false;  // an existing file, whose permission bits the new one keeps
  mode_t Mode = 0;
};

// The file behind the link fileName, as the kernel resolved it when it stat'ed it to st: the
// name of the open file, not a path worked out here, so that links the kernel refuses to follow
// are refused.
std::string KernelPath(const std::string& fileName, const struct stat& st) {
  const int fd = open(fileName.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) throw EImageWriteError(fileName, ErrnoText(errno));
  char procName[64];
  std::snprintf(procName, sizeof procName, "/proc/self/fd/%d", fd);
  std::string path(PATH_MAX, '\0');
  const ssize_t n = readlink(procName, path.data(), path.size());
  close(fd);
  if (n > 0 && static_cast<std::size_t>(n) < path.size()) {
    path.resize(static_cast<std::size_t>(n));
  } else {
    // No /proc: the name the C library works out, checked below like the kernel's.
    char* real = realpath(fileName.c_str(), nullptr);
    if (!real) throw EImageWriteError(fileName, ErrnoText(errno));
    path = real;
    std::free(real);
  }
  struct stat at {};
  if (stat(path.c_str(), &at) != 0 || at.st_dev != st.st_dev || at.st_ino != st.st_ino) {
    throw EImageWriteError(fileName, "the file the link names changed while it was written");
  }
  return path;
}

TTarget Examine(const std::string& fileName) {
  struct stat st {};
  // A name that is no link is looked at once; a link is followed by the kernel as it would be for
  // a redirection, with its own protections.
  if (lstat(fileName.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOTDIR) throw EImageWriteError(fileName, ParentProblem(fileName));
    if (err != ENOENT) throw EImageWriteError(fileName, ErrnoText(err));
    return {TTarget::New, fileName, DirectoryOf(fileName)};
  }
  const bool link = S_ISLNK(st.st_mode);
  if (link && stat(fileName.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOTDIR) throw EImageWriteError(fileName, ParentProblem(fileName));
    if (err != ENOENT) throw EImageWriteError(fileName, ErrnoText(err));
    // A link to nothing, which is replaced like any other name.
    return {TTarget::Replace, fileName, DirectoryOf(fileName)};
  }
  if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return {TTarget::Stream, fileName, {}};
  if (S_ISDIR(st.st_mode)) throw EImageWriteError(fileName, "it is a directory");
  if (S_ISSOCK(st.st_mode)) throw EImageWriteError(fileName, "it is a socket");
  if (S_ISBLK(st.st_mode)) throw EImageWriteError(fileName, "it is a block device");
  if (!S_ISREG(st.st_mode)) throw EImageWriteError(fileName, "it is not a regular file");
  // A read-only file is refused as an ordinary overwrite would refuse it.
  if (access(fileName.c_str(), W_OK) != 0) throw EImageWriteError(fileName, ErrnoText(errno));
  std::string path = link ? KernelPath(fileName, st) : fileName;
  std::string directory = DirectoryOf(path);
  return {TTarget::Replace, std::move(path), std::move(directory), true, st.st_mode};
}

// Streams bytes into a pipe or a device, as a redirection does. False when the name no longer
// stands for one.
bool WriteThrough(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  int fd;
  // Opening a FIFO waits for its reader.
  do {
    fd = open(fileName.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw EImageWriteError(fileName, ErrnoText(errno));
  struct stat st {};
  if (fstat(fd, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
    close(fd);
    return false;
  }
  const int err = WriteFully(fd, bytes);
  if (close(fd) != 0 && err == 0 && errno != EINTR)
    throw EImageWriteError(fileName, ErrnoText(errno));
  if (err) throw EImageWriteError(fileName, ErrnoText(err));
  return true;
}

// Writes a file where nothing has the name yet. False when something took the name meanwhile.
bool PublishNew(const std::string& fileName, const TTarget& target,
                std::span<const std::uint8_t> bytes) {
  TUnnamedFile unnamed(fileName);
  if (unnamed.Open(target.Directory)) {
    unnamed.Write(bytes, nullptr);
    if (unnamed.Link(fileName)) {
      unnamed.Close(fileName);
      return true;
    }
    if (errno == EEXIST) return false;
  }
  TTempFile temp(fileName);
  temp.Create(target.Directory);
  temp.WriteAll(bytes, nullptr);
  return temp.TryCommitAsNew(fileName);
}

// Replaces target.Path by a file written once in its own directory, under a name only once it
// is complete, and renamed over it.
void Replace(const std::string& fileName, const TTarget& target,
             std::span<const std::uint8_t> bytes) {
  const mode_t* mode = target.HasMode ? &target.Mode : nullptr;
  TTempFile temp(fileName);
  TUnnamedFile unnamed(fileName);
  bool written = false;
  if (unnamed.Open(target.Directory)) {
    unnamed.Write(bytes, mode);
    for (int attempt = 0; attempt < 16 && !written; ++attempt) {
      std::string name = TemporaryName(target.Directory, attempt);
      if (unnamed.Link(name)) {
        temp.Adopt(name);
        unnamed.Close(name);
        written = true;
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  if (!written) {
    temp.Create(target.Directory);
    temp.WriteAll(bytes, mode);
  }
  temp.CommitAs(target.Path);
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  if (fileName.empty()) throw EImageWriteError(fileName, "the file name is empty");
  // The system reads a name up to its first NUL: "a.txt\0.png" would write a.txt.
  if (fileName.find('\0') != std::string::npos)
    throw EImageWriteError(fileName, "the file name holds a NUL character");
  // What the name is changes only when another process races this one; the bytes are written
  // again then.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const TTarget target = Examine(fileName);
    switch (target.Kind) {
      case TTarget::Stream:
        if (WriteThrough(fileName, bytes)) return;
        break;
      case TTarget::New:
        if (PublishNew(fileName, target, bytes)) return;
        break;
      case TTarget::Replace:
        Replace(fileName, target, bytes);
        return;
    }
  }
  throw EImageWriteError(fileName, "the name kept changing while the file was written");
}

}  // namespace brevix
