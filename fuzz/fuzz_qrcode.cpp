// The QR Code encoder with any bytes and any options, in range or not. The first four bytes
// choose the options, the rest is the data. A result is either an error with a message and no
// rows, or a square symbol of a valid version whose finder, timing and format modules are where
// a reader looks for them, and encoding again gives the same symbol.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encoders/qrcode.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace brevix;

bool Dark(const TMatrixResult& r, int x, int y) {
  return r.Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '1';
}

// Finder pattern with its top-left module at (x, y): rings dark, light, dark 3 x 3.
void CheckFinder(const TMatrixResult& r, int x, int y) {
  for (int dy = 0; dy < 7; ++dy)
    for (int dx = 0; dx < 7; ++dx) {
      const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
      fuzz::Require(Dark(r, x + dx, y + dy) == (ring != 2), "finder pattern damaged");
    }
}

// The two copies of the format information agree, carry a valid BCH code and the level asked
// for, and the mask asked for when one was.
void CheckFormat(const TMatrixResult& r, int size, TQrLevel level, int mask) {
  int first = 0;
  int second = 0;
  auto bit = [&](int& word, int x, int y, int i) { word |= (Dark(r, x, y) ? 1 : 0) << i; };
  for (int i = 0; i <= 5; ++i) bit(first, 8, i, i);
  bit(first, 8, 7, 6);
  bit(first, 8, 8, 7);
  bit(first, 7, 8, 8);
  for (int i = 9; i < 15; ++i) bit(first, 14 - i, 8, i);
  for (int i = 0; i < 8; ++i) bit(second, size - 1 - i, 8, i);
  for (int i = 8; i < 15; ++i) bit(second, 8, size - 15 + i, i);
  fuzz::Require(first == second, "format information copies differ");
  const int value = (first ^ 0x5412) >> 10;
  int rem = value;
  for (int i = 0; i < 10; ++i) rem = (rem << 1) ^ ((rem >> 9) * 0x537);
  fuzz::Require(((value << 10) | rem) == (first ^ 0x5412), "format information BCH code wrong");
  static constexpr int kLevelBits[] = {1, 0, 3, 2};
  fuzz::Require((value >> 3) == kLevelBits[static_cast<int>(level)], "format level differs");
  if (mask >= 0) fuzz::Require((value & 7) == mask, "format mask differs from the one asked");
  fuzz::Require(Dark(r, 8, size - 8), "dark module missing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t flags = data[0];
  TQrOptions opts;
  opts.Level = static_cast<TQrLevel>(flags & 3);
  opts.Gs1 = (flags & 0x04) != 0;
  opts.ShiftJis = (flags & 0x08) != 0;
  const bool eci = (flags & 0x10) != 0;
  const bool wild = (flags & 0x20) != 0;  // values past the ranges, to reach the refusals
  opts.MinVersion = wild ? data[1] - 100 : data[1] % 41;
  opts.Mask = wild ? data[2] - 100 : data[2] % 9 - 1;
  opts.Eci = !eci ? -1 : wild ? data[3] * 4000 - 1 : (flags & 0x40) ? data[3] * 100 : data[3];
  if (wild && (flags & 0x80)) opts.Level = static_cast<TQrLevel>(4 + data[3] % 252);
  const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);

  const TMatrixResult r = EncodeQrCode(text, opts);
  const TMatrixResult again = EncodeQrCode(text, opts);
  fuzz::Require(again.Rows == r.Rows && again.Error == r.Error && again.Message == r.Message,
                "encoding the same input twice differs");
  if (!r.Ok()) {
    fuzz::Require(r.Rows.empty(), "rows with an error");
    fuzz::Require(!r.Message.empty() && r.Message.find('\n') == std::string::npos,
                  "an error needs a one-line message");
    const bool optionsValid = static_cast<int>(opts.Level) <= 3 && opts.MinVersion >= 0 &&
                              opts.MinVersion <= 40 && opts.Mask >= -1 && opts.Mask <= 7 &&
                              opts.Eci >= -1 && opts.Eci <= 999999;
    if (!optionsValid)
      fuzz::Require(r.Error == erErrorInBarCode, "options out of range not refused as such");
    else if (text.empty())
      fuzz::Require(r.Error == erEmptyCode, "empty data not refused as such");
    else
      fuzz::Require(r.Error == erBarcodeLengthInvalid, "valid data refused but not as too long");
    // Any 1269 bytes fit version 40-H in byte mode, after the longest ECI and the FNC1 headers.
    if (r.Error == erBarcodeLengthInvalid)
      fuzz::Require(text.size() > 1269, "short data refused as too long");
    return 0;
  }
  const int n = static_cast<int>(r.Rows.size());
  fuzz::Require(n >= 21 && n <= 177 && (n - 17) % 4 == 0, "symbol size is not 17 + 4v");
  fuzz::Require((n - 17) / 4 >= opts.MinVersion, "version below the minimum asked");
  for (const std::string& row : r.Rows) {
    fuzz::Require(static_cast<int>(row.size()) == n, "symbol is not square");
    for (char c : row) fuzz::Require(c == '0' || c == '1', "module other than 0 or 1");
  }
  CheckFinder(r, 0, 0);
  CheckFinder(r, n - 7, 0);
  CheckFinder(r, 0, n - 7);
  for (int i = 8; i < n - 8; ++i) {
    fuzz::Require(Dark(r, i, 6) == (i % 2 == 0), "horizontal timing pattern damaged");
    fuzz::Require(Dark(r, 6, i) == (i % 2 == 0), "vertical timing pattern damaged");
  }
  CheckFormat(r, n, opts.Level, opts.Mask);
  return 0;
}
