#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kColorTypePalette = 3;
constexpr std::uint32_t kPixelsPerMeter = 3780;  // 96 dpi
// Palette pictures of bars compress best unfiltered. Their rows repeat: zlib's level 3 finds
// those repeats at half the cost of the default level 6, for files a few hundred bytes larger.
constexpr int kLevel = 3;
constexpr std::uint8_t kFilterNone = 0;
// The zlib header of a level 3 stream with a 32 KB window (CMF, FLG); deflate writes the data
// raw, so that the checksum can skip repeated rows.
constexpr std::uint8_t kZlibHeader[] = {0x78, 0x5E};
// Rows are handed to deflate in batches of about this many bytes.
constexpr std::size_t kBatchBytes = 32 * 1024;

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

}  // namespace

struct TPngEncoder::TState {
  z_stream Stream{};
  bool Open = false;
  TBytes Out;
  std::vector<std::uint8_t> Rows;  // filter byte and packed pixels of the rows waiting for deflate
  std::vector<std::uint8_t> Row;   // the latest row, filter byte first
};

TPngEncoder::TPngEncoder() : FState(std::make_unique<TState>()) {}

TPngEncoder::~TPngEncoder() {
  if (FState->Open) deflateEnd(&FState->Stream);
}

void TPngEncoder::Deflate(int flush) {
  z_stream& z = FState->Stream;
  TBytes& out = FState->Out;
  z.next_in = FState->Rows.data();
  z.avail_in = static_cast<uInt>(FState->Rows.size());
  for (;;) {
    if (z.avail_out == 0) {
      // Full: grow by half as much again. The buffer's size is its room; what deflate wrote
      // ends at next_out, and the size is cut down to that at the end.
      const std::size_t used = out.size();
      out.resize(used + std::max<std::size_t>(used / 2, 4096));
      z.next_out = out.data() + used;
      z.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - used, 1u << 30));
    }
    const int rc = deflate(&z, flush);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EImageEncodeError("PNG: deflate failed");
    if (flush == Z_NO_FLUSH && z.avail_in == 0 && z.avail_out > 0) break;
  }
  FState->Rows.clear();
}

std::span<const std::uint8_t> TPngEncoder::Encode(const TGifImage& image) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  assert(image.Indices.size() ==
         static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));
  z_stream& z = FState->Stream;
  if (!FState->Open) {
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw EImageEncodeError("PNG: out of memory");
    FState->Open = true;
  } else if (deflateReset(&z) != Z_OK) {
    throw EImageEncodeError("PNG: deflate failed");
  }

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

  // One IDAT chunk holds the whole stream; its length is filled in at the end.
  const std::size_t idat = StartChunk(out, "IDAT", 0);
  Append(out, kZlibHeader, sizeof kZlibHeader);

  const std::size_t width = static_cast<std::size_t>(image.Width);
  const std::size_t rowBytes = (width * static_cast<std::size_t>(bits) + 7) / 8 + 1;
  FState->Row.resize(rowBytes);
  FState->Rows.clear();
  FState->Rows.reserve(kBatchBytes + rowBytes);
  // deflate writes straight behind the header, into room the buffer already has where it can.
  const std::size_t header = out.size();
  out.resize(header + image.Indices.size() / 16 + 1024);
  z.next_out = out.data() + header;
  z.avail_out = static_cast<uInt>(out.size() - header);

  // The stream's checksum covers every row; a row equal to the one above adds the same bytes
  // again, which adler32_combine accounts for without reading them.
  uLong adler = adler32(0, nullptr, 0);
  uLong rowAdler = 0;
  std::uint8_t* row = FState->Row.data();
  row[0] = kFilterNone;
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.Height); ++y) {
    const std::uint8_t* src = image.Indices.data() + y * width;
    if (y == 0 || std::memcmp(src, src - width, width) != 0) {
      if (bits == 8)
        std::memcpy(row + 1, src, width);
      else if (bits == 1)
        PackRow1(src, width, row + 1);
      else
        PackRow(src, width, bits, row + 1);
      rowAdler = adler32_z(1, row, rowBytes);
    }
    adler = adler32_combine(adler, rowAdler, static_cast<z_off_t>(rowBytes));
    FState->Rows.insert(FState->Rows.end(), row, row + rowBytes);
    if (FState->Rows.size() >= kBatchBytes) Deflate(Z_NO_FLUSH);
  }
  Deflate(Z_FINISH);
  out.resize(static_cast<std::size_t>(z.next_out - out.data()));

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
