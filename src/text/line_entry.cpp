#include "text/line_entry.h"

#include "platform/frame.h"
#include "platform/key_decoder.h"

namespace pw {

namespace {

constexpr unsigned char kEnter = 13;
constexpr unsigned char kBackspace = 8;

// Moves the cursor one cell back along the text just echoed: from column 1
// to the last column of the row above, and from a pending wrap (cursor shown
// at column 1 of the bottom row, screen not yet scrolled) to the last cell of
// the bottom row, which is where the last character went.
void StepBack(ConsoleScreen& s) {
  const int width = s.frame.width;
  if (s.pending_wrap) {
    MoveCursor(s, s.frame.height, width);
    return;
  }
  const int row = CursorRow(s);
  const int col = CursorColumn(s);
  if (col > 1) {
    MoveCursor(s, row, col - 1);
  } else if (row > 1) {
    MoveCursor(s, row - 1, width);
  }
  // At row 1, column 1 there is nowhere to go back to; the cursor stays.
}

// Shows the cursor for the time of an entry when it was hidden, and hides it
// again when the entry ends, however it ends.
struct EntryCursor {
  ConsoleScreen& s;
  bool hide_after;
  explicit EntryCursor(ConsoleScreen& screen) : s(screen), hide_after(!screen.frame.cursor_visible) {
    if (hide_after) ShowCursor(s);
  }
  ~EntryCursor() {
    if (hide_after) HideCursor(s);
  }
  EntryCursor(const EntryCursor&) = delete;
  EntryCursor& operator=(const EntryCursor&) = delete;
};

}  // namespace

// Keys come already decoded by the terminal layer.  A terminal does not
// report the state of Caps Lock, and it delivers the character the keyboard
// layout produced, so there is no Caps Lock correction of the digit and
// punctuation keys to make here.
std::string ReadLine(ConsoleScreen& s) {
  EntryCursor cursor(s);
  std::string line;
  for (;;) {
    const Key key = TakeKey(s);
    if (key.kind != KeyKind::Character) continue;  // cursor, function, Alt keys
    const unsigned char c = key.code;
    if (c == kEnter) {
      EndLine(s);
      return line;
    }
    if (c == kBackspace) {
      if (line.empty()) continue;
      StepBack(s);
      PrintText(s, " ");
      StepBack(s);
      line.pop_back();
      continue;
    }
    if (c < 32) continue;  // Tab, Esc, Ctrl+C and the other control codes
    if (line.size() >= kMaxLineLength) continue;
    const char ch = static_cast<char>(c);
    line.push_back(ch);
    PrintText(s, std::string_view(&ch, 1));
  }
}

}  // namespace pw
