#include "imagewriters/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brevix {

EImageWriteError::EImageWriteError(std::string fileName, std::string cause)
    : std::runtime_error("cannot write \"" + fileName + "\": " + cause),
      FFileName(std::move(fileName)),
      FCause(std::move(cause)) {}

void CheckImageSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    throw EImageEncodeError("the picture is empty (" + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels)");
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      std::int64_t{width} * height > kMaxImagePixels) {
    throw EImageEncodeError("the picture is too large (" + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels)");
  }
}

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

// The file a symbolic link names, through every link on the way.
std::string ResolveLink(const std::string& fileName) {
  char* real = realpath(fileName.c_str(), nullptr);
  if (!real) return fileName;  // a dangling link is replaced like any other name
  std::string result = real;
  std::free(real);
  return result;
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

// Owns a temporary file beside the target until it is renamed into place; removes it otherwise.
class TTempFile {
 public:
  explicit TTempFile(const std::string& fileName) : FFileName(fileName) {}
  ~TTempFile() {
    if (FFd >= 0) close(FFd);
    if (!FPath.empty()) unlink(FPath.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Creates the file in directory; false with errno set when that fails.
  bool TryCreate(const std::string& directory) {
    // Unlikely to collide, and O_EXCL settles a collision: the process and the clock name it.
    // (Opening a random device for every file costs more than writing a small picture.)
    const auto pid = static_cast<unsigned long long>(getpid());
    for (int attempt = 0; attempt < 16; ++attempt) {
      const auto now = static_cast<unsigned long long>(
          std::chrono::steady_clock::now().time_since_epoch().count());
      char suffix[64];
      std::snprintf(suffix, sizeof suffix, "/.brevix-%llx-%llx-%x.tmp", pid, now,
                    static_cast<unsigned>(attempt));
      std::string path = directory + suffix;
      FFd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (FFd >= 0) {
        FPath = std::move(path);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }
  void Create(const std::string& directory) {
    if (TryCreate(directory)) return;
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      throw EImageWriteError(FFileName, "the directory \"" + directory + "\" does not exist");
    }
    throw EImageWriteError(FFileName,
                           "cannot create a file in \"" + directory + "\": " + ErrnoText(err));
  }

  // Writes the bytes and closes the file, so that a late write error shows before the rename.
  void WriteAll(std::span<const std::uint8_t> bytes) {
    if (const int err = WriteFully(FFd, bytes)) Fail(err);
    const int fd = FFd;
    FFd = -1;
    if (close(fd) != 0) Fail(errno);
  }
  // Gives the file the name target unless something holds that name already. False when
  // something does, or the file system cannot rename without replacing.
  bool TryCommitAsNew(const std::string& target) {
    if (renameat2(AT_FDCWD, FPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      FPath.clear();
      return true;
    }
    const int err = errno;
    if (err == EEXIST || err == EINVAL || err == ENOSYS || err == ENOTSUP) return false;
    Fail(err);
  }
  void CopyModeFrom(mode_t mode) { (void)chmod(FPath.c_str(), mode & 07777); }
  void CommitAs(const std::string& target) {
    if (rename(FPath.c_str(), target.c_str()) != 0) Fail(errno);
    FPath.clear();
  }
  bool IsIn(const std::string& directory) const {
    return FPath.size() > directory.size() && FPath.compare(0, directory.size(), directory) == 0 &&
           FPath.find('/', directory.size() + 1) == std::string::npos;
  }

 private:
  [[noreturn]] void Fail(int err) { throw EImageWriteError(FFileName, ErrnoText(err)); }

  std::string FFileName;
  std::string FPath;
  int FFd = -1;
};

// Writes a new file as an unnamed one in directory and links it under fileName once complete:
// one name operation instead of creating a temporary name and renaming it. The link never
// replaces anything. False when the file system or the system cannot do that, or the name is
// taken; nothing is left behind then. Throws when writing fails.
bool TryWriteUnnamed(const std::string& fileName, const std::string& directory,
                     std::span<const std::uint8_t> bytes) {
#ifdef O_TMPFILE
  const int fd = open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // Closes the file on every way out; until it is linked, closing it deletes it.
  struct TCloser {
    int Fd;
    ~TCloser() {
      if (Fd >= 0) close(Fd);
    }
  } closer{fd};
  if (const int err = WriteFully(fd, bytes)) throw EImageWriteError(fileName, ErrnoText(err));
  // Linking the descriptor itself needs a privilege on older kernels; its /proc name does not.
  if (linkat(fd, "", AT_FDCWD, fileName.c_str(), AT_EMPTY_PATH) != 0) {
    if (errno == EEXIST) return false;
    char procName[64];
    std::snprintf(procName, sizeof procName, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, procName, AT_FDCWD, fileName.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return false;
  }
  closer.Fd = -1;
  if (close(fd) != 0) {
    const int err = errno;
    unlink(fileName.c_str());
    throw EImageWriteError(fileName, ErrnoText(err));
  }
  return true;
#else
  (void)fileName;
  (void)directory;
  (void)bytes;
  return false;
#endif
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  if (fileName.empty()) throw EImageWriteError(fileName, "the file name is empty");
  // The system reads a name up to its first NUL: "a.txt\0.png" would write a.txt.
  if (fileName.find('\0') != std::string::npos)
    throw EImageWriteError(fileName, "the file name holds a NUL character");
  // Most writes make a new file: its content goes beside it first and then takes the name by a
  // link or a rename that never replaces anything, which needs no look at the name beforehand.
  const std::string directory = DirectoryOf(fileName);
  if (TryWriteUnnamed(fileName, directory, bytes)) return;
  TTempFile temp(fileName);
  if (temp.TryCreate(directory)) {
    temp.WriteAll(bytes);
    if (temp.TryCommitAsNew(fileName)) return;
  }
  // Something holds the name (or the directory refused the file; the checks below name why).
  struct stat st {};
  bool exists = lstat(fileName.c_str(), &st) == 0;
  std::string target = fileName;
  if (exists && S_ISLNK(st.st_mode)) {
    // Resolved, so that the rename replaces the file the link names, not the link.
    target = ResolveLink(fileName);
    exists = stat(target.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) throw EImageWriteError(fileName, "it is a directory");
  if (exists && access(target.c_str(), W_OK) != 0) {
    throw EImageWriteError(fileName, ErrnoText(errno));
  }
  const std::string targetDirectory = DirectoryOf(target);
  TTempFile other(fileName);
  TTempFile* file = &temp;
  if (!temp.IsIn(targetDirectory)) {
    // A link into another directory: the content is written again beside the file it names.
    other.Create(targetDirectory);
    other.WriteAll(bytes);
    file = &other;
  }
  if (exists) file->CopyModeFrom(st.st_mode);
  file->CommitAs(target);
}

}  // namespace brevix
