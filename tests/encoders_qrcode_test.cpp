// The QR Code encoder: round trips through two independent readers (ZXingReader, zbarimg), its
// choice of version against zint's and bit for bit at fixed versions and masks, and its refusals.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "encoders/qrcode.h"
#include "tests/support/decode.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

const std::string kKanji = "\x93\x5F\xE4\xAA";                         // two Kanji in Shift JIS
const std::string kKanjiUtf8 = "\u70B9\u8317";                         // the same two in UTF-8
const std::string kGs1 = "01095011015300031725010110ABC123\03521XYZ";  // \035: FNC1

TQrOptions Qr(TQrLevel level, int minVersion = 0, int mask = -1) {
  TQrOptions o;
  o.Level = level;
  o.MinVersion = minVersion;
  o.Mask = mask;
  return o;
}

TQrOptions With(TQrOptions o, int eci, bool shiftJis = false, bool gs1 = false) {
  o.Eci = eci;
  o.ShiftJis = shiftJis;
  o.Gs1 = gs1;
  return o;
}

bool Have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct TReading {
  std::string Bytes;
  std::string Identifier;
  std::string Text;
};

// ZXingReader on PNG files in one run: what it read from each file, by file name.
std::map<std::string, TReading> ReadWithZXingReader(const std::vector<std::string>& files) {
  std::string command = "ZXingReader -format QRCode";
  for (const std::string& f : files) command += " '" + f + "'";
  const std::string out = test::RunCommand(command + " 2>/dev/null");
  std::map<std::string, TReading> read;
  std::string file = files.size() == 1 ? files[0] : "";
  for (const std::string& line : Lines(out)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    const std::size_t at = line.find_first_not_of(' ', colon + 1);
    const std::string value = at == std::string::npos ? "" : line.substr(at);
    if (key == "File") {
      file = value;
    } else if (key == "Bytes") {
      for (std::size_t i = 0; i + 1 < value.size(); i += 3)
        read[file].Bytes += static_cast<char>(std::stoi(value.substr(i, 2), nullptr, 16));
    } else if (key == "Identifier") {
      read[file].Identifier = value;
    } else if (key == "Text" && value.size() >= 2) {
      read[file].Text = value.substr(1, value.size() - 2);
    }
  }
  return read;
}

std::string ReadWithZbar(const std::string& file) {
  return test::RunCommand("zbarimg -q --nodbus --raw -Sbinary '" + file + "' 2>/dev/null");
}

struct TRoundTrip {
  const char* Name;
  std::string Data;
  TQrOptions Options;
  int Size = 0;  // expected modules a side, 0: not checked
  // zxing-cpp 1.4 drops the rest of an alphanumeric segment after "%%" (a literal '%' in GS1
  // data), so such symbols are read back with zbarimg only.
  bool Zxing = true;
};

// Encodes each case into a PNG (4 pixels a module, quiet zone of 4 modules) and reads all of
// them back with both readers; GS1 symbols must carry the identifier ]Q3, others ]Q1 (the
// reader leaves the ECI modifier out of it).
void CheckRoundTrips(const std::vector<TRoundTrip>& cases) {
  if (!Have("ZXingReader") || !test::HaveZbar()) GTEST_SKIP() << "ZXingReader or zbarimg missing";
  test::TTempDir dir;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TRoundTrip& c = cases[i];
    const TMatrixResult r = EncodeQrCode(c.Data, c.Options);
    ASSERT_TRUE(r.Ok()) << c.Name << ": " << r.Message;
    if (c.Size) {
      EXPECT_EQ(static_cast<int>(r.Rows.size()), c.Size) << c.Name;
    }
    files.push_back(dir.File("qr" + std::to_string(i) + ".png"));
    test::WritePng(test::ImageFromRows(r.Rows, 4, 4, 4), files.back());
  }
  const auto zxing = ReadWithZXingReader(files);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TRoundTrip& c = cases[i];
    if (c.Zxing) {
      const auto it = zxing.find(files[i]);
      ASSERT_NE(it, zxing.end()) << c.Name << ": ZXingReader read nothing";
      EXPECT_EQ(it->second.Bytes, c.Data) << c.Name;
      EXPECT_EQ(it->second.Identifier, c.Options.Gs1 ? "]Q3" : "]Q1") << c.Name;
      if (c.Options.Eci == 26) {
        EXPECT_EQ(it->second.Text, c.Data) << c.Name << ": UTF-8 text";
      }
    }
    EXPECT_EQ(ReadWithZbar(files[i]), c.Data) << c.Name << ": zbarimg";
  }
}

TEST(QrCodeEncoder, RoundTripsEveryModeLevelAndSize) {
  std::string allBytes;
  for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
  std::vector<TRoundTrip> cases = {
      {"numeric", "01234567890123456789", Qr(TQrLevel::L)},
      {"alphanumeric", "HELLO WORLD $%*+-./:", Qr(TQrLevel::M)},
      {"byte", "hello, world", Qr(TQrLevel::Q)},
      {"every byte value", allBytes, Qr(TQrLevel::H)},
      {"numeric inside alphanumeric", "ABCDEF0123456789012345ABCDEF", Qr(TQrLevel::M)},
      {"numeric inside byte", "abcdef0123456789012345abcdef", Qr(TQrLevel::L)},
      {"alphanumeric inside byte", "abcDEFGHIJKLMNOPQRSTUVabc", Qr(TQrLevel::Q)},
      {"short runs stay in one mode", "a1b2C3d4E5", Qr(TQrLevel::H)},
      {"Kanji", kKanji, With(Qr(TQrLevel::M), -1, true)},
      {"Kanji between other modes", "ABC" + kKanji + "123456789abc" + kKanji + "\xB1",
       With(Qr(TQrLevel::Q), -1, true)},
      {"Shift JIS outside the Kanji ranges stays bytes", "\x81\x40\xEC\x40\x82\xA0" + kKanji,
       With(Qr(TQrLevel::L), -1, true)},
      {"ECI 26 with UTF-8", "Gr\u00FC\u00DFe " + kKanjiUtf8, With(Qr(TQrLevel::M), 26)},
      {"two-byte ECI number", "x", With(Qr(TQrLevel::L), 899)},
      {"GS1", kGs1, With(Qr(TQrLevel::M), -1, false, true)},
      {"GS1 in byte mode", "010950110153000310abc\03521xyz",
       With(Qr(TQrLevel::L), -1, false, true)},
      {"GS1 with a literal percent sign", "10AB%CD\0352112345",
       With(Qr(TQrLevel::L), -1, false, true), 0, false},
      {"smallest symbol", "A", Qr(TQrLevel::L), 21},
      {"minimum version", "A", Qr(TQrLevel::L, 10), 57},
      {"largest, bytes at L", std::string(2953, 'b'), Qr(TQrLevel::L), 177},
      {"largest, digits at L", std::string(7089, '7'), Qr(TQrLevel::L), 177},
      {"largest, alphanumeric at H", std::string(1852, 'Z'), Qr(TQrLevel::H), 177},
  };
  for (int mask = 0; mask < 8; ++mask)
    cases.push_back(
        {"fixed mask", "MASK " + std::to_string(mask) + " abc", Qr(TQrLevel::M, 2, mask)});
  CheckRoundTrips(cases);
}

TEST(QrCodeEncoder, RoundTripsRandomTexts) {
  const std::vector<std::string> alphabets = {"0123456789",
                                              "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:",
                                              "abcdefghijklmnopqrstuvwxyz ,;!?0123456789ABCDEF"};
  std::mt19937 rng(19);
  std::vector<TRoundTrip> cases;
  for (int n = 0; n < 200; ++n) {
    const int length = 1 + static_cast<int>(rng() % (n % 10 == 0 ? 1500 : 200));
    const bool shiftJis = n % 7 == 0;
    std::string text;
    while (static_cast<int>(text.size()) < length) {
      // Runs of random lengths from random alphabets, so that modes switch anywhere.
      const int kind = static_cast<int>(rng() % 5);
      const int run = 1 + static_cast<int>(rng() % 24);
      for (int k = 0; k < run; ++k) {
        if (kind < 3) {
          const std::string& a = alphabets[static_cast<std::size_t>(kind)];
          text += a[rng() % a.size()];
        } else if (kind == 3 || !shiftJis) {
          text += static_cast<char>(rng() % 256);
        } else {
          text += kKanji.substr(2 * (rng() % 2), 2);
        }
      }
    }
    text.resize(static_cast<std::size_t>(length));
    cases.push_back({"random", text, With(Qr(static_cast<TQrLevel>(rng() % 4)), -1, shiftJis)});
  }
  CheckRoundTrips(cases);
}

TEST(QrCodeEncoder, Refusals) {
  struct TRow {
    const char* Name;
    std::string Data;
    TQrOptions Options;
    TLastError Error;
    const char* Message;  // a part of the message
  };
  const std::vector<TRow> rows = {
      {"empty", "", Qr(TQrLevel::M), erEmptyCode, "Empty code."},
      {"digits past 40-L", std::string(7090, '1'), Qr(TQrLevel::L), erBarcodeLengthInvalid,
       "7090 bytes, at most 2953 bytes (4296 alphanumeric characters, 7089 digits) at level L"},
      {"bytes past 40-H", std::string(1274, 'a'), Qr(TQrLevel::H), erBarcodeLengthInvalid,
       "at most 1273 bytes"},
      {"ECI header counted", std::string(2953, 'a'), With(Qr(TQrLevel::L), 3),
       erBarcodeLengthInvalid, "at most 2952 bytes"},
      {"version 41", "A", Qr(TQrLevel::M, 41), erErrorInBarCode, "version must be 1 to 40"},
      {"version -1", "A", Qr(TQrLevel::M, -1), erErrorInBarCode, "not -1"},
      {"mask 8", "A", Qr(TQrLevel::M, 0, 8), erErrorInBarCode, "mask must be 0 to 7"},
      {"mask -2", "A", Qr(TQrLevel::M, 0, -2), erErrorInBarCode, "not -2"},
      {"ECI 1000000", "A", With(Qr(TQrLevel::M), 1000000), erErrorInBarCode, "ECI"},
      {"level past H", "A", Qr(static_cast<TQrLevel>(4)), erErrorInBarCode, "L, M, Q or H"},
  };
  for (const TRow& row : rows) {
    const TMatrixResult r = EncodeQrCode(row.Data, row.Options);
    EXPECT_EQ(r.Error, row.Error) << row.Name;
    EXPECT_NE(r.Message.find(row.Message), std::string::npos) << row.Name << ": " << r.Message;
    EXPECT_TRUE(r.Rows.empty()) << row.Name;
  }
  // The largest data that still fits is accepted at those limits.
  EXPECT_TRUE(EncodeQrCode(std::string(7089, '1'), Qr(TQrLevel::L)).Ok());
  EXPECT_TRUE(EncodeQrCode(std::string(1273, 'a'), Qr(TQrLevel::H)).Ok());
  EXPECT_TRUE(EncodeQrCode(std::string(2952, 'a'), With(Qr(TQrLevel::L), 3)).Ok());
}

// zint's symbol for the data written to a file, with extra options; empty when it refuses.
std::vector<std::string> ZintRows(const test::TTempDir& dir, const std::string& data,
                                  const std::string& args) {
  std::ofstream(dir.File("in.txt"), std::ios::binary) << data;
  const std::string out =
      test::RunCommand("zint -b 58 --dump " + args + " -i '" + dir.File("in.txt") + "' 2>&1");
  std::vector<std::string> rows;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("Warning", 0) == 0) continue;  // e.g. input converted to Shift JIS
    std::string bits;
    for (char c : line) {
      if (c == ' ') continue;
      if (!std::isxdigit(static_cast<unsigned char>(c))) return {};  // an error message
      const int v = std::stoi(std::string(1, c), nullptr, 16);
      for (int b = 3; b >= 0; --b) bits += (v >> b) & 1 ? '1' : '0';
    }
    if (!bits.empty()) rows.push_back(bits);
  }
  for (std::string& row : rows) row.resize(rows.size());  // the dump pads rows to whole bytes
  return rows;
}

std::string ZintLevel(TQrLevel level) {
  return "--secure=" + std::to_string(static_cast<int>(level) + 1);
}

// zint picks the smallest version for its own segmentation: ours must never be larger (with
// zint 2.11 both give the same size on every one of these texts).
TEST(QrCodeEncoder, VersionNoLargerThanZint) {
  if (!Have("zint")) GTEST_SKIP() << "zint not installed";
  struct TRow {
    std::string Data;
    TQrOptions Options;
    std::string ZintData = {};  // zint's input when it differs (UTF-8, GS1 brackets)
  };
  std::vector<TRow> rows = {
      {"12345678901234567890123456789012345678901", Qr(TQrLevel::L)},
      {"123456789012345678901234567890123456789012", Qr(TQrLevel::L)},
      {"HELLO WORLD", Qr(TQrLevel::Q)},
      {"http://www.example.com/path?query=1234567890", Qr(TQrLevel::M)},
      {"ABC123456789DEF", Qr(TQrLevel::M)},
      {"abc123456789def", Qr(TQrLevel::M)},
      {"abcDEFGHIJKLMNOPabcDEFGHIJKLMNOPQRSTUVWXYZabc", Qr(TQrLevel::L)},
      {"1234ABCD1234ABCD1234ABCD1234", Qr(TQrLevel::H)},
      {std::string(300, '9') + std::string(300, 'X') + std::string(300, 'x'), Qr(TQrLevel::L)},
      {std::string(1000, 'A') + "0123456789", Qr(TQrLevel::Q)},
      {kKanji + kKanji + "ABC", With(Qr(TQrLevel::M), -1, true), kKanjiUtf8 + kKanjiUtf8 + "ABC"},
      {"Gr\u00FC\u00DFe", With(Qr(TQrLevel::L), 26)},
      {kGs1, With(Qr(TQrLevel::M), -1, false, true),
       "[01]09501101530003[17]250101[10]ABC123[21]XYZ"},
  };
  std::mt19937 rng(58);
  const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:abcdefxyz";
  for (int n = 0; n < 47; ++n) {
    std::string text;
    const std::size_t span = n % 3 == 0 ? 10 : n % 3 == 1 ? 45 : alphabet.size();
    const int length = 1 + static_cast<int>(rng() % (n % 5 == 0 ? 2000 : 150));
    for (int k = 0; k < length; ++k) text += alphabet[rng() % span];
    rows.push_back({text, Qr(static_cast<TQrLevel>(n % 4))});
  }
  test::TTempDir dir;
  for (const TRow& row : rows) {
    const TMatrixResult r = EncodeQrCode(row.Data, row.Options);
    ASSERT_TRUE(r.Ok()) << row.Data << ": " << r.Message;
    const std::string args =
        ZintLevel(row.Options.Level) + (row.Options.Gs1 ? " --gs1" : "") +
        (row.Options.Eci >= 0 ? " --eci=" + std::to_string(row.Options.Eci) : "");
    const auto zint = ZintRows(dir, row.ZintData.empty() ? row.Data : row.ZintData, args);
    ASSERT_FALSE(zint.empty()) << row.Data;
    EXPECT_LE(r.Rows.size(), zint.size()) << row.Data;
  }
}

// At a fixed version and mask a text without mode choices gives one symbol only: every version
// and level checked module for module against zint's (blocks, interleaving, alignment patterns,
// version and format information).
TEST(QrCodeEncoder, SameModulesAsZintAtEveryVersionAndLevel) {
  if (!Have("zint")) GTEST_SKIP() << "zint not installed";
  test::TTempDir dir;
  for (int version = 1; version <= 40; ++version)
    for (int level = 0; level < 4; ++level) {
      const TQrOptions o = Qr(static_cast<TQrLevel>(level), version, (version + level) % 8);
      const std::string text = "v" + std::to_string(version);  // fits 1-H
      const TMatrixResult r = EncodeQrCode(text, o);
      ASSERT_TRUE(r.Ok());
      EXPECT_EQ(r.Rows, ZintRows(dir, text,
                                 ZintLevel(o.Level) + " --vers=" + std::to_string(version) +
                                     " --mask=" + std::to_string(o.Mask)))
          << "version " << version << " level " << level;
    }
}

}  // namespace
}  // namespace brevix
