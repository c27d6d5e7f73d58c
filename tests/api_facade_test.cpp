// The C++ facade: the same bytes as the tool for every symbology and format, its one error
// channel, symbology names, and renderers on several threads.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "api/barcode.h"
#include "cli/run.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

namespace bx = api;

// A text each symbology encodes: its sample, where it has one that encodes.
std::string TextFor(bx::Symbology s) {
  if (s.Type() == csCodeMSI) return "1234567";
  return s.Sample();
}

// Option sets as the tool spells them and as the facade does.
struct TOptionRow {
  std::vector<std::string> Args;
  bx::RenderOptions Options;
  bx::Pdf417Options Pdf417;
  bx::QrOptions Qr;
  bx::DataMatrixOptions DataMatrix;
};

std::vector<TOptionRow> OptionRows() {
  std::vector<TOptionRow> rows(4);
  rows[1].Args = {"--module",  "3",    "--angle",        "90", "--margin", "4",
                  "--display", "none", "--pdf417-level", "0"};
  rows[1].Options.ModulePixels = 3;
  rows[1].Options.Angle = 90;
  rows[1].Options.Margin = 4;
  rows[1].Options.ShowText = false;
  rows[1].Pdf417.Level = 0;  // level 0 asked for explicitly, not the automatic level
  rows[2].Args = {"--xdim",  "0.33mm",  "--dpi",          "300",    "--height-mm",
                  "12",      "--lines", "#102030",        "--back", "#FFFFE0",
                  "--angle", "180",     "--pdf417-level", "3"};
  rows[2].Options.XDimensionMm = 0.33;
  rows[2].Options.Dpi = 300;
  rows[2].Options.HeightMm = 12;
  rows[2].Options.Foreground = {0x10, 0x20, 0x30};
  rows[2].Options.Background = {0xFF, 0xFF, 0xE0};
  rows[2].Options.Angle = 180;
  rows[2].Pdf417.Level = 3;
  rows[2].Args.insert(rows[2].Args.end(), {"--qr-level", "H", "--dm-shape", "auto"});
  rows[2].Qr.Level = bx::QrLevel::H;
  rows[2].DataMatrix.Shape = bx::DataMatrixShape::Auto;
  rows[3].Args = {"--transparent", "--back",        "#00FF00", "--quiet-zone=no",  "--angle",
                  "270",           "--pdf417-mode", "binary",  "--pdf417-truncate"};
  rows[3].Options.Transparent = true;
  rows[3].Options.Background = {0, 255, 0};
  rows[3].Options.QuietZones = false;
  rows[3].Options.Angle = 270;
  rows[3].Pdf417.Mode = bx::Pdf417Mode::Binary;
  rows[3].Pdf417.Truncated = true;
  rows[3].Args.insert(rows[3].Args.end(), {"--qr-version", "5", "--qr-mask", "2"});
  rows[3].Qr.MinVersion = 5;
  rows[3].Qr.Mask = 2;
  return rows;
}

TEST(ApiFacade, SameBytesAsTheTool) {
  const std::vector<TOptionRow> optionRows = OptionRows();
  const test::TTempDir dir;
  bx::Renderer renderer;  // reused across symbologies and formats, as a loop would
  int compared = 0;
  for (const bx::Symbology symbology : bx::Symbology::All()) {
    for (const bx::Format format : bx::Formats()) {
      // Every symbology in every format; the option sets in turn.
      const TOptionRow& row =
          optionRows[static_cast<std::size_t>(symbology.Value() + static_cast<int>(format)) %
                     optionRows.size()];
      const std::string text = TextFor(symbology);
      const std::string file = dir.File("tool" + std::string(bx::Extension(format)));
      SCOPED_TRACE(std::string(symbology.Identifier()) + " " + file + " options " +
                   std::to_string(&row - optionRows.data()));
      std::vector<std::string> args = row.Args;
      args.insert(args.end(), {std::string(symbology.Identifier()), text, file});
      std::ostringstream out, err;
      ASSERT_EQ(cli::Run(args, {0, out, err}), cli::kExitOk) << err.str();
      bx::EncodeOptions encode;
      encode.CompleteCheckDigits = true;  // the tool completes
      encode.Pdf417 = row.Pdf417;
      encode.Qr = row.Qr;
      encode.DataMatrix = row.DataMatrix;
      const bx::Symbol symbol = bx::Encode(symbology, text, encode);
      const std::vector<std::uint8_t> bytes = renderer.ToBytes(symbol, format, row.Options);
      ASSERT_EQ(std::string(bytes.begin(), bytes.end()), test::ReadFileBytes(file));
      ++compared;
    }
  }
  EXPECT_EQ(compared, kTypeBarCount * 8);
}

TEST(ApiFacade, OneErrorChannel) {
  const test::TTempDir dir;
  const bx::Symbol ean = bx::Encode(csCodeEAN13, "9771210107001");
  const std::string longText(400, 'A');
  // Options with one field changed.
  const auto encodeWith = [](auto set) {
    bx::EncodeOptions o;
    set(o);
    return o;
  };
  const auto renderWith = [](auto set) {
    bx::RenderOptions o;
    set(o);
    return o;
  };
  struct TRow {
    const char* Name;
    std::function<void()> Call;
    bx::ErrorCode Code;
    int Position;
    TLastError Result;
  };
  const TRow rows[] = {
      {"unknown symbology", [] { bx::Symbology::FromName("no such code"); },
       bx::ErrorCode::Symbology, 0, erOK},
      {"value past the rows", [] { bx::Symbology::FromValue(kTypeBarCount); },
       bx::ErrorCode::Symbology, 0, erOK},
      {"wrong check digit, strict", [] { bx::Encode(csCodeEAN13, "9771210107002"); },
       bx::ErrorCode::Text, 13, erMustBe},
      {"character out of set",
       [] {
         bx::Encode(csCode39,
                    "AB\xc3\xa9"
                    "C");
       },
       bx::ErrorCode::Text, 3, erCharOutOfSet},
      {"not in the code page", [] { bx::Encode(csCode128, "ab\xe6\x97\xa5"); }, bx::ErrorCode::Text,
       3, erCharOutOfSet},
      {"empty text", [] { bx::Encode(csCode128, ""); }, bx::ErrorCode::Text, 0, erEmptyCode},
      {"code page",
       [&] { bx::Encode(csCode128, "A", encodeWith([](auto& o) { o.CodePage = 42; })); },
       bx::ErrorCode::Option, 0, erOK},
      {"PDF417 level",
       [&] { bx::Encode(csCodePDF417, "A", encodeWith([](auto& o) { o.Pdf417.Level = 9; })); },
       bx::ErrorCode::Option, 0, erOK},
      {"QR Code mask",
       [&] { bx::Encode(csCodeQRCode, "A", encodeWith([](auto& o) { o.Qr.Mask = 8; })); },
       bx::ErrorCode::Option, 0, erOK},
      {"angle", [&] { bx::Render(ean, renderWith([](auto& o) { o.Angle = 45; })); },
       bx::ErrorCode::Option, 0, erOK},
      {"empty symbol", [] { bx::Render(bx::Symbol{}); }, bx::ErrorCode::Option, 0, erOK},
      {"unknown extension", [&] { bx::Write(ean, dir.File("a.xyz")); }, bx::ErrorCode::Format, 0,
       erOK},
      {"metafile", [&] { bx::Write(ean, dir.File("a.wmf")); }, bx::ErrorCode::Format, 0, erOK},
      {"too large",
       [&] {
         bx::ToBytes(bx::Encode(csCode128, longText), bx::Format::Png,
                     renderWith([](auto& o) { o.ModulePixels = 1000; }));
       },
       bx::ErrorCode::Size, 0, erOK},
      {"no such folder", [&] { bx::Write(ean, dir.File("none/a.png")); }, bx::ErrorCode::Write, 0,
       erOK},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    try {
      row.Call();
      ADD_FAILURE() << "no error";
    } catch (const bx::Error& e) {
      EXPECT_EQ(e.Code(), row.Code) << e.what();
      EXPECT_EQ(e.Position(), row.Position) << e.what();
      EXPECT_EQ(e.Result(), row.Result) << e.what();
      EXPECT_STRNE(e.what(), "");
    }
  }
  // Completion on request: the wrong digit replaced.
  EXPECT_EQ(bx::Encode(csCodeEAN13, "9771210107002",
                       encodeWith([](auto& o) { o.CompleteCheckDigits = true; }))
                .Text,
            "9771210107001");
}

// Each row found by its value, identifier, identifier without "cs"/"csCode" and catalogue name,
// in any case: and no name leads to another row.
TEST(ApiFacade, SymbologyNames) {
  for (const bx::Symbology s : bx::Symbology::All()) {
    std::string id(s.Identifier());
    std::string lower = id;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string names[] = {
        std::to_string(s.Value()), id, lower, id.substr(2),
        // "csCode39" less "csCode" is a number: a value, not Code 39.
        id.starts_with("csCode") && !std::isdigit(id[6]) ? id.substr(6) : id,
        std::string(s.Name())};
    for (const std::string& name : names) {
      SCOPED_TRACE(name);
      const auto found = bx::Symbology::Find(name);
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(found->Type(), s.Type());
    }
  }
  EXPECT_EQ(bx::Symbology::FromName("ean-13").Type(), csCodeEAN13);
  EXPECT_EQ(bx::FormatOf("LABEL.TIFF"), bx::Format::Tiff);
  EXPECT_EQ(bx::FormatOf("jpeg"), bx::Format::Jpeg);
  EXPECT_FALSE(bx::FormatOf("emf").has_value());
}

// Renderers on separate threads give what one thread gives.
TEST(ApiFacade, ThreadsRenderAlike) {
  std::vector<bx::Symbol> symbols;
  for (const char* text : {"BREVIX-1", "BREVIX-22", "BREVIX-333", "BREVIX-4444"})
    symbols.push_back(bx::Encode(csCode128, text));
  symbols.push_back(bx::Encode(csCodePDF417, "Brevix on threads"));
  std::vector<std::vector<std::uint8_t>> expected;
  for (const bx::Symbol& s : symbols) expected.push_back(bx::ToBytes(s, bx::Format::Png));
  bx::RenderOptions turned;
  turned.Angle = 90;
  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      bx::Renderer renderer;
      for (int round = 0; round < 5; ++round)
        for (std::size_t i = 0; i < symbols.size(); ++i) {
          const bx::Image image = renderer.Render(symbols[i], turned);
          if (renderer.ToBytes(symbols[i], bx::Format::Png) != expected[i] ||
              image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 3)
            ++mismatches[static_cast<std::size_t>(t)];
        }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace brevix
