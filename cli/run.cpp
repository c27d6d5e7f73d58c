// brevix: draws barcodes into picture files, or prints their module patterns, from the command
// line or from a batch of CSV records.
#include "cli/run.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "core/catalogue.h"
#include "core/control.h"
#include "core/gs1.h"
#include "core/symbologies.h"
#include "encode/build_symbol.h"
#include "imagewriters/image_file.h"
#include "layout/physical_size.h"
#include "output/file_formats.h"
#include "output/module_mode.h"
#include "pdf417/pdf417.h"
#include "platform/bitmap.h"
#include "platform/codepage.h"
#include "render/export.h"
#include "render/module_paint.h"

#ifndef BREVIX_VERSION
#error "BREVIX_VERSION comes from the project's version"
#endif

namespace brevix::cli {

namespace {

// The progress line is drawn again at most this often: a terminal that redraws for every small
// barcode costs more than the barcode.
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

// The most threads --jobs gives a batch.
constexpr unsigned kMaxJobs = 256;

void PrintUsage(std::ostream& out) {
  out << "usage: brevix [OPTIONS] SYMBOLOGY TEXT [FILE]\n"
         "       brevix [OPTIONS] SYMBOLOGY TEXT -o - --format FORMAT\n"
         "       brevix [OPTIONS] --batch JOBS.csv|-\n"
         "       brevix [OPTIONS] SYMBOLOGY --texts TEXTS.txt|- --name TEMPLATE\n"
         "       brevix --list | --help | --version\n"
         "\n"
         "Completes TEXT with its check characters, checks it for SYMBOLOGY and draws the\n"
         "barcode into FILE, whose extension (any case) chooses the format:\n"
         "  "
      << ExportExtensionList()
      << "\n"
         "Without FILE, or with FILE \"-\", prints the completed text, the check result and\n"
         "the module pattern (PDF417: one row of modules per line) instead; FILE \"-\" with\n"
         "--format writes the picture to standard output.\n"
         "\n"
         "Module mode, the default: every module is 2 pixels wide (--module, or --xdim with\n"
         "--dpi), the symbology's standard quiet zones surround the bars (--quiet-zone=no\n"
         "drops them, --margin adds modules beyond them), the bars stand as tall as the\n"
         "symbology's convention has them (EAN/UPC at their nominal height, PDF417 rows 3\n"
         "modules, other linear codes 15% of their length and at least 50 modules;\n"
         "--height-mm sets it), and the caption is sized to the modules. Files record 96 dpi\n"
         "unless --dpi says otherwise; .svg, .eps and .pdf are drawn at the module width in\n"
         "millimetres (--xdim, else the pixels at --dpi).\n"
         "Box mode: -W, -H, --ratio or --complete-draw draw the control's picture of that\n"
         "size instead, the pattern stretched over its width, as the control draws it; .emf\n"
         "and .wmf files are always drawn so.\n"
         "\n"
         "SYMBOLOGY is an identifier (csCodeEAN13, any case), a catalogue name (\"EAN 13\") or a\n"
         "number 0..35; --list shows them all with a sample text.\n"
         "TEXT arrives as UTF-8 and is converted to an 8-bit Windows code page, Windows-1252\n"
         "unless --codepage says otherwise; a character the code page lacks is an error.\n"
         "QR Code and Data Matrix take any UTF-8 text in module mode: ISO 8859-1 when it\n"
         "holds only such characters, else UTF-8 marked by ECI 26 (QR Code: Kanji mode for\n"
         "Japanese text); they have no caption. GS1-128 texts (and QR Code and Data Matrix\n"
         "with --gs1) are in AI syntax: \"(01)09501101530003(17)250101(10)ABC123\" or\n"
         "\"[01]09501101530003[17]250101[10]ABC123\".\n"
         "A typed check digit that is wrong is replaced, and standard error says so\n"
         "(\"check digit 0 replaced by 1: 9771210107001\"); --strict refuses the text instead.\n"
         "A text that cannot be drawn (wrong characters, wrong length, a picture too small or\n"
         "too large for the symbol) writes no file: its message goes to standard error and the\n"
         "exit status is 1.\n"
         "\n"
         "Options (--name VALUE, --name=VALUE or -x VALUE; switches take =no to turn off):\n";
  for (const TOptionInfo& o : ControlOptions()) {
    std::string head = "  ";
    head += o.Short ? std::string("-") + o.Short + ", " : std::string("    ");
    head += "--" + std::string(o.Name);
    if (!o.Value.empty()) head += " " + std::string(o.Value);
    std::string indented;
    for (const char c : o.Help)
      indented += c == '\n' ? std::string("\n") + std::string(30, ' ') : std::string(1, c);
    if (head.size() < 30)
      head.resize(30, ' ');
    else
      head += "\n" + std::string(30, ' ');
    out << head << indented << '\n';
  }
  out << "  -o, --output FILE           the picture file (instead of the third argument)\n"
         "      --format FORMAT         with -o -: the picture's format (png, svg, pdf, jpg,\n"
         "                              ...: an extension above) to standard output\n"
         "      --batch JOBS            run every record of the CSV file JOBS (\"-\": standard\n"
         "                              input): FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...]\n"
         "      --texts TEXTS           one barcode of SYMBOLOGY for every line of the file\n"
         "                              TEXTS (\"-\": standard input), named by --name\n"
         "      --name TEMPLATE         with --texts: the file names, e.g. 'label-{n:05}.png';\n"
         "                              {n} line number, {n:05} zero padded, {text} the text\n"
         "                              made safe for a name, {type} the symbology, {{ }} braces\n"
         "      --same-name             with --texts: allow a TEMPLATE without {n} or {text}\n"
         "                              (every record writes the one file; the last stays)\n"
         "  -j, --jobs N                batch threads (default 0: one per core; 1: one at a time)\n"
         "  -q, --quiet                 no progress line in batch mode\n"
         "      --list                  the symbology catalogue: number, identifier, name, sample\n"
         "      --version               the version of brevix\n"
         "  -h, --help                  this text\n"
         "\n"
         "Batch records: fields are separated by commas; quote a field with \"...\" to hold\n"
         "commas, quotes (doubled) or line breaks. OPTION is a long option without dashes;\n"
         "a switch alone means yes. Options on the command line apply to every record;\n"
         "a record's own options override them. Blank lines and lines starting with # are\n"
         "skipped. Records run as they are read; a record longer than 16 MB ends the batch.\n"
         "With --texts every line is a text (UTF-8) and empty lines are skipped. Records run\n"
         "on --jobs threads; files, messages, the summary and the exit status are those of\n"
         "one at a time, messages in the order of the records. On a terminal a progress line\n"
         "counts the records. Messages show control characters as \\xHH.\n"
         "\n"
         "Examples:\n"
         "  brevix csCodeEAN13 977121010700 label.png\n"
         "  brevix --xdim 0.33mm --dpi 300 csCodeEAN13 977121010700 print.tif\n"
         "  brevix --xdim 13mil --height-mm 15 csCode128 \"Brevix 42\" label.pdf\n"
         "  brevix csCode39 HELLO -a 90 --module 3 --lines navy --back '#FFFFE0' tall.svg\n"
         "  brevix 22 9771210107001 --transparent --back white clear.gif\n"
         "  brevix csCodePDF417 'Brevix PDF417' --pdf417-level 2 pdf.eps\n"
         "  brevix --codepage 1250 --pdf417-mode binary csCodePDF417 "
         "'Zlu\xc5\xa5ou\xc4\x8dk\xc3\xbd' cz.bmp\n"
         "  brevix \"Code 128\" \"Brevix 42\" -W 300 -H 100 --display both box.png   (box mode)\n"
         "  brevix --strict csCodeEAN13 9771210107001 ok.png\n"
         "  brevix csCodeUPC_A 03600029145 -          (prints the module pattern)\n"
         "  brevix csCodeEAN13 977121010700 -o - --format png | display\n"
         "  brevix csCodeEAN13 --texts codes.txt --name 'label-{n:05}.png' --jobs 2\n"
         "  brevix csCodeGS1_128 '(01)09501101530003(17)250101(10)ABC123' gs1.png\n"
         "  brevix --qr-level Q csCodeQRCode 'https://example.com/' qr.svg\n"
         "  brevix --gs1 --dm-shape rect csCodeDataMatrix '(01)09501101530003(10)A1' dm.png\n"
         "  printf 'a.png,csCodeEAN8,9638507\\nb.png,csCode39,ABC,angle=90,margin=5\\n' "
         "| brevix --batch -\n"
         "\n"
         "Exit status: 0 done, 1 a text was refused, 2 usage error, bad batch record or\n"
         "unreadable batch file, 3 a file could not be written, 4 out of memory (or another\n"
         "resource) for the picture; a batch ends with the most serious of all its records.\n";
}

void PrintList(std::ostream& out) {
  for (int v = 0; v < kTypeBarCount; ++v) {
    TBarCodeInfo info;
    GetBarCodeInfo(v, info);
    char line[128];
    std::snprintf(line, sizeof line, "%2d  %-24s %-24s ", v, TypeBarIdentifier(v),
                  info.Name.c_str());
    out << line << CodePageToUtf8(kDefaultCodePage, info.Sample) << '\n';
  }
}

// The text with control characters (C0, DEL, C1 and bytes that are not UTF-8) as \xHH, so that
// no name or text read from a file moves a terminal's cursor or changes its state.
std::string Printable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const auto escape = [&out](char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto b = static_cast<unsigned char>(c);
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 15];
  };
  for (std::size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead >= 0x20 && lead < 0x7F) {
      out += s[i++];
      continue;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 1;
    bool sequence = length > 1 && i + length <= s.size();
    for (std::size_t k = 1; sequence && k < length; ++k)
      sequence = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    const bool c1 = sequence && lead == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
    if (!sequence || c1) {
      for (std::size_t k = 0; k < (c1 ? 2 : 1); ++k) escape(s[i++]);
      continue;
    }
    out.append(s.substr(i, length));
    i += length;
  }
  return out;
}

void Report(std::ostream& err, std::string_view message) {
  err << "brevix: " << Printable(message) << '\n';
  err.flush();
}

struct TOutcome {
  TOutcome() = default;
  TOutcome(int status, std::string message) : Status(status), Message(std::move(message)) {}

  int Status = kExitOk;
  std::string Message;                // for standard error when Status is not kExitOk
  std::vector<std::string> Warnings;  // for standard error whatever the status
};

// A text for a message; a long one is cut short, so that its message stays a line.
// Code page 0: the text is UTF-8 already (QR Code and Data Matrix in module mode).
std::string Quoted(int codePage, std::string_view text) {
  constexpr std::size_t kShown = 60;
  const auto utf8 = [codePage](std::string_view s) {
    return codePage == 0 ? std::string(s) : CodePageToUtf8(codePage, s);
  };
  if (text.size() <= kShown + 20) return "\"" + utf8(text) + "\"";
  return "\"" + utf8(text.substr(0, kShown)) + "...\" (" + std::to_string(text.size()) +
         " characters)";
}

// The check character that completion wrote over a different one typed, as (typed, written).
// Completion otherwise only adds: missing check characters at the end, the number system before
// a six-digit UPC-E text, "49" over the start of a JAN text. So where the typed and the completed
// texts are equally long, the one character that differs past a JAN prefix is the check
// character.
std::optional<std::pair<char, char>> ReplacedCheckCharacter(TTypeBar typeBar,
                                                            std::string_view typed,
                                                            std::string_view completed) {
  if (typed.size() != completed.size()) return std::nullopt;
  const TCheckRule rule = DescriptorOf(typeBar).Check;
  const std::size_t from = rule == TCheckRule::JAN8 || rule == TCheckRule::JAN13 ? 2 : 0;
  for (std::size_t i = from; i < typed.size(); ++i)
    if (typed[i] != completed[i]) return std::pair{typed[i], completed[i]};
  return std::nullopt;
}

std::string PictureSize(int width, int height) {
  const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  return std::to_string(width) + " x " + std::to_string(height) + " pixels (" +
         std::to_string(pixels * 3) + " bytes)";
}

// Threads, open files or memory the system would not give.
bool IsResourceShortage(const std::error_code& code) {
  return code == std::errc::resource_unavailable_try_again ||
         code == std::errc::not_enough_memory || code == std::errc::too_many_files_open ||
         code == std::errc::too_many_files_open_in_system;
}

// Prints the completed text, the check result and the module pattern; a text that cannot be
// encoded is refused as a file of it would be.
TOutcome PrintPattern(TCustomBC& bc, int codePage, std::ostream& out) {
  if (!bc.Text().empty() && IsMatrixSymbology(bc.TypeBar())) {
    // The text is UTF-8 here (see RunJob).
    TSymbolOptions options = SymbolOptionsOf(bc);
    options.CodePage = 0;
    const TBuiltSymbol built = BuildSymbol(bc.TypeBar(), bc.Text(), options);
    if (!built.Ok()) return {kExitRefused, Quoted(0, bc.Text()) + ": " + built.Error.Message};
    out << "text:    " << Printable(built.Text) << "\nresult:  Correct\n";
    for (const std::string& line : built.Symbol.Rows) out << line << '\n';
    return {};
  }
  if (bc.Text().empty() || bc.TypeBar() != csCodePDF417) {
    const TEncodeResult r = bc.EncodeText(bc.Text());
    out << "text:    " << Printable(CodePageToUtf8(codePage, bc.Text()))
        << "\nresult:  " << CodePageToUtf8(codePage, bc.ErrorText()) << "\npattern: " << r.Pattern
        << '\n';
    if (bc.ErrorMessage() == erOK) return {};
    return {kExitRefused, bc.Text().empty() ? CodePageToUtf8(codePage, bc.ErrorText())
                                            : Quoted(codePage, bc.Text()) + ": " +
                                                  CodePageToUtf8(codePage, bc.ErrorText())};
  }
  TPDF417& p = bc.PDF417();
  int cols = p.Cols();
  int rows = p.Rows();
  const auto lines =
      PDF417BuildRows(bc.Text(), cols, rows, p.Truncated(), p.Mode(), p.SecurityLevel());
  out << "text:    " << Printable(CodePageToUtf8(codePage, bc.Text())) << "\nresult:  Correct\n";
  for (const std::string& line : lines) out << line << '\n';
  return {};
}

constexpr int kAngleDegrees[] = {0, 90, 180, 270};

// Where a picture goes: the file Name, or Stream in Format ("-o - --format png").
struct TTarget {
  std::string Name;  // the file, or "standard output" for messages
  std::ostream* Stream = nullptr;
  TFileFormat Format = TFileFormat::None;  // for Stream

  TFileFormat FormatOf() const { return Stream ? Format : FileFormatOf(Name); }
};

// The file's bytes to the target's stream, as one write; an encoding problem names the target as
// a file's would.
template <class TEncode>
void WriteToStream(const TTarget& target, TEncode&& encode) {
  std::span<const std::uint8_t> bytes;
  try {
    bytes = encode();
  } catch (const EImageEncodeError& e) {
    throw EImageWriteError(target.Name, e.what());
  }
  target.Stream->write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
  target.Stream->flush();
  if (!*target.Stream) throw EImageWriteError(target.Name, "the stream refused the bytes");
}

// The module-mode options the settings and the configured control give for a file in format.
TModuleOptions ModuleOptionsOf(const TSettings& s, const TCustomBC& bc, TModuleFormat format) {
  TModuleOptions o;
  o.PixelsPerModule = s.Module.value_or(kDefaultModulePixels);
  o.XDimensionMm = s.XDimension.value_or(0);
  o.Dpi = s.Dpi.value_or(kDefaultDpi);
  o.QuietZones = s.QuietZone.value_or(true);
  o.Margin = s.Margin.value_or(0);
  if (s.HeightMm) {
    // Vector files are drawn at the physical module width; a raster picture gets the whole
    // number of pixels closest to the height at its resolution.
    if (IsVectorFormat(format))
      o.HeightMm = *s.HeightMm;
    else
      o.HeightPixels = std::max(1, static_cast<int>(std::lround(*s.HeightMm / kMmPerInch * o.Dpi)));
  }
  o.ShowText = bc.Display() != csOutputNone;
  o.Angle = kAngleDegrees[static_cast<int>(bc.Angle()) & 3];
  o.Foreground = bc.Color_Lines();
  o.Background = bc.Color_Back();
  o.Transparent = bc.Transparent();
  return o;
}

std::string Millimetres(double mm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g mm", mm);
  return text;
}

// Draws the configured control's text in module mode into fileName; warnings collects what the
// user should know about the file written.
TOutcome WriteModuleFile(TCustomBC& bc, const TSettings& settings, const TTarget& target,
                         TModuleModeContext& context) {
  const std::string& fileName = target.Name;
  // QR Code and Data Matrix texts stay UTF-8 in module mode (see RunJob).
  const bool utf8 = IsMatrixSymbology(bc.TypeBar());
  const int codePage = utf8 ? 0 : settings.CodePage;
  context.Drawing = {};
  if (!target.Stream) RequireExportFormat(fileName);
  const std::optional<TModuleFormat> format = ModuleFormatOf(target.FormatOf());
  if (bc.Text().empty()) {
    bc.EncodeText(bc.Text());
    return {kExitRefused, CodePageToUtf8(codePage, bc.ErrorText())};
  }
  // Check digits complete: replaced ones were reported already.
  TSymbolOptions symbolOptions = SymbolOptionsOf(bc);
  if (utf8) symbolOptions.CodePage = 0;
  const TBuiltSymbol built = BuildSymbol(bc.TypeBar(), bc.Text(), symbolOptions);
  if (!built.Ok()) {
    const std::string message =
        utf8 ? built.Error.Message : CodePageToUtf8(codePage, built.Error.Message);
    return {kExitRefused, Quoted(codePage, bc.Text()) + ": " + message};
  }
  const TModuleOptions options = ModuleOptionsOf(settings, bc, *format);
  TOutcome outcome;
  if (!IsVectorFormat(*format)) {
    // Refused before drawing, with what to change: a picture beyond what the writers take.
    LayoutModuleMode(built.Symbol, options, context.Drawing);
    const TDrawing& d = context.Drawing;
    const double w = std::round(d.TurnedWidth() * d.PixelsPerModule);
    const double h = std::round(d.TurnedHeight() * d.PixelsPerModule);
    if (!(w <= kMaxImageSide && h <= kMaxImageSide &&
          w * h <= static_cast<double>(kMaxImagePixels)))
      return {kExitRefused, Quoted(codePage, bc.Text()) + ": the picture would be " +
                                std::to_string(static_cast<long long>(w)) + " x " +
                                std::to_string(static_cast<long long>(h)) +
                                " pixels, beyond what the writers take: use a smaller --module, "
                                "--xdim or --height-mm"};
    if (settings.XDimension) {
      const TDotsPerModule dots = DotsPerModule(*settings.XDimension, options.Dpi);
      if (std::abs(dots.AchievedMm - *settings.XDimension) > 0.01 * *settings.XDimension)
        outcome.Warnings.push_back("X-dimension " + Millimetres(dots.AchievedMm) + " (" +
                                   std::to_string(dots.Dots) + (dots.Dots == 1 ? " dot" : " dots") +
                                   " at " + std::to_string(options.Dpi) + " dpi) instead of " +
                                   Millimetres(*settings.XDimension) + ": " + fileName);
    }
  }
  if (target.Stream)
    WriteToStream(target,
                  [&] { return EncodeModuleModeFile(*format, built.Symbol, options, context); });
  else
    WriteModuleModeFile(fileName, built.Symbol, options, context);
  return outcome;
}

// Draws the configured control into fileName, refusing texts that would only give the error
// display.
TOutcome WriteFile(TCustomBC& bc, const TTarget& target, int codePage) {
  const std::string& fileName = target.Name;
  // The control would lay a vector file out by modules anyway, ignoring the box asked for.
  const TFileFormat format = target.FormatOf();
  if (format != TFileFormat::None && WriterKindOf(format) == TWriterKind::Vector) {
    throw EImageWriteError(
        fileName,
        ".svg, .eps and .pdf files are drawn in module mode: leave out -W, -H, --ratio "
        "and --complete-draw");
  }
  if (!target.Stream)
    RequireExportFormat(fileName);  // before drawing: the name alone can be refused
  if (bc.Text().empty()) {
    bc.EncodeText(bc.Text());
    return {kExitRefused, CodePageToUtf8(codePage, bc.ErrorText())};
  }
  // The drawing tells whether the symbol fits and the text is valid; only then is it written.
  const TBitmap& picture = RenderForExport(bc);
  if (bc.ErrorMessage() != erOK)
    return {kExitRefused,
            Quoted(codePage, bc.Text()) + ": " + CodePageToUtf8(codePage, bc.ErrorText())};
  if (target.Stream)
    WriteToStream(target, [&] { return EncodeRenderedFile(bc, picture, format); });
  else
    WriteRenderedFile(bc, picture, fileName);
  return {};
}

// One barcode, to a file or printed. Every failure becomes an outcome: an exception escaping
// here would end a whole batch.
TOutcome RunJob(const TSettings& settings, std::string_view symbology, std::string_view text,
                const TTarget& target, bool printOnly, std::ostream& out,
                TModuleModeContext& context) {
  const std::string& fileName = target.Name;
  const auto typeBar = ParseSymbology(symbology);
  if (!typeBar) {
    return {kExitUsage, "unknown symbology \"" + std::string(symbology) + "\" (see brevix --list)"};
  }
  const TFileFormat format = target.FormatOf();
  const bool boxMode = BoxMode(settings) || (format != TFileFormat::None &&
                                             WriterKindOf(format) == TWriterKind::Metafile);
  if (!printOnly) {
    if (const std::string conflict = ModeConflict(settings, boxMode); !conflict.empty())
      return {kExitUsage, conflict};
  }
  const int codePage = settings.CodePage;
  TBrevixBC bc;
  std::string warning;
  // A failure after the check digit was replaced reports both.
  const auto failed = [&warning](int status, std::string message) {
    TOutcome outcome(status, std::move(message));
    if (!warning.empty()) outcome.Warnings.push_back(warning);
    return outcome;
  };
  try {
    // QR Code and Data Matrix encode UTF-8 themselves, except in the control's box, which keeps
    // an 8-bit text.
    const bool keepUtf8 = IsMatrixSymbology(*typeBar) && !boxMode;
    const std::string problem = Configure(bc, *typeBar, text, settings, keepUtf8);
    if (!problem.empty()) return {kExitRefused, problem};
    const std::string typed = keepUtf8 ? std::string(text) : Utf8ToCodePage(codePage, text).Text;
    const bool gs1 = DescriptorOf(*typeBar).Check == TCheckRule::GS1 ||
                     (IsMatrixSymbology(*typeBar) && settings.Gs1.value_or(false));
    if (gs1) {
      // A wrong GS1 check digit is replaced, as other check digits are, unless --strict.
      const TGs1Parse strict = ParseGs1(typed, false);
      if (strict.Code == erMustBe && ParseGs1(typed, true).Ok()) {
        if (settings.Strict.value_or(false))
          return {kExitRefused, Quoted(keepUtf8 ? 0 : codePage, typed) + ": " + strict.Message +
                                    " (refused by --strict)"};
        warning =
            "check digit replaced: " + ParseGs1(typed, true).Caption + " (" + strict.Message + ")";
      }
    } else if (const auto replaced = ReplacedCheckCharacter(*typeBar, typed, bc.Text())) {
      const std::string completed = CodePageToUtf8(codePage, bc.Text());
      const std::string was = CodePageToUtf8(codePage, std::string(1, replaced->first));
      const std::string is = CodePageToUtf8(codePage, std::string(1, replaced->second));
      if (settings.Strict.value_or(false)) {
        return {kExitRefused, Quoted(codePage, typed) + ": wrong check digit " + was + ", " + is +
                                  " expected (" + completed + "; refused by --strict)"};
      }
      warning = "check digit " + was + " replaced by " + is + ": " + completed;
    }
    TOutcome outcome = printOnly ? PrintPattern(bc, codePage, out)
                       : boxMode ? WriteFile(bc, target, codePage)
                                 : WriteModuleFile(bc, settings, target, context);
    if (!warning.empty()) outcome.Warnings.insert(outcome.Warnings.begin(), std::move(warning));
    return outcome;
  } catch (const EImageWriteError& e) {
    return failed(kExitWrite, e.what());
  } catch (const EImageEncodeError& e) {
    return failed(kExitUsage, fileName + ": " + e.what());
  } catch (const EPictureAllocError& e) {
    return failed(kExitResource, (printOnly ? "" : fileName + ": ") + e.what());
  } catch (const std::bad_alloc&) {
    // Memory ran out past the picture itself (the file's encoding, the symbol's rows): the
    // picture's size is what to make smaller.
    const TDrawing& d = context.Drawing;
    const int width =
        boxMode ? bc.Width() : static_cast<int>(std::lround(d.TurnedWidth() * d.PixelsPerModule));
    const int height =
        boxMode ? bc.Height() : static_cast<int>(std::lround(d.TurnedHeight() * d.PixelsPerModule));
    return failed(kExitResource, (printOnly ? std::string("out of memory")
                                            : fileName + ": out of memory for a picture of " +
                                                  PictureSize(width, height)));
  } catch (const std::system_error& e) {
    if (!IsResourceShortage(e.code()))
      return failed(kExitRefused, Quoted(codePage, bc.Text()) + ": " + e.what());
    return failed(kExitResource, (printOnly ? "" : fileName + ": ") + e.what());
  } catch (const std::exception& e) {
    // The PDF417 character check and the symbol's limits.
    return failed(kExitRefused, Quoted(codePage, bc.Text()) + ": " + e.what());
  }
}

// Reads a batch file, or standard input for "-", a chunk at a time.
class TBatchInput {
 public:
  TBatchInput(const std::string& path, int standardInput) : FPath(path) {
    if (path == "-") {
      FFd = standardInput;
      return;
    }
    FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFd < 0) {
      FError = std::strerror(errno);
      return;
    }
    FOwned = true;
    struct stat st {};
    if (::fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) FError = "it is a directory";
  }
  ~TBatchInput() {
    if (FOwned) ::close(FFd);
  }
  TBatchInput(const TBatchInput&) = delete;
  TBatchInput& operator=(const TBatchInput&) = delete;

  // Why the input cannot be read; empty when it can.
  const std::string& Error() const { return FError; }

  std::size_t Read(char* buffer, std::size_t size) {
    for (;;) {
      const ssize_t n = ::read(FFd, buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) throw std::system_error(errno, std::generic_category());
    }
  }

 private:
  std::string FPath;
  int FFd = -1;
  bool FOwned = false;
  std::string FError;
};

// The batch's progress on a terminal: records done, their rate, the file at hand.
class TProgress {
 public:
  TProgress(std::ostream& err, bool shown) : FErr(err), FShown(shown) {}

  void Record(std::size_t done, const std::string& fileName) {
    if (!FShown) return;
    const auto now = std::chrono::steady_clock::now();
    // A message takes the line off; it comes back with the next draw, not sooner.
    if (FEverDrawn && now - FLastDraw < kProgressInterval) return;
    const double seconds = std::chrono::duration<double>(now - FStart).count();
    char rate[48];
    std::snprintf(rate, sizeof rate, "%.0f/s",
                  seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
    FErr << "\r\033[Kbrevix: " << done << " records, " << rate << ", " << Printable(fileName);
    FErr.flush();
    FDrawn = FEverDrawn = true;
    FLastDraw = now;
  }
  // Takes the line off before a message or at the end.
  void Clear() {
    if (!FDrawn) return;
    FErr << "\r\033[K";
    FErr.flush();
    FDrawn = false;
  }

 private:
  std::ostream& FErr;
  bool FShown;
  bool FDrawn = false;
  bool FEverDrawn = false;
  std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point FLastDraw;
};

// One record of a batch, numbered in the order read, and what became of it.
constexpr std::uint64_t kNoRecord = ~std::uint64_t{0};

struct TRecord {
  enum class TKind : std::uint8_t {
    Job,          // a barcode to write
    Unreadable,   // a record that could not be read: Outcome says why
    InputFailed,  // the input could not be read further: Outcome says why, and the batch ends
  };
  std::uint64_t Seq = 0;
  TKind Kind = TKind::Job;
  int Line = 0;
  TBatchJob Job;
  TOutcome Outcome;
  std::string Key;                  // the file, as workers tell one from another
  std::uint64_t After = kNoRecord;  // an earlier record writing the same file, to finish first
  std::size_t Bytes = 0;            // what the record holds in memory while it waits
};

using TNextEntry = std::function<std::optional<TBatchEntry>()>;

// The next record of the input; nullopt at its end.
std::optional<TRecord> ReadRecord(const TNextEntry& next, const std::string& what,
                                  std::uint64_t seq) {
  TRecord record;
  record.Seq = seq;
  std::optional<TBatchEntry> entry;
  try {
    entry = next();
  } catch (const std::system_error& e) {
    record.Kind = TRecord::TKind::InputFailed;
    record.Outcome = {kExitUsage, "cannot read " + what + ": " + e.code().message()};
    return record;
  } catch (const std::bad_alloc&) {
    record.Kind = TRecord::TKind::InputFailed;
    record.Outcome = {kExitResource, "out of memory reading " + what};
    return record;
  }
  if (!entry) return std::nullopt;
  if (auto* problem = std::get_if<TBatchProblem>(&*entry)) {
    record.Kind = TRecord::TKind::Unreadable;
    record.Line = problem->Line;
    record.Outcome = {kExitUsage, std::move(problem->Message)};
    return record;
  }
  record.Job = std::get<TBatchJob>(std::move(*entry));
  record.Line = record.Job.Line;
  record.Bytes = sizeof(TRecord) + record.Job.FileName.size() + record.Job.Text.size();
  for (const auto& [name, value] : record.Job.Options) record.Bytes += name.size() + value.size();
  return record;
}

// Runs a job record: its own options over the command line's, then the barcode. Never raises.
void RunRecord(const TSettings& settings, TRecord& record, std::ostream& out,
               TModuleModeContext& context) {
  const TBatchJob& job = record.Job;
  try {
    TSettings own = settings;
    for (const auto& [name, value] : job.Options) {
      const std::string error = SetOption(own, name, value);
      if (!error.empty()) {
        record.Outcome = {kExitUsage, error};
        return;
      }
    }
    if (job.FileName.empty() || job.FileName == "-") {
      record.Outcome = {kExitUsage, "a batch record needs a file name"};
      return;
    }
    record.Outcome =
        RunJob(own, job.Symbology, job.Text, TTarget{job.FileName}, false, out, context);
  } catch (const std::bad_alloc&) {
    record.Outcome = {kExitResource, job.FileName + ": out of memory"};
  } catch (const std::exception& e) {
    record.Outcome = {kExitRefused, job.FileName + ": " + e.what()};
  }
}

// What the batch says, one record at a time in the order read: messages, the progress line, the
// counts and the status.
class TBatchReport {
 public:
  TBatchReport(const TStreams& streams, std::string where, bool progressShown)
      : FErr(streams.Err),
        FWhere(std::move(where)),
        FShown(progressShown),
        FProgress(streams.Err, progressShown) {}

  void Emit(const TRecord& record) {
    const TOutcome& outcome = record.Outcome;
    switch (record.Kind) {
      case TRecord::TKind::InputFailed:
        FProgress.Clear();
        Report(FErr, outcome.Message);
        FStatus = std::max(FStatus, outcome.Status);
        return;
      case TRecord::TKind::Unreadable:
        ++FUnreadable;
        FStatus = std::max(FStatus, kExitUsage);
        Line(record.Line, outcome.Message);
        return;
      case TRecord::TKind::Job:
        break;
    }
    for (const std::string& w : outcome.Warnings) Line(record.Line, w);
    if (outcome.Status == kExitOk) {
      ++FWritten;
    } else {
      ++FFailed;
      FStatus = std::max(FStatus, outcome.Status);
      Line(record.Line, outcome.Message);
    }
    FProgress.Record(FWritten + FFailed + FUnreadable, record.Job.FileName);
  }

  // The summary; returns the batch's status.
  int Finish() {
    FProgress.Clear();
    if (FShown || FFailed || FUnreadable) {
      Report(FErr, std::to_string(FWritten) + " written, " + std::to_string(FFailed) + " failed, " +
                       std::to_string(FUnreadable) + " unreadable");
    }
    return FStatus;
  }

 private:
  void Line(int line, const std::string& message) {
    FProgress.Clear();
    Report(FErr, FWhere + ":" + std::to_string(line) + ": " + message);
  }

  std::ostream& FErr;
  std::string FWhere;
  bool FShown;
  TProgress FProgress;
  int FStatus = kExitOk;
  std::size_t FWritten = 0, FFailed = 0, FUnreadable = 0;
};

// Records beyond the oldest one not yet reported, and the bytes they may hold, before the reader
// waits: memory stays bounded whatever the length of the input, and a slow record holds up
// only so much behind it. Enough that workers keep busy for a few milliseconds while the reader
// waits for a core on a loaded machine.
constexpr std::size_t kRecordsAheadPerWorker = 256;
constexpr std::size_t kMaxBytesAhead = std::size_t{64} << 20;

// Runs job records on up to jobs worker threads, each with its own control and scratch, while the
// caller reads the next ones; reports every record in the order read. Records that write the
// same file (by its name, made lexically normal) are written in their order, so that the last one
// stays as in a sequential run. Workers start as records wait for them: a short batch starts
// few.
class TParallelBatch {
 public:
  TParallelBatch(const TSettings& settings, std::ostream& out, TBatchReport& report, unsigned jobs)
      : FSettings(settings),
        FOut(out),
        FReport(report),
        FJobs(jobs),
        FWindow(kRecordsAheadPerWorker * jobs) {}
  ~TParallelBatch() { Finish(); }
  TParallelBatch(const TParallelBatch&) = delete;
  TParallelBatch& operator=(const TParallelBatch&) = delete;

  // Takes the next record read; waits while too many are ahead of the reports.
  void Add(TRecord record) {
    // Worked out before the lock is taken: the workers wait for it to report their records.
    if (record.Kind == TRecord::TKind::Job)
      record.Key = std::filesystem::path(record.Job.FileName).lexically_normal().string();
    std::unique_lock lock(FMutex);
    const std::uint64_t seq = record.Seq;
    const std::size_t bytes = record.Bytes;
    if (!Room(seq, bytes, FWindow, kMaxBytesAhead)) {
      // Waits until half the window is free, not for every record done: threads that hand over
      // one record at a time spend more on waking each other than on the records.
      FReaderWaits = true;
      FWaitSeq = seq;
      FWaitBytes = bytes;
      FSpace.wait(lock, [&] { return Room(seq, bytes, FWindow / 2, kMaxBytesAhead / 2); });
      FReaderWaits = false;
    }
    if (record.Kind != TRecord::TKind::Job) {
      Complete(std::move(record));
      return;
    }
    if (const auto it = FLastWriter.find(record.Key); it != FLastWriter.end())
      record.After = it->second;
    FLastWriter[record.Key] = seq;
    FBytesAhead += bytes;
    FQueue.push_back(std::move(record));
    if (FIdle == 0 && FWorkers.size() < FJobs && !FInline) {
      try {
        FWorkers.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        // No thread to be had: the workers there are carry on, or the reader does the work.
        FInline = FWorkers.empty();
      }
    }
    if (FInline) {
      TRecord job = std::move(FQueue.front());
      FQueue.pop_front();
      lock.unlock();
      RunRecord(FSettings, job, FOut, FInlineContext);
      lock.lock();
      Complete(std::move(job));
      return;
    }
    FWork.notify_one();
  }

  // Waits for every record and reports the last ones.
  void Finish() {
    {
      std::lock_guard lock(FMutex);
      FClosed = true;
    }
    FWork.notify_all();
    for (std::thread& worker : FWorkers) worker.join();
    FWorkers.clear();
  }

 private:
  void Work() {
    TModuleModeContext context;  // buffers reused from one record to the next
    std::unique_lock lock(FMutex);
    for (;;) {
      ++FIdle;
      FWork.wait(lock, [&] { return !FQueue.empty() || FClosed; });
      --FIdle;
      if (FQueue.empty()) return;
      TRecord record = std::move(FQueue.front());
      FQueue.pop_front();
      // The earlier record was taken off the queue before this one: it finishes without waiting
      // for this one.
      if (record.After != kNoRecord) {
        ++FWaitingForEarlier;
        FFinished.wait(lock, [&] { return Done(record.After); });
        --FWaitingForEarlier;
      }
      lock.unlock();
      RunRecord(FSettings, record, FOut, context);
      lock.lock();
      Complete(std::move(record));
    }
  }

  bool Done(std::uint64_t seq) const { return seq < FNextReport || FDone.contains(seq); }

  // Whether record seq holding bytes may be added with fewer than window records and at most
  // budget bytes ahead of the reports.
  bool Room(std::uint64_t seq, std::size_t bytes, std::uint64_t window, std::size_t budget) const {
    return seq == FNextReport || (seq - FNextReport < window && FBytesAhead + bytes <= budget);
  }

  // With the lock held: the record is done; reports every record now due.
  void Complete(TRecord record) {
    if (const auto it = FLastWriter.find(record.Key);
        record.Kind == TRecord::TKind::Job && it != FLastWriter.end() && it->second == record.Seq)
      FLastWriter.erase(it);
    FBytesAhead -= record.Bytes;
    FDone.emplace(record.Seq, std::move(record));
    for (auto it = FDone.find(FNextReport); it != FDone.end(); it = FDone.find(FNextReport)) {
      FReport.Emit(it->second);
      FDone.erase(it);
      ++FNextReport;
    }
    if (FWaitingForEarlier > 0) FFinished.notify_all();
    if (FReaderWaits && Room(FWaitSeq, FWaitBytes, FWindow / 2, kMaxBytesAhead / 2))
      FSpace.notify_one();
  }

  const TSettings& FSettings;
  std::ostream& FOut;
  TBatchReport& FReport;
  const unsigned FJobs;
  const std::uint64_t FWindow;

  std::mutex FMutex;
  std::condition_variable FWork;      // a record is queued, or the input ended
  std::condition_variable FFinished;  // a record is done
  std::condition_variable FSpace;     // records were reported
  std::deque<TRecord> FQueue;
  std::map<std::uint64_t, TRecord> FDone;  // done, waiting for the records before them
  std::unordered_map<std::string, std::uint64_t> FLastWriter;  // file -> last record writing it
  std::uint64_t FNextReport = 0;
  std::size_t FBytesAhead = 0;
  unsigned FIdle = 0;
  unsigned FWaitingForEarlier = 0;  // workers waiting for an earlier record of their file
  bool FReaderWaits = false;        // for room for record FWaitSeq of FWaitBytes
  std::uint64_t FWaitSeq = 0;
  std::size_t FWaitBytes = 0;
  bool FClosed = false;
  bool FInline = false;
  TModuleModeContext FInlineContext;
  std::vector<std::thread> FWorkers;
};

// Runs every record next gives, on jobs threads (1: in the calling thread).
int RunRecords(const TSettings& settings, const TNextEntry& next, const std::string& kind,
               const std::string& path, unsigned jobs, bool quiet, const TStreams& streams) {
  const std::string what = kind + " file \"" + path + "\"";
  const bool shown = !quiet && streams.ErrIsTerminal;
  TBatchReport report(streams, path == "-" ? "stdin" : path, shown);
  std::uint64_t seq = 0;
  if (jobs <= 1) {
    TModuleModeContext context;  // buffers reused from one record to the next
    while (std::optional<TRecord> record = ReadRecord(next, what, seq++)) {
      if (record->Kind == TRecord::TKind::Job) RunRecord(settings, *record, streams.Out, context);
      report.Emit(*record);
      if (record->Kind == TRecord::TKind::InputFailed) break;
    }
    return report.Finish();
  }
  {
    TParallelBatch batch(settings, streams.Out, report, jobs);
    while (std::optional<TRecord> record = ReadRecord(next, what, seq++)) {
      const bool last = record->Kind == TRecord::TKind::InputFailed;
      batch.Add(std::move(*record));
      if (last) break;
    }
    batch.Finish();
  }
  return report.Finish();
}

// The batch source: a file, or standard input for "-"; nullopt with a message when it cannot be
// read.
int RunBatch(const TSettings& settings, const std::string& path, unsigned jobs, bool quiet,
             const TStreams& streams) {
  TBatchInput input(path, streams.In);
  if (!input.Error().empty()) {
    Report(streams.Err, "cannot read batch file \"" + path + "\": " + input.Error());
    return kExitUsage;
  }
  TBatchReader reader(
      [&input](char* buffer, std::size_t size) { return input.Read(buffer, size); });
  return RunRecords(
      settings, [&reader] { return reader.Next(); }, "batch", path, jobs, quiet, streams);
}

// Plain texts, one a line, for one symbology, each under the name the template gives it.
int RunTexts(const TSettings& settings, const std::string& path, TTypeBar typeBar,
             const TNameTemplate& names, unsigned jobs, bool quiet, const TStreams& streams) {
  TBatchInput input(path, streams.In);
  if (!input.Error().empty()) {
    Report(streams.Err, "cannot read texts file \"" + path + "\": " + input.Error());
    return kExitUsage;
  }
  const std::string type = TypeBarIdentifier(typeBar);
  TTextReader reader(
      [&input](char* buffer, std::size_t size) { return input.Read(buffer, size); }, type,
      [&](int line, std::string_view text) { return names.Expand(line, text, type); });
  return RunRecords(
      settings, [&reader] { return reader.Next(); }, "texts", path, jobs, quiet, streams);
}

// The cores this process may run on.
unsigned Cores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

int RunTool(std::span<const std::string> args, const TStreams& streams) {
  TSettings settings;
  std::vector<std::string> positional;
  std::optional<std::string> output, batch, texts, nameTemplate, format;
  unsigned jobs = 0;  // 0: one per core
  bool quiet = false;
  bool sameName = false;
  bool optionsDone = false;
  const auto usageError = [&streams](const std::string& message) {
    Report(streams.Err, message + " (see brevix --help)");
    return kExitUsage;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsDone || arg == "-" || !arg.starts_with("-")) {
      positional.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsDone = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      PrintUsage(streams.Out);
      return kExitOk;
    }
    if (arg == "--version") {
      streams.Out << "brevix " BREVIX_VERSION "\n";
      return kExitOk;
    }
    if (arg == "--list") {
      PrintList(streams.Out);
      return kExitOk;
    }
    if (arg == "--quiet" || arg == "-q") {
      quiet = true;
      continue;
    }
    if (arg == "--same-name") {
      sameName = true;
      continue;
    }
    // The option's name and, when written with it, its value.
    std::string name;
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      const std::size_t eq = arg.find('=');
      name = std::string(arg.substr(2, eq == std::string_view::npos ? eq : eq - 2));
      if (eq != std::string_view::npos) value = std::string(arg.substr(eq + 1));
    } else {
      if (arg == "-o") {
        name = "output";
      } else if (arg[1] == 'j') {
        name = "jobs";
        if (arg.size() > 2) value = std::string(arg.substr(2));
      } else if (const TOptionInfo* o = FindShortOption(arg[1])) {
        name = std::string(o->Name);
        if (arg.size() > 2) value = std::string(arg.substr(2));
      } else {
        return usageError("unknown option " + std::string(arg));
      }
    }
    const bool toolOption = name == "output" || name == "batch" || name == "texts" ||
                            name == "name" || name == "jobs" || name == "format";
    const bool takesValue = toolOption || (FindOption(name) && !FindOption(name)->Value.empty());
    if (!FindOption(name) && !toolOption) return usageError("unknown option --" + name);
    if (takesValue && !value) {
      if (i + 1 >= args.size()) return usageError("--" + name + " needs a value");
      value = args[++i];
    }
    if (name == "output") {
      output = *value;
    } else if (name == "batch") {
      batch = *value;
    } else if (name == "texts") {
      texts = *value;
    } else if (name == "name") {
      nameTemplate = *value;
    } else if (name == "format") {
      format = *value;
    } else if (name == "jobs") {
      const std::string_view v = *value;
      unsigned n = 0;
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
      if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > kMaxJobs)
        return usageError("--jobs: \"" + *value + "\" is not a number of threads 0.." +
                          std::to_string(kMaxJobs));
      jobs = n;
    } else if (const std::string error = SetOption(settings, name, value.value_or(""));
               !error.empty()) {
      return usageError(error);
    }
  }

  if (jobs == 0) jobs = std::min(Cores(), kMaxJobs);
  if ((nameTemplate || sameName) && !texts)
    return usageError("--name and --same-name go with --texts");
  if (format && (batch || texts)) return usageError("--format is for standard output (-o -)");
  if (batch) {
    if (texts) return usageError("--batch and --texts exclude each other");
    if (!positional.empty() || output)
      return usageError("--batch takes no SYMBOLOGY, TEXT or FILE");
    return RunBatch(settings, *batch, jobs, quiet, streams);
  }
  if (texts) {
    if (positional.size() != 1 || output)
      return usageError("--texts takes SYMBOLOGY alone, and --name for the files");
    const auto typeBar = ParseSymbology(positional[0]);
    if (!typeBar)
      return usageError("unknown symbology \"" + positional[0] + "\" (see brevix --list)");
    if (!nameTemplate) return usageError("--texts needs --name TEMPLATE, e.g. 'label-{n:05}.png'");
    std::string error;
    const std::optional<TNameTemplate> names = TNameTemplate::Parse(*nameTemplate, error);
    if (!names) return usageError("--name: " + error);
    if (!names->Varies() && !sameName)
      return usageError("--name \"" + *nameTemplate +
                        "\" gives every record the same file: put {n} or {text} in it, or give "
                        "--same-name");
    const std::string sample = names->Expand(1, "x", TypeBarIdentifier(*typeBar));
    if (FileFormatOf(sample) == TFileFormat::None)
      return usageError("--name \"" + *nameTemplate + "\": " + UnknownFormatCause(sample));
    return RunTexts(settings, *texts, *typeBar, *names, jobs, quiet, streams);
  }
  if (positional.size() == 3 && !output) output = positional[2];
  if (positional.size() < 2 || positional.size() > 3 ||
      (positional.size() == 3 && output != positional[2])) {
    PrintUsage(streams.Err);
    return kExitUsage;
  }
  const bool toStream = output && *output == "-";
  TTarget target{output.value_or("-")};
  if (format) {
    if (!toStream)
      return usageError(
          "--format is for standard output (-o -); a file's extension names its format");
    const bool word = !format->empty() && std::all_of(format->begin(), format->end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
    const TFileFormatRow* row = word ? FileFormatRowOf("-." + *format) : nullptr;
    if (!row) {
      std::string names;
      for (const TFileFormatRow& r : FileFormats())
        names += (names.empty() ? "" : ", ") + std::string(r.Extension.substr(1));
      return usageError("--format: \"" + *format + "\" is not one of " + names);
    }
    if (streams.OutIsTerminal &&
        !(row->Format == TFileFormat::Svg || row->Format == TFileFormat::Eps))
      return usageError("standard output is a terminal: send the " + std::string(row->Name) +
                        " picture to a file or a pipe");
    target = {"standard output", &streams.Out, row->Format};
  }
  const bool printOnly = !output || (toStream && !format);
  TModuleModeContext context;
  const TOutcome outcome =
      RunJob(settings, positional[0], positional[1], target, printOnly, streams.Out, context);
  for (const std::string& w : outcome.Warnings) Report(streams.Err, w);
  if (outcome.Status != kExitOk && !outcome.Message.empty()) Report(streams.Err, outcome.Message);
  return outcome.Status;
}

}  // namespace

int Run(std::span<const std::string> args, const TStreams& streams) {
  try {
    return RunTool(args, streams);
  } catch (const std::bad_alloc&) {
    // Outside a barcode's drawing (each of which reports its own): the arguments or a message.
    streams.Err << "brevix: out of memory\n";
    return kExitResource;
  }
}

}  // namespace brevix::cli
