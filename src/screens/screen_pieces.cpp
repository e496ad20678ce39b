#include "screens/screen_pieces.h"

#include <cstddef>
#include <string>

#include "base/product.h"
#include "platform/files.h"
#include "platform/frame.h"
#include "text/line_entry.h"

namespace pw {

namespace {
constexpr std::string_view kClosingText = "      Press any key to return to the main screen";
}

void HeaderRows(ConsoleScreen& s) {
  EndLine(s);  // row 1 stays blank
  PrintText(s, kTitleLine);
  EndLine(s);
  PrintText(s, kNoticeLine);
  EndLine(s);
  PrintText(s, kWebLine);
  EndLine(s);
}

void HeaderBlock(ConsoleScreen& s) {
  ClearScreen(s);
  SetColours(s, kBlack, kBrightWhite);
  HeaderRows(s);
  SetColours(s, kDarkGrey, kBrightWhite);
  BlankRows(s, 4);  // rows 5 to 8; the cursor on row 9
}

TypedValue PromptedEntry(ConsoleScreen& s, std::string_view prompt, int zone_tabs, bool first) {
  // The previous entry's Enter already ended its row, so this line end leaves
  // exactly one blank row between an entry and the next prompt.
  if (!first) EndLine(s);
  SetColours(s, kDarkGrey, kBrightWhite);
  PrintText(s, prompt);
  for (int i = 0; i < zone_tabs; ++i) ZoneTab(s);
  SetColours(s, kBlack, kBrightWhite);
  TypedValue v;
  v.text = ReadLine(s);
  v.number = TextToNumber(v.text);
  SetColours(s, kDarkGrey, kBrightWhite);
  return v;
}

void ResultLine(ConsoleScreen& s, std::initializer_list<ResultPiece> pieces, int fixed_row) {
  const int row = fixed_row != 0 ? fixed_row : CursorRow(s);
  bool first = true;
  for (const ResultPiece& p : pieces) {
    if (!first) {
      MoveCursor(s, row, p.column);
      SetColours(s, p.is_value ? kBlack : kDarkGrey, kBrightWhite);
    }
    first = false;
    PrintText(s, p.text);
    EndLine(s);
  }
}

void MessageRow(ConsoleScreen& s, std::string_view text) {
  const auto room = static_cast<std::size_t>(kScreenCols - 1);
  SetColours(s, kDarkGrey, kBrightWhite);
  ResultLine(s, {ResultPiece{1, false, std::string(text.substr(0, room))}});
}

void FailureRow(ConsoleScreen& s, std::string_view label, int error) {
  MessageRow(s, std::string(label) + ErrorText(error));
}

void BlankRows(ConsoleScreen& s, int n) {
  for (int i = 0; i < n; ++i) EndLine(s);
}

void ClosingPrompt(ConsoleScreen& s) {
  BlankRows(s, 6);
  SetColours(s, kDarkGrey, kBrightWhite);
  PrintText(s, kClosingText);
  EndLine(s);
  WaitKey(s);
  // Neither the key nor anything typed before it reaches the main screen.
  FlushKeys(s);
}

}  // namespace pw
