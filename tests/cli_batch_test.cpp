// The batch file parser of the command-line tool.

#include <gtest/gtest.h>

#include <algorithm>

#include "cli/batch.h"

namespace brevix::cli {
namespace {

std::string Describe(const TBatch& batch) {
  std::string out;
  for (const TBatchJob& job : batch.Jobs) {
    out += std::to_string(job.Line) + "[" + job.FileName + "|" + job.Symbology + "|" + job.Text;
    for (const auto& [name, value] : job.Options) out += "|" + name + "=" + value;
    out += "]";
  }
  for (const TBatchProblem& p : batch.Problems) out += " !" + std::to_string(p.Line);
  return out;
}

TEST(CliBatch, ParsesRecords) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view Input;
    const char* Expected;
  } rows[] = {
      {"", ""},
      {"a.png,csCode39,ABC", "1[a.png|csCode39|ABC]"},
      {"a.png,csCode39,ABC\n", "1[a.png|csCode39|ABC]"},
      {" a.png , 7 , AB C ", "1[a.png|7| AB C ]"},  // the text keeps its blanks
      {"a.png,7,\"x,y\"", "1[a.png|7|x,y]"},
      {"a.png,7,\"say \"\"hi\"\"\"", "1[a.png|7|say \"hi\"]"},
      {"a.png,7,ab\"c", "1[a.png|7|ab\"c]"},  // a quote inside a field is plain
      {"\"a\nb.png\",7,X\nc.png,7,Y", "1[a\nb.png|7|X]3[c.png|7|Y]"},
      {"a.png,7,X\r\nb.png,7,Y\r\n", "1[a.png|7|X]2[b.png|7|Y]"},
      {"\xEF\xBB\xBF"
       "a.png,7,X",
       "1[a.png|7|X]"},
      {"# comment\n\n  \na.png,7,X", "4[a.png|7|X]"},
      {"a.png,7,X,angle=90,transparent,--height=120,,display = both",
       "1[a.png|7|X|angle=90|transparent=|height=120|display=both]"},
      {"a.png,7,X,=5", " !1"},
      {"a.png,7", " !1"},
      {"just one field\nb.png,7,Y", "2[b.png|7|Y] !1"},
      {"a.png,7,\"open\nb.png,7,Y", " !1"},
      {"a.png,7,,", "1[a.png|7|]"},  // an empty text is the control's to refuse
      // LF, CR LF and a lone CR each end one line, quoted or not.
      {"\"a\rb\",7,X\rc.png,7,Y\r\rd.png,7,Z", "1[a\rb|7|X]3[c.png|7|Y]5[d.png|7|Z]"},
      {"\"a\r\nb\",7,X\r\nc,7,Y", "1[a\r\nb|7|X]3[c|7|Y]"},
      {"\xEF\xBB\xBF\"a,b\",7,X", "1[a,b|7|X]"},
      {"a\0.png,7,X\nb.png,7,Y"sv, "2[b.png|7|Y] !1"},
      {"a.png,7,X,angle=9\0"sv, " !1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.Input));
    EXPECT_EQ(Describe(ParseBatch(row.Input)), row.Expected);
  }
}

TEST(CliBatch, SurvivesArbitraryBytes) {
  std::string input;
  for (int i = 0; i < 4096; ++i) input += static_cast<char>((i * 131 + 7) % 256);
  const TBatch batch = ParseBatch(input);
  EXPECT_GE(batch.Jobs.size() + batch.Problems.size(), 1u);
  for (const auto& job : batch.Jobs) EXPECT_GE(job.Line, 1);
  // A record beyond the limit (bytes, or fields of none) ends the reading where it starts.
  for (const std::string& record : {std::string(200, 'x'), std::string(30, ',')}) {
    const TBatch limited = ParseBatch("a.png,7,X\n" + record + "\nb.png,7,Y", 128);
    EXPECT_EQ(Describe(limited), "1[a.png|7|X] !2");
  }
}

// Plain texts: one job a line, names from the template, line numbers as CSV counts them.
TEST(CliBatch, ReadsTextsAndNamesThem) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view Template;
    std::string Input;
    const char* Expected;  // the jobs, or the template's error
  } rows[] = {
      {"l-{n:05}.png",
       "\xEF\xBB\xBF"
       "123\r\n\r\nAB C\rx",
       "1[l-00001.png|123]3[l-00003.png|AB C]4[l-00004.png|x]"},
      {"{type}/{n}-{text}.svg", "../etc\n.a/b\\c:*?\"<>|\x01\x7f\xff\xc2\x85\xc3\xa9\n-rf",
       "1[csCode39/1-_._etc.svg|../etc]"
       "2[csCode39/2-_a_b_c____________\xc3\xa9.svg|.a/b\\c:*?\"<>|\x01\x7f\xff\xc2\x85\xc3\xa9]"
       "3[csCode39/3-_rf.svg|-rf]"},
      {"{{{text}}}.png", std::string("\0\n\n\n", 4), " !1"},
      {"{text}.png", "\xc3\xa9" + std::string(200, 'x'), "*"},
      {"{n:5}.png", "", "unknown field {n:5}"},
      {"{n:021}.png", "", "1..20 digits"},
      {"a}.png", "", "a lone }"},
      {"{n.png", "", "without its }"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.Template) + " " + std::string(row.Input));
    std::string error;
    const auto names = TNameTemplate::Parse(row.Template, error);
    if (!names) {
      EXPECT_NE(error.find(row.Expected), std::string::npos) << error;
      continue;
    }
    std::string_view input = row.Input;
    TTextReader reader(
        [&input](char* buffer, std::size_t size) {
          const std::size_t n = std::min(size, input.size());
          std::copy_n(input.data(), n, buffer);
          input.remove_prefix(n);
          return n;
        },
        "csCode39",
        [&](int line, std::string_view text) { return names->Expand(line, text, "csCode39"); });
    std::string out;
    while (auto entry = reader.Next()) {
      if (const auto* job = std::get_if<TBatchJob>(&*entry)) {
        out += std::to_string(job->Line) + "[" + job->FileName + "|" + job->Text + "]";
        // A long text is cut to a name component of whole characters.
        if (std::string_view(row.Expected) == "*") {
          EXPECT_EQ(job->FileName, "\xc3\xa9" + std::string(kMaxNameTextBytes - 2, 'x') + ".png");
          out = "*";
        }
      } else {
        out += " !" + std::to_string(std::get<TBatchProblem>(*entry).Line);
      }
    }
    EXPECT_EQ(out, row.Expected);
  }
}

}  // namespace
}  // namespace brevix::cli
