#include "platform/win/gif_encoder.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace brevix::win {
namespace {

constexpr int kMaxColors = 256;
constexpr int kMaxCode = 4095;  // codes are at most 12 bits wide

// Levels of the fallback colour cube: 6 reds x 7 greens x 6 blues = 252 colours.
constexpr int kCubeR = 6, kCubeG = 7, kCubeB = 6;

int CubeLevel(int value, int levels) {
  return (value * (levels - 1) + 127) / 255;
}

int CubeValue(int level, int levels) {
  return level * 255 / (levels - 1);
}

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

TPalettePicture ReduceToPalette(const std::uint8_t* bgrx, int width, int height, int stride) {
  TPalettePicture picture;
  picture.Width = std::max(width, 0);
  picture.Height = std::max(height, 0);
  picture.Pixels.resize(static_cast<std::size_t>(picture.Width) * picture.Height);
  auto colorAt = [&](int x, int y) {
    const std::uint8_t* p = bgrx + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
    return RGBColor(p[2], p[1], p[0]);
  };

  std::unordered_map<TColor, int> exact;
  bool fits = true;
  for (int y = 0; y < picture.Height && fits; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      const TColor c = colorAt(x, y);
      auto [it, added] = exact.emplace(c, static_cast<int>(picture.Palette.size()));
      if (added) {
        if (picture.Palette.size() == kMaxColors) {
          fits = false;
          break;
        }
        picture.Palette.push_back(c);
      }
      picture.Pixels[static_cast<std::size_t>(y) * picture.Width + x] =
          static_cast<std::uint8_t>(it->second);
    }
  }
  if (fits) return picture;

  picture.Palette.clear();
  for (int r = 0; r < kCubeR; ++r) {
    for (int g = 0; g < kCubeG; ++g) {
      for (int b = 0; b < kCubeB; ++b) {
        picture.Palette.push_back(
            RGBColor(CubeValue(r, kCubeR), CubeValue(g, kCubeG), CubeValue(b, kCubeB)));
      }
    }
  }
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      const TColor c = colorAt(x, y);
      const int index =
          (CubeLevel(ColorR(c), kCubeR) * kCubeG + CubeLevel(ColorG(c), kCubeG)) * kCubeB +
          CubeLevel(ColorB(c), kCubeB);
      picture.Pixels[static_cast<std::size_t>(y) * picture.Width + x] =
          static_cast<std::uint8_t>(index);
    }
  }
  return picture;
}

std::optional<int> PaletteIndex(TPalettePicture& picture, TColor color) {
  const auto it = std::find(picture.Palette.begin(), picture.Palette.end(), color);
  if (it != picture.Palette.end()) return static_cast<int>(it - picture.Palette.begin());
  if (picture.Palette.size() >= kMaxColors) return std::nullopt;
  picture.Palette.push_back(color);
  return static_cast<int>(picture.Palette.size() - 1);
}

std::vector<std::uint8_t> EncodeGif(const TPalettePicture& picture,
                                    std::optional<int> transparentIndex) {
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
  if (transparentIndex) {
    out.insert(out.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00});
    out.push_back(static_cast<std::uint8_t>(*transparentIndex));
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
  const std::vector<std::uint8_t> data = Compress(picture.Pixels, minCodeSize);
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
