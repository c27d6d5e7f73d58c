// brevix: draws barcodes into picture files, or prints their module patterns, from the command
// line or from a batch of CSV records.
#include "cli/run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
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

void PrintUsage(std::ostream& out) {
  out << "usage: brevix [OPTIONS] SYMBOLOGY TEXT [FILE]\n"
         "       brevix [OPTIONS] --batch JOBS.csv|-\n"
         "       brevix --list | --help | --version\n"
         "\n"
         "Completes TEXT with its check characters, checks it for SYMBOLOGY and draws the\n"
         "barcode into FILE, whose extension (any case) chooses the format:\n"
         "  "
      << ExportExtensionList()
      << "\n"
         "Without FILE, or with FILE \"-\", prints the completed text, the check result and\n"
         "the module pattern (PDF417: one row of modules per line) instead.\n"
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
         "      --batch JOBS            run every record of the CSV file JOBS (\"-\": standard\n"
         "                              input): FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...]\n"
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
         "On a terminal a progress line counts the records. Messages show control characters\n"
         "as \\xHH.\n"
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

// Metafiles record the control's drawing: they are made in box mode whatever the options.
bool IsMetafileName(const std::string& fileName) {
  return WriterKindOf(FileFormatOf(fileName)) == TWriterKind::Metafile;
}

bool IsVectorFormat(TModuleFormat f) {
  return f == TModuleFormat::Svg || f == TModuleFormat::Eps || f == TModuleFormat::Pdf;
}

constexpr int kAngleDegrees[] = {0, 90, 180, 270};

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
TOutcome WriteModuleFile(TCustomBC& bc, const TSettings& settings, const std::string& fileName,
                         TModuleModeContext& context) {
  // QR Code and Data Matrix texts stay UTF-8 in module mode (see RunJob).
  const bool utf8 = IsMatrixSymbology(bc.TypeBar());
  const int codePage = utf8 ? 0 : settings.CodePage;
  context.Drawing = {};
  RequireExportFormat(fileName);
  const std::optional<TModuleFormat> format = ModuleFormatOf(fileName);
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
  WriteModuleModeFile(fileName, built.Symbol, options, context);
  return outcome;
}

// Draws the configured control into fileName, refusing texts that would only give the error
// display.
TOutcome WriteFile(TCustomBC& bc, const std::string& fileName, int codePage) {
  // The control would lay a vector file out by modules anyway, ignoring the box asked for.
  const TFileFormatRow* row = FileFormatRowOf(fileName);
  if (row != nullptr && row->Kind == TWriterKind::Vector) {
    throw EImageWriteError(
        fileName,
        ".svg, .eps and .pdf files are drawn in module mode: leave out -W, -H, --ratio "
        "and --complete-draw");
  }
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
  WriteRenderedFile(bc, picture, fileName);
  return {};
}

// One barcode, to a file or printed. Every failure becomes an outcome: an exception escaping
// here would end a whole batch.
TOutcome RunJob(const TSettings& settings, std::string_view symbology, std::string_view text,
                const std::string& fileName, bool printOnly, std::ostream& out,
                TModuleModeContext& context) {
  const auto typeBar = ParseSymbology(symbology);
  if (!typeBar) {
    return {kExitUsage, "unknown symbology \"" + std::string(symbology) + "\" (see brevix --list)"};
  }
  const bool boxMode = BoxMode(settings) || IsMetafileName(fileName);
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
                       : boxMode ? WriteFile(bc, fileName, codePage)
                                 : WriteModuleFile(bc, settings, fileName, context);
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

int RunBatch(const TSettings& settings, const std::string& path, bool quiet,
             const TStreams& streams) {
  TBatchInput input(path, streams.In);
  if (!input.Error().empty()) {
    Report(streams.Err, "cannot read batch file \"" + path + "\": " + input.Error());
    return kExitUsage;
  }
  const std::string where = path == "-" ? "stdin" : path;
  TBatchReader reader(
      [&input](char* buffer, std::size_t size) { return input.Read(buffer, size); });
  TProgress progress(streams.Err, !quiet && streams.ErrIsTerminal);
  TModuleModeContext context;  // buffers reused from one record to the next
  int status = kExitOk;
  std::size_t written = 0, failed = 0, unreadable = 0;
  const auto report = [&](int line, const std::string& message) {
    progress.Clear();
    Report(streams.Err, where + ":" + std::to_string(line) + ": " + message);
  };
  for (;;) {
    std::optional<TBatchEntry> entry;
    try {
      entry = reader.Next();
    } catch (const std::system_error& e) {
      progress.Clear();
      Report(streams.Err, "cannot read batch file \"" + path + "\": " + e.code().message());
      status = std::max(status, kExitUsage);
      break;
    } catch (const std::bad_alloc&) {
      progress.Clear();
      Report(streams.Err, "out of memory reading batch file \"" + path + "\"");
      status = std::max(status, kExitResource);
      break;
    }
    if (!entry) break;
    if (const auto* problem = std::get_if<TBatchProblem>(&*entry)) {
      ++unreadable;
      status = std::max(status, kExitUsage);
      report(problem->Line, problem->Message);
      continue;
    }
    const TBatchJob& job = std::get<TBatchJob>(*entry);
    progress.Record(written + failed + unreadable + 1, job.FileName);
    TSettings own = settings;
    TOutcome outcome;
    for (const auto& [name, value] : job.Options) {
      const std::string error = SetOption(own, name, value);
      if (!error.empty()) {
        outcome = {kExitUsage, error};
        break;
      }
    }
    if (outcome.Status == kExitOk) {
      if (job.FileName.empty() || job.FileName == "-") {
        outcome = {kExitUsage, "a batch record needs a file name"};
      } else {
        outcome = RunJob(own, job.Symbology, job.Text, job.FileName, false, streams.Out, context);
      }
    }
    for (const std::string& w : outcome.Warnings) report(job.Line, w);
    if (outcome.Status == kExitOk) {
      ++written;
      continue;
    }
    ++failed;
    status = std::max(status, outcome.Status);
    report(job.Line, outcome.Message);
  }
  const bool shown = !quiet && streams.ErrIsTerminal;
  progress.Clear();
  if (shown || failed || unreadable) {
    Report(streams.Err, std::to_string(written) + " written, " + std::to_string(failed) +
                            " failed, " + std::to_string(unreadable) + " unreadable");
  }
  return status;
}

int RunTool(std::span<const std::string> args, const TStreams& streams) {
  TSettings settings;
  std::vector<std::string> positional;
  std::optional<std::string> output, batch;
  bool quiet = false;
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
      } else if (const TOptionInfo* o = FindShortOption(arg[1])) {
        name = std::string(o->Name);
        if (arg.size() > 2) value = std::string(arg.substr(2));
      } else {
        return usageError("unknown option " + std::string(arg));
      }
    }
    const bool takesValue = name == "output" || name == "batch" ||
                            (FindOption(name) && !FindOption(name)->Value.empty());
    if (!FindOption(name) && name != "output" && name != "batch")
      return usageError("unknown option --" + name);
    if (takesValue && !value) {
      if (i + 1 >= args.size()) return usageError("--" + name + " needs a value");
      value = args[++i];
    }
    if (name == "output") {
      output = *value;
    } else if (name == "batch") {
      batch = *value;
    } else if (const std::string error = SetOption(settings, name, value.value_or(""));
               !error.empty()) {
      return usageError(error);
    }
  }

  if (batch) {
    if (!positional.empty() || output)
      return usageError("--batch takes no SYMBOLOGY, TEXT or FILE");
    return RunBatch(settings, *batch, quiet, streams);
  }
  if (positional.size() == 3 && !output) output = positional[2];
  if (positional.size() < 2 || positional.size() > 3 ||
      (positional.size() == 3 && output != positional[2])) {
    PrintUsage(streams.Err);
    return kExitUsage;
  }
  const bool printOnly = !output || *output == "-";
  TModuleModeContext context;
  const TOutcome outcome = RunJob(settings, positional[0], positional[1], output.value_or("-"),
                                  printOnly, streams.Out, context);
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
