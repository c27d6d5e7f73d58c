#include "cli/batch.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace brevix::cli {

namespace {

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
    : FBytes(std::move(source)), FMaxRecordBytes(maxRecordBytes) {}

bool TCsvReader::NextByte(char& c) {
  if (!FBytes.Next(c)) return false;
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

TTextReader::TTextReader(TByteSource source, std::string symbology, TNamer fileName,
                         std::size_t maxRecordBytes)
    : FBytes(std::move(source)),
      FSymbology(std::move(symbology)),
      FFileName(std::move(fileName)),
      FMaxRecordBytes(maxRecordBytes) {}

std::optional<TBatchEntry> TTextReader::Next() {
  while (!FDone) {
    const int line = FLine;
    std::string text;
    bool any = false;
    char c = 0;
    while (FBytes.Next(c)) {
      // The LF of a CR LF that ended the previous line.
      if (std::exchange(FSkipLf, false) && c == '\n') continue;
      any = true;
      if (c == '\r' || c == '\n') {
        ++FLine;
        FSkipLf = c == '\r';
        break;
      }
      if (text.size() >= FMaxRecordBytes) {
        FDone = true;
        return TBatchProblem{line, "a line longer than " + MegaBytes(FMaxRecordBytes) +
                                       ": the rest of the input is not read"};
      }
      text += c;
    }
    if (!any) {
      FDone = true;
      break;
    }
    if (!FStarted && text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    FStarted = true;
    if (text.empty()) continue;
    if (text.find('\0') != std::string::npos)
      return TBatchProblem{line, "the text holds a NUL byte"};
    TBatchJob job;
    job.Line = line;
    job.FileName = FFileName(line, text);
    job.Symbology = FSymbology;
    job.Text = std::move(text);
    return job;
  }
  return std::nullopt;
}

std::optional<TNameTemplate> TNameTemplate::Parse(std::string_view pattern, std::string& error) {
  TNameTemplate result;
  std::string literal;
  const auto flush = [&] {
    if (literal.empty()) return;
    result.FParts.push_back({TField::Literal, std::move(literal), 0});
    literal.clear();
  };
  if (pattern.empty()) {
    error = "the name template is empty";
    return std::nullopt;
  }
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '}') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '}') {
        literal += '}';
        ++i;
        continue;
      }
      error = "a lone } in the name template (}} stands for one)";
      return std::nullopt;
    }
    if (c != '{') {
      literal += c;
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '{') {
      literal += '{';
      ++i;
      continue;
    }
    const std::size_t close = pattern.find('}', i);
    if (close == std::string_view::npos) {
      error = "a { without its } in the name template";
      return std::nullopt;
    }
    const std::string_view field = pattern.substr(i + 1, close - i - 1);
    i = close;
    TPart part;
    if (field == "n") {
      part.Field = TField::Number;
    } else if (field.starts_with("n:0") && field.size() > 3 && field.size() <= 5 &&
               field.find_first_not_of("0123456789", 3) == std::string_view::npos) {
      part.Field = TField::Number;
      part.Width = std::stoi(std::string(field.substr(3)));
      if (part.Width < 1 || part.Width > 20) {
        error = "{n:0W} pads to 1..20 digits";
        return std::nullopt;
      }
    } else if (field == "text") {
      part.Field = TField::Text;
    } else if (field == "type") {
      part.Field = TField::Type;
    } else {
      error = "unknown field {" + std::string(field) +
              "} in the name template (use {n}, {n:05}, {text} or {type})";
      return std::nullopt;
    }
    result.FVaries = result.FVaries || part.Field != TField::Type;
    flush();
    result.FParts.push_back(std::move(part));
  }
  flush();
  return result;
}

std::string TNameTemplate::Expand(int line, std::string_view text, std::string_view type) const {
  std::string name;
  for (const TPart& part : FParts) {
    switch (part.Field) {
      case TField::Literal:
        name += part.Literal;
        break;
      case TField::Number: {
        const std::string digits = std::to_string(line);
        if (digits.size() < static_cast<std::size_t>(part.Width))
          name.append(static_cast<std::size_t>(part.Width) - digits.size(), '0');
        name += digits;
        break;
      }
      case TField::Text:
        name += SafeNameComponent(text);
        break;
      case TField::Type:
        name += type;
        break;
    }
  }
  return name;
}

std::string SafeNameComponent(std::string_view text) {
  constexpr std::string_view kRefused = "/\\:*?\"<>|";
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    bool keep = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; keep && k < length; ++k)
      keep = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (keep && length == 1)
      keep = lead >= 0x20 && lead != 0x7F && kRefused.find(text[i]) == std::string_view::npos;
    // C1 control characters, U+0080..U+009F.
    if (keep && lead == 0xC2) keep = static_cast<unsigned char>(text[i + 1]) >= 0xA0;
    if (!keep) length = 1;
    if (out.size() + length > kMaxNameTextBytes) break;
    if (keep)
      out.append(text.substr(i, length));
    else
      out += '_';
    i += length;
  }
  if (out.empty()) return "_";
  if (out.front() == '.' || out.front() == '-') out.front() = '_';
  return out;
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
