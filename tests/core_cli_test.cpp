// The command-line tool: argument forms, output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult RunCli(const std::string& args) {
  CliResult r;
  const std::string command = std::string("'") + BREVIX_CLI_PATH + "' " + args + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
    r.out += buffer.data();
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

TEST(Cli, ArgumentsOutputAndExitStatus) {
  struct Row {
    std::string args;
    int status;
    std::string expected;  // a line the output must hold
  };
  const Row rows[] = {
      {"csCodeEAN13 123456789012", 0, "text:    1234567890128\n"},
      {"'EAN 13' 123456789012", 0, "result:  Correct\n"},
      {"ean13 123456789012", 2, "unknown symbology"},
      {"22 1234567890128X12", 1, "result:  14. char must be space.\n"},
      {"'2/5 matrix' 12", 0, "text:    12\n"},
      {"csCodeUPC_E1 123456", 0, "text:    11234562\n"},
      {"csCode_2_5_interleaved 12x4", 1,
       "result:  Unvailable char for this type of barcode.(3.char - x)\n"},
      {"csCodeMSI ''", 1, "result:  Empty code.\n"},
      {"36 1", 2, "unknown symbology"},
      {"--list", 0, "35  csCodeDataMatrix"},
      {"csCode39", 2, "usage:"},
      {"--help", 0, "usage:"},
      {"--list", 0, "32  csCodePDF417"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = RunCli(row.args);
    EXPECT_EQ(r.status, row.status);
    EXPECT_NE(r.out.find(row.expected), std::string::npos) << r.out;
  }
}

}  // namespace
