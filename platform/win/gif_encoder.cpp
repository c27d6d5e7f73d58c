#include "platform/win/gif_encoder.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>
#include <utility>

namespace brevix::win {
namespace {

constexpr int kMaxCode = 4095;  // codes are at most 12 bits wide

class TBitWriter {
 public:
  void Write(int code, int bits) {
    FBuffer |= static_cast<std::uint32_t>(code) << FBits;
    FBits += bits;
    while (FBits >= 8) {
      Bytes.push_back(static_cast<std::uint8_t>(FBuffer & 0xFF));
      FBuffer >>= 8;
      FBits -= 8;
    }
  }
  void Flush() {
    if (FBits > 0) Bytes.push_back(static_cast<std::uint8_t>(FBuffer & 0xFF));
    FBuffer = 0;
    FBits = 0;
  }
  std::vector<std::uint8_t> Bytes;

 private:
  std::uint32_t FBuffer = 0;
  int FBits = 0;
};

// LZW code stream of the pixels, before it is cut into sub-blocks.
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
  const int clear = 1 << minCodeSize;
  const int endOfInfo = clear + 1;
  TBitWriter out;
  std::unordered_map<std::uint32_t, int> table;
  int codeSize = minCodeSize + 1;
  int lastCode = endOfInfo;
  out.Write(clear, codeSize);
  int prefix = -1;
  for (const std::uint8_t p : pixels) {
    if (prefix < 0) {
      prefix = p;
      continue;
    }
    const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | p;
    const auto found = table.find(key);
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.Write(prefix, codeSize);
    table.emplace(key, ++lastCode);
    if (lastCode >= (1 << codeSize) && codeSize < 12) ++codeSize;
    if (lastCode == kMaxCode) {
      // The table is full: start again so the codes stay within 12 bits.
      out.Write(clear, codeSize);
      table.clear();
      codeSize = minCodeSize + 1;
      lastCode = endOfInfo;
    }
    prefix = p;
  }
  if (prefix >= 0) {
    out.Write(prefix, codeSize);
    // A decoder counts a table entry for this last code too, and may widen its codes for the
    // end-of-information code that follows.
    if (++lastCode >= (1 << codeSize) && codeSize < 12) ++codeSize;
  }
  out.Write(endOfInfo, codeSize);
  out.Flush();
  return std::move(out.Bytes);
}

void PutWord(std::vector<std::uint8_t>& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> EncodeGif(const TGifImage& picture) {
  // The colour table holds a power of two entries, at least 4 (minimum code size 2).
  int tableBits = 2;
  while ((1 << tableBits) < static_cast<int>(picture.Palette.size())) ++tableBits;
  const int tableSize = 1 << tableBits;

  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutWord(out, picture.Width);
  PutWord(out, picture.Height);
  out.push_back(static_cast<std::uint8_t>(0x80 | ((tableBits - 1) << 4) | (tableBits - 1)));
  out.push_back(0);  // background colour index
  out.push_back(0);  // no aspect ratio
  for (int i = 0; i < tableSize; ++i) {
    const TColor c = i < static_cast<int>(picture.Palette.size()) ? picture.Palette[i] : clBlack;
    out.push_back(static_cast<std::uint8_t>(ColorR(c)));
    out.push_back(static_cast<std::uint8_t>(ColorG(c)));
    out.push_back(static_cast<std::uint8_t>(ColorB(c)));
  }
  if (picture.TransparentIndex >= 0) {
    out.insert(out.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00});
    out.push_back(static_cast<std::uint8_t>(picture.TransparentIndex));
    out.push_back(0x00);
  }
  out.push_back(0x2C);  // image descriptor
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, picture.Width);
  PutWord(out, picture.Height);
  out.push_back(0x00);  // no local colour table, not interlaced

  const int minCodeSize = tableBits;
  out.push_back(static_cast<std::uint8_t>(minCodeSize));
  const std::vector<std::uint8_t> data = Compress(picture.Indices, minCodeSize);
  for (std::size_t pos = 0; pos < data.size(); pos += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - pos);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
               data.begin() + static_cast<std::ptrdiff_t>(pos + n));
  }
  out.push_back(0x00);  // block terminator
  out.push_back(0x3B);  // trailer
  return out;
}

}  // namespace brevix::win
