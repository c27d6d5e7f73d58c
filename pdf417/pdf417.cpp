#include "pdf417/pdf417.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/pdf417_patterns.h"

namespace brevix {

namespace {

// ---------------------------------------------------------------------------------------------
// Character check and text compaction

constexpr int kSubAlpha = 8;
constexpr int kSubLower = 4;
constexpr int kSubMixed = 2;
constexpr int kSubPunct = 1;

// Sub-mode control values.
constexpr int kLatchPunctFromMixed = 25;
constexpr int kLatchLower = 27;  // from Alpha and Mixed
constexpr int kShiftAlpha = 27;  // from Lower, one character
constexpr int kLatchMixed = 28;  // from Alpha and Lower
constexpr int kLatchAlphaFromMixed = 28;
constexpr int kShiftPunct = 29;  // from Alpha, Lower and Mixed, one character
constexpr int kLatchAlphaFromPunct = 29;
constexpr int kTextPad = 29;

struct TTextChar {
  std::uint8_t SubModes = 0;  // kSub* bits; 0 for a character text compaction cannot hold
  std::uint8_t Value = 0;     // the same in every sub-mode the character belongs to
};

constexpr std::array<TTextChar, 256> MakeTextChars() {
  std::array<TTextChar, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = {kSubAlpha, static_cast<std::uint8_t>(c - 'A')};
  for (int c = 'a'; c <= 'z'; ++c) t[c] = {kSubLower, static_cast<std::uint8_t>(c - 'a')};
  t[' '] = {kSubAlpha | kSubLower | kSubMixed, 26};
  for (int c = '0'; c <= '9'; ++c) t[c] = {kSubMixed, static_cast<std::uint8_t>(c - '0')};
  constexpr std::array<std::pair<char, int>, 6> mixed{
      {{'&', 10}, {'#', 15}, {'+', 20}, {'%', 21}, {'=', 23}, {'^', 24}}};
  for (const auto& [c, v] : mixed)
    t[static_cast<unsigned char>(c)] = {kSubMixed, static_cast<std::uint8_t>(v)};
  constexpr std::array<std::pair<char, int>, 9> both{{{'\r', 11},
                                                      {'\t', 12},
                                                      {',', 13},
                                                      {':', 14},
                                                      {'-', 16},
                                                      {'.', 17},
                                                      {'$', 18},
                                                      {'/', 19},
                                                      {'*', 22}}};
  for (const auto& [c, v] : both)
    t[static_cast<unsigned char>(c)] = {kSubMixed | kSubPunct, static_cast<std::uint8_t>(v)};
  constexpr std::array<std::pair<char, int>, 20> punct{
      {{';', 0},  {'<', 1},  {'>', 2},  {'@', 3},  {'[', 4},   {'\\', 5}, {']', 6},
       {'_', 7},  {'`', 8},  {'~', 9},  {'!', 10}, {'\n', 15}, {'"', 20}, {'|', 21},
       {'(', 23}, {')', 24}, {'?', 25}, {'{', 26}, {'}', 27},  {'\'', 28}}};
  for (const auto& [c, v] : punct)
    t[static_cast<unsigned char>(c)] = {kSubPunct, static_cast<std::uint8_t>(v)};
  return t;
}

constexpr std::array<TTextChar, 256> kTextChars = MakeTextChars();

// Every character the text check lets through has a place in some sub-mode.
constexpr bool TextCheckMatchesTable() {
  for (int c = 0; c < 256; ++c) {
    const bool allowed = c == '\t' || c == '\n' || c == '\r' || (c >= 32 && c <= 126);
    if (allowed != (kTextChars[c].SubModes != 0)) return false;
  }
  return true;
}
static_assert(TextCheckMatchesTable());

bool Allowed(unsigned char c, csPDF417Mode mode) {
  switch (mode) {
    case csPDF417Binary:
    case csPDF417AutoCode:
      return true;
    case csPDF417BinaryHex:
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    case csPDF417Numeric:
      return c >= '0' && c <= '9';
    case csPDF417Alphanumeric:
    default:  // an unknown mode encodes as text
      return kTextChars[c].SubModes != 0;
  }
}

[[noreturn]] void RaiseBadChar(std::size_t index, char c) {
  throw EPDF417Error("Bad char in PDF417, position " + std::to_string(index + 1) +
                     ", char : " + std::string(1, c));
}

[[noreturn]] void RaiseTooManyCodewords(std::size_t count) {
  throw EPDF417TooLarge("Text too long for PDF417: " + std::to_string(count) +
                        " codewords, a symbol holds at most " +
                        std::to_string(kPDF417MaxCodewords));
}

// A text longer than this gives more than kPDF417MaxCodewords codewords in every compaction
// (text: one codeword per two characters at best; numeric: 15 per 44 digits), so it is refused
// before any work proportional to its length is spent on it.
constexpr std::size_t kMaxTextLength = 4 * kPDF417MaxCodewords;

enum class TSubMode { Alpha, Lower, Mixed, Punct };

int SubModeBit(TSubMode m) {
  switch (m) {
    case TSubMode::Alpha:
      return kSubAlpha;
    case TSubMode::Lower:
      return kSubLower;
    case TSubMode::Mixed:
      return kSubMixed;
    case TSubMode::Punct:
      return kSubPunct;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Reed-Solomon generator polynomials over GF(929)

constexpr int kGF = 929;
constexpr int kGeneratorRoot = 3;
constexpr int kGeneratorTotal = (2 << (kPDF417MaxLevel + 1)) - 2;  // 2 + 4 + ... + 512

constexpr int GeneratorOffset(int level) {
  return (2 << level) - 2;
}

// For each level, a0..a(k-1) of g(x) = (x - 3)(x - 3^2)...(x - 3^k), lowest order first, the
// leading 1 left out; the levels one after the other.
constexpr std::array<std::uint16_t, kGeneratorTotal> MakeGenerators() {
  std::array<std::uint16_t, kGeneratorTotal> out{};
  for (int level = 0; level <= kPDF417MaxLevel; ++level) {
    const int k = 2 << level;
    std::array<int, 513> g{};  // g[j] is the coefficient of x^j
    g[0] = 1;
    int root = 1;
    for (int i = 1; i <= k; ++i) {
      root = root * kGeneratorRoot % kGF;
      // g := g * (x - root)
      for (int j = i; j >= 1; --j) g[j] = (g[j - 1] + kGF - root * g[j] % kGF) % kGF;
      g[0] = (kGF - root * g[0] % kGF) % kGF;
    }
    for (int j = 0; j < k; ++j) out[GeneratorOffset(level) + j] = static_cast<std::uint16_t>(g[j]);
  }
  return out;
}

constexpr std::array<std::uint16_t, kGeneratorTotal> kGenerators = MakeGenerators();
static_assert(kGenerators.size() == 1022);
static_assert(kGenerators[0] == 27 && kGenerators[1] == 917);
static_assert(kGenerators[GeneratorOffset(8)] == 352 && kGenerators[GeneratorOffset(8) + 3] == 504);

// ---------------------------------------------------------------------------------------------
// Codeword patterns

constexpr char kStartPattern[] = "11111111010101000";
constexpr char kStopPattern[] = "111111101000101001";
constexpr char kTruncatedStop[] = "1";
constexpr int kModulesPerCodeword = 17;

// Every pattern has four bars and four spaces of 1..6 modules, ends in a space and belongs to the
// cluster of its block: a table damaged by hand fails to compile.
constexpr bool PatternsWellFormed() {
  for (int cluster = 0; cluster < kPDF417ClusterCount; ++cluster)
    for (int cw = 0; cw < kPDF417CodewordCount; ++cw) {
      const unsigned v = 0x10000u | kPDF417Patterns[cluster * kPDF417CodewordCount + cw];
      std::array<int, 8> widths{};
      int element = 0;
      for (int bit = 16; bit >= 0; --bit) {
        const bool bar = ((v >> bit) & 1u) != 0;
        if (bar != (element % 2 == 0)) ++element;
        if (element >= 8) return false;
        ++widths[element];
      }
      if (element != 7) return false;
      for (int w : widths)
        if (w < 1 || w > 6) return false;
      if ((widths[0] - widths[2] + widths[4] - widths[6] + 9) % 9 != 3 * cluster) return false;
    }
  return true;
}
static_assert(PatternsWellFormed());

int Mod(int a, int m) {
  const int r = a % m;
  return r < 0 ? r + m : r;
}

int LevelOf(csPDF417ErrorCorrection setting, std::size_t n) {
  if (setting >= csPDF417Error0 && setting <= csPDF417Error8)
    return static_cast<int>(setting) - static_cast<int>(csPDF417Error0);
  // Automatic (and any value outside the enumeration): by the descriptor and data count.
  if (n <= 40) return 2;
  if (n <= 160) return 3;
  if (n <= 320) return 4;
  if (n <= 863) return 5;
  return 6;
}

[[noreturn]] void RaiseTooManyRows(long long rows) {
  throw EPDF417TooLarge("PDF417 symbol of " + std::to_string(rows) + " rows, at most " +
                        std::to_string(kPDF417MaxRows) + " allowed");
}

[[noreturn]] void RaiseTooManyCols(long long cols) {
  throw EPDF417TooLarge("PDF417 symbol of " + std::to_string(cols) + " columns, at most " +
                        std::to_string(kPDF417MaxCols) + " allowed");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Data encoding

void PDF417CheckText(std::string_view text, csPDF417Mode mode) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!Allowed(static_cast<unsigned char>(text[i]), mode)) RaiseBadChar(i, text[i]);
}

void PDF417TextCompaction(std::string_view text, TPDF417Codewords& list) {
  // 1. Sub-mode values 0..29, starting in Alpha.
  std::vector<int> values;
  values.reserve(text.size() * 2);
  TSubMode m = TSubMode::Alpha;
  const auto nextIn = [&](std::size_t i, int bit) {
    return i + 1 < text.size() &&
           (kTextChars[static_cast<unsigned char>(text[i + 1])].SubModes & bit) != 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const TTextChar ch = kTextChars[static_cast<unsigned char>(text[i])];
    const int s = ch.SubModes;
    const int v = ch.Value;
    // Unchecked text could hold a character no sub-mode has; dropping it would lose data.
    if (s == 0) RaiseBadChar(i, text[i]);
    if (s & SubModeBit(m)) {
      values.push_back(v);
      continue;
    }
    switch (m) {
      case TSubMode::Alpha:
        if (s & kSubMixed) {
          values.insert(values.end(), {kLatchMixed, v});
          m = TSubMode::Mixed;
        } else if (s & kSubPunct) {
          if (nextIn(i, kSubPunct)) {
            values.insert(values.end(), {kLatchMixed, kLatchPunctFromMixed, v});
            m = TSubMode::Punct;
          } else {
            values.insert(values.end(), {kShiftPunct, v});
          }
        } else {  // Lower
          values.insert(values.end(), {kLatchLower, v});
          m = TSubMode::Lower;
        }
        break;
      case TSubMode::Lower:
        if (s & kSubAlpha) {
          if (nextIn(i, kSubAlpha)) {
            values.insert(values.end(), {kLatchMixed, kLatchAlphaFromMixed, v});
            m = TSubMode::Alpha;
          } else {
            values.insert(values.end(), {kShiftAlpha, v});
          }
        } else if (s & kSubMixed) {
          values.insert(values.end(), {kLatchMixed, v});
          m = TSubMode::Mixed;
        } else if (nextIn(i, kSubPunct)) {
          values.insert(values.end(), {kLatchMixed, kLatchPunctFromMixed, v});
          m = TSubMode::Punct;
        } else {
          values.insert(values.end(), {kShiftPunct, v});
        }
        break;
      case TSubMode::Mixed:
        if (s & kSubAlpha) {
          values.insert(values.end(), {kLatchAlphaFromMixed, v});
          m = TSubMode::Alpha;
        } else if (s & kSubLower) {
          values.insert(values.end(), {kLatchLower, v});
          m = TSubMode::Lower;
        } else if (nextIn(i, kSubPunct)) {
          values.insert(values.end(), {kLatchPunctFromMixed, v});
          m = TSubMode::Punct;
        } else {
          values.insert(values.end(), {kShiftPunct, v});
        }
        break;
      case TSubMode::Punct:
        if (s & kSubAlpha) {
          values.insert(values.end(), {kLatchAlphaFromPunct, v});
          m = TSubMode::Alpha;
        } else if (s & kSubLower) {
          values.insert(values.end(), {kLatchAlphaFromPunct, kLatchLower, v});
          m = TSubMode::Lower;
        } else {  // Mixed
          values.insert(values.end(), {kLatchAlphaFromPunct, kLatchMixed, v});
          m = TSubMode::Mixed;
        }
        break;
    }
  }
  // 2. An odd count is completed with a value that changes nothing at the end of the data.
  if (values.size() % 2 != 0) values.push_back(kTextPad);
  // 3. Two values to a codeword.
  for (std::size_t i = 0; i < values.size(); i += 2) list.push_back(30 * values[i] + values[i + 1]);
}

void PDF417ByteCompaction(std::string_view bytes, TPDF417Codewords& list) {
  // 1. The latch tells the reader whether the last group is short.
  list.push_back(bytes.size() % 6 == 0 ? kPDF417ByteLatch6 : kPDF417ByteLatch);
  const auto byteAt = [&](std::size_t i) {
    return static_cast<int>(static_cast<unsigned char>(bytes[i]));
  };
  std::size_t i = 0;
  // 2. Six bytes to five base-900 digits, in 32-bit arithmetic: the two 24-bit halves are split
  //    into base-900 digits and recombined with 2^24 = 20*900^2 + 641*900 + 316.
  for (; bytes.size() - i >= 6; i += 6) {
    const int a = (byteAt(i) << 16) | (byteAt(i + 1) << 8) | byteAt(i + 2);
    const int b = (byteAt(i + 3) << 16) | (byteAt(i + 4) << 8) | byteAt(i + 5);
    const int a0 = a % 900, a1 = a / 900 % 900, a2 = a / 810000;
    const int b0 = b % 900, b1 = b / 900 % 900, b2 = b / 810000;
    const int t0 = 316 * a0 + b0;
    const int t1 = 641 * a0 + 316 * a1 + b1 + t0 / 900;
    const int t2 = 20 * a0 + 641 * a1 + 316 * a2 + b2 + t1 / 900;
    const int t3 = 20 * a1 + 641 * a2 + t2 / 900;
    const int t4 = 20 * a2 + t3 / 900;
    list.insert(list.end(), {t4 % 900, t3 % 900, t2 % 900, t1 % 900, t0 % 900});
  }
  // 3. A short last group: one codeword per byte.
  for (; i < bytes.size(); ++i) list.push_back(byteAt(i));
}

void PDF417HexCompaction(std::string_view hex, TPDF417Codewords& list) {
  const auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;  // unreachable after the character check
  };
  // 1. An odd count gets a '0' in front.
  std::string padded;
  if (hex.size() % 2 != 0) padded.push_back('0');
  padded.append(hex);
  // 2. Two digits to a byte, then 3. byte compaction.
  std::string bytes;
  bytes.reserve(padded.size() / 2);
  for (std::size_t i = 0; i < padded.size(); i += 2)
    bytes.push_back(static_cast<char>(16 * digit(padded[i]) + digit(padded[i + 1])));
  PDF417ByteCompaction(bytes, list);
}

void PDF417NumericCompaction(std::string_view digits, TPDF417Codewords& list) {
  constexpr std::size_t kGroup = 44;
  // 1. Latch.
  list.push_back(kPDF417NumericLatch);
  // 2. Groups of 44 digits from the left; an empty text is one empty group.
  std::size_t start = 0;
  do {
    const std::string_view group = digits.substr(start, kGroup);
    start += kGroup;
    // 3. "1" + group as a decimal number, converted to base 900 by long division.
    std::vector<int> number{1};
    for (char c : group) number.push_back(c - '0');
    std::vector<int> base900;
    while (!number.empty() && !(number.size() == 1 && number[0] == 0)) {
      std::vector<int> quotient;
      int rem = 0;
      for (int d : number) {
        rem = rem * 10 + d;
        const int q = rem / 900;
        rem %= 900;
        if (!quotient.empty() || q != 0) quotient.push_back(q);
      }
      base900.push_back(rem);
      number = std::move(quotient);
    }
    list.insert(list.end(), base900.rbegin(), base900.rend());
  } while (start < digits.size());
}

TPDF417Codewords PDF417EncodeData(std::string_view text, csPDF417Mode mode) {
  // 1. Every character must be allowed.
  PDF417CheckText(text, mode);
  // 2. A text far beyond any symbol is refused before it is compacted.
  if (text.size() > kMaxTextLength)
    throw EPDF417TooLarge("Text too long for PDF417: " + std::to_string(text.size()) +
                          " characters");
  // 3. The descriptor slot, then the whole text in one compaction.
  TPDF417Codewords list{0};
  switch (mode) {
    case csPDF417Binary:
    case csPDF417AutoCode:
      PDF417ByteCompaction(text, list);
      break;
    case csPDF417BinaryHex:
      PDF417HexCompaction(text, list);
      break;
    case csPDF417Numeric:
      PDF417NumericCompaction(text, list);
      break;
    case csPDF417Alphanumeric:
    default:
      PDF417TextCompaction(text, list);
      break;
  }
  if (list.size() > kPDF417MaxCodewords) RaiseTooManyCodewords(list.size());
  return list;
}

// ---------------------------------------------------------------------------------------------
// Layout and error correction

TPDF417LayoutResult PDF417Layout(std::string_view text, int& cols, int& rows, csPDF417Mode mode,
                                 csPDF417ErrorCorrection level) {
  TPDF417LayoutResult r;
  // 1. Descriptor slot and data.
  r.Codewords = PDF417EncodeData(text, mode);
  // 2. Level, 3. error-correction count.
  r.Level = LevelOf(level, r.Codewords.size());
  r.K = 2 << r.Level;
  if (r.Codewords.size() + static_cast<std::size_t>(r.K) > kPDF417MaxCodewords)
    RaiseTooManyCodewords(r.Codewords.size() + static_cast<std::size_t>(r.K));
  // 4. Columns and rows; pads fill the last row. Requests beyond the bounds are refused before
  //    padding so that the pad count stays small.
  if (cols < 1 && rows < 1) cols = 20;
  const auto padTo = [&r](int multiple) {
    while ((r.Codewords.size() + static_cast<std::size_t>(r.K)) % multiple != 0)
      r.Codewords.push_back(kPDF417TextLatch);
  };
  // Scanners read no symbol of fewer than three rows: short texts get pad rows.
  if (cols > 0) {
    if (cols > kPDF417MaxCols) RaiseTooManyCols(cols);
    padTo(cols);
    while (static_cast<int>(r.Codewords.size() + r.K) < kPDF417MinRows * cols)
      r.Codewords.push_back(kPDF417TextLatch);
    rows = static_cast<int>(r.Codewords.size() + r.K) / cols;
  } else {
    if (rows > kPDF417MaxRows) RaiseTooManyRows(rows);
    if (rows < kPDF417MinRows) rows = kPDF417MinRows;
    padTo(rows);
    cols = static_cast<int>(r.Codewords.size() + r.K) / rows;
  }
  if (rows > kPDF417MaxRows) RaiseTooManyRows(rows);
  if (cols > kPDF417MaxCols) RaiseTooManyCols(cols);
  if (r.Codewords.size() + static_cast<std::size_t>(r.K) > kPDF417MaxCodewords)
    RaiseTooManyCodewords(r.Codewords.size() + static_cast<std::size_t>(r.K));
  // 5. The descriptor counts itself, the data and the pads.
  r.Codewords[0] = static_cast<int>(r.Codewords.size());
  return r;
}

std::vector<int> PDF417ErrorCorrection(const TPDF417Codewords& list, int level) {
  if (level < 0 || level > kPDF417MaxLevel)
    throw EPDF417Error("PDF417 error correction level " + std::to_string(level) +
                       " out of range 0.." + std::to_string(kPDF417MaxLevel));
  const int k = 2 << level;
  const std::uint16_t* a = kGenerators.data() + GeneratorOffset(level);
  // The coefficients negated, so that each step is one product and one sum:
  // e_j - t*a_j = e_j + t*(929 - a_j) (mod 929).
  std::vector<std::uint32_t> negated(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) negated[static_cast<std::size_t>(j)] = (kGF - a[j]) % kGF;
  // 1. Registers at zero; 2. divide the list by g(x). The registers shift by one each step: the
  // new values come from the old ones, kept apart so the loop carries nothing from one j to the
  // next. Register j holds a sum of at most j + 1 products below 929^2, whatever the length of
  // the list, so the registers are reduced only where t is taken and at the end.
  static_assert(
      std::uint64_t{2u << kPDF417MaxLevel} * (kGF - 1) * (kGF - 1) < (std::uint64_t{1} << 32),
      "the unreduced registers fit 32 bits");
  std::vector<std::uint32_t> e(static_cast<std::size_t>(k), 0), next(static_cast<std::size_t>(k));
  for (int d : list) {
    const auto t =
        static_cast<std::uint32_t>((Mod(d, kGF) + static_cast<int>(e.back() % kGF)) % kGF);
    next[0] = t * negated[0];
    for (std::size_t j = 1; j < e.size(); ++j) next[j] = e[j - 1] + t * negated[j];
    e.swap(next);
  }
  // 3. Reduce and negate; 4. highest register first.
  std::vector<int> out;
  out.reserve(e.size());
  for (int j = k - 1; j >= 0; --j) {
    const int v = static_cast<int>(e[static_cast<std::size_t>(j)] % kGF);
    out.push_back(v != 0 ? kGF - v : 0);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Rows

namespace {

// The eight modules of every byte, highest bit first.
constexpr auto kByteModules = [] {
  std::array<std::array<char, 8>, 256> t{};
  for (int b = 0; b < 256; ++b)
    for (int bit = 7; bit >= 0; --bit) t[b][7 - bit] = (b >> bit) & 1 ? '1' : '0';
  return t;
}();

// Appends the 17 modules of a codeword in the row's cluster: a bar first, then the 16 stored
// bits, highest first.
void AppendCodewordPattern(std::string& out, int codeword, int row) {
  if (codeword < 0 || codeword >= kPDF417CodewordCount)
    throw EPDF417Error("PDF417 codeword " + std::to_string(codeword) + " out of range 0..928");
  const unsigned v =
      kPDF417Patterns[Mod(row, kPDF417ClusterCount) * kPDF417CodewordCount + codeword];
  char modules[kModulesPerCodeword];
  modules[0] = '1';
  std::memcpy(modules + 1, kByteModules[(v >> 8) & 0xFF].data(), 8);
  std::memcpy(modules + 9, kByteModules[v & 0xFF].data(), 8);
  out.append(modules, kModulesPerCodeword);
}

}  // namespace

std::string PDF417CodewordPattern(int codeword, int row) {
  std::string s;
  AppendCodewordPattern(s, codeword, row);
  return s;
}

namespace {

// The parts of a row's indicators, in 64 bits so that no argument can overflow them.
struct TIndicatorParts {
  long long Q, RowsPart, LevelPart, ColsPart;
  int Cluster;
};

TIndicatorParts IndicatorParts(int row, int rows, int level, int cols) {
  if (row < 0 || rows < 1 || level < 0 || cols < 1)
    throw EPDF417Error("PDF417 row indicator of row " + std::to_string(row) + " of " +
                       std::to_string(rows) + " rows, level " + std::to_string(level) + ", " +
                       std::to_string(cols) + " columns is undefined");
  const long long rowsLess1 = static_cast<long long>(rows) - 1;
  return {30LL * (row / 3), rowsLess1 / 3, 3LL * level + rowsLess1 % 3,
          static_cast<long long>(cols) - 1, row % 3};
}

int ToIndicator(long long v) {
  if (v < 0 || v >= kPDF417CodewordCount)
    throw EPDF417Error("PDF417 row indicator " + std::to_string(v) + " out of range 0..928");
  return static_cast<int>(v);
}

int RowWidth(int cols, bool truncated) {
  const int fixed = truncated ? 17 + 17 + 1 : 17 + 17 + 17 + 18;
  return kModulesPerCodeword * cols + fixed;
}

}  // namespace

int PDF417LeftIndicator(int row, int rows, int level, int cols) {
  const TIndicatorParts p = IndicatorParts(row, rows, level, cols);
  switch (p.Cluster) {
    case 0:
      return ToIndicator(p.Q + p.RowsPart);
    case 1:
      return ToIndicator(p.Q + p.LevelPart);
    default:
      return ToIndicator(p.Q + p.ColsPart);
  }
}

int PDF417RightIndicator(int row, int rows, int level, int cols) {
  const TIndicatorParts p = IndicatorParts(row, rows, level, cols);
  switch (p.Cluster) {
    case 0:
      return ToIndicator(p.Q + p.ColsPart);
    case 1:
      return ToIndicator(p.Q + p.RowsPart);
    default:
      return ToIndicator(p.Q + p.LevelPart);
  }
}

int PDF417SymbolWidth(std::string_view text, int cols, int rows, csPDF417ErrorCorrection level,
                      csPDF417Mode mode, bool truncated) {
  PDF417Layout(text, cols, rows, mode, level);
  return RowWidth(cols, truncated);
}

std::vector<std::string> PDF417BuildRows(std::string_view text, int& cols, int& rows,
                                         bool truncated, csPDF417Mode mode,
                                         csPDF417ErrorCorrection level) {
  // 1. Layout and error correction.
  TPDF417LayoutResult layout = PDF417Layout(text, cols, rows, mode, level);
  const std::vector<int> ecc = PDF417ErrorCorrection(layout.Codewords, layout.Level);
  TPDF417Codewords& all = layout.Codewords;
  all.insert(all.end(), ecc.begin(), ecc.end());
  // 2. Start, left indicator, cols codewords, then right indicator and stop (or the closing bar),
  //    every pattern of a row in that row's cluster.
  const int width = RowWidth(cols, truncated);
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::string row;
    row.reserve(static_cast<std::size_t>(width));
    row += kStartPattern;
    AppendCodewordPattern(row, PDF417LeftIndicator(r, rows, layout.Level, cols), r);
    for (int c = 0; c < cols; ++c)
      AppendCodewordPattern(row, all[static_cast<std::size_t>(r * cols + c)], r);
    if (truncated) {
      row += kTruncatedStop;
    } else {
      AppendCodewordPattern(row, PDF417RightIndicator(r, rows, layout.Level, cols), r);
      row += kStopPattern;
    }
    // 3. In order, top row first.
    out.push_back(std::move(row));
  }
  return out;
}

}  // namespace brevix
