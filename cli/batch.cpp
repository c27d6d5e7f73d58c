#include "cli/batch.h"

#include <algorithm>
#include <cstring>

namespace brevix::cli {

namespace {

constexpr std::size_t kReadChunk = std::size_t{64} << 10;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string MegaBytes(std::size_t bytes) {
  return bytes % (std::size_t{1} << 20) == 0 ? std::to_string(bytes >> 20) + " MB"
                                             : std::to_string(bytes) + " bytes";
}

}  // namespace

TCsvReader::TCsvReader(TByteSource source, std::size_t maxRecordBytes)
    : FSource(std::move(source)), FMaxRecordBytes(maxRecordBytes) {}

bool TCsvReader::NextByte(char& c) {
  if (FAt == FEnd) {
    if (FBuffer.empty()) FBuffer.resize(kReadChunk);
    FAt = 0;
    FEnd = FSource(FBuffer.data(), FBuffer.size());
    if (FEnd == 0) return false;
  }
  c = FBuffer[FAt++];
  // One rule for lines wherever the break stands: LF, CR LF and a lone CR each end one.
  if (c == '\r' || (c == '\n' && !FAfterCr)) ++FLine;
  FAfterCr = c == '\r';
  return true;
}

std::optional<TCsvRecord> TCsvReader::Next() {
  if (FDone) return std::nullopt;
  TCsvRecord record;
  record.Line = FLine;
  std::string field;
  bool inQuotes = false;
  bool closedQuote = false;  // a quoted part just closed: a quote now stands for itself
  bool quotedField = false;
  bool any = false;
  // Each field costs its bytes and its string, so a record of empty fields is bounded too.
  std::size_t cost = 0;
  const bool firstRecord = !FStarted;
  FStarted = true;
  const auto tooLong = [&] {
    record.Fields.clear();
    record.Problem = "a record longer than " + MegaBytes(FMaxRecordBytes) +
                     ": the rest of the input is not read";
    FDone = true;
    return record;
  };
  char c = 0;
  bool ended = false;
  while (!ended && NextByte(c)) {
    // The LF of a CR LF that ended the previous record.
    if (!any && c == '\n' && FSkipLf) {
      FSkipLf = false;
      record.Line = FLine;
      continue;
    }
    FSkipLf = false;
    any = true;
    if (++cost > FMaxRecordBytes) return tooLong();
    if (closedQuote) {
      closedQuote = false;
      if (c == '"') {
        field += c;
        inQuotes = true;
        continue;
      }
    } else if (inQuotes) {
      if (c == '"') {
        inQuotes = false;
        closedQuote = true;
      } else {
        field += c;
      }
      continue;
    }
    switch (c) {
      case '"':
        // A quote opens a quoted field only at its start (after an editor's byte-order mark);
        // elsewhere it is an ordinary character.
        if (!quotedField &&
            (field.empty() || (firstRecord && record.Fields.empty() && field == kByteOrderMark))) {
          field.clear();
          inQuotes = quotedField = true;
        } else {
          field += c;
        }
        break;
      case ',':
        cost += sizeof(std::string);
        if (cost > FMaxRecordBytes) return tooLong();
        record.Fields.push_back(std::move(field));
        field.clear();
        quotedField = false;
        break;
      case '\r':
        FSkipLf = true;
        [[fallthrough]];
      case '\n':
        ended = true;
        break;
      default:
        field += c;
    }
  }
  if (!ended && !any) {
    FDone = true;
    return std::nullopt;
  }
  if (!ended && inQuotes) {
    FDone = true;
    record.Fields.clear();
    record.Problem = "a quoted field is not closed";
    return record;
  }
  record.Fields.push_back(std::move(field));
  if (firstRecord && record.Fields.front().starts_with(kByteOrderMark))
    record.Fields.front().erase(0, kByteOrderMark.size());
  return record;
}

std::optional<TBatchEntry> TBatchReader::Next() {
  while (std::optional<TCsvRecord> record = FCsv.Next()) {
    if (!record->Problem.empty()) return TBatchProblem{record->Line, record->Problem};
    std::vector<std::string>& fields = record->Fields;
    if (fields.size() == 1 && Trim(fields[0]).empty()) continue;
    if (Trim(fields[0]).starts_with("#")) continue;
    if (fields.size() < 3) {
      return TBatchProblem{record->Line, "expected FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...], found " +
                                             std::to_string(fields.size()) + " field" +
                                             (fields.size() == 1 ? "" : "s")};
    }
    // No file name, symbology, text or option holds a NUL: it would cut the name short.
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].find('\0') != std::string::npos)
        return TBatchProblem{record->Line, "field " + std::to_string(k + 1) + " holds a NUL byte"};
    }
    TBatchJob job;
    job.Line = record->Line;
    job.FileName = std::string(Trim(fields[0]));
    job.Symbology = std::string(Trim(fields[1]));
    job.Text = std::move(fields[2]);  // blanks may belong to the barcode text
    for (std::size_t k = 3; k < fields.size(); ++k) {
      const std::string_view option = Trim(fields[k]);
      if (option.empty()) continue;
      const std::size_t eq = option.find('=');
      std::string name(Trim(option.substr(0, eq)));
      while (name.starts_with("-")) name.erase(0, 1);
      if (name.empty())
        return TBatchProblem{record->Line,
                             "option without a name in field " + std::to_string(k + 1)};
      std::string value =
          eq == std::string_view::npos ? "" : std::string(Trim(option.substr(eq + 1)));
      job.Options.emplace_back(std::move(name), std::move(value));
    }
    return job;
  }
  return std::nullopt;
}

TBatch ParseBatch(std::string_view input, std::size_t maxRecordBytes) {
  TBatchReader reader(
      [input](char* buffer, std::size_t size) mutable {
        const std::size_t n = std::min(size, input.size());
        if (n) std::memcpy(buffer, input.data(), n);
        input.remove_prefix(n);
        return n;
      },
      maxRecordBytes);
  TBatch batch;
  while (std::optional<TBatchEntry> entry = reader.Next()) {
    if (auto* job = std::get_if<TBatchJob>(&*entry)) {
      batch.Jobs.push_back(std::move(*job));
    } else {
      batch.Problems.push_back(std::get<TBatchProblem>(std::move(*entry)));
    }
  }
  return batch;
}

}  // namespace brevix::cli
