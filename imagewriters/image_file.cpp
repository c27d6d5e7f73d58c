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

// Resolves a symbolic link so that the rename replaces the file it names, not the link.
std::string ResolveLink(const std::string& fileName) {
  char* real = realpath(fileName.c_str(), nullptr);
  if (!real) return fileName;  // a dangling link is replaced like any other name
  std::string result = real;
  std::free(real);
  return result;
}

// Owns the temporary file until it is renamed into place; removes it otherwise.
class TTempFile {
 public:
  TTempFile(const std::string& fileName, const std::string& directory) : FFileName(fileName) {
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
        return;
      }
      if (errno != EEXIST) break;
    }
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      throw EImageWriteError(fileName, "the directory \"" + directory + "\" does not exist");
    }
    throw EImageWriteError(fileName,
                           "cannot create a file in \"" + directory + "\": " + ErrnoText(err));
  }
  ~TTempFile() {
    if (FFd >= 0) close(FFd);
    if (!FPath.empty()) unlink(FPath.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  void Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      const ssize_t n = write(FFd, bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        Fail(errno);
      }
      bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
  }
  void CopyModeFrom(mode_t mode) { (void)fchmod(FFd, mode & 07777); }
  void CommitAs(const std::string& target) {
    const int fd = FFd;
    FFd = -1;
    if (close(fd) != 0) Fail(errno);
    if (rename(FPath.c_str(), target.c_str()) != 0) Fail(errno);
    FPath.clear();
  }

 private:
  [[noreturn]] void Fail(int err) { throw EImageWriteError(FFileName, ErrnoText(err)); }

  std::string FFileName;
  std::string FPath;
  int FFd = -1;
};

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  if (fileName.empty()) throw EImageWriteError(fileName, "the file name is empty");
  // The system reads a name up to its first NUL: "a.txt\0.png" would write a.txt.
  if (fileName.find('\0') != std::string::npos)
    throw EImageWriteError(fileName, "the file name holds a NUL character");
  // One lstat answers for the common case, a name that is not a link.
  struct stat st {};
  bool exists = lstat(fileName.c_str(), &st) == 0;
  std::string target = fileName;
  if (exists && S_ISLNK(st.st_mode)) {
    target = ResolveLink(fileName);
    exists = stat(target.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) throw EImageWriteError(fileName, "it is a directory");
  if (exists && access(target.c_str(), W_OK) != 0) {
    throw EImageWriteError(fileName, ErrnoText(errno));
  }
  TTempFile temp(fileName, DirectoryOf(target));
  if (exists) temp.CopyModeFrom(st.st_mode);
  temp.Write(bytes);
  temp.CommitAs(target);
}

}  // namespace brevix
