// The command-line tool through its entry point: the input is an argument vector (arguments
// separated by NUL bytes, ended by two NULs) and the batch file jobs.csv (the rest), both inside
// a scratch directory that is the working directory, so that argument parsing, the batch runner,
// the print path and the file writer all run as the tool runs them. The batch file is standard
// input too, for "--batch -".
//
// The tool never raises or aborts; its status is one it documents; a failure says why on
// standard error; and what it says there holds no control characters.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"
#include "fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// The arguments and the batch file of one input.
void Split(std::string_view input, std::vector<std::string>& args, std::string_view& batch) {
  const std::size_t end = input.find(std::string_view("\0\0", 2));
  std::string_view head = input.substr(0, end);
  batch = end == std::string_view::npos ? std::string_view() : input.substr(end + 2);
  while (!head.empty()) {
    const std::size_t nul = head.find('\0');
    args.emplace_back(head.substr(0, nul));
    if (nul == std::string_view::npos) break;
    head.remove_prefix(nul + 1);
  }
}

// One scratch directory for the whole run, emptied after every input and removed at the end.
char gScratch[] = "/tmp/brevix-fuzz-cli.XXXXXX";

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(gScratch, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(gScratch) || chdir(gScratch) != 0) brevix::fuzz::Fail("no scratch directory");
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Every file the tool writes stays in the scratch directory.
  if (input.find('/') != std::string_view::npos) return -1;
  std::vector<std::string> args;
  std::string_view batch;
  Split(input, args, batch);
  std::ofstream("jobs.csv", std::ios::binary)
      .write(batch.data(), static_cast<std::streamsize>(batch.size()));
  const int in = open("jobs.csv", O_RDONLY | O_CLOEXEC);
  std::ostringstream out, err;
  const int status = brevix::cli::Run(args, {in, out, err, false});
  if (in >= 0) close(in);

  brevix::fuzz::Require(status >= brevix::cli::kExitOk && status <= brevix::cli::kExitResource,
                        "an exit status the tool does not document");
  const std::string messages = err.str();
  brevix::fuzz::Require(status == brevix::cli::kExitOk || !messages.empty(),
                        "a failure without a message");
  for (const char c : messages) {
    const auto b = static_cast<unsigned char>(c);
    brevix::fuzz::Require(c == '\n' || (b >= 0x20 && b != 0x7F),
                          "a control character in a message");
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(".", ec)) fs::remove_all(entry.path(), ec);
  return 0;
}
