// The two files of the graph data action: data.txt (the set-up as typed and
// a table in print zones) and graph.txt (comma-separated x-y pairs), one row
// each per grid position, written as the samples are computed.
#pragma once

#include <string>
#include <string_view>

#include "geometry/alignment.h"

namespace pw {

struct GraphDataInput {
  // The arm-length text is not empty; when it is, the pivot distance was
  // asked instead.
  bool length_typed = false;
  std::string arm_length_text;
  std::string pivot_text;
  std::string overhang_text;
  std::string offset_text;     // degrees, as typed
  std::string inner_text;
  std::string outer_text;
  ArmSetup arm;                // completed, offset in radians
  GrooveSpan span;
};

// errno of the first failure per file (open, write, cut or close); 0 when
// the file was written completely and closed.
struct GraphFilesResult {
  int data_error = 0;
  int graph_error = 0;
};

GraphFilesResult WriteGraphFiles(const GraphDataInput& in, std::string_view data_name,
                                 std::string_view graph_name);

}  // namespace pw
