#pragma once
// Batch jobs for the command-line tool: one picture per CSV record,
//   FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...]
// Fields may be quoted with double quotes (a doubled quote inside stands for one) and a quoted
// field may hold commas and line breaks. Blank records and records whose first field starts
// with '#' are skipped. OPTION is a long option of the tool without its dashes ("angle=90",
// "transparent"); a bare name means "yes".

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brevix::cli {

struct TBatchJob {
  int Line = 0;  // 1-based line where the record starts
  std::string FileName;
  std::string Symbology;
  std::string Text;  // UTF-8 as read
  std::vector<std::pair<std::string, std::string>> Options;
};

struct TBatchProblem {
  int Line = 0;
  std::string Message;
};

struct TBatch {
  std::vector<TBatchJob> Jobs;
  std::vector<TBatchProblem> Problems;  // records that could not be read; the rest still run
};

// Splits input into jobs. Never throws; malformed records become problems.
TBatch ParseBatch(std::string_view input);

// The fields of CSV records, each with the line it starts on; an unterminated quote is
// reported through unterminatedLine (0 when all quotes close).
struct TCsvRecord {
  int Line = 0;
  std::vector<std::string> Fields;
};
std::vector<TCsvRecord> SplitCsv(std::string_view input, int& unterminatedLine);

}  // namespace brevix::cli
