// The command-line tool's batch input: arbitrary bytes as a CSV batch, then every record's
// symbology, options and text applied to a control as the tool does, and the control painted.
// Problems with a record are reported, never raised.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/batch.h"
#include "cli/options.h"
#include "core/control.h"
#include "fuzz/fuzz_canvases.h"
#include "fuzz/fuzz_support.h"
#include "pdf417/pdf417.h"

namespace {

using namespace brevix;
using namespace brevix::cli;

// Records beyond these are parsed but not drawn: drawing is the slow part.
constexpr std::size_t kMaxJobsDrawn = 4;

// Line feeds and lone carriage returns both end a line.
int LineCount(std::string_view input) {
  int lines = 1;
  for (std::size_t i = 0; i < input.size(); ++i)
    if (input[i] == '\n' || (input[i] == '\r' && (i + 1 == input.size() || input[i + 1] != '\n')))
      ++lines;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TBatch batch = ParseBatch(input);
  const int lines = LineCount(input);
  for (const TBatchJob& job : batch.Jobs)
    fuzz::Require(job.Line >= 1 && job.Line <= lines, "job line outside the input");
  for (const TBatchProblem& p : batch.Problems) {
    fuzz::Require(p.Line >= 1 && p.Line <= lines, "problem line outside the input");
    fuzz::Require(!p.Message.empty(), "a problem without a message");
  }

  for (std::size_t k = 0; k < batch.Jobs.size() && k < kMaxJobsDrawn; ++k) {
    const TBatchJob& job = batch.Jobs[k];
    TSettings settings;
    for (const auto& [name, value] : job.Options) (void)SetOption(settings, name, value);
    const auto typeBar = ParseSymbology(job.Symbology);
    if (!typeBar) continue;
    fuzz::Require(*typeBar < kTypeBarCount, "symbology number out of range");
    TBrevixBC bc;
    // Configure reports every problem as a message; an exception escaping it would end the
    // tool.
    if (!Configure(bc, *typeBar, job.Text, settings).empty()) continue;
    try {
      fuzz::PaintOnEveryCanvas(bc);
    } catch (const EPDF417Error&) {
      // The tool reports it for the record and goes on.
    }
  }
  return 0;
}
