#include "encoders/code39_93.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brevix {

namespace {

// Where c sits in set, or -1 for a character the set does not hold.
int IndexIn(std::string_view set, char c) {
  const auto at = set.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// A full-ASCII character as the shift character and the letter that follow each other in the
// symbol; Shift 0 when the character stands for itself.
struct TFullAscii {
  char Shift = 0;
  char Letter = 0;
};

// The full-ASCII sequence of the seven-bit character c, the table Code 39 and Code 93 share
// (Code 93 writes its four own shift characters in place of "$", "%", "/" and "+").
constexpr TFullAscii FullAscii(unsigned char c) {
  const auto from = [](char first, int offset) { return static_cast<char>(first + offset); };
  if (c == 0) return {'%', 'U'};
  if (c <= 26) return {'$', from('A', c - 1)};
  if (c <= 31) return {'%', from('A', c - 27)};
  if (c == ' ' || c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
    return {0, static_cast<char>(c)};
  if (c <= ',') return {'/', from('A', c - '!')};
  if (c == '/') return {'/', 'O'};
  if (c == ':') return {'/', 'Z'};
  if (c <= '?') return {'%', from('F', c - ';')};
  if (c == '@') return {'%', 'V'};
  if (c <= '_') return {'%', from('K', c - '[')};
  if (c == '`') return {'%', 'W'};
  if (c <= 'z') return {'+', from('A', c - 'a')};
  if (c <= '~') return {'%', from('P', c - '{')};
  return {'%', 'T'};  // DEL
}
static_assert(FullAscii('~').Letter == 'S' && FullAscii(31).Letter == 'E' &&
              FullAscii('?').Letter == 'J' && FullAscii('_').Letter == 'O');

// ---- Code 39 -------------------------------------------------------------------------------

// "*" is the start/stop character; it is never data.
constexpr std::string_view kCode39Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::array<std::string_view, 43> kCode39Patterns = {
    "101001101101", "110100101011", "101100101011", "110110010101", "101001101011",  // 0-4
    "110100110101", "101100110101", "101001011011", "110100101101", "101100101101",  // 5-9
    "110101001011", "101101001011", "110110100101", "101011001011", "110101100101",  // A-E
    "101101100101", "101010011011", "110101001101", "101101001101", "101011001101",  // F-J
    "110101010011", "101101010011", "110110101001", "101011010011", "110101101001",  // K-O
    "101101101001", "101010110011", "110101011001", "101101011001", "101011011001",  // P-T
    "110010101011", "100110101011", "110011010101", "100101101011", "110010110101",  // U-Y
    "100110110101", "100101011011", "110010101101", "100110101101", "100100100101",  // Z - . _ $
    "100100101001", "100101001001", "101001001001",                                  // / + %
};
static_assert(kCode39Chars.size() == kCode39Patterns.size());

// The start and stop characters are "*" in long bars; the start carries its gap.
constexpr std::string_view kCode39Start = "2002022022020";
constexpr std::string_view kCode39Stop = "200202202202";

// ---- Code 93 -------------------------------------------------------------------------------

// Values 0..46; the last four are the shift characters ($), (%), (/) and (+).
constexpr std::string_view kCode93Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%&\"()";
constexpr std::array<std::string_view, 47> kCode93Patterns = {
    "100010100", "101001000", "101000100", "101000010", "100101000",  // 0-4
    "100100100", "100100010", "101010000", "100010010", "100001010",  // 5-9
    "110101000", "110100100", "110100010", "110010100", "110010010",  // A-E
    "110001010", "101101000", "101100100", "101100010", "100110100",  // F-J
    "100011010", "101011000", "101001100", "101000110", "100101100",  // K-O
    "100010110", "110110100", "110110010", "110101100", "110100110",  // P-T
    "110010110", "110011010", "101101100", "101100110", "100110110",  // U-Y
    "100111010", "100101110", "111010100", "111010010", "111001010",  // Z - . _ $
    "101101110", "101110110", "110101110", "100100110", "111011010",  // / + % ($) (%)
    "111010110", "100110010",                                         // (/) (+)
};
static_assert(kCode93Chars.size() == kCode93Patterns.size());

constexpr std::string_view kCode93Start = "202022220";
// The stop character and its terminating bar.
constexpr std::string_view kCode93Stop = "2020222202";
constexpr int kCode93Modulo = 47;

int Code93CheckValue(const std::vector<int>& values, int maxWeight) {
  int sum = 0;
  int weight = 1;
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    sum = (sum + weight * *it) % kCode93Modulo;
    weight = weight == maxWeight ? 1 : weight + 1;
  }
  return sum;
}

// The symbol for Code 93 values 0..46: start, data, check characters C and K, stop. A symbol
// without C and K is refused by readers, so both are always there.
TEncodeResult Code93FromValues(std::vector<int> values) {
  if (values.empty()) return {};
  values.push_back(Code93CheckValue(values, 20));
  values.push_back(Code93CheckValue(values, 15));
  TEncodeResult r;
  r.Pattern.reserve(kCode93Start.size() + 9 * values.size() + kCode93Stop.size());
  r.Pattern = kCode93Start;
  r.Anchors.LeftFrom = static_cast<int>(kCode93Start.size()) + 1;
  for (int v : values) r.Pattern += kCode93Patterns[static_cast<std::size_t>(v)];
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  r.Pattern += kCode93Stop;
  return r;
}

// The Code 93 values of the full-ASCII sequence of c; nothing for bytes above 127.
std::optional<std::array<int, 2>> Code93ExtendedValues(unsigned char c) {
  if (c > 127) return std::nullopt;
  // These four are Code 93 characters of their own; their full-ASCII sequences are not needed.
  if (c == '$' || c == '%' || c == '/' || c == '+')
    return std::array{IndexIn(kCode93Chars, static_cast<char>(c)), -1};
  const TFullAscii fa = FullAscii(c);
  const int letter = IndexIn(kCode93Chars, fa.Letter);
  if (fa.Shift == 0) return std::array{letter, -1};
  constexpr std::string_view kShiftsAs39 = "$%/+";
  const int shift = 43 + IndexIn(kShiftsAs39, fa.Shift);
  return std::array{shift, letter};
}

}  // namespace

TEncodeResult EncodeCode39(std::string_view text, const TEncodeOptions&) {
  if (text.empty()) return {};
  TEncodeResult r;
  r.Pattern.reserve(kCode39Start.size() + 13 * text.size() + kCode39Stop.size());
  r.Pattern = kCode39Start;
  r.Anchors.LeftFrom = static_cast<int>(kCode39Start.size()) + 1;
  for (char c : text) {
    const int at = IndexIn(kCode39Chars, c);
    if (at < 0) return {};
    r.Pattern += kCode39Patterns[static_cast<std::size_t>(at)];
    r.Pattern += '0';
  }
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  r.Pattern += kCode39Stop;
  return r;
}

TEncodeResult EncodeCode39Extended(std::string_view text, const TEncodeOptions& opts) {
  std::string code39;
  code39.reserve(2 * text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    // Bytes above 127 have no full-ASCII sequence.
    if (c > 127) return {};
    const TFullAscii fa = FullAscii(c);
    if (fa.Shift != 0) code39 += fa.Shift;
    code39 += fa.Letter;
  }
  return EncodeCode39(code39, opts);
}

TEncodeResult EncodePZN(std::string_view text, const TEncodeOptions& opts) {
  if (text.empty()) return {};
  std::string code39 = "-";
  code39 += text;
  return EncodeCode39(code39, opts);
}

TEncodeResult EncodeCode93(std::string_view text, const TEncodeOptions&) {
  std::vector<int> values;
  values.reserve(text.size() + 2);
  for (char c : text) {
    const int v = IndexIn(kCode93Chars, c);
    if (v < 0) return {};
    values.push_back(v);
  }
  return Code93FromValues(std::move(values));
}

TEncodeResult EncodeCode93Extended(std::string_view text, const TEncodeOptions&) {
  std::vector<int> values;
  values.reserve(2 * text.size() + 2);
  for (char c : text) {
    const auto pair = Code93ExtendedValues(static_cast<unsigned char>(c));
    if (!pair) return {};
    for (int v : *pair)
      if (v >= 0) values.push_back(v);
  }
  return Code93FromValues(std::move(values));
}

}  // namespace brevix
