// The command-line tool end to end: options, files it writes (read back and decoded), refusals,
// exit statuses and batch mode.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/run.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

TRun RunTool(const std::string& args, const std::string& dir, const std::string& input = "",
             const std::string& limits = "") {
  const std::string err = dir + "/stderr.txt";
  std::string command =
      "cd '" + dir + "' && " + limits + "'" BREVIX_CLI_PATH "' " + args + " 2>'" + err + "'";
  if (!input.empty()) {
    std::ofstream(dir + "/stdin.txt", std::ios::binary) << input;
    command += " <'" + dir + "/stdin.txt'";
  }
  TRun run;
  run.Out = test::RunCommand(command, &run.Status);
  run.Err = test::ReadFileBytes(err);
  return run;
}

std::optional<test::TReadImage> Read(const std::string& path) {
  if (path.ends_with(".png")) return test::ReadPngFile(path);
  if (path.ends_with(".gif")) return test::ReadGifFile(path);
  return test::ReadWithImageMagick(path);
}

bool Decodes(const test::TReadImage& image, const std::string& text) {
  for (const auto& d : test::DecodeWithZXing(image.Grey()))
    if (d.Text == text) return true;
  return false;
}

TEST(CliTool, WritesPicturesFromOptions) {
  const struct {
    const char* Args;
    const char* File;
    int Width, Height;  // 0: whatever the symbol needs
    const char* Decoded;
  } rows[] = {
      // Module mode by default: 11 + 95 + 7 modules across, 69 + 5 + 5 down, 2 pixels each.
      {"csCodeEAN13 977121010700 f.png", "f.png", 226, 158, "9771210107001"},
      {"-H 80 csCodeEAN13 977121010700 f.png", "f.png", 0, 80, "9771210107001"},
      {"-W 300 -H 100 'Code 128' 'Brevix 42' f.png", "f.png", 300, 100, "Brevix 42"},
      {"--angle=90 --width 100 --height 300 22 977121010700 -o f.bmp", "f.bmp", 100, 300,
       "9771210107001"},
      {"-a vertical-mirrored -W 100 -H 300 --lines navy --back '#FFFFE0' csCode39 ABC f.gif",
       "f.gif", 100, 300, "ABC"},
      {"--display both --code-font 'Liberation Sans:10:bold' -W 300 -H 120 csCode128 Hi f.png",
       "f.png", 300, 120, "Hi"},
      {"--pdf417-level 3 --pdf417-truncate -W 400 -H 150 csCodePDF417 'PDF 417' f.png", "f.png",
       400, 150, "PDF 417"},
      {"--pdf417-mode binary csCodePDF417 'caf\xc3\xa9' -W 300 -H 100 f.png", "f.png", 300, 100,
       "caf\xc3\xa9"},
      // Windows-1250: S caron is byte 0x8A, which decoders read as U+008A.
      {"--codepage 1250 --pdf417-mode binary csCodePDF417 '\xc5\xa0' -W 300 -H 100 f.png", "f.png",
       300, 100, "\xc2\x8a"},
      {"--complete-draw --ratio 2 csCodeEAN8 9638507 f.png", "f.png", 0, 80, "96385074"},
      // QR Code and Data Matrix: (modules + quiet zones) x 2 pixels square, UTF-8 texts with
      // ECI or Kanji mode, GS1 data; every orientation and a vector file.
      {"csCodeQRCode 'Gr\xc3\xbc\xc3\x9f"
       "e, \xe4\xb8\x96\xe7\x95\x8c' f.png",
       "f.png", 66, 66,
       "Gr\xc3\xbc\xc3\x9f"
       "e, \xe4\xb8\x96\xe7\x95\x8c"},
      {"-a 90 --qr-level H --qr-version 5 csCodeQRCode Brevix f.gif", "f.gif", 90, 90, "Brevix"},
      {"csCodeQRCode '\xe6\xbc\xa2\xe5\xad\x97\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88' f.svg", "f.svg",
       58, 58, "\xe6\xbc\xa2\xe5\xad\x97\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88"},
      {"-a 180 --gs1 --dm-shape rect csCodeDataMatrix '(01)09501101530003(10)AB' f.tif", "f.tif",
       56, 28, "010950110153000310AB"},
      {"-a 270 csCodeGS1_128 '[01]09501101530003[10]AB' f.bmp", "f.bmp", 120, 396,
       "010950110153000310AB"},
      {"-W 200 -H 200 -a 90 --dm-size 16x16 csCodeDataMatrix Brevix f.png", "f.png", 200, 200,
       "Brevix"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args);
    test::TTempDir dir;
    const TRun run = RunTool(row.Args, dir.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    const auto image = Read(dir.File(row.File));
    ASSERT_TRUE(image.has_value());
    if (row.Width) {
      EXPECT_EQ(image->Width, row.Width);
    }
    EXPECT_EQ(image->Height, row.Height);
    if (test::HaveZXing()) {
      EXPECT_TRUE(Decodes(*image, row.Decoded));
    }
  }
}

// Module mode's sizes: pixels per module, dots per module chosen for an X-dimension, the
// resolution every file records (as ImageMagick reads it), quiet zones and margins, bar heights
// in millimetres; command line and batch records alike.
TEST(CliTool, SizesModuleModePictures) {
  if (!test::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not available";
  const char* ean = " csCodeEAN13 977121010700 ";
  const struct {
    std::string Args;
    const char* File;
    const char* Identified;  // x and y resolution, width, height
    const char* Err;
  } rows[] = {
      // 0.33 mm at 300 dpi is 3.9 dots: 4, and said so; 113 modules across.
      {std::string("--xdim 0.33mm --dpi 300") + ean + "p.png", "p.png", "300 300 452 316",
       "brevix: X-dimension 0.3387 mm (4 dots at 300 dpi) instead of 0.33 mm: p.png\n"},
      {std::string("--xdim 0.33mm --dpi 300") + ean + "p.tif", "p.tif", "300 300 452 316", "*"},
      {std::string("--xdim 0.33mm --dpi 300") + ean + "p.bmp", "p.bmp", "300 300 452 316", "*"},
      {std::string("--xdim 0.33mm --dpi 300") + ean + "p.jpg", "p.jpg", "300 300 452 316", "*"},
      // Within 1 %: nothing said.
      {std::string("--xdim 0.0133in --dpi 600") + ean + "p.png", "p.png", "600 600 904 632", ""},
      {std::string("--module 3 --dpi 200") + ean + "p.gif", "p.gif", "* 339 237", ""},
      {std::string("--margin 5") + ean + "p.png", "p.png", "96 96 246 178", ""},
      // The leading digit keeps its room without the quiet zones.
      {std::string("--quiet-zone=no") + ean + "p.png", "p.png", "96 96 204 158", ""},
      // 57 modules of Code 128 "AB", bars 20 mm at 300 dpi.
      {"--quiet-zone=no --display none --dpi 300 --height-mm 20 csCode128 AB p.png", "p.png",
       "300 300 114 236", ""},
      {"--batch -", "b.png", "300 300 452 316",
       "brevix: stdin:1: X-dimension 0.3387 mm (4 dots at 300 dpi) instead of 0.33 mm: b.png\n"},
      {"--dpi 300 --batch -", "c.png", "300 300 904 632", "*"},
  };
  const std::string jobs =
      "b.png,csCodeEAN13,977121010700,xdim=0.33mm,dpi=300\n"
      "c.png,csCodeEAN13,977121010700,module=8\n";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args);
    test::TTempDir dir;
    const TRun run = RunTool(row.Args, dir.Path(), row.Args.ends_with("-") ? jobs : "");
    EXPECT_EQ(run.Status, 0) << run.Err;
    if (std::string_view(row.Err) != "*") {
      EXPECT_EQ(run.Err, row.Err);
    }
    std::string read = test::RunCommand("identify -units PixelsPerInch -format '%x %y %w %h' '" +
                                        dir.File(row.File) + "'");
    double x = 0, y = 0;
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(read.c_str(), "%lf %lf %d %d", &x, &y, &w, &h), 4) << read;
    // BMP and PNG count pixels per metre: 96 dpi reads back as 96.01. GIF records none.
    read = std::to_string(std::lround(x)) + " " + std::to_string(std::lround(y)) + " " +
           std::to_string(w) + " " + std::to_string(h);
    if (row.Identified[0] == '*') read = "* " + read.substr(read.find(' ', read.find(' ') + 1) + 1);
    EXPECT_EQ(read, row.Identified);
  }
  // Vector files carry the physical size: 113 modules of 0.33 mm; 77 of 0.5 mm by 20 mm bars.
  test::TTempDir dir;
  EXPECT_EQ(RunTool(std::string("--xdim 0.33mm --dpi 300") + ean + "p.svg", dir.Path()).Err, "");
  EXPECT_NE(test::ReadFileBytes(dir.File("p.svg")).find("width=\"37.29mm\""), std::string::npos);
  RunTool("--xdim 0.5mm --height-mm 20 --display none csCode128 AB p.pdf", dir.Path());
  EXPECT_NE(test::ReadFileBytes(dir.File("p.pdf")).find("/MediaBox [0 0 109.1339 56.6929]"),
            std::string::npos);
}

// Box mode (-W, -H, --ratio, --complete-draw) writes the very pictures it wrote before module mode
// became the default; the sums pin its files (the PNG rows were taken again when the compressor of
// linear pictures changed, with every pixel checked equal).
TEST(CliTool, BoxModeFilesAsBefore) {
  const struct {
    const char* Args;
    const char* Sha256;
  } rows[] = {
      {"-W 300 -H 100 'Code 128' 'Brevix 42' f.png",
       "cc11c2ceb745b0f11f7b90bb46416c68727d8f0a168af50d603bf23d6614e811"},
      {"--angle=90 --width 100 --height 300 22 977121010700 f.bmp",
       "642dfa675d4ccbb24094d12b74bccc9f32df2bbb6a9aa32c3dcdb5356936ca01"},
      {"-a vertical-mirrored -W 100 -H 300 --lines navy --back '#FFFFE0' csCode39 ABC f.gif",
       "9ca4ca9bdef6840792332871533ff985f0d826a82e693082b6b0acc0697d6f63"},
      {"--complete-draw --ratio 2 csCodeEAN8 9638507 f.png",
       "d0c1acc9ed9c8b4c25ede2414d68ee1f293a3d283e1eb57c857594d758ae548f"},
      {"--display both -W 400 -H 150 --pdf417-level 3 csCodePDF417 'PDF 417' f.tif",
       "bb263c9b80621f26829f4ec1892059b7f1b7bd785486a8747b6e0f3427016be2"},
      {"-H 80 csCodeUPC_A 03600029145 f.png",
       "246bd6b1001659deecf3e261dc8d0c783b5a4d696d156deca2964d938a0056cf"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args);
    test::TTempDir dir;
    ASSERT_EQ(RunTool(row.Args, dir.Path()).Status, 0);
    const std::string sum = test::RunCommand("cd '" + dir.Path() + "' && sha256sum f.*");
    EXPECT_EQ(sum.substr(0, 64), row.Sha256);
  }
}

TEST(CliTool, RefusesWithoutWritingAWrongFile) {
  const struct {
    std::string Args;
    int Status;
    const char* Message;
  } rows[] = {
      {"csCodeEAN13 12AB f.png", 1, "Invalid length of barcode."},
      // The print path refuses as the file path does.
      {"csCodePDF417 'caf\xc3\xa9' -", 1, "\"caf\xc3\xa9\": Bad char in PDF417, position 4"},
      {"csCodePDF417 " + std::string(5000, 'A') + " -", 1,
       "AAA...\" (5000 characters): Text too long for PDF417"},
      {"csCodePDF417 '' -", 1, "brevix: Empty code.\n"},
      {"csCodeEAN8 12AB -", 1, "\"12AB\": Invalid length"},
      {"--strict csCodeEAN13 9771210107000 f.png", 1, "wrong check digit 0, 1 expected"},
      {"--batch .", 2, "cannot read batch file \".\": it is a directory"},
      {"--batch nosuch.csv", 2, "No such file or directory"},
      {"-W 40 csCodeEAN13 977121010700 f.png", 1, "Tool small"},
      {"csCode128 'x\xe6\x97\xa5' f.png", 1, "cannot be written in code page 1252"},
      {"--pdf417-mode numeric csCodePDF417 ABC f.png", 1, "Bad char in PDF417"},
      {"csCodeMSI '' f.png", 1, "Empty code."},
      {"csCodeGS1_128 '(01)09501101530003(17)251301' f.png", 1,
       "AI (17): invalid date 251301, position 20"},
      {"--strict csCodeGS1_128 '(01)09501101530004' -", 1, "wrong check digit 4, 3 expected"},
      {"--gs1 csCodeQRCode '(10)A#' f.png", 1, "'#' outside the GS1 character set, position 6"},
      {"csCodeDataMatrix " + std::string(3200, '9') + " f.png", 1, "(3200 characters): "},
      {"--dm-size 7x7 csCodeDataMatrix A f.png", 2, "--dm-size"},
      {"--qr-level X csCodeQRCode A f.png", 2, "L, M, Q or H"},
      {"csCodeEAN13 977121010700 f.xyz", 3,
       "unknown picture type \".xyz\" (use .bmp, .emf, .eps, .gif, .jpe, .jpeg, .jpg, .pdf, .png, "
       ".svg, .tif, .tiff or .wmf)"},
      {"-W 300 csCodeEAN13 977121010700 f.svg", 3, "drawn in module mode"},
      {"--module 3 -H 100 csCode39 ABC f.png", 2, "--module applies to module mode"},
      {"--xdim 0.3mm csCode39 ABC f.emf", 2, "--xdim applies to module mode"},
      {"--display both csCode39 ABC f.png", 2, "box mode only: give -W or -H"},
      {"--module 2 --xdim 0.3mm csCode39 ABC f.png", 2, "both set the module width"},
      {"--xdim 0.3 csCode39 ABC f.png", 2, "--xdim: \"0.3\" is not a length"},
      {"--height-mm 0 csCode39 ABC f.png", 2, "--height-mm"},
      {"--module 0 csCode39 ABC f.png", 2, "--module"},
      {"--dpi 70000 csCode39 ABC f.png", 2, "--dpi"},
      {"--margin -1 csCode39 ABC f.png", 2, "--margin"},
      {"--module 100 csCode128 " + std::string(200, 'A') + " f.png", 1,
       "pixels, beyond what the writers take: use a smaller --module"},
      {"csCodeEAN13 977121010700 f", 3, "\"f\": the name has no extension"},
      {"csCodeEAN13 977121010700 missing/f.png", 3, "does not exist"},
      {"nosuch 1 f.png", 2, "unknown symbology"},
      {"--angle 45 22 1 f.png", 2, "--angle"},
      {"--width 0 22 1 f.png", 2, "--width"},
      {"--codepage 437 22 1 f.png", 2, "--codepage"},
      {"--lines chartreuse 22 1 f.png", 2, "--lines"},
      {"--code-font 'Arial:big' 22 1 f.png", 2, "big"},
      {"--bogus 22 1 f.png", 2, "unknown option"},
      {"-W", 2, "needs a value"},
      {"22 1 f.png -o g.png", 2, "usage:"},
      {"--format png 22 1 f.png", 2, "--format is for standard output"},
      {"--format xyz 22 1 -", 2, "--format: \"xyz\" is not one of bmp, emf"},
      {"--jobs many --batch -", 2, "--jobs"},
      {"csCode39 --texts -", 2, "--texts needs --name"},
      {"csCode39 --texts - --name same.png", 2, "every record the same file"},
      {"csCode39 --texts - --name '{n}.xyz'", 2, "unknown picture type"},
      {"csCode39 --texts - --name '{x}.png'", 2, "unknown field {x}"},
      {"--name '{n}.png' --batch -", 2, "--name and --same-name go with --texts"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args);
    test::TTempDir dir;
    const TRun run = RunTool(row.Args, dir.Path());
    EXPECT_EQ(run.Status, row.Status);
    EXPECT_NE(run.Err.find(row.Message), std::string::npos) << run.Err;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.Path())) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"stderr.txt"});
  }
}

TEST(CliTool, PrintsPatternsAndHelp) {
  test::TTempDir dir;
  TRun run = RunTool("csCodeUPC_A 03600029145 -", dir.Path());
  EXPECT_EQ(run.Status, 0);
  EXPECT_NE(run.Out.find("text:    036000291452\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("pattern: "), std::string::npos);

  // A wrong typed check digit is completed, and said so.
  run = RunTool("csCodeEAN13 9771210107000 -", dir.Path());
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Err, "brevix: check digit 0 replaced by 1: 9771210107001\n");
  run = RunTool("--version", dir.Path());
  EXPECT_EQ(run.Out, "brevix " BREVIX_VERSION "\n");

  run = RunTool("--help", dir.Path());
  EXPECT_EQ(run.Status, 0);
  for (const char* word : {"--angle",
                           "--display",
                           "--lines",
                           "--back",
                           "--transparent",
                           "--code-font",
                           "--type-font",
                           "--ratio",
                           "--width",
                           "--height",
                           "--complete-draw",
                           "--pdf417-mode",
                           "--pdf417-level",
                           "--pdf417-truncate",
                           "--codepage",
                           "--module PX",
                           "(default 2)",
                           "--xdim LENGTH",
                           "--dpi N",
                           "(default 96)",
                           "--height-mm",
                           "--margin",
                           "--quiet-zone",
                           ".pdf, .png, .svg",
                           "--batch",
                           "--texts TEXTS",
                           "--name TEMPLATE",
                           "{n:05}",
                           "--jobs N",
                           "--format FORMAT",
                           "--output",
                           "--list",
                           "--strict",
                           "--version",
                           "4 out of memory",
                           "1252",
                           "1250",
                           "UTF-8",
                           "Examples:",
                           "Exit status"}) {
    EXPECT_NE(run.Out.find(word), std::string::npos) << word;
  }
  run = RunTool("--list", dir.Path());
  EXPECT_NE(run.Out.find("22  csCodeEAN13"), std::string::npos);
}

TEST(CliTool, BatchWritesEveryGoodRecord) {
  using namespace std::string_literals;
  test::TTempDir dir;
  const std::string jobs =
      "# file,symbology,text,options\n"
      "a.png,csCodeEAN8,9638507\n"
      "b.gif,csCode39,ABC,angle=90,width=100,height=300\n"
      "\"c, with comma.png\",csCode128,\"say \"\"hi\"\"\",display=both,width=300\n"
      "bad record\n"
      "d.png,csCodeEAN13,12AB\n"
      "e.png,csCode39,ABC,angle=sideways\n"
      "f.xyz,csCode39,ABC\n"
      "g.png,csCodeEAN8,96385070\n"
      "h.png,csCodeEAN8,96385070,strict\n"
      "i\x1b[2J.png,csCode39,a\x1b]0;x\x07\n"
      "j.png,csCode39,A\0B\n"s;
  std::ofstream(dir.File("jobs.csv")) << jobs;
  for (const bool fromStdin : {false, true}) {
    SCOPED_TRACE(fromStdin);
    for (const char* f : {"a.png", "b.gif", "c, with comma.png", "g.png"}) fs::remove(dir.File(f));
    const TRun run = fromStdin ? RunTool("--height 120 --batch -", dir.Path(), jobs)
                               : RunTool("--height=120 --batch jobs.csv", dir.Path());
    EXPECT_EQ(run.Status, 3);  // a file could not be written: the most serious outcome
    const auto a = test::ReadPngFile(dir.File("a.png"));
    const auto b = test::ReadGifFile(dir.File("b.gif"));
    const auto c = test::ReadPngFile(dir.File("c, with comma.png"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->Height, 120);  // the command line's option
    EXPECT_EQ(b->Height, 300);  // the record's own
    EXPECT_EQ(c->Width, 300);
    if (test::HaveZXing()) {
      EXPECT_TRUE(Decodes(*a, "96385074"));
      EXPECT_TRUE(Decodes(*b, "ABC"));
      EXPECT_TRUE(Decodes(*c, "say \"hi\""));
    }
    EXPECT_TRUE(fs::exists(dir.File("g.png")));
    for (const char* f : {"d.png", "e.png", "f.xyz", "h.png"})
      EXPECT_FALSE(fs::exists(dir.File(f))) << f;
    for (const char* line :
         {":5: expected FILE", ":6: \"12AB\"", ":7: --angle", ":8: cannot write \"f.xyz\"",
          ":9: check digit 0 replaced by 4: 96385074\n", ":10: \"96385070\": wrong check digit 0",
          ":11: \"a\\x1b]0;x\\x07\": Unvailable char", ":12: field 3 holds a NUL byte",
          "4 written, 5 failed, 2 unreadable"}) {
      EXPECT_NE(run.Err.find(line), std::string::npos) << line << "\n" << run.Err;
    }
    EXPECT_EQ(run.Err.find('\r'), std::string::npos) << "progress shown off a terminal";
  }
  const TRun clean = RunTool("--batch -", dir.Path(), "z.png,22,977121010700\n");
  EXPECT_EQ(clean.Status, 0) << clean.Err;
  EXPECT_EQ(clean.Err, "");
  // The QR Code, Data Matrix and GS1 options in records.
  const TRun matrix = RunTool("--batch -", dir.Path(),
                              "q.png,csCodeQRCode,Brevix,qr-level=H,qr-mask=3,angle=90\n"
                              "m.png,csCodeDataMatrix,\"[01]09501101530003[10]AB\",gs1,"
                              "dm-shape=rect\n");
  EXPECT_EQ(matrix.Status, 0) << matrix.Err;
  if (test::HaveZXing()) {
    EXPECT_TRUE(Decodes(*test::ReadPngFile(dir.File("q.png")), "Brevix"));
    EXPECT_TRUE(Decodes(*test::ReadPngFile(dir.File("m.png")), "010950110153000310AB"));
  }
}

// Any number of threads writes the files, messages, summary and status of one thread, records
// writing the same file included (the last one stays), for CSV records and plain texts alike.
TEST(CliTool, BatchJobsMatchOneAtATime) {
  std::string jobs, texts;
  for (int i = 0; i < 40; ++i) {
    const std::string ean = std::to_string(400638133390 + i * 7);
    jobs += "f" + std::to_string(i % 30) + (i % 3 ? ".png" : ".gif") + ",csCodeEAN13," + ean +
            (i % 4 ? "" : "9") + "\n";  // every fourth with a check digit, often a wrong one
    texts += (i % 9 == 4 ? "12AB" : ean) + "\n";
    if (i % 13 == 5) jobs += "bad record\nbad.png,nosuch,1\n";
  }
  // A slow record, then a quick one writing the same file.
  jobs += "dup.png,csCodePDF417," + std::string(800, 'x') +
          ",pdf417-level=8\ndup.png,csCodeEAN8,1234567\n";
  const struct {
    const char* Args;
    const std::string& Input;
  } rows[] = {
      {"--batch -", jobs},
      {"csCodeEAN13 --texts - --name 't-{n:03}-{text}.png'", texts},
  };
  for (const auto& row : rows) {
    std::string expected;
    for (const char* threads : {"1", "2", "7"}) {
      SCOPED_TRACE(std::string(row.Args) + " -j " + threads);
      test::TTempDir dir;
      const TRun run =
          RunTool(std::string("-j ") + threads + " " + row.Args, dir.Path(), row.Input);
      fs::remove(dir.File("stdin.txt"));
      const std::string result = std::to_string(run.Status) + "\n" + run.Err +
                                 test::RunCommand("cd '" + dir.Path() + "' && sha256sum *");
      if (expected.empty()) expected = result;
      EXPECT_EQ(result, expected);
    }
    EXPECT_NE(expected.find(" failed, "), std::string::npos) << expected;
  }
}

// A picture to standard output holds the bytes of the file of the same name.
TEST(CliTool, WritesPicturesToStandardOutput) {
  const struct {
    const char* Args;
    const char* Format;
  } rows[] = {
      {"csCodeEAN13 977121010700", "png"},   {"--module 3 csCode128 Brevix", "gif"},
      {"csCodeEAN13 977121010700", "tif"},   {"csCodeEAN13 977121010700", "jpg"},
      {"csCodeEAN13 977121010700", "bmp"},   {"csCodeEAN13 977121010700", "svg"},
      {"csCodeEAN13 977121010700", "eps"},   {"csCodeEAN13 977121010700", "PDF"},
      {"-W 300 -H 100 csCode39 ABC", "png"}, {"-W 300 -H 100 csCode39 ABC", "emf"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.Args) + " " + row.Format);
    test::TTempDir dir;
    const std::string file = std::string("f.") + row.Format;
    ASSERT_EQ(RunTool(std::string(row.Args) + " " + file, dir.Path()).Status, 0);
    const TRun run =
        RunTool(std::string(row.Args) + " -o - --format " + row.Format + " >s", dir.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(test::ReadFileBytes(dir.File("s")), test::ReadFileBytes(dir.File(file)));
    if (file == "f.png" && test::HaveZXing()) {
      fs::rename(dir.File("s"), dir.File("s.png"));
      EXPECT_TRUE(Decodes(*test::ReadPngFile(dir.File("s.png")),
                          std::string(row.Args).ends_with("ABC") ? "ABC" : "9771210107001"));
    }
  }
  // Not a binary picture to a terminal; a refused text writes nothing.
  std::ostringstream out, err;
  const std::vector<std::string> args = {"csCodeEAN13", "977121010700", "-", "--format", "png"};
  EXPECT_EQ(cli::Run(args, {0, out, err, false, true}), cli::kExitUsage);
  const std::vector<std::string> refused = {"csCodeEAN13", "12AB", "-o", "-", "--format", "png"};
  EXPECT_EQ(cli::Run(refused, {0, out, err, false, false}), cli::kExitRefused);
  EXPECT_EQ(out.str(), "");
}

// Records run as they arrive on a pipe, and the progress line on a terminal is drawn a few times
// a second, not once per record.
TEST(CliTool, BatchRunsRecordsAsTheyArrive) {
  test::TTempDir dir;
  const struct {
    std::vector<std::string> Args;
    std::string Refused, Written;  // lines
    int Status;
  } rows[] = {
      {{"-j", "1", "--batch", "-"},
       dir.File("x.png") + ",nosuch,1\n",
       dir.File("a.png") + ",csCode39,ABC\n",
       cli::kExitUsage},
      {{"--jobs=3", "csCode39", "--texts", "-", "--name", dir.File("{text}.png")},
       "a\x01\n",
       "ABC\n",
       cli::kExitRefused},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args[0]);
    fs::remove(dir.File("ABC.png"));
    fs::remove(dir.File("a.png"));
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const auto send = [&](const std::string& text) {
      EXPECT_EQ(write(pipeEnds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    };
    bool writtenBeforeTheEnd = false;
    std::thread feeder([&] {
      for (int i = 0; i < 40; ++i) send(row.Refused);
      send(row.Written);
      for (int wait = 0; wait < 500 && !writtenBeforeTheEnd; ++wait) {
        writtenBeforeTheEnd = fs::exists(dir.File("a.png")) || fs::exists(dir.File("ABC.png"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      close(pipeEnds[1]);
    });
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int status = cli::Run(row.Args, {pipeEnds[0], out, err, true});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    feeder.join();
    close(pipeEnds[0]);
    EXPECT_EQ(status, row.Status);
    EXPECT_TRUE(writtenBeforeTheEnd);
    const std::string text = err.str();
    std::size_t draws = 0;
    for (std::size_t at = 0; (at = text.find("\r\x1b[Kbrevix: ", at)) != std::string::npos; ++at)
      ++draws;
    EXPECT_GE(draws, 1u);
    EXPECT_LE(static_cast<double>(draws), 2 + seconds * 4) << text;
    EXPECT_NE(text.find(" records, "), std::string::npos) << text;
    EXPECT_NE(text.find("/s, "), std::string::npos) << text;
    EXPECT_NE(text.find("stdin:40: "), std::string::npos) << text;
  }
}

// Memory runs out: its own status and what could not be had. (A sanitizer's runtime reserves more
// address space than these limits leave.)
TEST(CliTool, ReportsExhaustedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space limits do not apply under the address sanitizer";
#endif
  const struct {
    const char* Limit;
    const char* Args;
    int Status;
    const char* Message;
  } rows[] = {
      // The picture itself, then the file's encoding beside it.
      {"150000", "csCode128 HELLO -W 8192 -H 8192 m.bmp", 4,
       "m.bmp: out of memory for a picture of 8192 x 8192 pixels (201326592 bytes)"},
      {"400000", "csCode128 HELLO -W 8192 -H 8192 m.bmp", 4,
       "m.bmp: out of memory for a picture of 8192 x 8192 pixels (201326592 bytes)"},
      {"200000", "--batch /dev/zero", 2, "/dev/zero:1: a record longer than 16 MB"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args);
    test::TTempDir dir;
    const TRun run =
        RunTool(row.Args, dir.Path(), "", "ulimit -v " + std::string(row.Limit) + "; ");
    EXPECT_EQ(run.Status, row.Status);
    EXPECT_NE(run.Err.find(row.Message), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(dir.File("m.bmp")));
  }
}

}  // namespace
}  // namespace brevix
