#pragma once
// Rendered glyphs of one face at one size, kept in small files between processes: opening a face
// and running its hinting for a dozen digits costs more than the rest of a command-line call that
// draws a caption. A file answers only for the exact font file (by its stamp), face, emboldening,
// height and FreeType version it was rendered with; anything else (a missing, truncated,
// oversized or malformed file) reads as absent, and the glyphs are rendered again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/font_match_file.h"

namespace brevix {

// A face's vertical metrics at one size, in whole pixels.
struct TFontMetrics {
  int Ascent = 0;
  int Descent = 0;
  int UnderlinePos = 0;  // below the baseline
  int UnderlineThickness = 1;
  int StrikePos = 0;  // above the baseline
  int StrikeThickness = 1;
};

// One rendered glyph: 16-level coverage, Width x Rows bytes.
struct TGlyphBitmap {
  int Advance = 0;  // unturned, whole pixels
  int Left = 0;     // bitmap offset from the pen origin, y down
  int Top = 0;
  int Width = 0;
  int Rows = 0;
  std::vector<std::uint8_t> Coverage;
};

// Everything a rendering depends on besides FreeType's version.
struct TGlyphKey {
  std::string File;
  TFileStamp Stamp;
  int Index = 0;
  bool Embolden = false;
  int Height = 0;  // as the font gives it: negative an em height, positive a cell height
};

// The upright glyphs of printable ASCII, what captions are made of, at one size.
struct TGlyphSet {
  static constexpr char32_t kFirst = 0x20;
  static constexpr char32_t kLast = 0x7E;
  TFontMetrics Metrics;
  std::int64_t EmPixels64 = 0;  // the em size set on the face, 26.6
  std::array<TGlyphBitmap, kLast - kFirst + 1> Glyphs;
};

// Not thread-safe: its owner locks.
class TGlyphStore {
 public:
  // Keeps its files in dir; an empty dir keeps nothing.
  explicit TGlyphStore(std::string dir) : FDir(std::move(dir)) {}

  // The folder glyphs/ beside a match file; empty when the match file's path is.
  static std::string BesideMatchFile(const std::string& matchFile);

  bool Enabled() const { return !FDir.empty(); }

  // The file that holds key's glyphs, whether it exists or not.
  std::string PathOf(const TGlyphKey& key) const;

  std::optional<TGlyphSet> Read(const TGlyphKey& key) const;

  // Writes the set atomically. Failures are ignored: the store is only a shortcut. Keeps at most
  // kMaxFiles files, dropping the one written longest ago; a set too large for kMaxFileBytes is
  // not kept.
  void Write(const TGlyphKey& key, const TGlyphSet& set) const;

  static constexpr std::size_t kMaxFiles = 64;
  static constexpr std::size_t kMaxFileBytes = 1 << 20;

 private:
  std::string FDir;
};

}  // namespace brevix
