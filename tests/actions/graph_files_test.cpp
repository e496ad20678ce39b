#include "actions/graph_files.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "geometry/alignment.h"
#include "support/test_support.h"

namespace {

// A grid of about 4.2 billion rows: walking it whole would take hours, so
// these cases only finish because the writer stops once neither file can
// take more.
pw::GraphDataInput HugeGrid() {
  pw::GraphDataInput in;
  in.length_typed = true;
  in.arm_length_text = "240";
  in.overhang_text = "16";
  in.offset_text = "22";
  in.inner_text = "-210000000";
  in.outer_text = "210000000";
  in.arm = pw::ArmSetup{240, 224, 16, 0.383972435};
  in.span = pw::GrooveSpan{-210000000, 210000000};
  return in;
}

TEST(GraphFiles, HugeGridStopsWhenNeitherFileCanBeWritten) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  ASSERT_EQ(mkdir("data.txt", 0755), 0);
  ASSERT_EQ(mkdir("graph.txt", 0755), 0);

  struct Case {
    const char* what;
    const char* data;
    const char* graph;
    int data_error;
    int graph_error;
  };
  const Case cases[] = {
      {"neither file opens", "data.txt", "graph.txt", EISDIR, EISDIR},
      {"both writes fail", "/dev/full", "/dev/full", ENOSPC, ENOSPC},
      {"one cannot open, the other's writes fail", "data.txt", "/dev/full", EISDIR, ENOSPC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const pw::GraphFilesResult r = pw::WriteGraphFiles(HugeGrid(), c.data, c.graph);
    EXPECT_EQ(r.data_error, c.data_error);
    EXPECT_EQ(r.graph_error, c.graph_error);
  }
}

}  // namespace
