#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "pdf417/pdf417.h"

namespace brevix {
namespace {

std::vector<int> Repeat(int value, int count) {
  return std::vector<int>(static_cast<std::size_t>(count), value);
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The whole symbol's codewords: laid-out list followed by its error correction.
std::vector<int> SymbolCodewords(const TPDF417LayoutResult& layout) {
  return Concat({layout.Codewords, PDF417ErrorCorrection(layout.Codewords, layout.Level)});
}

// Value at x of the polynomial whose coefficients are the codewords, first at the highest power.
int Evaluate(const std::vector<int>& cw, int x) {
  long long v = 0;
  for (int c : cw) v = (v * x + c) % 929;
  return static_cast<int>(v);
}

struct LayoutRow {
  const char* name;
  std::string text;
  csPDF417Mode mode;
  int cols, rows;
  csPDF417ErrorCorrection level;
  std::vector<int> codewords;  // whole symbol; empty: not checked
  int expectLevel, expectCols, expectRows;
};

TEST(PDF417Layout, PublishedSymbols) {
  const std::vector<int> abc =
      Concat({{12, 1, 89}, Repeat(900, 9), {251, 506, 404, 544, 183, 637, 531, 638}});
  const LayoutRow cases[] = {
      // Texts that fill fewer than three rows get pad rows: no scanner reads a shorter symbol.
      {"A: padded to three rows", "A", csPDF417Alphanumeric, 10, 0, csPDF417AutoEC, {}, 2, 10, 3},
      {"ABC: padded to three rows",
       "ABC",
       csPDF417Alphanumeric,
       10,
       0,
       csPDF417AutoEC,
       {},
       2,
       10,
       3},
      {"ABC at level 0", "ABC", csPDF417Alphanumeric, 10, 0, csPDF417Error0, {}, 0, 10, 3},
      {"cols and rows below 1: 20 columns",
       "ABC",
       csPDF417Alphanumeric,
       0,
       0,
       csPDF417AutoEC,
       {},
       2,
       20,
       3},
      {"cols negative, rows negative: 20 columns",
       "ABC",
       csPDF417Alphanumeric,
       INT_MIN,
       INT_MIN,
       csPDF417AutoEC,
       {},
       2,
       20,
       3},
      {"rows ignored when cols is positive",
       "ABC",
       csPDF417Alphanumeric,
       10,
       5,
       csPDF417AutoEC,
       {},
       2,
       10,
       3},
      {"rows fixed when cols is 0", "ABC", csPDF417Alphanumeric, 0, 5, csPDF417AutoEC, {}, 2, 3, 5},
      {"3 rows, cols from the data",
       "ABC",
       csPDF417Alphanumeric,
       0,
       3,
       csPDF417AutoEC,
       {},
       2,
       4,
       3},
      {"300 bytes: level 4, 29 rows",
       std::string(300, 'x'),
       csPDF417Binary,
       10,
       0,
       csPDF417AutoEC,
       {},
       4,
       10,
       29},
      {"unknown level setting counts as automatic",
       "A",
       csPDF417Alphanumeric,
       0,
       1,
       static_cast<csPDF417ErrorCorrection>(77),
       {},
       2,
       4,
       3},
      {"level 8 at the largest data count",
       std::string(830, 'A'),
       csPDF417Alphanumeric,
       16,
       0,
       csPDF417Error8,
       {},
       8,
       16,
       58},
      {"928 codewords in 29 columns",
       std::string(1724, 'A'),
       csPDF417Alphanumeric,
       29,
       0,
       csPDF417AutoEC,
       {},
       5,
       29,
       32},
      {"90 rows of one column", "A", csPDF417Alphanumeric, 0, 90, csPDF417AutoEC, {}, 2, 1, 90},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    int cols = row.cols, rows = row.rows;
    const TPDF417LayoutResult layout = PDF417Layout(row.text, cols, rows, row.mode, row.level);
    EXPECT_EQ(layout.Level, row.expectLevel);
    EXPECT_EQ(layout.K, 2 << row.expectLevel);
    EXPECT_EQ(cols, row.expectCols);
    EXPECT_EQ(rows, row.expectRows);
    const std::vector<int> all = SymbolCodewords(layout);
    EXPECT_EQ(static_cast<int>(all.size()), cols * rows);
    EXPECT_EQ(layout.Codewords[0], static_cast<int>(layout.Codewords.size()));
    if (!row.codewords.empty()) {
      EXPECT_EQ(all, row.codewords);
    }
  }
}

// Short texts keep the published data and error-correction rule; only pad codewords are added.
TEST(PDF417Layout, ShortTextsGetPadRows) {
  struct Row {
    const char* text;
    csPDF417ErrorCorrection level;
    std::vector<int> data;  // descriptor slot excluded
    int k;
  };
  const Row cases[] = {
      {"A", csPDF417AutoEC, {29}, 8},
      {"ABC", csPDF417AutoEC, {1, 89}, 8},
      {"ABC", csPDF417Error0, {1, 89}, 2},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text);
    int cols = 10, rows = 0;
    const auto layout = PDF417Layout(row.text, cols, rows, csPDF417Alphanumeric, row.level);
    EXPECT_EQ(rows, 3);
    ASSERT_EQ(static_cast<int>(layout.Codewords.size()) + row.k, 30);
    EXPECT_EQ(layout.Codewords[0], 30 - row.k);
    for (std::size_t i = 0; i < row.data.size(); ++i)
      EXPECT_EQ(layout.Codewords[i + 1], row.data[i]);
    for (std::size_t i = row.data.size() + 1; i < layout.Codewords.size(); ++i)
      EXPECT_EQ(layout.Codewords[i], 900);
  }
}

TEST(PDF417Layout, ThreeRowsOfABC) {
  int cols = 0, rows = 3;
  const auto layout = PDF417Layout("ABC", cols, rows, csPDF417Alphanumeric, csPDF417AutoEC);
  EXPECT_EQ(layout.Codewords, (std::vector<int>{4, 1, 89, 900}));
  EXPECT_EQ(PDF417ErrorCorrection(layout.Codewords, layout.Level).size(), 8u);
  // Start, left indicator 0, descriptor 4 and the first modules of codeword 1.
  cols = 0;
  rows = 3;
  const auto built =
      PDF417BuildRows("ABC", cols, rows, false, csPDF417Alphanumeric, csPDF417AutoEC);
  ASSERT_EQ(built.size(), 3u);
  EXPECT_EQ(built[0].substr(0, 60), "111111110101010001110101011100000011110101001111000111101010");
}

TEST(PDF417Layout, ThreeHundredBytes) {
  int cols = 10, rows = 0;
  const auto layout =
      PDF417Layout(std::string(300, 'x'), cols, rows, csPDF417Binary, csPDF417AutoEC);
  ASSERT_EQ(layout.Codewords.size(), 258u);
  EXPECT_EQ(layout.Codewords[0], 258);
  EXPECT_EQ(layout.Codewords[1], 924);
  for (std::size_t i = 252; i < 258; ++i) EXPECT_EQ(layout.Codewords[i], 900) << i;
}

TEST(PDF417Layout, AutomaticLevelBoundaries) {
  // n counts the descriptor and the data: a text of 2(n - 1) capitals gives n - 1 data codewords.
  const struct {
    int n, level;
  } cases[] = {{40, 2}, {41, 3}, {160, 3}, {161, 4}, {320, 4}, {321, 5}, {863, 5}};
  for (const auto& row : cases) {
    SCOPED_TRACE(row.n);
    int cols = 29, rows = 0;  // 29 columns take even the 928 codewords of n = 863
    const auto layout = PDF417Layout(std::string(static_cast<std::size_t>(2 * (row.n - 1)), 'A'),
                                     cols, rows, csPDF417Alphanumeric, csPDF417AutoEC);
    EXPECT_EQ(layout.Level, row.level);
  }
  // From 864 on the level is 6: 864 + 128 codewords exceed every symbol.
  int cols = 30, rows = 0;
  try {
    PDF417Layout(std::string(2 * 863, 'A'), cols, rows, csPDF417Alphanumeric, csPDF417AutoEC);
    ADD_FAILURE() << "no error";
  } catch (const EPDF417Error& e) {
    EXPECT_STREQ(e.what(), "Text too long for PDF417: 992 codewords, a symbol holds at most 928");
  }
}

struct RefuseRow {
  const char* name;
  std::string text;
  csPDF417Mode mode;
  int cols, rows;
  csPDF417ErrorCorrection level;
  const char* message;
};

TEST(PDF417Layout, RefusesWhatNoSymbolHolds) {
  const RefuseRow cases[] = {
      {"31 columns requested", "A", csPDF417Alphanumeric, 31, 0, csPDF417AutoEC,
       "PDF417 symbol of 31 columns, at most 30 allowed"},
      {"huge column count", "A", csPDF417Alphanumeric, INT_MAX, 0, csPDF417AutoEC,
       "PDF417 symbol of 2147483647 columns, at most 30 allowed"},
      {"91 rows requested", "A", csPDF417Alphanumeric, 0, 91, csPDF417AutoEC,
       "PDF417 symbol of 91 rows, at most 90 allowed"},
      {"huge row count", "A", csPDF417Alphanumeric, -1, INT_MAX, csPDF417AutoEC,
       "PDF417 symbol of 2147483647 rows, at most 90 allowed"},
      {"one column, too many rows", std::string(200, 'A'), csPDF417Alphanumeric, 1, 0,
       csPDF417AutoEC, "PDF417 symbol of 117 rows, at most 90 allowed"},
      {"one row asked, three rows of too many columns", std::string(200, 'A'), csPDF417Alphanumeric,
       0, 1, csPDF417AutoEC, "PDF417 symbol of 39 columns, at most 30 allowed"},
      {"ten columns fill 90 rows", std::string(2 * 835 + 2, 'A'), csPDF417Alphanumeric, 10, 0,
       csPDF417AutoEC, "PDF417 symbol of 91 rows, at most 90 allowed"},
      {"level 8 leaves 416 codewords", std::string(832, 'A'), csPDF417Alphanumeric, 16, 0,
       csPDF417Error8, "Text too long for PDF417: 929 codewords, a symbol holds at most 928"},
      {"padding beyond 928", std::string(1724, 'A'), csPDF417Alphanumeric, 30, 0, csPDF417AutoEC,
       "Text too long for PDF417: 930 codewords, a symbol holds at most 928"},
      {"data alone beyond 928", std::string(1200, '\xAB'), csPDF417Binary, 10, 0, csPDF417AutoEC,
       "Text too long for PDF417: 1002 codewords, a symbol holds at most 928"},
      {"a megabyte of digits", std::string(1 << 20, '7'), csPDF417Numeric, 10, 0, csPDF417AutoEC,
       "Text too long for PDF417: 1048576 characters"},
      {"bad character first, length second", std::string(5000, '\x01'), csPDF417Alphanumeric, 10, 0,
       csPDF417AutoEC, "Bad char in PDF417, position 1, char : \x01"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    int cols = row.cols, r = row.rows;
    try {
      PDF417Layout(row.text, cols, r, row.mode, row.level);
      ADD_FAILURE() << "no error";
    } catch (const EPDF417Error& e) {
      EXPECT_STREQ(e.what(), row.message);
    }
    // Both entry points the drawing and the control use refuse alike.
    cols = row.cols;
    r = row.rows;
    EXPECT_THROW(PDF417BuildRows(row.text, cols, r, false, row.mode, row.level), EPDF417Error);
    EXPECT_THROW(PDF417SymbolWidth(row.text, row.cols, row.rows, row.level, row.mode, true),
                 EPDF417Error);
  }
}

TEST(PDF417ErrorCorrection, GeneratorCoefficients) {
  // The correction of the single codeword 1 is the generator's coefficients, highest first.
  EXPECT_EQ(PDF417ErrorCorrection({1}, 0), (std::vector<int>{917, 27}));
  EXPECT_EQ(PDF417ErrorCorrection({1}, 1), (std::vector<int>{809, 723, 568, 522}));
  EXPECT_EQ(PDF417ErrorCorrection({1}, 2),
            (std::vector<int>{379, 428, 653, 646, 284, 436, 308, 237}));
  const std::vector<int> l8 = PDF417ErrorCorrection({1}, 8);
  ASSERT_EQ(l8.size(), 512u);
  EXPECT_EQ(std::vector<int>(l8.end() - 4, l8.end()), (std::vector<int>{504, 373, 77, 352}));
  EXPECT_THROW(PDF417ErrorCorrection({1}, 9), EPDF417Error);
  EXPECT_THROW(PDF417ErrorCorrection({1}, -1), EPDF417Error);
}

TEST(PDF417ErrorCorrection, SymbolIsDivisibleByTheGenerator) {
  // A correct Reed-Solomon block vanishes at the roots 3^1..3^k of g(x). Lists up to a full
  // symbol's 928 codewords and far beyond: the registers are not reduced after every step, which
  // must hold for any length.
  std::mt19937 rng(417);
  for (int level = 0; level <= 8; ++level) {
    for (std::size_t length : {std::size_t{1} + rng() % 300, std::size_t{927}, std::size_t{928},
                               std::size_t{929}, std::size_t{6000}}) {
      SCOPED_TRACE(testing::Message() << "level " << level << ", " << length << " codewords");
      std::vector<int> data(length);
      for (int& d : data) d = static_cast<int>(rng() % 929);
      const std::vector<int> all = Concat({data, PDF417ErrorCorrection(data, level)});
      int root = 1;
      for (int j = 1; j <= (2 << level); ++j) {
        root = root * 3 % 929;
        ASSERT_EQ(Evaluate(all, root), 0) << "root 3^" << j;
      }
    }
  }
}

TEST(PDF417Indicators, PublishedAndFromTheRowFormula) {
  const struct {
    int row, rows, level, cols, left, right;
  } cases[] = {
      {0, 1, 2, 10, 0, 9},                                   // text A
      {0, 2, 2, 10, 0, 9},                                   // text ABC, row 0
      {1, 2, 2, 10, 7, 0},                                   // text ABC, row 1
      {2, 29, 4, 10, 9, 13},                                 // 300 bytes, row 2
      {28, 29, 4, 10, 283, 279}, {89, 90, 8, 30, 899, 896},  // the largest values a symbol can hold
      {87, 90, 0, 1, 899, 870},
  };
  for (const auto& r : cases) {
    SCOPED_TRACE(r.row);
    EXPECT_EQ(PDF417LeftIndicator(r.row, r.rows, r.level, r.cols), r.left);
    EXPECT_EQ(PDF417RightIndicator(r.row, r.rows, r.level, r.cols), r.right);
  }
  EXPECT_THROW(PDF417LeftIndicator(-1, 3, 0, 1), EPDF417Error);
  EXPECT_THROW(PDF417RightIndicator(93, 100, 0, 30), EPDF417Error);
  EXPECT_THROW(PDF417RightIndicator(INT_MAX, INT_MAX, INT_MAX, INT_MAX), EPDF417Error);
}

TEST(PDF417CodewordPattern, ClustersAndRange) {
  const struct {
    int codeword, row;
    const char* pattern;
  } cases[] = {
      {0, 0, "11101010111000000"},   {1, 0, "11110101011110000"}, {0, 1, "11111010101100000"},
      {0, 2, "11010101111100000"},   {0, 5, "11010101111100000"}, {0, -1, "11010101111100000"},
      {928, 2, "11100011111101010"}, {3, 4, "11111010100110000"},
  };
  for (const auto& r : cases) {
    SCOPED_TRACE(r.pattern);
    EXPECT_EQ(PDF417CodewordPattern(r.codeword, r.row), r.pattern);
  }
  EXPECT_THROW(PDF417CodewordPattern(929, 0), EPDF417Error);
  EXPECT_THROW(PDF417CodewordPattern(-1, 0), EPDF417Error);
}

struct RowsRow {
  const char* name;
  std::string text;
  int cols, rows;
  bool truncated;
  csPDF417ErrorCorrection level;
  int expectRows, width;
};

TEST(PDF417BuildRows, ShapeAndWidth) {
  const RowsRow cases[] = {
      {"A", "A", 10, 0, false, csPDF417AutoEC, 3, 239},
      {"ABC", "ABC", 10, 0, false, csPDF417AutoEC, 3, 239},
      {"ABC truncated", "ABC", 10, 0, true, csPDF417AutoEC, 3, 205},
      {"ABC at 20 columns", "ABC", 0, 0, false, csPDF417AutoEC, 3, 409},
      {"ABC in 3 rows", "ABC", 0, 3, false, csPDF417AutoEC, 3, 137},
      {"ABC in 3 rows truncated", "ABC", 0, 3, true, csPDF417AutoEC, 3, 103},
      {"ABC level 0", "ABC", 10, 0, false, csPDF417Error0, 3, 239},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    int cols = row.cols, r = row.rows;
    const auto built =
        PDF417BuildRows(row.text, cols, r, row.truncated, csPDF417Alphanumeric, row.level);
    EXPECT_EQ(r, row.expectRows);
    ASSERT_EQ(static_cast<int>(built.size()), row.expectRows);
    EXPECT_EQ(PDF417SymbolWidth(row.text, row.cols, row.rows, row.level, csPDF417Alphanumeric,
                                row.truncated),
              row.width);
    for (const auto& s : built) {
      EXPECT_EQ(static_cast<int>(s.size()), row.width);
      EXPECT_EQ(s.rfind("11111111010101000", 0), 0u);
      EXPECT_EQ(row.truncated ? s.substr(s.size() - 1) : s.substr(s.size() - 18),
                row.truncated ? "1" : "111111101000101001");
    }
  }
}

TEST(PDF417BuildRows, RowsOfABC) {
  int cols = 10, rows = 0;
  const auto built =
      PDF417BuildRows("ABC", cols, rows, false, csPDF417Alphanumeric, csPDF417AutoEC);
  ASSERT_EQ(built.size(), 3u);
  // Each row: start, left indicator, ten codewords, right indicator, stop, in its cluster.
  int lc = 10, lr = 0;
  const auto layout = PDF417Layout("ABC", lc, lr, csPDF417Alphanumeric, csPDF417AutoEC);
  std::vector<int> cw = layout.Codewords;
  for (int e : PDF417ErrorCorrection(layout.Codewords, layout.Level)) cw.push_back(e);
  ASSERT_EQ(cw.size(), 30u);
  // Level 2, three rows, ten columns.
  const int indicators[3][2] = {{0, 9}, {8, 0}, {9, 8}};
  for (int r = 0; r < 3; ++r) {
    std::string expect = "11111111010101000" + PDF417CodewordPattern(indicators[r][0], r);
    for (int c = 0; c < 10; ++c) expect += PDF417CodewordPattern(cw[r * 10 + c], r);
    EXPECT_EQ(built[r], expect + PDF417CodewordPattern(indicators[r][1], r) + "111111101000101001");
  }
  int tc = 10, tr = 0;
  const auto truncated = PDF417BuildRows("ABC", tc, tr, true, csPDF417Alphanumeric, csPDF417AutoEC);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(truncated[r], built[r].substr(0, 204) + "1");
}

TEST(PDF417BuildRows, AnySettingsGiveASymbolOrAnError) {
  // Random bytes, modes, levels and sizes, including values outside every range: the result is
  // either EPDF417Error or rows of one width that matches PDF417SymbolWidth.
  std::mt19937 rng(929);
  const int sizes[] = {INT_MIN, -5, -1, 0, 1, 2, 3, 7, 10, 29, 30, 31, 90, 91, INT_MAX};
  int built = 0;
  for (int i = 0; i < 400; ++i) {
    std::string text(rng() % 120, '\0');
    const int alphabet = static_cast<int>(rng() % 3);
    for (char& c : text)
      c = alphabet == 0   ? static_cast<char>(rng() % 256)
          : alphabet == 1 ? static_cast<char>('0' + rng() % 10)
                          : static_cast<char>(32 + rng() % 95);
    const auto mode = static_cast<csPDF417Mode>(rng() % 7);
    const auto level = static_cast<csPDF417ErrorCorrection>(rng() % 12);
    const int cols0 = sizes[rng() % std::size(sizes)], rows0 = sizes[rng() % std::size(sizes)];
    const bool truncated = rng() % 2 == 0;
    int cols = cols0, rows = rows0;
    try {
      const auto r = PDF417BuildRows(text, cols, rows, truncated, mode, level);
      ++built;
      ASSERT_EQ(static_cast<int>(r.size()), rows);
      ASSERT_GE(cols, 1);
      ASSERT_LE(cols, 30);
      ASSERT_LE(rows, 90);
      const int width = PDF417SymbolWidth(text, cols0, rows0, level, mode, truncated);
      for (const auto& s : r) ASSERT_EQ(static_cast<int>(s.size()), width);
    } catch (const EPDF417Error&) {
    }
  }
  EXPECT_GT(built, 100);
}

}  // namespace
}  // namespace brevix
