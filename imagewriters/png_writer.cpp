#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kColorTypePalette = 3;
constexpr std::uint32_t kPixelsPerMeter = 3780;  // 96 dpi
// Palette pictures of bars compress best unfiltered. Where zlib compresses them (pictures with
// much besides repeated rows and runs), its level 3 finds the repeats at half the cost of the
// default level 6, for files a few hundred bytes larger.
constexpr int kLevel = 3;
constexpr std::uint8_t kFilterNone = 0;
// The zlib header of a level 3 stream with a 32 KB window (CMF, FLG). The data inside is raw
// deflate, written here or by zlib, and the checksum is ours, so that it can skip repeated rows.
constexpr std::uint8_t kZlibHeader[] = {0x78, 0x5E};

void Put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

void Append(TBytes& out, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

void Append32(TBytes& out, std::uint32_t v) {
  std::uint8_t b[4];
  Put32(b, v);
  Append(out, b, 4);
}

// Starts a chunk: its length and type. FinishChunk appends the checksum of type and data.
std::size_t StartChunk(TBytes& out, const char (&type)[5], std::uint32_t length) {
  const std::size_t at = out.size();
  Append32(out, length);
  Append(out, type, 4);
  return at;
}

void FinishChunk(TBytes& out, std::size_t at) {
  const std::uint8_t* typeAndData = out.data() + at + 4;
  const std::size_t size = out.size() - at - 4;
  Append32(out, static_cast<std::uint32_t>(crc32_z(0, typeAndData, size)));
}

// Packs a row of 1-bit indices (each 0 or 1), leftmost pixel in the high bit: eight at a time,
// by a multiplication that gathers the low bit of each byte into the top byte.
void PackRow1(const std::uint8_t* src, std::size_t width, std::uint8_t* dst) {
  std::size_t x = 0;
  for (; x + 8 <= width; x += 8) {
    std::uint64_t v;
    std::memcpy(&v, src + x, 8);
    // Byte k of v (pixel x + k, little-endian) lands at bit 7 - k of the top byte.
    *dst++ = static_cast<std::uint8_t>((v * 0x8040201008040201u) >> 56);
  }
  if (x < width) {
    unsigned v = 0;
    int k = 0;
    for (; x < width; ++x, ++k) v = v << 1 | src[x];
    *dst = static_cast<std::uint8_t>(v << (8 - k));
  }
}

// Packs indices of 2 or 4 bits, leftmost pixel in the high bits, a byte at a time.
void PackRow(const std::uint8_t* src, std::size_t width, int bits, std::uint8_t* dst) {
  const std::size_t perByte = static_cast<std::size_t>(8 / bits);
  std::size_t x = 0;
  for (; x + perByte <= width; x += perByte) {
    unsigned v = 0;
    for (std::size_t k = 0; k < perByte; ++k) v = v << bits | src[x + k];
    *dst++ = static_cast<std::uint8_t>(v);
  }
  if (x < width) {
    unsigned v = 0;
    std::size_t k = 0;
    for (; x < width; ++x, ++k) v = v << bits | src[x];
    *dst = static_cast<std::uint8_t>(v << bits * static_cast<int>(perByte - k));
  }
}

// Fixed Huffman codes (a deflate block of type 1), each stored bit-reversed, ready for a writer
// that fills bytes from their low bit up, with any extra bits already behind the code.
struct TCode {
  std::uint32_t Bits = 0;
  int Count = 0;
};

constexpr std::uint32_t Reversed(std::uint32_t code, int count) {
  std::uint32_t r = 0;
  for (int i = 0; i < count; ++i) r = r << 1 | (code >> i & 1);
  return r;
}

constexpr TCode FixedCode(int symbol) {
  if (symbol < 144) return {Reversed(0x30 + static_cast<std::uint32_t>(symbol), 8), 8};
  if (symbol < 256) return {Reversed(0x190 + static_cast<std::uint32_t>(symbol - 144), 9), 9};
  if (symbol < 280) return {Reversed(static_cast<std::uint32_t>(symbol - 256), 7), 7};
  return {Reversed(0xC0 + static_cast<std::uint32_t>(symbol - 280), 8), 8};
}

constexpr TCode kEndOfBlock = FixedCode(256);

constexpr std::array<TCode, 256> kLiterals = [] {
  std::array<TCode, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = FixedCode(i);
  return t;
}();

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr std::size_t kMaxDistance = 32768;

// Match lengths 3..258: symbols 257..285, each with a base length and extra bits.
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

constexpr std::array<TCode, kMaxMatch + 1> kLengths = [] {
  std::array<TCode, kMaxMatch + 1> t{};
  for (int length = kMinMatch; length <= kMaxMatch; ++length) {
    std::size_t s = kLengthBase.size() - 1;
    while (kLengthBase[s] > length) --s;
    TCode c = FixedCode(257 + static_cast<int>(s));
    c.Bits |= static_cast<std::uint32_t>(length - kLengthBase[s]) << c.Count;
    c.Count += kLengthExtra[s];
    t[static_cast<std::size_t>(length)] = c;
  }
  return t;
}();

// Distances 1..32768: codes 0..29 of five bits, with extra bits from the fifth code on.
constexpr std::array<std::uint32_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

constexpr TCode DistanceCode(std::size_t distance) {
  std::size_t s = kDistanceBase.size() - 1;
  while (kDistanceBase[s] > distance) --s;
  const int extra = s < 4 ? 0 : static_cast<int>(s / 2) - 1;
  TCode c{Reversed(static_cast<std::uint32_t>(s), 5), 5};
  c.Bits |= static_cast<std::uint32_t>(distance - kDistanceBase[s]) << 5;
  c.Count += extra;
  return c;
}

// Appends codes to a byte buffer, low bit first, as deflate packs them.
class TBitWriter {
 public:
  explicit TBitWriter(TBytes& out) : FOut(out), FPos(out.size()) {}

  void Put(const TCode& code) {
    FBits |= std::uint64_t{code.Bits} << FCount;
    FCount += code.Count;
    if (FCount >= 32) {
      Room(4);
      for (int i = 0; i < 4; ++i) FOut[FPos++] = static_cast<std::uint8_t>(FBits >> (8 * i));
      FBits >>= 32;
      FCount -= 32;
    }
  }
  // Writes what is left, padded to a whole byte, and cuts the buffer to the end of it.
  void Finish() {
    Room(8);
    for (; FCount > 0; FCount -= 8, FBits >>= 8) FOut[FPos++] = static_cast<std::uint8_t>(FBits);
    FCount = 0;
    FOut.resize(FPos);
  }

 private:
  void Room(std::size_t bytes) {
    if (FPos + bytes > FOut.size()) FOut.resize(std::max<std::size_t>(FOut.size() * 2, 4096));
  }

  TBytes& FOut;
  std::size_t FPos;
  std::uint64_t FBits = 0;
  int FCount = 0;
};

// How many bytes from a equal those from b, up to most.
std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t most) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= most; n += 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

// Deflates the rows as one block of fixed codes, matching every stretch against the row above
// and against the byte before it: a barcode picture is little else, and finding those two costs
// far less than a general search. Gives up (false, out as it was) once more than maxLiterals
// bytes had to go out as themselves: such a picture is better served by zlib.
bool DeflateRows(std::span<const std::uint8_t> data, std::size_t rowBytes, std::size_t maxLiterals,
                 TBytes& out) {
  assert(rowBytes <= kMaxDistance);
  const std::size_t start = out.size();
  TBitWriter writer(out);
  writer.Put(TCode{0b011, 3});  // the last block, fixed codes
  const TCode up = DistanceCode(rowBytes), before = DistanceCode(1);
  const std::uint8_t* d = data.data();
  std::size_t literals = 0;
  for (std::size_t p = 0; p < data.size();) {
    const std::size_t most = std::min<std::size_t>(kMaxMatch, data.size() - p);
    const std::size_t upLength = p >= rowBytes ? MatchLength(d + p, d + p - rowBytes, most) : 0;
    const std::size_t runLength =
        p > 0 && upLength < most ? MatchLength(d + p, d + p - 1, most) : 0;
    const std::size_t length = std::max(upLength, runLength);
    if (length >= kMinMatch) {
      writer.Put(kLengths[length]);
      writer.Put(runLength >= upLength ? before : up);  // the nearer is the cheaper
      p += length;
    } else {
      if (++literals > maxLiterals) {
        out.resize(start);
        return false;
      }
      writer.Put(kLiterals[d[p]]);
      ++p;
    }
  }
  writer.Put(kEndOfBlock);
  writer.Finish();
  return true;
}

}  // namespace

struct TPngEncoder::TState {
  z_stream Stream{};
  bool Open = false;  // Stream is set up (only once a picture needed it)
  TBytes Out;
  std::vector<std::uint8_t> Rows;  // every row: its filter byte, then its packed pixels
};

TPngEncoder::TPngEncoder() : FState(std::make_unique<TState>()) {}

TPngEncoder::~TPngEncoder() {
  if (FState->Open) deflateEnd(&FState->Stream);
}

void TPngEncoder::Deflate() {
  z_stream& z = FState->Stream;
  if (!FState->Open) {
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw EImageEncodeError("PNG: out of memory");
    FState->Open = true;
  } else if (deflateReset(&z) != Z_OK) {
    throw EImageEncodeError("PNG: deflate failed");
  }
  TBytes& out = FState->Out;
  std::size_t used = out.size();
  out.resize(used + FState->Rows.size() / 8 + 1024);
  z.next_out = out.data() + used;
  z.avail_out = static_cast<uInt>(out.size() - used);
  const std::uint8_t* in = FState->Rows.data();
  std::size_t left = FState->Rows.size();
  for (;;) {
    if (z.avail_in == 0 && left > 0) {
      z.next_in = const_cast<std::uint8_t*>(in);
      z.avail_in = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
      in += z.avail_in;
      left -= z.avail_in;
    }
    if (z.avail_out == 0) {
      // Full: grow by half as much again.
      used = out.size();
      out.resize(used + used / 2);
      z.next_out = out.data() + used;
      z.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - used, 1u << 30));
    }
    const int rc = deflate(&z, left > 0 ? Z_NO_FLUSH : Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EImageEncodeError("PNG: deflate failed");
  }
  out.resize(static_cast<std::size_t>(z.next_out - out.data()));
}

std::span<const std::uint8_t> TPngEncoder::Encode(const TGifImage& image) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  assert(image.Indices.size() ==
         static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));

  TBytes& out = FState->Out;
  out.clear();
  Append(out, kSignature, sizeof kSignature);

  const int bits = image.BitsPerPixel();
  std::size_t at = StartChunk(out, "IHDR", 13);
  Append32(out, static_cast<std::uint32_t>(image.Width));
  Append32(out, static_cast<std::uint32_t>(image.Height));
  const std::uint8_t format[] = {static_cast<std::uint8_t>(bits), kColorTypePalette, 0, 0, 0};
  Append(out, format, sizeof format);
  FinishChunk(out, at);

  at = StartChunk(out, "PLTE", static_cast<std::uint32_t>(image.Palette.size() * 3));
  for (const TColor c : image.Palette) {
    const std::uint8_t rgb[] = {static_cast<std::uint8_t>(ColorR(c)),
                                static_cast<std::uint8_t>(ColorG(c)),
                                static_cast<std::uint8_t>(ColorB(c))};
    Append(out, rgb, 3);
  }
  FinishChunk(out, at);

  at = StartChunk(out, "pHYs", 9);
  Append32(out, kPixelsPerMeter);
  Append32(out, kPixelsPerMeter);
  out.push_back(1);  // the unit is the metre
  FinishChunk(out, at);

  // The rows, unfiltered, each after its filter byte. The stream's checksum covers them all; a
  // row equal to the one above adds the same bytes again, which adler32_combine accounts for
  // without reading them.
  const std::size_t width = static_cast<std::size_t>(image.Width);
  const std::size_t height = static_cast<std::size_t>(image.Height);
  const std::size_t rowBytes = (width * static_cast<std::size_t>(bits) + 7) / 8 + 1;
  std::vector<std::uint8_t>& rows = FState->Rows;
  rows.resize(rowBytes * height);
  uLong adler = adler32(0, nullptr, 0);
  uLong rowAdler = 0;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* src = image.Indices.data() + y * width;
    std::uint8_t* row = rows.data() + y * rowBytes;
    if (y > 0 && std::memcmp(src, src - width, width) == 0) {
      std::memcpy(row, row - rowBytes, rowBytes);
    } else {
      row[0] = kFilterNone;
      if (bits == 8)
        std::memcpy(row + 1, src, width);
      else if (bits == 1)
        PackRow1(src, width, row + 1);
      else
        PackRow(src, width, bits, row + 1);
      rowAdler = adler32_z(1, row, rowBytes);
    }
    adler = adler32_combine(adler, rowAdler, static_cast<z_off_t>(rowBytes));
  }

  // One IDAT chunk holds the whole stream; its length is filled in at the end.
  const std::size_t idat = StartChunk(out, "IDAT", 0);
  Append(out, kZlibHeader, sizeof kZlibHeader);
  if (!DeflateRows(rows, rowBytes, rows.size() / 16 + 64, out)) Deflate();
  Append32(out, static_cast<std::uint32_t>(adler));
  const std::size_t idatLength = out.size() - idat - 8;
  if (idatLength > 0x7FFFFFFF) throw EImageEncodeError("PNG: the picture is too large");
  Put32(out.data() + idat, static_cast<std::uint32_t>(idatLength));
  FinishChunk(out, idat);

  FinishChunk(out, StartChunk(out, "IEND", 0));
  return out;
}

TBytes EncodePng(const TGifImage& image) {
  TPngEncoder encoder;
  const std::span<const std::uint8_t> bytes = encoder.Encode(image);
  return TBytes(bytes.begin(), bytes.end());
}

}  // namespace brevix
