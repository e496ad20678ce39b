// The pieces every action screen is built from: the header rows, a prompted
// entry, a result line of pieces at given columns, message and failure rows,
// runs of blank rows, and the closing prompt.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/product.h"
#include "screens/program_values.h"
#include "text/console_screen.h"

namespace pw {

// The prompts the action screens share.
constexpr std::string_view kArmLengthPrompt = "      Effective arm length (mm)?";
constexpr std::string_view kPivotPrompt = "      Pivot to spindle distance (mm)?";
constexpr std::string_view kInnerRadiusPrompt = "      Inner recorded radius (mm)?";
constexpr std::string_view kOuterRadiusPrompt = "      Outer recorded radius (mm)?";

// Rows 1 to 4 from the cursor (at row 1): a blank row, the name and version,
// the notice line and the web-address line, in the colours in force.
void HeaderRows(ConsoleScreen& s);

// Clears the screen and prints the four header rows; leaves the cursor at
// row 9, column 1 in dark grey on bright white.
void HeaderBlock(ConsoleScreen& s);

// Prompts and reads one value (entry from column 43).  `first` is true for
// the first prompt of a screen (no line end before it).  The number is
// converted from the text at once.
TypedValue PromptedEntry(ConsoleScreen& s, std::string_view prompt,
                         int zone_tabs, bool first);

// One piece of a result line: a text at a 1-based column, either a label
// (dark grey) or a value (black).  Numbers are turned into text by the caller.
struct ResultPiece {
  int column = 1;
  bool is_value = false;
  std::string text;
};

// Prints the pieces on the cursor's row (or on `fixed_row` when it is not 0);
// the first piece is printed where the cursor stands in the colours in force.
// Every piece is followed by an EndLine; the cursor ends on the row below.
void ResultLine(ConsoleScreen& s, std::initializer_list<ResultPiece> pieces,
                int fixed_row = 0);

// A message row in dark grey on the cursor's row, cut to one screen row so
// that the rows below stay where they always are.
void MessageRow(ConsoleScreen& s, std::string_view text);

// A message row telling of a failure: the label, then the system's words for
// `error` (a platform error code).
void FailureRow(ConsoleScreen& s, std::string_view label, int error);

// `n` line ends in a row (the rows passed over are left blank).
void BlankRows(ConsoleScreen& s, int n);

// Six blank rows, the prompt, a key, and all waiting input discarded.
void ClosingPrompt(ConsoleScreen& s);

}  // namespace pw
