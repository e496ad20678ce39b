// Every control sequence the program sends to a terminal:
//
//   ESC [ r ; c H          cursor to row r, column c (1-based)
//   ESC [ 0 m              default colours
//   ESC [ f ; b m          foreground f (30-37, 90-97), background b (40-47, 100-107)
//   ESC [ 2 J              erase the screen (in the current background where
//                          the terminal has bce, else in the default colours)
//   ESC [ ? 25 l           hide the cursor
//   ESC [ ? 25 h           show the cursor
//   ESC [ 22 ; 0 t         save the window title on the terminal's title stack
//   ESC [ 23 ; 0 t         restore the saved title
//   ESC [ 8 ; 30 ; 90 t    ask for a window of 30 rows and 90 columns
//   ESC ] 2 ; title ESC \  set the window title
//   ESC ] P 7 FFFFFF       Linux console: palette entry 7 white
//   ESC ] R                Linux console: reset the palette
//   BEL                    a beep (sent by the device)
//   CR LF                  the line end that leaves the shell below the screen
//
// Characters are sent as UTF-8 through the code page (platform/code_page.h),
// so no cell can send a control byte.
#include "platform/vt_render.h"

#include "base/decimal.h"
#include "platform/code_page.h"

namespace pw {

namespace {

constexpr std::string_view kDefaultColours = "\x1b[0m";
constexpr std::string_view kHome = "\x1b[H";
constexpr std::string_view kErase = "\x1b[2J";
constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kShowCursor = "\x1b[?25h";
constexpr std::string_view kSaveTitle = "\x1b[22;0t";
constexpr std::string_view kRestoreTitle = "\x1b[23;0t";
constexpr std::string_view kLinuxBrightWhite = "\x1b]P7FFFFFF";
constexpr std::string_view kLinuxPaletteReset = "\x1b]R";

// A run of at most this many unchanged cells in the colours in force is
// rewritten rather than skipped with a cursor move (which costs more).
constexpr int kLongestBridge = 4;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void AppendCursorMove(int row, int col, std::string& out) {
  out += "\x1b[";
  AppendDecimal(out, static_cast<unsigned>(row + 1));
  out.push_back(';');
  AppendDecimal(out, static_cast<unsigned>(col + 1));
  out.push_back('H');
}

void MoveTo(TerminalView& view, int row, int col, std::string& out) {
  if (view.cursor == CellPosition{row, col}) return;
  AppendCursorMove(row, col, out);
  view.cursor = CellPosition{row, col};
}

void UseColours(TerminalView& view, unsigned char attr, std::string& out) {
  if (view.attr == attr) return;
  out += "\x1b[";
  AppendDecimal(out, static_cast<unsigned>(AnsiForeground(attr & 15)));
  out.push_back(';');
  AppendDecimal(out, static_cast<unsigned>(AnsiBackground(attr >> 4)));
  out.push_back('m');
  view.attr = attr;
}

void AppendGlyph(unsigned char ch, std::string& out) {
  char glyph[4];
  out.append(glyph, CellUtf8(ch, glyph));
}

// Forgets where the cursor and colours stand, after something the renderer
// does not follow cell by cell.
void ForgetPosition(TerminalView& view) {
  view.cursor.reset();
  view.attr.reset();
}

// Starts a repaint of everything.  Returns true when every cell must then
// be written; false when the erase already left the blanks in place.
bool StartRepaint(TerminalView& view, const Frame& next, TerminalTraits traits,
                  std::string& out) {
  if (traits.erases_in_colour) {
    // Erase in the screen's colours (those most blanks have): blanks in
    // those colours are then shown already, and only the text needs writing.
    const unsigned char blank = MostCommonBlank(next).cell.attr;
    UseColours(view, blank, out);
    out += kHome;
    out += kErase;
    for (int r = 0; r < next.height; ++r)
      for (int c = 0; c < next.width; ++c) view.frame.cells[r][c] = Cell{' ', blank};
    view.cursor = CellPosition{0, 0};
    return false;
  }
  // Without bce an erase shows the default colours, so every cell is
  // written; a terminal just cleared needs no second erase.
  if (view.content != TerminalView::Content::Cleared) {
    out += kDefaultColours;
    out += kHome;
    out += kErase;
  } else {
    out += kHome;
  }
  view.attr.reset();
  view.cursor = CellPosition{0, 0};
  return true;
}

// Rewrites the unchanged cells between the cursor and column `col` when that
// is cheaper than moving the cursor over them.
void BridgeGap(TerminalView& view, const Frame& next, int row, int col, std::string& out) {
  if (!view.cursor || view.cursor->row != row) return;
  const int from = view.cursor->col;
  if (from >= col || col - from > kLongestBridge) return;
  for (int k = from; k < col; ++k)
    if (next.cells[row][k].attr != view.attr) return;
  for (int k = from; k < col; ++k) AppendGlyph(next.cells[row][k].ch, out);
  view.cursor->col = col;
}

void WriteCell(TerminalView& view, const Frame& next, int row, int col, std::string& out) {
  const Cell& cell = next.cells[row][col];
  BridgeGap(view, next, row, col, out);
  MoveTo(view, row, col, out);
  UseColours(view, cell.attr, out);
  AppendGlyph(cell.ch, out);
  // After the last column the terminal may hold a pending wrap: the next
  // cell always gets an explicit cursor move.
  if (col + 1 < next.width) {
    view.cursor = CellPosition{row, col + 1};
  } else {
    view.cursor.reset();
  }
}

void WriteCells(TerminalView& view, const Frame& next, bool every_cell, std::string& out) {
  for (int r = 0; r < next.height; ++r) {
    for (int c = 0; c < next.width; ++c) {
      if (!every_cell && next.cells[r][c] == view.frame.cells[r][c]) continue;
      WriteCell(view, next, r, c, out);
    }
  }
}

void ShowCursorAt(TerminalView& view, const Frame& next, std::string& out) {
  MoveTo(view, Clamp(next.cursor_row, 0, next.height - 1), Clamp(next.cursor_col, 0, next.width - 1),
         out);
  if (view.cursor_shown != true) {
    out += kShowCursor;
    view.cursor_shown = true;
  }
}

void HideCursor(TerminalView& view, std::string& out) {
  if (view.cursor_shown == false) return;
  out += kHideCursor;
  view.cursor_shown = false;
}

}  // namespace

int AnsiForeground(int palette) {
  const int ansi = ((palette >> 2) & 1) | (palette & 2) | ((palette & 1) << 2);
  return (palette & 8 ? 90 : 30) + ansi;
}

int AnsiBackground(int palette) { return AnsiForeground(palette) + 10; }

void RenderFrame(TerminalView& view, const Frame& next, TerminalTraits traits, std::string& out) {
  const bool repaint = view.content != TerminalView::Content::Frame ||
                       view.frame.width != next.width || view.frame.height != next.height;
  const bool every_cell = repaint && StartRepaint(view, next, traits, out);
  if (!next.cursor_visible) HideCursor(view, out);
  WriteCells(view, next, every_cell, out);
  if (next.cursor_visible) ShowCursorAt(view, next, out);
  view.frame = next;
  view.content = TerminalView::Content::Frame;
}

void RenderSizeNotice(TerminalView& view, int cols, int rows, std::string& out) {
  out += kDefaultColours;
  out += kHome;
  out += kErase;
  out += "This program needs a terminal of ";
  AppendDecimal(out, static_cast<unsigned>(cols));
  out += " columns by ";
  AppendDecimal(out, static_cast<unsigned>(rows));
  out += " rows.\x1b[2;1HPlease enlarge the window; the screen comes back as soon as it fits.";
  view.content = TerminalView::Content::SizeNotice;
  ForgetPosition(view);
}

void RenderStart(TerminalView& view, TerminalTraits traits, bool save_title, std::string& out) {
  if (traits.linux_console) out += kLinuxBrightWhite;
  if (save_title) out += kSaveTitle;
  out += "\x1b[8;";
  AppendDecimal(out, static_cast<unsigned>(kScreenRows));
  out.push_back(';');
  AppendDecimal(out, static_cast<unsigned>(kScreenCols));
  out.push_back('t');
  out += kDefaultColours;
  out += kHome;
  out += kErase;
  view.content = TerminalView::Content::Cleared;
  view.cursor = CellPosition{0, 0};
  view.attr.reset();
  view.cursor_shown.reset();
}

void ForgetView(TerminalView& view) {
  view.content = TerminalView::Content::Unknown;
  ForgetPosition(view);
  view.cursor_shown.reset();
}

void RenderResume(TerminalTraits traits, std::string& out) {
  if (traits.linux_console) out += kLinuxBrightWhite;
}

int LowestRowShown(const TerminalView& view) {
  return view.content == TerminalView::Content::Frame ? RowBelowText(view.frame) - 1
                                                      : kScreenRows - 1;
}

std::string LeaveBytes(const TerminalView& view, TerminalTraits traits, bool restore_title,
                       int terminal_rows) {
  std::string out(kDefaultColours);
  out += kShowCursor;
  if (traits.linux_console) out += kLinuxPaletteReset;
  if (restore_title) out += kRestoreTitle;
  // The shell goes on below the lowest row with text; only a screen that
  // reaches the terminal's last row needs a line end that scrolls.
  const int last = LowestRowShown(view);
  const int rows = terminal_rows > 0 ? terminal_rows : kScreenRows;
  if (last + 1 < rows) {
    AppendCursorMove(last + 1, 0, out);
  } else {
    AppendCursorMove(last, 0, out);
    out += "\r\n";
  }
  return out;
}

void RenderTitle(std::string_view title, std::string& out) {
  out += "\x1b]2;";
  for (const char ch : title) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 32 && b < 127) out.push_back(ch);
  }
  out += "\x1b\\";
}

}  // namespace pw
