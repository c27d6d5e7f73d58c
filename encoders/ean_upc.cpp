#include "encoders/ean_upc.h"

#include <array>
#include <cstddef>

#include "core/check_digits.h"

namespace brevix {

namespace {

// The three EAN/UPC number sets, seven modules a digit: A (odd parity, left halves and add-ons),
// B (even parity) and C (right halves, the mirror image of B).
enum TNumberSet : std::size_t { kSetA = 0, kSetB = 1, kSetC = 2 };

constexpr std::array<std::array<std::string_view, 10>, 3> kNumberSets = {{
    {"0001101", "0011001", "0010011", "0111101", "0100011", "0110001", "0101111", "0111011",
     "0110111", "0001011"},
    {"0100111", "0110011", "0011011", "0100001", "0011101", "0111001", "0000101", "0010001",
     "0001001", "0010111"},
    {"1110010", "1100110", "1101100", "1000010", "1011100", "1001110", "1010000", "1000100",
     "1001000", "1110100"},
}};

// Parity rows, one letter per encoded digit. "A"/"O" name set A, "B"/"E" set B.
constexpr std::array<std::string_view, 10> kEan13Parity = {"AAAAAA", "AABABB", "AABBAB", "AABBBA",
                                                           "ABAABB", "ABBAAB", "ABBBAA", "ABABAB",
                                                           "ABABBA", "ABBABA"};
// UPC-E by check digit: number system 0, and number system 1 (the same rows inverted).
constexpr std::array<std::string_view, 10> kUpcE0Parity = {"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE",
                                                           "EOEEOO", "EOOEEO", "EOOOEE", "EOEOEO",
                                                           "EOEOOE", "EOOEOE"};
constexpr std::array<std::string_view, 10> kUpcE1Parity = {"OOOEEE", "OOEOEE", "OOEEOE", "OOEEEO",
                                                           "OEOOEE", "OEEOOE", "OEEEOO", "OEOEOE",
                                                           "OEOEEO", "OEEOEO"};
constexpr std::array<std::string_view, 10> kAddOn5Parity = {
    "BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA", "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};
constexpr std::array<std::string_view, 4> kAddOn2Parity = {"AA", "AB", "BA", "BB"};

constexpr std::string_view kGuard = "202";
constexpr std::string_view kCentreGuard = "02020";
constexpr std::string_view kUpcEEndGuard = "020202";
constexpr std::string_view kAddOnLeadIn = "000000000";
constexpr std::string_view kAddOnStart = "1011";
constexpr std::string_view kAddOnSeparator = "01";
// Room for the caption digits printed beside the symbol.
constexpr std::string_view kLeadingRoom = "        ";
constexpr std::string_view kUpcATrailingRoom = "         ";
constexpr std::string_view kUpcETrailingRoom = "     ";

constexpr std::size_t kEan8Length = 8;
constexpr std::size_t kEan13Length = 13;
constexpr std::size_t kUpcALength = 12;
constexpr std::size_t kUpcELength = 8;
// Maximum add-on length read after the separator.
constexpr std::size_t kAddOnMaxLength = 5;

static_assert(kNumberSets[kSetA][0].size() == 7 && kNumberSets[kSetC][9].size() == 7);

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t DigitValue(char c) {
  return static_cast<std::size_t>(c - '0');
}

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (!IsDigit(c)) return false;
  return true;
}

int Length(const std::string& p) {
  return static_cast<int>(p.size());
}

TNumberSet SetOfParityLetter(char letter) {
  return letter == 'A' || letter == 'O' ? kSetA : kSetB;
}

void AppendDigit(std::string& pattern, char digit, TNumberSet set) {
  pattern += kNumberSets[set][DigitValue(digit)];
}

// The add-on starts after the main number and one separator; at most five characters.
std::string_view AddOnText(std::string_view text, std::size_t mainLength) {
  if (text.size() <= mainLength + 1) return {};
  return text.substr(mainLength + 1, kAddOnMaxLength);
}

// A text whose main number (and add-on, if any) is not all digits cannot be drawn; validation
// refuses such texts, so this only guards callers that skip it.
bool Encodable(std::string_view text, std::size_t mainLength) {
  return text.size() >= mainLength && AllDigits(text.substr(0, mainLength)) &&
         AllDigits(AddOnText(text, mainLength));
}

void AppendAddOnIfAny(TEncodeResult& r, std::string_view text, std::size_t mainLength) {
  if (text.size() > mainLength)
    r.Pattern += EncodeAddOn(AddOnText(text, mainLength), Length(r.Pattern), r.Anchors);
}

}  // namespace

TEncodeResult EncodeEAN13(std::string_view text, const TEncodeOptions&) {
  TEncodeResult r;
  if (!Encodable(text, kEan13Length)) return r;
  std::string& p = r.Pattern;
  TCaptionAnchors& a = r.Anchors;
  const std::string_view parity = kEan13Parity[DigitValue(text[0])];
  p = kGuard;
  a.LeftFrom = Length(p) + 1;
  for (std::size_t i = 1; i <= 6; ++i) AppendDigit(p, text[i], SetOfParityLetter(parity[i - 1]));
  a.LeftTo = Length(p) - 1;
  p += kCentreGuard;
  a.RightFrom = Length(p) + 1;
  for (std::size_t i = 7; i < kEan13Length; ++i) AppendDigit(p, text[i], kSetC);
  a.RightTo = Length(p) - 1;
  p += kGuard;
  AppendAddOnIfAny(r, text, kEan13Length);
  return r;
}

TEncodeResult EncodeEAN8(std::string_view text, const TEncodeOptions&) {
  TEncodeResult r;
  if (!Encodable(text, kEan8Length)) return r;
  std::string& p = r.Pattern;
  TCaptionAnchors& a = r.Anchors;
  p = kGuard;
  a.LeftFrom = Length(p) + 1;
  for (std::size_t i = 0; i < 4; ++i) AppendDigit(p, text[i], kSetA);
  a.LeftTo = Length(p) - 1;
  p += kCentreGuard;
  a.RightFrom = Length(p) + 1;
  for (std::size_t i = 4; i < kEan8Length; ++i) AppendDigit(p, text[i], kSetC);
  a.RightTo = Length(p) - 1;
  p += kGuard;
  AppendAddOnIfAny(r, text, kEan8Length);
  return r;
}

TEncodeResult EncodeUPCA(std::string_view text, const TEncodeOptions& opts) {
  TEncodeResult r;
  if (!Encodable(text, kUpcALength)) return r;
  std::string& p = r.Pattern;
  TCaptionAnchors& a = r.Anchors;
  p = kGuard;
  // The left caption group skips the first digit, which is printed before the symbol.
  a.LeftFrom = Length(p) + 8;
  for (std::size_t i = 0; i < 6; ++i) AppendDigit(p, text[i], kSetA);
  a.LeftTo = Length(p) - 1;
  p += kCentreGuard;
  a.RightFrom = Length(p) + 1;
  for (std::size_t i = 6; i < kUpcALength; ++i) AppendDigit(p, text[i], kSetC);
  // Likewise the right group skips the last digit, printed after the symbol.
  a.RightTo = Length(p) - 8;
  p += kGuard;
  a.TrailFrom = Length(p) + 1;
  // The first and last digit are drawn with long bars, like the guards beside them.
  constexpr std::size_t kFirstDigitAt = 3;
  constexpr std::size_t kLastDigitAt = 3 + 42 + 5 + 35;
  for (std::size_t from : {kFirstDigitAt, kLastDigitAt})
    for (std::size_t i = from; i < from + 7; ++i)
      if (p[i] == kBar) p[i] = kGuardBar;
  if (opts.ShowCodeCaption && text.size() <= kUpcALength) p += kUpcATrailingRoom;
  AppendAddOnIfAny(r, text, kUpcALength);
  return r;
}

TEncodeResult EncodeUPCE(std::string_view text, const TEncodeOptions& opts) {
  TEncodeResult r;
  if (!Encodable(text, kUpcELength)) return r;
  // The parity follows the number system the text carries, so that the symbol always matches
  // the check digit computed over that number system's expansion; only 0 and 1 exist.
  const char numberSystem = text[0];
  if (numberSystem != '0' && numberSystem != '1') return r;
  const auto& table = numberSystem == '0' ? kUpcE0Parity : kUpcE1Parity;
  const std::string_view parity = table[DigitValue(text[7])];
  std::string& p = r.Pattern;
  TCaptionAnchors& a = r.Anchors;
  p = kGuard;
  a.LeftFrom = Length(p) + 1;
  for (std::size_t i = 1; i <= 6; ++i) AppendDigit(p, text[i], SetOfParityLetter(parity[i - 1]));
  a.LeftTo = Length(p) - 1;
  p += kUpcEEndGuard;
  a.TrailFrom = Length(p) + 1;
  if (opts.ShowCodeCaption && text.size() <= kUpcELength) p += kUpcETrailingRoom;
  AppendAddOnIfAny(r, text, kUpcELength);
  return r;
}

std::string EncodeAddOn(std::string_view addOn, int mainLength, TCaptionAnchors& anchors) {
  std::string p(kAddOnLeadIn);
  anchors.AddOnFrom = mainLength + Length(p) + 1;
  p += kAddOnMark;
  p += kAddOnStart;
  if (!AllDigits(addOn)) return p;
  std::string_view parity;
  if (addOn.size() == 2) {
    const std::size_t value = DigitValue(addOn[0]) * 10 + DigitValue(addOn[1]);
    parity = kAddOn2Parity[value % 4];
  } else if (addOn.size() == 5) {
    const std::size_t checksum =
        (3 * (DigitValue(addOn[0]) + DigitValue(addOn[2]) + DigitValue(addOn[4])) +
         9 * (DigitValue(addOn[1]) + DigitValue(addOn[3]))) %
        10;
    parity = kAddOn5Parity[checksum];
  }
  for (std::size_t i = 0; i < parity.size(); ++i) {
    if (i > 0) p += kAddOnSeparator;
    AppendDigit(p, addOn[i], SetOfParityLetter(parity[i]));
  }
  return p;
}

void AddLeadingRoom(TEncodeResult& result, const TEncodeOptions& opts) {
  // An empty pattern means nothing to draw and must stay that way.
  if (!opts.ShowCodeCaption || result.Pattern.empty()) return;
  result.Pattern.insert(0, kLeadingRoom);
  const int shift = static_cast<int>(kLeadingRoom.size());
  TCaptionAnchors& a = result.Anchors;
  for (int* anchor : {&a.LeftFrom, &a.LeftTo, &a.RightFrom, &a.RightTo, &a.AddOnFrom, &a.TrailFrom})
    *anchor += shift;
}

std::string BooklandToEAN13(std::string_view text, TTypeBar typeBar) {
  std::string r;
  switch (typeBar) {
    case csCodeISBN:
      r = "978";
      break;
    case csCodeISSN:
      r = "977";
      break;
    case csCodeISMN:
      r = "979";
      break;
    default:
      break;
  }
  for (char c : text)
    if (c != '-') r += c;
  if (r.size() == 12) r += ' ';
  if (r.size() > 12) r[12] = Mod10CheckDigit(std::string_view(r).substr(0, 12));
  return r;
}

}  // namespace brevix
