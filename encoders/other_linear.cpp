#include "encoders/other_linear.h"

#include <array>
#include <cstddef>
#include <string>

namespace brevix {

namespace {

// Where c sits in set, or -1 for a character the set does not hold.
int IndexIn(std::string_view set, char c) {
  const auto at = set.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int DigitValue(char c) {
  return static_cast<unsigned char>(c) - '0';
}

// Remainder in 0..m-1 also for a negative sum.
int PositiveMod(int v, int m) {
  const int r = v % m;
  return r < 0 ? r + m : r;
}

// ---- Codabar -------------------------------------------------------------------------------

constexpr std::string_view kCodabarChars = "0123456789-$:/.+ABCD";
// Each pattern ends with its one-module gap.
constexpr std::array<std::string_view, 20> kCodabarPatterns = {
    "1010100110",  "1010110010",  "1010010110",  "1100101010",  "1011010010",   // 0-4
    "1101010010",  "1001010110",  "1001011010",  "1001101010",  "1101001010",   // 5-9
    "1010011010",  "1011001010",  "11010110110", "11011010110", "11011011010",  // - $ : / .
    "10110110110", "10110010010", "10010010110", "10100100110", "10100110010",  // + A B C D
};
static_assert(kCodabarChars.size() == kCodabarPatterns.size());
// The check character is one of the first sixteen characters.
constexpr int kCodabarCheckModulo = 16;

// Start and stop characters; a text that does not bring its own pair is framed by "A".
constexpr std::string_view kCodabarStartStop = "ABCD";
constexpr char kCodabarDefaultStartStop = 'A';
// ABC Codabar separates its symbols by a blank drawn as twelve space modules.
constexpr std::string_view kAbcCodabarSeparator = "000000000000";

// ---- MSI -----------------------------------------------------------------------------------

constexpr std::string_view kMsiChars = "0123456789ABCDEF";
constexpr std::string_view kMsiBit0 = "10000";
constexpr std::string_view kMsiBit1 = "11100";
// The second check digit is added when the first makes fourteen characters.
constexpr std::size_t kMsiDoubleCheckLength = 14;

// ---- PostNet -------------------------------------------------------------------------------

// Five bars per digit, "1" tall and "0" short; every digit has two tall bars.
constexpr std::array<std::string_view, 10> kPostNetDigits = {
    "11000", "00011", "00101", "00110", "01001", "01010", "01100", "10001", "10010", "10100",
};

// ---- Code 11 -------------------------------------------------------------------------------

constexpr std::string_view kCode11Chars = "0123456789-";
// Each pattern ends with its one-module gap.
constexpr std::array<std::string_view, 11> kCode11Patterns = {
    "1010110",  "11010110", "10010110", "11001010", "10110110", "11011010",
    "10011010", "10100110", "11010010", "1101010",  "1011010",
};
static_assert(kCode11Chars.size() == kCode11Patterns.size());
constexpr std::string_view kCode11Start = "20220020";
constexpr std::string_view kCode11Stop = "2022002";
constexpr int kCode11Modulo = 11;

// Weights 1, 2, ... from the rightmost character, back to 1 after maxWeight.
char Code11CheckCharacter(std::string_view text, int maxWeight) {
  int sum = 0;
  int weight = 1;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    sum = (sum + weight * IndexIn(kCode11Chars, *it)) % kCode11Modulo;
    weight = weight == maxWeight ? 1 : weight + 1;
  }
  return kCode11Chars[static_cast<std::size_t>(sum)];
}

// True when every character of text is in set.
bool AllIn(std::string_view set, std::string_view text) {
  for (char c : text)
    if (IndexIn(set, c) < 0) return false;
  return true;
}

// The pattern of a start or stop character, in long bars that run down through the caption band.
std::string CodabarLongBars(char c) {
  std::string p(kCodabarPatterns[static_cast<std::size_t>(IndexIn(kCodabarChars, c))]);
  for (char& m : p)
    if (m == kBar) m = kGuardBar;
  return p;
}

}  // namespace

TEncodeResult EncodeCodabar(std::string_view text, const TEncodeOptions& opts) {
  if (text.empty() || !AllIn(kCodabarChars, text)) return {};
  // A text that begins and ends with a start/stop character supplies the symbol's own start and
  // stop: readers end the symbol at the first one they meet, so these cannot be data.
  const bool ownStartStop = text.size() >= 2 && IndexIn(kCodabarStartStop, text.front()) >= 0 &&
                            IndexIn(kCodabarStartStop, text.back()) >= 0;
  const char start = ownStartStop ? text.front() : kCodabarDefaultStartStop;
  const char stop = ownStartStop ? text.back() : kCodabarDefaultStartStop;
  std::string data(ownStartStop ? text.substr(1, text.size() - 2) : text);
  if (opts.CheckCharacters) {
    int sum = 0;
    for (char c : text) sum = (sum + IndexIn(kCodabarChars, c)) % kCodabarCheckModulo;
    data += kCodabarChars[static_cast<std::size_t>(sum)];
  }
  TEncodeResult r;
  r.Pattern = CodabarLongBars(start);
  r.Anchors.LeftFrom = static_cast<int>(r.Pattern.size()) + 1;
  for (char c : data)
    r.Pattern += kCodabarPatterns[static_cast<std::size_t>(IndexIn(kCodabarChars, c))];
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  r.Pattern += CodabarLongBars(stop);
  r.Pattern.pop_back();  // no gap after the stop character
  return r;
}

TEncodeResult EncodeABCCodabar(std::string_view text, const TEncodeOptions&) {
  TEncodeResult r;
  for (char c : text) {
    if (c == ' ') {
      r.Pattern += kAbcCodabarSeparator;
      continue;
    }
    const int at = IndexIn(kCodabarChars, c);
    if (at < 0) return {};
    r.Pattern += kCodabarPatterns[static_cast<std::size_t>(at)];
  }
  if (r.Pattern.empty()) return {};
  r.Anchors.LeftFrom = 1;
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  return r;
}

char MsiCheckDigit(std::string_view text) {
  // From the rightmost character leftwards every other character, the rightmost first, is
  // doubled and the digits of the product are added; the others are added as they are.
  int sum = 0;
  bool doubled = true;
  for (auto it = text.rbegin(); it != text.rend(); ++it, doubled = !doubled) {
    const int d = DigitValue(*it);
    const int term = doubled ? (2 * d > 9 ? 2 * d - 9 : 2 * d) : d;
    sum = PositiveMod(sum + term, 10);
  }
  return static_cast<char>('0' + (10 - sum) % 10);
}

TEncodeResult EncodeMSI(std::string_view text, const TEncodeOptions&) {
  if (text.empty() || !AllIn(kMsiChars, text)) return {};
  std::string data(text);
  if (data.size() > 1) {
    data += MsiCheckDigit(data);
    if (data.size() == kMsiDoubleCheckLength) data += MsiCheckDigit(data);
  }
  std::string bits = "1";
  for (char c : data) {
    const int v = IndexIn(kMsiChars, c);
    for (int b = 3; b >= 0; --b) bits += ((v >> b) & 1) != 0 ? '1' : '0';
  }
  bits += "00";

  TEncodeResult r;
  r.Pattern.reserve(kMsiBit0.size() * bits.size());
  for (char b : bits) r.Pattern += b == '1' ? kMsiBit1 : kMsiBit0;
  const int length = static_cast<int>(r.Pattern.size());
  r.Anchors.LeftFrom = length / 4;
  r.Anchors.LeftTo = length - r.Anchors.LeftFrom;
  return r;
}

TEncodeResult EncodePostNet(std::string_view text, const TEncodeOptions& opts) {
  if (text.empty()) return {};
  std::string bits = "1";  // frame bar
  int sum = 0;
  for (char c : text) {
    const int d = DigitValue(c);
    if (d < 0 || d > 9) return {};
    bits += kPostNetDigits[static_cast<std::size_t>(d)];
    sum = (sum + d) % 10;
  }
  if (opts.CheckCharacters) bits += kPostNetDigits[static_cast<std::size_t>((10 - sum) % 10)];
  bits += '1';  // frame bar

  TEncodeResult r;
  r.Pattern.reserve(2 * bits.size());
  for (char b : bits) {
    r.Pattern += b == '1' ? kBar : kHalfBar;
    r.Pattern += kSpace;
  }
  r.Pattern.pop_back();  // no space after the closing frame bar
  return r;
}

TEncodeResult EncodeCode11(std::string_view text, const TEncodeOptions&) {
  if (text.empty() || !AllIn(kCode11Chars, text)) return {};
  std::string data(text);
  data += Code11CheckCharacter(data, 10);
  data += Code11CheckCharacter(data, 9);

  TEncodeResult r;
  r.Pattern = kCode11Start;
  r.Anchors.LeftFrom = static_cast<int>(kCode11Start.size()) + 1;
  for (char c : data)
    r.Pattern += kCode11Patterns[static_cast<std::size_t>(IndexIn(kCode11Chars, c))];
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  r.Pattern += kCode11Stop;
  return r;
}

}  // namespace brevix
