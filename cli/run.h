#pragma once
// The command-line tool as a function: main() hands it the arguments and the process's streams;
// tests and the fuzz target call it with their own.

#include <ostream>
#include <span>
#include <string>

namespace brevix::cli {

// Exit statuses; a batch ends with the most serious status of its records.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;   // a text cannot be encoded or drawn
inline constexpr int kExitUsage = 2;     // bad arguments, a bad batch record or batch file
inline constexpr int kExitWrite = 3;     // a file could not be written
inline constexpr int kExitResource = 4;  // memory (or another resource) ran out

struct TStreams {
  int In = 0;  // the file descriptor "--batch -" reads
  std::ostream& Out;
  std::ostream& Err;
  bool ErrIsTerminal = false;  // the batch progress line is drawn only on a terminal
  bool OutIsTerminal = false;  // binary pictures are not sent to a terminal
};

// Runs the tool with args (without the program's name) and returns its exit status. Every
// problem ends as one line on streams.Err and a status; nothing is raised.
int Run(std::span<const std::string> args, const TStreams& streams);

}  // namespace brevix::cli
