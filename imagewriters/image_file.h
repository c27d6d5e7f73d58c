#pragma once
// Putting encoded pictures on disk: the error every writer raises, the size bounds every writer
// checks, and a write that replaces a file only once the new content is complete.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace brevix {

using TBytes = std::vector<std::uint8_t>;

// A picture could not be encoded (size out of bounds, a library refused it).
class EImageEncodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be written. what() reads: cannot write "NAME": CAUSE.
class EImageWriteError : public std::runtime_error {
 public:
  EImageWriteError(std::string fileName, std::string cause);
  const std::string& FileName() const { return FFileName; }
  const std::string& Cause() const { return FCause; }

 private:
  std::string FFileName;
  std::string FCause;
};

// Largest picture the writers accept: 16-bit readers and the JPEG limit of 65500 both fit, and
// the biggest buffer stays near 200 MB.
inline constexpr int kMaxImageSide = 32767;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;

// Throws EImageEncodeError when a width x height picture is empty or beyond the bounds above.
void CheckImageSize(int width, int height);

// Writes bytes under fileName, as a shell redirection would name the file but never showing a
// half-written one. The name is resolved by the kernel, links included, with its protections.
// - Nothing by that name: the bytes go to an unnamed file in its directory, linked under the
//   name once complete (or to a temporary name renamed into place where the file system cannot
//   make unnamed files).
// - A regular file, or a link to one: the new content is written once, in the directory of the
//   file actually replaced, takes a temporary name only when complete, and is renamed over that
//   file; the link stays, and the file keeps its permission bits. A read-only file is refused as
//   an ordinary overwrite would be. A link to nothing is replaced like any other name.
// - A FIFO or a character device (/dev/stdout, a named pipe): opened and written through.
// - A directory, socket or block device: refused.
// A failure leaves an existing file as it was, and a process killed while writing leaves no
// partial file behind (a named temporary is removed on SIGINT and SIGTERM, whose earlier
// handlers run after that).
void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes);

// Encodes (encode() returns TBytes, or a span of bytes that outlives the call) and writes the
// result under fileName; an encoding problem becomes an EImageWriteError naming the file. Nothing
// touches the disk before the whole file is encoded.
template <class TEncode>
void SaveImageFile(const std::string& fileName, TEncode&& encode) {
  decltype(encode()) bytes{};
  try {
    bytes = encode();
  } catch (const EImageEncodeError& e) {
    throw EImageWriteError(fileName, e.what());
  }
  WriteFileAtomically(fileName, std::span<const std::uint8_t>(bytes));
}

}  // namespace brevix
