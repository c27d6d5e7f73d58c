// brevix: the command-line tool's process; the tool itself is brevix::cli::Run.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const brevix::cli::TStreams streams{STDIN_FILENO, std::cout, std::cerr,
                                      isatty(STDERR_FILENO) != 0, isatty(STDOUT_FILENO) != 0};
  const int status = brevix::cli::Run(args, streams);
  std::cout.flush();
  return status;
}
