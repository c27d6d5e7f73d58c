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

// Writes bytes under fileName. The bytes go to a new file beside the target first, which is
// renamed over it once complete, so the name never shows a half-written file and an existing file
// stays as it was when anything fails. A symbolic link is written through, an existing file keeps
// its permission bits, and a read-only file is refused as an ordinary overwrite would be.
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
