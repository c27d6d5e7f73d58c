#include "platform/glyph_store.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ft2build.h>
#include <sys/stat.h>
#include <unistd.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace brevix {

namespace {

// The file's layout, little-endian: the magic, the key's text (its length first), the metrics and
// em size, each glyph's five numbers and its coverage, and a checksum of everything before it.
constexpr std::string_view kMagic = "BXGLYPH1";
constexpr std::size_t kHashDigits = 16;
// Far beyond any glyph of the largest size drawn (4096 pixels a cell): a value past it is not
// ours, and pixel offsets made from it stay far from int's limits.
constexpr std::int64_t kMaxMagnitude = 1 << 20;

// Names the file after its key and checks its contents: a multiply-and-fold hash over eight
// bytes at a time, since the whole file is hashed on every read.
std::uint64_t Hash(std::string_view data) {
  std::uint64_t h = 0xCBF29CE484222325ULL ^ data.size();
  const auto mix = [&h](std::uint64_t word) {
    h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 29;
  };
  std::size_t i = 0;
  for (; i + 8 <= data.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, data.data() + i, 8);
    mix(word);
  }
  std::uint64_t tail = 0;
  for (std::size_t k = 0; i + k < data.size(); ++k)
    tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[i + k])) << (8 * k);
  mix(tail);
  return h;
}

std::string KeyText(const TGlyphKey& key) {
  std::string text = "brevix glyphs\nfreetype " + std::to_string(FREETYPE_MAJOR) + '.' +
                     std::to_string(FREETYPE_MINOR) + '.' + std::to_string(FREETYPE_PATCH) +
                     "\nfile " + std::to_string(key.File.size()) + ' ' + key.File + "\nstamp";
  const TFileStamp& s = key.Stamp;
  for (const long long v : {static_cast<long long>(s.Exists), static_cast<long long>(s.Device),
                            static_cast<long long>(s.Inode), static_cast<long long>(s.Size),
                            static_cast<long long>(s.Modified), static_cast<long long>(s.Changed)})
    text += ' ' + std::to_string(v);
  text += "\nface " + std::to_string(key.Index) + (key.Embolden ? " 1 " : " 0 ") +
          std::to_string(key.Height) + '\n';
  // FreeType reads its hinting settings (the interpreter, stem darkening) from here.
  if (const char* properties = std::getenv("FREETYPE_PROPERTIES"))
    text += std::string("properties ") + properties + '\n';
  return text;
}

void Put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Reads a file's bytes from the front, failing once anything is missing or out of range.
class TReader {
 public:
  explicit TReader(std::string_view data) : FData(data) {}
  bool Bytes(std::size_t n, std::string_view& out) {
    if (n > FData.size()) return false;
    out = FData.substr(0, n);
    FData.remove_prefix(n);
    return true;
  }
  bool Unsigned(int bytes, std::uint64_t& value) {
    std::string_view b;
    if (!Bytes(static_cast<std::size_t>(bytes), b)) return false;
    value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(b[i]);
    return true;
  }
  // A 32-bit signed value within [low, kMaxMagnitude].
  bool Int(int& value, std::int64_t low = -kMaxMagnitude) {
    std::uint64_t u = 0;
    if (!Unsigned(4, u)) return false;
    const auto v =
        static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(u)));
    if (v < low || v > kMaxMagnitude) return false;
    value = static_cast<int>(v);
    return true;
  }
  bool AtEnd() const { return FData.empty(); }

 private:
  std::string_view FData;
};

bool IsStoreName(const char* name) {
  std::size_t n = 0;
  for (; name[n]; ++n)
    if (!((name[n] >= '0' && name[n] <= '9') || (name[n] >= 'a' && name[n] <= 'f'))) return false;
  return n == kHashDigits;
}

// Makes room for one more file: drops the files written longest ago while kMaxFiles or more are
// kept. A store folder of a few dozen files is read only when a new size is rendered.
void Prune(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  struct TEntry {
    std::string Name;
    std::int64_t Modified;
  };
  std::vector<TEntry> entries;
  while (const dirent* e = readdir(d)) {
    struct stat st {};
    if (IsStoreName(e->d_name) && fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
      entries.push_back({e->d_name, static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                                        st.st_mtim.tv_nsec});
    if (entries.size() > 4 * TGlyphStore::kMaxFiles) break;
  }
  closedir(d);
  if (entries.size() < TGlyphStore::kMaxFiles) return;
  std::sort(entries.begin(), entries.end(),
            [](const TEntry& a, const TEntry& b) { return a.Modified < b.Modified; });
  for (std::size_t i = 0; i + TGlyphStore::kMaxFiles <= entries.size(); ++i)
    unlink((dir + '/' + entries[i].Name).c_str());
}

// A key's file, named by the hash of its text.
std::string FileNamed(const std::string& dir, const std::string& keyText) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::uint64_t h = Hash(keyText);
  std::string name(kHashDigits, '0');
  for (std::size_t i = 0; i < kHashDigits; ++i)
    name[i] = kHex[(h >> (4 * (kHashDigits - 1 - i))) & 15];
  return dir + '/' + name;
}

}  // namespace

std::string TGlyphStore::BesideMatchFile(const std::string& matchFile) {
  const std::size_t slash = matchFile.rfind('/');
  if (matchFile.empty() || slash == std::string::npos) return {};
  return matchFile.substr(0, slash + 1) + "glyphs";
}

std::string TGlyphStore::PathOf(const TGlyphKey& key) const {
  return FileNamed(FDir, KeyText(key));
}

std::optional<TGlyphSet> TGlyphStore::Read(const TGlyphKey& key) const {
  if (!Enabled()) return std::nullopt;
  const std::string keyText = KeyText(key);
  const std::optional<std::string> data =
      ReadSmallFile(FileNamed(FDir, keyText), TGlyphStore::kMaxFileBytes);
  if (!data || data->size() < kMagic.size() + 8) return std::nullopt;
  const std::string_view body(data->data(), data->size() - 8);
  TReader sum(std::string_view(*data).substr(body.size()));
  std::uint64_t checksum = 0;
  if (!sum.Unsigned(8, checksum) || checksum != Hash(body)) return std::nullopt;

  TReader in(body);
  std::string_view magic, text;
  std::uint64_t textSize = 0;
  // The whole key, not only its hash: two keys may share a file name.
  if (!in.Bytes(kMagic.size(), magic) || magic != kMagic || !in.Unsigned(4, textSize) ||
      textSize != keyText.size() || !in.Bytes(keyText.size(), text) || text != keyText)
    return std::nullopt;
  TGlyphSet set;
  TFontMetrics& m = set.Metrics;
  int emPixels64 = 0;
  if (!in.Int(m.Ascent) || !in.Int(m.Descent) || !in.Int(m.UnderlinePos) ||
      !in.Int(m.UnderlineThickness, 1) || !in.Int(m.StrikePos) || !in.Int(m.StrikeThickness, 1) ||
      !in.Int(emPixels64, 1))
    return std::nullopt;
  set.EmPixels64 = emPixels64;
  for (TGlyphBitmap& g : set.Glyphs) {
    std::string_view coverage;
    if (!in.Int(g.Advance) || !in.Int(g.Left) || !in.Int(g.Top) || !in.Int(g.Width, 0) ||
        !in.Int(g.Rows, 0) ||
        !in.Bytes(static_cast<std::size_t>(g.Width) * static_cast<std::size_t>(g.Rows), coverage))
      return std::nullopt;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(coverage.data());
    g.Coverage.assign(bytes, bytes + coverage.size());
  }
  if (!in.AtEnd()) return std::nullopt;
  return set;
}

void TGlyphStore::Write(const TGlyphKey& key, const TGlyphSet& set) const {
  if (!Enabled() || set.EmPixels64 < 1 || set.EmPixels64 > kMaxMagnitude) return;
  const std::string keyText = KeyText(key);
  std::string out(kMagic);
  Put(out, keyText.size(), 4);
  out += keyText;
  const TFontMetrics& m = set.Metrics;
  std::size_t total = out.size();
  for (const TGlyphBitmap& g : set.Glyphs) total += 20 + g.Coverage.size();
  if (total + 36 > kMaxFileBytes) return;
  const auto putInt = [&out](std::int64_t v) {
    Put(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(v)), 4);
    return v >= -kMaxMagnitude && v <= kMaxMagnitude;
  };
  bool sound = true;
  for (const int v : {m.Ascent, m.Descent, m.UnderlinePos, m.UnderlineThickness, m.StrikePos,
                      m.StrikeThickness, static_cast<int>(set.EmPixels64)})
    sound = putInt(v) && sound;
  for (const TGlyphBitmap& g : set.Glyphs) {
    for (const int v : {g.Advance, g.Left, g.Top, g.Width, g.Rows}) sound = putInt(v) && sound;
    if (g.Coverage.size() != static_cast<std::size_t>(g.Width) * static_cast<std::size_t>(g.Rows))
      return;
    out.append(g.Coverage.begin(), g.Coverage.end());
  }
  if (!sound) return;
  Put(out, Hash(out), 8);

  const std::size_t slash = FDir.rfind('/');
  if (mkdir(FDir.c_str(), 0700) != 0 && errno == ENOENT && slash != std::string::npos &&
      slash > 0) {
    mkdir(FDir.substr(0, slash).c_str(), 0700);
    mkdir(FDir.c_str(), 0700);
  }
  Prune(FDir);
  ReplaceFile(FileNamed(FDir, keyText), out);
}

}  // namespace brevix
