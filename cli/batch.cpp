#include "cli/batch.h"

namespace brevix::cli {

std::vector<TCsvRecord> SplitCsv(std::string_view input, int& unterminatedLine) {
  std::vector<TCsvRecord> records;
  unterminatedLine = 0;
  int line = 1;
  std::size_t i = 0;
  // A byte-order mark from editors that write one is not part of the first field.
  if (input.starts_with("\xEF\xBB\xBF")) i = 3;
  while (i < input.size()) {
    TCsvRecord record;
    record.Line = line;
    std::string field;
    bool inQuotes = false;
    bool quotedField = false;
    bool endOfRecord = false;
    while (i < input.size() && !endOfRecord) {
      const char c = input[i++];
      if (inQuotes) {
        if (c == '"') {
          if (i < input.size() && input[i] == '"') {
            field += '"';
            ++i;
          } else {
            inQuotes = false;
          }
        } else {
          if (c == '\n') ++line;
          field += c;
        }
        continue;
      }
      switch (c) {
        case '"':
          // A quote opens a quoted field only at its start; elsewhere it is an ordinary character.
          if (field.empty() && !quotedField) {
            inQuotes = quotedField = true;
          } else {
            field += c;
          }
          break;
        case ',':
          record.Fields.push_back(std::move(field));
          field.clear();
          quotedField = false;
          break;
        case '\r':
          if (i < input.size() && input[i] == '\n') break;  // CR LF: the LF ends the record
          [[fallthrough]];
        case '\n':
          ++line;
          endOfRecord = true;
          break;
        default:
          field += c;
      }
    }
    if (inQuotes) {
      unterminatedLine = record.Line;
      break;
    }
    record.Fields.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

TBatch ParseBatch(std::string_view input) {
  TBatch batch;
  int unterminated = 0;
  for (TCsvRecord& record : SplitCsv(input, unterminated)) {
    if (record.Fields.size() == 1 && Trim(record.Fields[0]).empty()) continue;
    if (Trim(record.Fields[0]).starts_with("#")) continue;
    if (record.Fields.size() < 3) {
      batch.Problems.push_back(
          {record.Line, "expected FILE,SYMBOLOGY,TEXT[,OPTION=VALUE...], found " +
                            std::to_string(record.Fields.size()) + " field" +
                            (record.Fields.size() == 1 ? "" : "s")});
      continue;
    }
    TBatchJob job;
    job.Line = record.Line;
    job.FileName = std::string(Trim(record.Fields[0]));
    job.Symbology = std::string(Trim(record.Fields[1]));
    job.Text = std::move(record.Fields[2]);  // blanks may belong to the barcode text
    bool ok = true;
    for (std::size_t k = 3; k < record.Fields.size(); ++k) {
      const std::string_view option = Trim(record.Fields[k]);
      if (option.empty()) continue;
      const std::size_t eq = option.find('=');
      std::string name(Trim(option.substr(0, eq)));
      while (name.starts_with("-")) name.erase(0, 1);
      if (name.empty()) {
        batch.Problems.push_back(
            {record.Line, "option without a name in field " + std::to_string(k + 1)});
        ok = false;
        break;
      }
      std::string value =
          eq == std::string_view::npos ? "" : std::string(Trim(option.substr(eq + 1)));
      job.Options.emplace_back(std::move(name), std::move(value));
    }
    if (ok) batch.Jobs.push_back(std::move(job));
  }
  if (unterminated) batch.Problems.push_back({unterminated, "a quoted field is not closed"});
  return batch;
}

}  // namespace brevix::cli
