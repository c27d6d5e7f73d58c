// The file writer given arbitrary names and content, with something already at the name: a file
// (writable or not), links to files beside it and elsewhere, a link to nothing, a FIFO with its
// reader, a link to a FIFO or a device, a directory, a socket. Everything happens in a scratch
// directory. A write either lands in full where the name leads, or raises and leaves what was
// there; a FIFO stays a FIFO, a link a link, and no temporary file is left.

#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_support.h"
#include "imagewriters/image_file.h"

namespace {

using namespace brevix;
namespace fs = std::filesystem;

enum TKind : std::uint8_t {
  kNothing,
  kFile,
  kReadOnlyFile,
  kLinkBeside,
  kLinkElsewhere,
  kDanglingLink,
  kFifo,
  kLinkToFifo,
  kLinkToDevice,
  kDirectory,
  kSocket,
  kKindCount
};

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A name inside the scratch directory: no way up and out, at most three levels down, not one
// the writer's temporaries could have.
std::string ScratchName(std::string name) {
  std::string out;
  int depth = 0;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    // The harness's own calls read a name up to a NUL: "..\0" must not lead out either.
    for (char& c : part)
      if (c == '\0') c = '_';
    if (part == "..") part = "__";
    // The writer's temporaries have names of this shape: one left behind is a finding.
    if (part.starts_with(".brevix-")) part[0] = '_';
    if (!out.empty()) {
      if (++depth > 3) break;
      out += '/';
    }
    out += part;
  }
  return out.empty() ? std::string("x") : out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::TScratchDir scratch;
  scratch.Empty();
  FuzzedDataProvider in(data, size);
  const auto kind = static_cast<TKind>(in.ConsumeIntegralInRange<int>(0, kKindCount - 1));
  const bool makeParents = in.ConsumeBool();
  const std::string name = ScratchName(in.ConsumeRandomLengthString(200));
  const std::string content = in.ConsumeRemainingBytesAsString();
  const std::string path = scratch.File(name);
  const std::string elsewhere = scratch.File("elsewhere");
  const std::string old = "old content";

  std::error_code ignored;
  fs::create_directory(elsewhere, ignored);
  if (makeParents) fs::create_directories(fs::path(path).parent_path(), ignored);
  const std::string beside = fs::path(path).parent_path() / ".beside";
  bool made = true;
  int reader = -1, sock = -1;
  switch (kind) {
    case kNothing:
      break;
    case kFile:
    case kReadOnlyFile:
      made = static_cast<bool>(std::ofstream(path, std::ios::binary) << old);
      if (kind == kReadOnlyFile) chmod(path.c_str(), 0444);
      break;
    case kLinkBeside:
      made = static_cast<bool>(std::ofstream(beside, std::ios::binary) << old) &&
             symlink(beside.c_str(), path.c_str()) == 0;
      break;
    case kLinkElsewhere:
      made = static_cast<bool>(std::ofstream(elsewhere + "/target", std::ios::binary) << old) &&
             symlink((elsewhere + "/target").c_str(), path.c_str()) == 0;
      break;
    case kDanglingLink:
      made = symlink((elsewhere + "/none").c_str(), path.c_str()) == 0;
      break;
    case kFifo:
    case kLinkToFifo: {
      const std::string fifo = kind == kFifo ? path : elsewhere + "/fifo";
      // The reader waits before the writer; the content fits the pipe's buffer.
      if (mkfifo(fifo.c_str(), 0644) == 0) reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
      made = reader >= 0 && (kind == kFifo || symlink(fifo.c_str(), path.c_str()) == 0);
      break;
    }
    case kLinkToDevice:
      // A device node of the scratch directory's own: a writer that replaced what the link
      // names must not take the system's /dev/null with it.
      made = mknod((elsewhere + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
             symlink((elsewhere + "/null").c_str(), path.c_str()) == 0;
      break;
    case kDirectory:
      made = fs::create_directory(path, ignored);
      break;
    case kSocket: {
      sockaddr_un address{};
      made = path.size() < sizeof address.sun_path;
      if (!made) break;
      address.sun_family = AF_UNIX;
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
      sock = socket(AF_UNIX, SOCK_STREAM, 0);
      made = bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
      break;
    }
    case kKindCount:
      break;
  }
  struct stat before {};
  const bool existed = lstat(path.c_str(), &before) == 0;

  bool wrote = false;
  try {
    WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
    wrote = true;
  } catch (const EImageWriteError& e) {
    fuzz::Require(e.FileName() == path, "the error names another file");
  }
  struct stat after {};
  const bool exists = lstat(path.c_str(), &after) == 0;
  if (made && existed) {
    const bool linkKept = kind == kLinkBeside || kind == kLinkElsewhere || kind == kLinkToFifo ||
                          kind == kLinkToDevice;
    if (linkKept) fuzz::Require(exists && S_ISLNK(after.st_mode), "a link was replaced");
    if (kind == kFifo) fuzz::Require(exists && S_ISFIFO(after.st_mode), "a FIFO was replaced");
    if (kind == kDirectory || kind == kSocket)
      fuzz::Require(!wrote && after.st_ino == before.st_ino, "a directory or socket was taken");
  }
  if (reader >= 0) {
    std::string piped(content.size() + 1, '\0');
    const ssize_t n = read(reader, piped.data(), piped.size());
    piped.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (wrote) fuzz::Require(piped == content, "the FIFO's reader got other bytes");
    close(reader);
  } else if (wrote && kind != kLinkToDevice) {
    fuzz::Require(ReadAll(path) == content, "the name does not give the content written");
  } else if (!wrote && made && existed) {
    if (kind == kFile || kind == kReadOnlyFile || kind == kLinkBeside || kind == kLinkElsewhere)
      fuzz::Require(ReadAll(path) == old, "a failed write changed the file");
  }
  if (sock >= 0) close(sock);
  fuzz::Require(!scratch.HoldsTemporaries(), "a temporary file was left");
  return 0;
}
