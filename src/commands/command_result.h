// What a command-line command gives back: the texts for standard output and
// standard error, the exit status, and a file still to be written.  The
// commands themselves touch nothing outside, so that they can be tested and
// fuzzed as plain functions; program/ writes the texts and the file.
#pragma once

#include <string>

namespace pw {

struct CommandResult {
  std::string out;
  std::string err;
  int status = 0;  // 0 done, 2 bad input
  // A file to write whole (empty path: none) and the line that says so on
  // standard output once it has been written.
  std::string file_path;
  std::string file_bytes;
  std::string written_line;
  // Who asked for the file, for the message when it cannot be written
  // ("pivotwright protractor: -o").
  std::string file_asked_by;
};

}  // namespace pw
