#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoders/datamatrix.h"
#include "tests/support/decode.h"
#include "tests/support/image_read.h"

#ifdef BREVIX_HAVE_ZXING
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#endif

namespace brevix {
namespace {

struct TRead {
  bool Found = false;
  std::string Bytes;  // the data as the symbol holds it, before any character set conversion
  std::string SymbologyId;
};

// zxing-cpp on the symbol drawn 4 pixels a module with a 2-module quiet zone.
TRead Read(const TMatrixResult& r) {
  TRead out;
#ifdef BREVIX_HAVE_ZXING
  const test::TGreyImage img = test::ImageFromRows(r.Rows, 4, 4, 2);
  ZXing::ImageView view(img.Pixels.data(), img.Width, img.Height, ZXing::ImageFormat::Lum);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::DataMatrix).setIsPure(true);
  const ZXing::Result found = ZXing::ReadBarcode(view, hints);
  if (found.isValid()) {
    out.Found = true;
    out.Bytes.assign(found.bytes().begin(), found.bytes().end());
    out.SymbologyId = found.symbologyIdentifier();
  }
#else
  (void)r;
#endif
  return out;
}

std::string Repeat(const std::string& unit, std::size_t length) {
  std::string s;
  while (s.size() < length) s += unit;
  s.resize(length);
  return s;
}

std::string AllBytes() {
  std::string s;
  for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
  return s;
}

struct TCase {
  const char* Name;
  std::string Data;
  TDmOptions Options;
  int Rows = 0;  // expected size, 0: any
  int Columns = 0;
};

TDmOptions Shape(TDmShape shape) {
  TDmOptions o;
  o.Shape = shape;
  return o;
}

TDmOptions Fixed(int rows, int columns) {
  TDmOptions o;
  o.Rows = rows;
  o.Columns = columns;
  return o;
}

TDmOptions Eci(int eci) {
  TDmOptions o;
  o.Eci = eci;
  return o;
}

TDmOptions Gs1() {
  TDmOptions o;
  o.Gs1 = true;
  return o;
}

TEST(DataMatrix, ZXingReadsTheData) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  const std::vector<TCase> cases = {
      {"smallest square", "123456", {}, 10, 10},
      {"smallest rectangle", "Hello", Shape(TDmShape::Rectangle), 8, 18},
      {"automatic shape, square first at equal size", "Hello", Shape(TDmShape::Auto), 12, 12},
      {"ASCII digit pairs and single characters", "a1234567890b12c3", {}},
      {"C40", "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", {}},
      {"C40 with shifts: controls, punctuation, lower case, upper shift",
       "AB\x01"
       "CD!EF\"GHaIJ\xC1KL\xE1MN",
       {}},
      {"Text", "the quick brown fox jumps over the lazy dog 42", {}},
      {"Text with capitals in its third set", "lower Upper lower UPPER", {}},
      {"X12", "ABC*DEF>GHI\r123*456>789\r", {}},
      {"X12 ending one and two short of a triplet", "AB*CD>EF\rGHX", {}},
      {"EDIFACT", "A!B\"C#D$E%F&G'H(I)J*K+L,M-N.O/P:Q;R<S=T>U?V@W[X\\Y]Z^", {}},
      {"EDIFACT ending with one to three characters", "@[\\]^;@[\\]^;@", {}},
      {"EDIFACT, then two characters it lacks with three codewords of room", "@[\\]^;:?ab",
       Shape(TDmShape::Rectangle), 8, 32},
      {"Base 256", AllBytes(), {}},
      {"Base 256 longer than 249 bytes", AllBytes() + AllBytes(), {}},
      {"switches between every encodation",
       "ABCDEFGHIJ0123456789abcdefghijklm@[\\]^@[\\]^@[\\]^\x80\x90\xA0\xB0\xC0\xD0\xE0\xF0\xFF"
       "ABC*DEF>GHI\r12345678901234!!",
       {}},
      {"FNC1 in C40 and Text",
       "10ABCDEFGHIJKL\x1D"
       "21MNOPQRSTUV\x1D"
       "91abcdefghijkl\x1D"
       "92mnopqrstuv",
       Gs1()},
      {"GS1 with separators",
       "0109501101530003172501011\x1D"
       "10ABC123\x1D"
       "21XYZ",
       Gs1()},
      {"05 and 06 envelopes in one codeword",
       "[)>\x1E"
       "06\x1DP12345\x1DQ100\x1E\x04",
       {},
       16,
       16},
      {"ECI 26, UTF-8",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5\xE6\x9C\xAC 123",
       Eci(26)},
      {"ECI of three codewords", "ECI 811799", Eci(811799)},
      {"largest square", Repeat("0123456789", 3116), {}, 144, 144},
      {"largest square, bytes filling it (length field 0)",
       Repeat("\x80\xFF\x01", 1556),
       {},
       144,
       144},
      {"144 x 144 fixed, short data", "Hello", Fixed(144, 144), 144, 144},
      {"52 x 52 fixed (two blocks)", "fixed", Fixed(52, 52), 52, 52},
      {"120 x 120 fixed (six blocks, 6 x 6 regions)", "fixed", Fixed(120, 120), 120, 120},
      {"largest rectangle", Repeat("RECT", 60), Shape(TDmShape::Rectangle), 16, 48},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TMatrixResult r = EncodeDataMatrix(c.Data, c.Options);
    ASSERT_TRUE(r.Ok()) << r.Message;
    if (c.Rows != 0) {
      EXPECT_EQ(r.Rows.size(), static_cast<std::size_t>(c.Rows));
      EXPECT_EQ(r.Rows[0].size(), static_cast<std::size_t>(c.Columns));
    }
    const TRead read = Read(r);
    ASSERT_TRUE(read.Found);
    EXPECT_EQ(read.Bytes, c.Data);
    if (c.Options.Gs1) {
      EXPECT_EQ(read.SymbologyId, "]d2");
    } else if (c.Options.Eci < 0) {
      EXPECT_EQ(read.SymbologyId, "]d1");
    }
  }
}

// The end of the data in each encodation (partial triplets and EDIFACT groups, unlatch or not,
// a return to ASCII the reader makes by itself) meets every remainder of room in the symbol.
TEST(DataMatrix, EveryLengthOfEachEncodationRoundTrips) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  const std::string units[] = {"ABCDEFGHIJ", "abcdefghij", "AB*C>D\rE F",
                               "@[\\]^;:?<=", "A1b2C3d4E5"};
  for (const std::string& unit : units)
    for (const TDmShape shape : {TDmShape::Square, TDmShape::Rectangle})
      for (std::size_t length = 1; length <= 48; ++length) {
        const std::string text = Repeat(unit, length);
        const TMatrixResult r = EncodeDataMatrix(text, Shape(shape));
        if (r.Error == erBarcodeLengthInvalid) continue;
        SCOPED_TRACE(text);
        ASSERT_TRUE(r.Ok()) << r.Message;
        EXPECT_EQ(Read(r).Bytes, text);
      }
}

// Every size, fixed, holding exactly its capacity in digit pairs; one digit more is refused.
TEST(DataMatrix, EverySizeHoldsItsCapacity) {
  struct TSize {
    int Rows, Columns, Data;
  };
  const TSize sizes[] = {
      {10, 10, 3},     {12, 12, 5},      {14, 14, 8},      {16, 16, 12},     {18, 18, 18},
      {20, 20, 22},    {22, 22, 30},     {24, 24, 36},     {26, 26, 44},     {32, 32, 62},
      {36, 36, 86},    {40, 40, 114},    {44, 44, 144},    {48, 48, 174},    {52, 52, 204},
      {64, 64, 280},   {72, 72, 368},    {80, 80, 456},    {88, 88, 576},    {96, 96, 696},
      {104, 104, 816}, {120, 120, 1050}, {132, 132, 1304}, {144, 144, 1558}, {8, 18, 5},
      {8, 32, 10},     {12, 26, 16},     {12, 36, 22},     {16, 36, 32},     {16, 48, 49},
  };
  for (const TSize& s : sizes) {
    SCOPED_TRACE(std::to_string(s.Rows) + " x " + std::to_string(s.Columns));
    const std::string digits = Repeat("9081726354", static_cast<std::size_t>(2 * s.Data));
    const TMatrixResult r = EncodeDataMatrix(digits, Fixed(s.Rows, s.Columns));
    ASSERT_TRUE(r.Ok()) << r.Message;
    ASSERT_EQ(r.Rows.size(), static_cast<std::size_t>(s.Rows));
    ASSERT_EQ(r.Rows[0].size(), static_cast<std::size_t>(s.Columns));
    if (test::HaveZXing()) {
      EXPECT_EQ(Read(r).Bytes, digits);
    }
    const TMatrixResult over = EncodeDataMatrix(digits + "1", Fixed(s.Rows, s.Columns));
    EXPECT_EQ(over.Error, erBarcodeLengthInvalid);
    EXPECT_NE(over.Message.find("holds " + std::to_string(s.Data) + " codewords"),
              std::string::npos)
        << over.Message;
  }
}

TEST(DataMatrix, RefusesWithAReason) {
  struct TRow {
    const char* Name;
    std::string Data;
    TDmOptions Options;
    TLastError Error;
    const char* MessagePart;
  };
  const TRow rows[] = {
      {"empty", "", {}, erEmptyCode, "Empty code."},
      {"no such size", "A", Fixed(15, 15), erErrorInBarCode, "rectangles 8 x 18"},
      {"size turned on its side", "A", Fixed(18, 8), erErrorInBarCode, "squares 10 to 26"},
      {"rows without columns", "A", Fixed(10, 0), erErrorInBarCode, "No Data Matrix size"},
      {"beyond the largest square",
       Repeat("0123456789", 3117),
       {},
       erBarcodeLengthInvalid,
       "the largest symbol (144 x 144) holds 1558 codewords"},
      {"bytes beyond the largest square",
       Repeat("\xFF", 1557),
       {},
       erBarcodeLengthInvalid,
       "1559 codewords; the largest symbol (144 x 144)"},
      {"beyond the largest rectangle", Repeat("0123456789", 99), Shape(TDmShape::Rectangle),
       erBarcodeLengthInvalid, "the largest rectangular symbol (16 x 48) holds 49"},
      {"a megabyte", std::string(1 << 20, 'A'), {}, erBarcodeLengthInvalid, "1048576 characters"},
      {"ECI out of range", "A", Eci(1000000), erErrorInBarCode, "ECI 1000000"},
      {"ECI negative", "A", Eci(-2), erErrorInBarCode, "ECI -2"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const TMatrixResult r = EncodeDataMatrix(row.Data, row.Options);
    EXPECT_EQ(r.Error, row.Error);
    EXPECT_TRUE(r.Rows.empty());
    EXPECT_NE(r.Message.find(row.MessagePart), std::string::npos) << r.Message;
  }
}

// Random texts over alphabets that favour each encodation, and mixes of them, in every shape.
TEST(DataMatrix, RandomTextsRoundTrip) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  const std::string alphabets[] = {
      "0123456789",
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ",
      "abcdefghijklmnopqrstuvwxyz0123456789 ",
      "ABCXYZ*>\r0123456789 ",
      "!\"#$%&()*+,-./:;<=>?@ABCXYZ[\\]^_",
      AllBytes(),
  };
  std::mt19937 rng(19);
  for (int n = 0; n < 200; ++n) {
    const std::string& main = alphabets[rng() % std::size(alphabets)];
    const std::string& other = alphabets[rng() % std::size(alphabets)];
    const std::size_t length = 1 + rng() % (rng() % 4 == 0 ? 600 : 60);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
      const std::string& a = rng() % 5 == 0 ? other : main;
      text += a[rng() % a.size()];
    }
    const TMatrixResult r = EncodeDataMatrix(text, Shape(static_cast<TDmShape>(rng() % 3)));
    if (r.Error == erBarcodeLengthInvalid) continue;  // rectangles hold 49 codewords at most
    SCOPED_TRACE(testing::Message() << "case " << n << ", " << length << " bytes");
    ASSERT_TRUE(r.Ok()) << r.Message;
    EXPECT_EQ(Read(r).Bytes, text);
  }
}

// Size chosen against zint's for the same data: ours is never larger. The planner searches all
// encodation sequences for the shortest stream, and the stream endings (an unannounced return to
// ASCII, a Base 256 segment running to the end of the symbol) are weighed for each size.
TEST(DataMatrix, NoLargerThanZint) {
  int status = 0;
  test::RunCommand("zint --version >/dev/null 2>&1", &status);
  if (status != 0) GTEST_SKIP() << "zint not installed";

  // zint's --dump: one line a row, the modules in hexadecimal groups of 8.
  auto zint = [](const std::string& args, const std::string& data) -> std::pair<int, int> {
    std::string escaped;
    for (unsigned char c : data) {
      if (c >= 32 && c < 127 && c != '\\' && c != '\'') {
        escaped += static_cast<char>(c);
      } else {
        static const char* hex = "0123456789abcdef";
        escaped += "\\x";
        escaped += hex[c >> 4];
        escaped += hex[c & 15];
      }
    }
    const std::string out =
        test::RunCommand("zint -b 71 --dump --esc " + args + " -d '" + escaped + "'");
    int rows = 0;
    int digits = 0;
    for (std::size_t p = 0; p < out.size();) {
      const std::size_t end = out.find('\n', p);
      const std::string line = out.substr(p, end - p);
      if (!line.empty() && ++rows == 1)
        for (char ch : line) digits += ch != ' ';
      p = end == std::string::npos ? out.size() : end + 1;
    }
    for (int columns : {rows, 18, 32, 26, 36, 48})
      if ((columns + 3) / 4 == digits && (rows == columns || rows <= 16)) return {rows, columns};
    return {0, 0};
  };

  struct TRow {
    std::string Data;
    TDmOptions Options;
    std::string ZintArgs = {};  // besides --square; empty: --binary
    std::string ZintData = {};  // when it differs from Data
  };
  std::vector<TRow> rows = {
      {"1", {}},
      {"HELLO", {}},
      {"Hello, World!", {}},
      {"123456789012345678901234567890", {}},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", {}},
      {"abcdefghijklmnopqrstuvwxyz", {}},
      {"ABC*DEF>GHI\r123*456>789\r", {}},
      {"!#!#!#!#!#!#!#", {}},
      {"A!B\"C#D$E%F&G'H(I)J*K+L,M-N.O/", {}},
      {"a~b~c~d~e~f~g~h", {}},
      {"AIMAIMAIM", {}},
      {"AIMAIMAIMA", {}},
      {"AIMAIMAIMAI", {}},
      {"ABCDEFGHIJ0123456789abcdefghijklm@[\\]^@[\\]^", {}},
      {"https://www.example.com/path?query=1&x=y", {}},
      {"Lorem ipsum dolor sit amet, consectetur adipiscing elit.", {}},
      {"SN 1234-5678-90AB / LOT 2026-12-09", {}},
      {"[)>\x1E"
       "06\x1DP12345\x1DQ100\x1E\x04",
       {}},
      // Smaller than zint's: C40 or X12 up to the last character, which takes the symbol's last
      // codeword in ASCII without an unlatch (a reader goes back to ASCII by itself when a
      // single codeword is left). zint spends the unlatch there and needs the next size.
      {"C&A@\r\r395B6Y4B0YZB1(", {}},
      {"5*BBB3t22C851ZvZX4Y\r280091CA333Z 3C9t86kX5B\r>", {}},
      {AllBytes(), {}},
      {Repeat("\x80\xFF\x01", 700), {}},
      {Repeat("0123456789", 1000), {}},
      {Repeat("ABCDEFGH12", 600), {}},
      {Repeat("text mode ", 300), {}},
      {"0101234567890128"
       "17250101"
       "10ABC123",
       Gs1(), "--gs1", "[01]01234567890128[17]250101[10]ABC123"},
      {"10ABC\x1D"
       "21XYZ\x1D"
       "3103000123",
       Gs1(), "--gs1", "[10]ABC[21]XYZ[3103]000123"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e, \xE6\x97\xA5\xE6\x9C\xAC",
       Eci(26), "--eci=26"},
  };
  const std::string alphabets[] = {"0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ",
                                   "abcdefghijklmnopqrstuvwxyz ", "ABC*>\r0123456789",
                                   "!\"#$%&()*+,-./:;<=>?@[\\]^_ABC"};
  std::mt19937 rng(71);
  for (int n = 0; n < 30; ++n) {
    const std::string& a = alphabets[static_cast<std::size_t>(n) % std::size(alphabets)];
    const std::string& b = alphabets[rng() % std::size(alphabets)];
    const std::size_t length = 1 + rng() % 90;
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
      text += rng() % 4 == 0 ? b[rng() % b.size()] : a[rng() % a.size()];
    rows.push_back({text, {}});
  }

  int smaller = 0;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Data.substr(0, 60));
    for (const bool square : {true, false}) {
      TDmOptions options = row.Options;
      options.Shape = square ? TDmShape::Square : TDmShape::Auto;
      const TMatrixResult r = EncodeDataMatrix(row.Data, options);
      ASSERT_TRUE(r.Ok()) << r.Message;
      const auto [zr, zc] =
          zint((square ? "--square " : "") + (row.ZintArgs.empty() ? "--binary" : row.ZintArgs),
               row.ZintData.empty() ? row.Data : row.ZintData);
      ASSERT_NE(zr, 0) << "zint gave no symbol";
      const int ours = static_cast<int>(r.Rows.size() * r.Rows[0].size());
      EXPECT_LE(ours, zr * zc) << (square ? "square" : "automatic") << ": ours " << r.Rows.size()
                               << " x " << r.Rows[0].size() << ", zint " << zr << " x " << zc;
      smaller += ours < zr * zc;
    }
  }
  RecordProperty("SmallerThanZint", smaller);
}

}  // namespace
}  // namespace brevix
