#include "actions/graph_files.h"

#include <cstdint>
#include <vector>

#include "text/number_text.h"
#include "text/text_file.h"

namespace pw {

namespace {

constexpr int kData = 1;
constexpr int kGraph = 2;
constexpr std::string_view kMask = "0.0000E+##";

void ParameterLine(TextFileTable& t, std::string_view label, const std::string& text) {
  PrintItem(t, kData, label);
  PrintItem(t, kData, text);
  EndRecord(t, kData);
}

// Three headings in the print zones starting at columns 1, 15 and 29.
void HeadingLine(TextFileTable& t, std::string_view a, std::string_view b, std::string_view c) {
  PrintItem(t, kData, a);
  PrintZone(t, kData);
  PrintItem(t, kData, b);
  PrintZone(t, kData);
  PrintItem(t, kData, c);
  EndRecord(t, kData);
}

void WriteHead(TextFileTable& t, const GraphDataInput& in) {
  if (in.length_typed) ParameterLine(t, "Arm effective length (mm):        ", in.arm_length_text);
  if (!in.length_typed && !in.pivot_text.empty()) {
    ParameterLine(t, "Pivot to spindle distance (mm):   ", in.pivot_text);
  }
  ParameterLine(t, "Overhang (mm):                    ", in.overhang_text);
  ParameterLine(t, "Offset (deg):                     ", in.offset_text);
  ParameterLine(t, "Inner recorded radius (mm):       ", in.inner_text);
  ParameterLine(t, "Outer recorded radius (mm):       ", in.outer_text);
  PrintItem(t, kData, "");
  EndRecord(t, kData);
  HeadingLine(t, "", "lateral", "second");
  HeadingLine(t, "", "tracking", "harmonic");
  HeadingLine(t, "radius", "error", "distortion");
  HeadingLine(t, "(mm)", "(deg)", "(per cent)");
  PrintItem(t, kData, "");
  EndRecord(t, kData);
}

// True while at least one of the two files can still take rows: no write to
// it has failed.  The table holds just the two files, and only when they
// opened; none is closed before the rows are done.
bool AnyFileWritable(const TextFileTable& t) {
  for (const OpenTextFile& f : t.files) {
    if (f.error == 0) return true;
  }
  return false;
}

void WriteRows(TextFileTable& t, const ArmSetup& arm, GridRange grid) {
  for (int64_t n = grid.first; n <= grid.last; ++n) {
    // Once neither file can take another byte, the rest of a grid (up to
    // billions of rows) would be computed for nothing.
    if (!AnyFileWritable(t)) return;
    const TrackingSample sample = TrackingSampleAt(arm, static_cast<int32_t>(n));
    // Each value goes into both files: its digits are made once (and the
    // radius's text, which stands twice in graph.txt, once too).
    const EighteenDigits radius = EighteenDigitForm(sample.radius);
    const EighteenDigits error = EighteenDigitForm(sample.error);
    const EighteenDigits distortion = EighteenDigitForm(sample.distortion);

    PrintItem(t, kData, radius);
    PrintZone(t, kData);
    PrintItem(t, kData, FormatWithMask(error, kMask));
    PrintZone(t, kData);
    PrintItem(t, kData, FormatWithMask(distortion, kMask));
    EndRecord(t, kData);

    const std::string radius_text = NumberText(radius, NumberForm::Comma);
    PrintItem(t, kGraph, radius_text);
    WriteSeparator(t, kGraph);
    WriteNumber(t, kGraph, error);
    WriteSeparator(t, kGraph);
    PrintItem(t, kGraph, radius_text);
    WriteSeparator(t, kGraph);
    WriteNumber(t, kGraph, distortion);
    EndRecord(t, kGraph);
  }
}

}  // namespace

GraphFilesResult WriteGraphFiles(const GraphDataInput& in, std::string_view data_name,
                                 std::string_view graph_name) {
  TextFileTable t;
  GraphFilesResult r;
  // A file that cannot be opened keeps its old content; the statements to
  // its number then do nothing and the other file is written all the same.
  r.data_error = OpenForOutput(t, data_name, kData);
  r.graph_error = OpenForOutput(t, graph_name, kGraph);
  WriteHead(t, in);
  WriteRows(t, in.arm, RadiusGrid(in.span));
  const int data_close = CloseFile(t, kData);
  const int graph_close = CloseFile(t, kGraph);
  if (r.data_error == 0) r.data_error = data_close;
  if (r.graph_error == 0) r.graph_error = graph_close;
  return r;
}

}  // namespace pw
