#pragma once
// Batch jobs for the command-line tool: one picture per CSV record,
//   FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...]
// Fields may be quoted with double quotes (a doubled quote inside stands for one) and a quoted
// field may hold commas and line breaks. Blank records and records whose first field starts
// with '#' are skipped. OPTION is a long option of the tool without its dashes ("angle=90",
// "transparent"); a bare name means "yes".
//
// The same runner takes plain texts, one a line, for one symbology with names from a template
// (TTextReader, TNameTemplate).
//
// Records are read one at a time from a source, so a batch of any length takes the memory of its
// longest record, and a record is run as soon as its line ends (a batch fed through a pipe).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace brevix::cli {

// Longest record read: anything longer is a runaway quote or not a batch file at all.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{16} << 20;

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

// Fills buffer with up to size bytes and returns how many; 0 at the end of the input. May throw
// (a read error) to end the batch.
using TByteSource = std::function<std::size_t(char* buffer, std::size_t size)>;

// The bytes of a source one at a time, read a chunk at a time.
class TByteReader {
 public:
  explicit TByteReader(TByteSource source) : FSource(std::move(source)) {}
  // The next byte; false at the end of the input.
  bool Next(char& c) {
    if (FAt == FEnd) {
      if (FBuffer.empty()) FBuffer.resize(kReadChunk);
      FAt = 0;
      FEnd = FSource(FBuffer.data(), FBuffer.size());
      if (FEnd == 0) return false;
    }
    c = FBuffer[FAt++];
    return true;
  }

 private:
  static constexpr std::size_t kReadChunk = std::size_t{64} << 10;
  TByteSource FSource;
  std::string FBuffer;
  std::size_t FAt = 0, FEnd = 0;
};

// The fields of CSV records, each with the line it starts on. LF, CR LF and a lone CR each end
// one line, inside quotes or not.
struct TCsvRecord {
  int Line = 0;
  std::vector<std::string> Fields;
  std::string Problem;  // set when the record could not be read; no further record follows
};

class TCsvReader {
 public:
  explicit TCsvReader(TByteSource source, std::size_t maxRecordBytes = kMaxRecordBytes);
  // The next record, nullopt at the end of the input.
  std::optional<TCsvRecord> Next();

 private:
  bool NextByte(char& c);

  TByteReader FBytes;
  std::size_t FMaxRecordBytes;
  int FLine = 1;
  bool FAfterCr = false;  // the LF of a CR LF pair ends no further line
  bool FSkipLf = false;   // the last record ended on a CR: an LF next belongs to it
  bool FStarted = false;  // past a leading byte-order mark
  bool FDone = false;
};

// A record as a job, or what is wrong with it; nullopt for a blank or comment record.
using TBatchEntry = std::variant<TBatchJob, TBatchProblem>;

class TBatchReader {
 public:
  explicit TBatchReader(TByteSource source, std::size_t maxRecordBytes = kMaxRecordBytes)
      : FCsv(std::move(source), maxRecordBytes) {}
  // The next job or problem, nullopt at the end of the input.
  std::optional<TBatchEntry> Next();

 private:
  TCsvReader FCsv;
};

// Plain texts, one a line, each a job for symbology under the name the template gives it:
//   fileName(line, text)
// Lines end as CSV lines do (LF, CR LF or a lone CR); empty lines are skipped; a line holding a
// NUL byte is a problem; a line longer than maxRecordBytes ends the input.
class TTextReader {
 public:
  using TNamer = std::function<std::string(int line, std::string_view text)>;
  TTextReader(TByteSource source, std::string symbology, TNamer fileName,
              std::size_t maxRecordBytes = kMaxRecordBytes);
  std::optional<TBatchEntry> Next();

 private:
  TByteReader FBytes;
  std::string FSymbology;
  TNamer FFileName;
  std::size_t FMaxRecordBytes;
  int FLine = 1;
  bool FSkipLf = false;  // the last line ended on a CR: an LF next belongs to it
  bool FStarted = false;
  bool FDone = false;
};

// An output name template: literal text with fields in braces,
//   {n}       the record's line number; {n:05} zero padded to 5 digits
//   {text}    the text, made safe as one file name component
//   {type}    the symbology's identifier
//   {{ }}     a brace
class TNameTemplate {
 public:
  // The template, or nullopt with error set.
  static std::optional<TNameTemplate> Parse(std::string_view pattern, std::string& error);
  std::string Expand(int line, std::string_view text, std::string_view type) const;
  // Whether two records can get different names ({n} or {text} appears).
  bool Varies() const { return FVaries; }

 private:
  enum class TField : std::uint8_t { Literal, Number, Text, Type };
  struct TPart {
    TField Field = TField::Literal;
    std::string Literal;
    int Width = 0;  // zero padding of {n}
  };
  std::vector<TPart> FParts;
  bool FVaries = false;
};

// text as one file name component: no slash, backslash, NUL, control character, byte that is not
// UTF-8, or character Windows refuses in names (: * ? " < > |); no leading dot or dash; not
// empty; at most kMaxNameTextBytes bytes (cut at a character's start). Each such character
// becomes '_'.
inline constexpr std::size_t kMaxNameTextBytes = 100;
std::string SafeNameComponent(std::string_view text);

struct TBatch {
  std::vector<TBatchJob> Jobs;
  std::vector<TBatchProblem> Problems;  // records that could not be read; the rest still run
};

// Splits a whole input into jobs. Never throws; malformed records become problems.
TBatch ParseBatch(std::string_view input, std::size_t maxRecordBytes = kMaxRecordBytes);

}  // namespace brevix::cli
