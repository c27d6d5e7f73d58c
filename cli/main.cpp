// brevix: draws barcodes into picture files, or prints their module patterns, from the command
// line or from a batch of CSV records.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "core/catalogue.h"
#include "core/control.h"
#include "imagewriters/image_file.h"
#include "pdf417/pdf417.h"
#include "platform/codepage.h"
#include "render/export.h"

namespace {

using namespace brevix;
using namespace brevix::cli;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the text cannot be encoded or drawn
constexpr int kExitUsage = 2;    // bad arguments or batch records
constexpr int kExitWrite = 3;    // a file could not be written

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: brevix [OPTIONS] SYMBOLOGY TEXT [FILE]\n"
      "       brevix [OPTIONS] --batch JOBS.csv|-\n"
      "       brevix --list | --help\n"
      "\n"
      "Completes TEXT with its check characters, checks it for SYMBOLOGY and draws the\n"
      "barcode into FILE, whose extension (any case) chooses the format:\n",
      out);
  std::fprintf(out, "  %s\n", ExportExtensionList().c_str());
  std::fputs(
      "(.emf and .wmf are metafiles, the others pictures of the control's size). Without\n"
      "FILE, or with FILE \"-\", prints the completed text, the check result and the module\n"
      "pattern (PDF417: one row of modules per line) instead.\n"
      "\n"
      "SYMBOLOGY is an identifier (csCodeEAN13, any case), a catalogue name (\"EAN 13\") or a\n"
      "number 0..32; --list shows them all with a sample text.\n"
      "TEXT arrives as UTF-8 and is converted to an 8-bit Windows code page, Windows-1252\n"
      "unless --codepage says otherwise; a character the code page lacks is an error.\n"
      "A text that cannot be drawn (wrong characters, wrong length, a picture too small for\n"
      "the symbol) writes no file: its message goes to standard error and the exit status\n"
      "is 1.\n"
      "\n"
      "Options (--name VALUE, --name=VALUE or -x VALUE; switches take =no to turn off):\n",
      out);
  for (const TOptionInfo& o : ControlOptions()) {
    std::string head = "  ";
    head += o.Short ? std::string("-") + o.Short + ", " : std::string("    ");
    head += "--" + std::string(o.Name);
    if (!o.Value.empty()) head += " " + std::string(o.Value);
    std::string help(o.Help);
    std::string indented;
    for (const char c : help)
      indented += c == '\n' ? std::string("\n") + std::string(30, ' ') : std::string(1, c);
    if (head.size() < 30)
      head.resize(30, ' ');
    else
      head += "\n" + std::string(30, ' ');
    std::fprintf(out, "%s%s\n", head.c_str(), indented.c_str());
  }
  std::fputs(
      "  -o, --output FILE           the picture file (instead of the third argument)\n"
      "      --batch JOBS            run every record of the CSV file JOBS (\"-\": standard\n"
      "                              input): FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...]\n"
      "  -q, --quiet                 no progress line in batch mode\n"
      "      --list                  the symbology catalogue: number, identifier, name, sample\n"
      "  -h, --help                  this text\n"
      "\n"
      "Batch records: fields are separated by commas; quote a field with \"...\" to hold\n"
      "commas, quotes (doubled) or line breaks. OPTION is a long option without dashes;\n"
      "a switch alone means yes. Options on the command line apply to every record;\n"
      "a record's own options override them. Blank lines and lines starting with # are\n"
      "skipped. On a terminal a progress line counts the records.\n"
      "\n"
      "Examples:\n"
      "  brevix csCodeEAN13 977121010700 label.png\n"
      "  brevix \"Code 128\" \"Brevix 42\" -W 300 -H 100 --display both code128.emf\n"
      "  brevix csCode39 HELLO -a 90 -W 80 -H 300 --lines navy --back '#FFFFE0' tall.gif\n"
      "  brevix 22 9771210107001 --transparent --back white clear.gif\n"
      "  brevix csCodePDF417 'Brevix PDF417' --pdf417-level 2 -W 400 -H 150 pdf.tif\n"
      "  brevix --codepage 1250 --pdf417-mode binary csCodePDF417 'Zlu\xc5\xa5ou\xc4\x8dk\xc3\xbd' "
      "-W 300 cz.bmp\n"
      "  brevix csCodeUPC_A 03600029145 -          (prints the module pattern)\n"
      "  printf 'a.png,csCodeEAN8,9638507\\nb.png,csCode39,ABC,angle=90,width=80,height=300\\n' | "
      "brevix --batch -\n"
      "\n"
      "Exit status: 0 done, 1 a text was refused, 2 usage error or bad batch record,\n"
      "3 a file could not be written (batch: the most serious of all records).\n",
      out);
}

void PrintList() {
  for (int v = 0; v < kTypeBarCount; ++v) {
    TBarCodeInfo info;
    GetBarCodeInfo(v, info);
    std::printf("%2d  %-24s %-24s %s\n", v, TypeBarIdentifier(v), info.Name.c_str(),
                CodePageToUtf8(kDefaultCodePage, info.Sample).c_str());
  }
}

// Prints the completed text, the check result and the module pattern.
int PrintPattern(TCustomBC& bc, int codePage) {
  const std::string text = CodePageToUtf8(codePage, bc.Text());
  if (bc.TypeBar() == csCodePDF417) {
    TPDF417& p = bc.PDF417();
    int cols = p.Cols();
    int rows = p.Rows();
    const auto lines =
        PDF417BuildRows(bc.Text(), cols, rows, p.Truncated(), p.Mode(), p.SecurityLevel());
    std::printf("text:    %s\nresult:  %s\n", text.c_str(), "Correct");
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    return kExitOk;
  }
  const TEncodeResult r = bc.EncodeText(bc.Text());
  const bool ok = bc.ErrorMessage() == erOK;
  std::printf("text:    %s\nresult:  %s\npattern: %s\n", text.c_str(),
              CodePageToUtf8(codePage, bc.ErrorText()).c_str(), r.Pattern.c_str());
  return ok ? kExitOk : kExitRefused;
}

struct TOutcome {
  int Status = kExitOk;
  std::string Message;  // for standard error when Status is not kExitOk
};

// Draws the configured control into fileName, refusing texts that would only give the error
// display.
TOutcome WriteFile(TCustomBC& bc, const std::string& fileName, int codePage) {
  try {
    RequireExportFormat(fileName);  // before drawing: the name alone can be refused
    if (bc.Text().empty()) {
      bc.EncodeText(bc.Text());
      return {kExitRefused, CodePageToUtf8(codePage, bc.ErrorText())};
    }
    // The drawing tells whether the symbol fits and the text is valid; only then is it written.
    const TBitmap& picture = RenderForExport(bc);
    if (bc.ErrorMessage() != erOK) {
      return {kExitRefused, "\"" + CodePageToUtf8(codePage, bc.Text()) +
                                "\": " + CodePageToUtf8(codePage, bc.ErrorText())};
    }
    WriteRenderedFile(bc, picture, fileName);
  } catch (const EImageWriteError& e) {
    return {kExitWrite, e.what()};
  } catch (const EImageEncodeError& e) {
    return {kExitUsage, fileName + ": " + e.what()};
  } catch (const std::exception& e) {
    return {kExitRefused, e.what()};
  }
  return {};
}

TOutcome RunJob(const TSettings& settings, std::string_view symbology, std::string_view text,
                const std::string& fileName, bool printOnly) {
  const auto typeBar = ParseSymbology(symbology);
  if (!typeBar) {
    return {kExitUsage, "unknown symbology \"" + std::string(symbology) + "\" (see brevix --list)"};
  }
  TBrevixBC bc;
  const std::string problem = Configure(bc, *typeBar, text, settings);
  if (!problem.empty()) return {kExitRefused, problem};
  if (printOnly) return {PrintPattern(bc, settings.CodePage), {}};
  return WriteFile(bc, fileName, settings.CodePage);
}

std::optional<std::string> ReadAll(const std::string& path) {
  if (path == "-") {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int RunBatch(const TSettings& settings, const std::string& path, bool quiet) {
  const auto input = ReadAll(path);
  if (!input) {
    std::fprintf(stderr, "brevix: cannot read \"%s\"\n", path.c_str());
    return kExitUsage;
  }
  const std::string where = path == "-" ? "stdin" : path;
  const TBatch batch = ParseBatch(*input);
  int status = batch.Problems.empty() ? kExitOk : kExitUsage;
  for (const TBatchProblem& p : batch.Problems)
    std::fprintf(stderr, "brevix: %s:%d: %s\n", where.c_str(), p.Line, p.Message.c_str());
  const bool progress = !quiet && isatty(STDERR_FILENO);
  const std::size_t total = batch.Jobs.size();
  std::size_t written = 0, failed = 0;
  for (std::size_t k = 0; k < total; ++k) {
    const TBatchJob& job = batch.Jobs[k];
    if (progress) {
      std::fprintf(stderr, "\r\033[Kbrevix: %zu/%zu %s", k + 1, total, job.FileName.c_str());
      std::fflush(stderr);
    }
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
        outcome = RunJob(own, job.Symbology, job.Text, job.FileName, false);
      }
    }
    if (outcome.Status == kExitOk) {
      ++written;
      continue;
    }
    ++failed;
    status = std::max(status, outcome.Status);
    if (progress) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "brevix: %s:%d: %s\n", where.c_str(), job.Line, outcome.Message.c_str());
  }
  if (progress) std::fputs("\r\033[K", stderr);
  if (progress || failed || !batch.Problems.empty()) {
    std::fprintf(stderr, "brevix: %zu written, %zu failed, %zu unreadable\n", written, failed,
                 batch.Problems.size());
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  TSettings settings;
  std::vector<std::string> positional;
  std::optional<std::string> output, batch;
  bool quiet = false;
  bool optionsDone = false;
  const auto usageError = [](const std::string& message) {
    std::fprintf(stderr, "brevix: %s (see brevix --help)\n", message.c_str());
    return kExitUsage;
  };

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsDone || arg == "-" || !arg.starts_with("-")) {
      positional.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsDone = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (arg == "--list") {
      PrintList();
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
      if (i + 1 >= argc) return usageError("--" + name + " needs a value");
      value = argv[++i];
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
    return RunBatch(settings, *batch, quiet);
  }
  if (positional.size() == 3 && !output) output = positional[2];
  if (positional.size() < 2 || positional.size() > 3 ||
      (positional.size() == 3 && output != positional[2])) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const bool printOnly = !output || *output == "-";
  const TOutcome outcome =
      RunJob(settings, positional[0], positional[1], output.value_or("-"), printOnly);
  if (outcome.Status != kExitOk && !outcome.Message.empty())
    std::fprintf(stderr, "brevix: %s\n", outcome.Message.c_str());
  return outcome.Status;
}
