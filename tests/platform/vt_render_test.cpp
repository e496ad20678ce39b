// Screen output: what the renderer sends, replayed through a small terminal
// emulator and compared with the frame cell by cell.
#include "platform/vt_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace {

// Just enough of a VT terminal to replay our output: CUP, ED 2, SGR colours,
// cursor visibility, window and title requests, BEL, UTF-8 text.  Anything
// else is recorded as a fault.
struct Emulator {
  static constexpr int kRows = 30;
  static constexpr int kCols = 90;
  char32_t cp[kRows][kCols];
  int fg[kRows][kCols];
  int bg[kRows][kCols];
  int cur_fg = -1, cur_bg = -1;
  int row = 0, col = 0;
  bool pending_wrap = false;
  bool cursor_visible = true;
  int bells = 0;
  bool bce = false;  // erase in the current colours (else in the default ones)
  std::vector<std::string> faults;

  Emulator() { Clear(); }
  void Clear() {
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) {
        cp[r][c] = U' ';
        fg[r][c] = bce ? cur_fg : -1;
        bg[r][c] = bce ? cur_bg : -1;
      }
  }
  void Put(char32_t ch) {
    if (pending_wrap) faults.push_back("text written past the last column");
    cp[row][col] = ch;
    fg[row][col] = cur_fg;
    bg[row][col] = cur_bg;
    if (col == kCols - 1) pending_wrap = true;
    else ++col;
  }
  void Csi(const std::string& params, char final) {
    bool priv = !params.empty() && params[0] == '?';
    std::vector<int> p;
    std::string num;
    for (char c : priv ? params.substr(1) : params) {
      if (c == ';') {
        p.push_back(num.empty() ? 0 : std::stoi(num));
        num.clear();
      } else {
        num.push_back(c);
      }
    }
    p.push_back(num.empty() ? 0 : std::stoi(num));
    pending_wrap = false;
    if (final == 'H') {
      row = std::max(1, p[0]) - 1;
      col = (p.size() > 1 ? std::max(1, p[1]) : 1) - 1;
      if (row >= kRows || col >= kCols) faults.push_back("cursor move off the screen");
    } else if (final == 'J' && p[0] == 2) {
      Clear();
    } else if (final == 'm') {
      for (int v : p) {
        if (v == 0) cur_fg = cur_bg = -1;
        else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97)) cur_fg = v;
        else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107)) cur_bg = v;
        else faults.push_back("SGR " + std::to_string(v));
      }
    } else if (priv && p[0] == 25 && (final == 'h' || final == 'l')) {
      cursor_visible = final == 'h';
    } else if (final == 't') {
      // window and title-stack requests: nothing to show
    } else {
      faults.push_back("CSI " + params + final);
    }
  }
  void Feed(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
      unsigned char b = static_cast<unsigned char>(s[i]);
      if (b == 0x1b && i + 1 < s.size() && s[i + 1] == '[') {
        std::size_t j = i + 2;
        std::string params;
        while (j < s.size() && (s[j] < 0x40 || s[j] > 0x7E)) params.push_back(s[j++]);
        if (j == s.size()) {
          faults.push_back("unfinished CSI");
          return;
        }
        Csi(params, s[j]);
        i = j + 1;
      } else if (b == 0x1b && i + 1 < s.size() && s[i + 1] == ']') {
        std::size_t end = s.find("\x1b\\", i);
        if (end == std::string::npos) {
          faults.push_back("unfinished OSC");
          return;
        }
        i = end + 2;
      } else if (b == '\a') {
        ++bells;
        ++i;
      } else if (b < 0x20 || b == 0x7f) {
        faults.push_back("control byte " + std::to_string(b));
        ++i;
      } else {
        char32_t ch = 0;
        int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        ch = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < n; ++k) ch = (ch << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        Put(ch);
        i += static_cast<std::size_t>(n);
      }
    }
  }
};

// A renderer with what it has sent so far fed to an emulator.
struct Screen {
  pw::TerminalView view;
  pw::TerminalTraits traits;
  Emulator e;
  std::string Show(const pw::Frame& f) {
    std::string out;
    pw::RenderFrame(view, f, traits, out);
    e.Feed(out);
    return out;
  }
};

void ExpectShows(const Emulator& e, const pw::Frame& f) {
  ASSERT_TRUE(e.faults.empty()) << e.faults.front();
  int bad = 0;
  for (int r = 0; r < f.height; ++r) {
    for (int c = 0; c < f.width; ++c) {
      const pw::Cell& cell = f.cells[r][c];
      bool same = e.cp[r][c] == pw::CellCodePoint(cell.ch) &&
                  e.fg[r][c] == pw::AnsiForeground(cell.attr & 15) &&
                  e.bg[r][c] == pw::AnsiBackground(cell.attr >> 4);
      if (!same && bad++ < 3) ADD_FAILURE() << "cell " << r + 1 << "," << c + 1 << " differs";
    }
  }
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(e.cursor_visible, f.cursor_visible);
  if (f.cursor_visible) {
    EXPECT_EQ(e.row, f.cursor_row);
    EXPECT_EQ(e.col, f.cursor_col);
  }
}

void FillScreen(pw::Frame& f, unsigned char attr) {
  for (auto& row : f.cells)
    for (auto& cell : row) cell = pw::Cell{' ', attr};
}

void Print(pw::Frame& f, int row, int col, const std::string& text, unsigned char attr) {
  for (char ch : text) f.cells[row][col++] = pw::Cell{static_cast<unsigned char>(ch), attr};
}

pw::Frame MenuLikeFrame() {
  pw::Frame f;
  FillScreen(f, 0xF0);
  Print(f, 1, 3, "Alignment geometry", 0xF0);
  Print(f, 5, 9, "1", 0xF0);
  Print(f, 5, 12, "Calculate something", 0xF8);
  f.cursor_visible = false;
  return f;
}

TEST(TerminalColours, PaletteMapsToAnsiOfTheSameMeaning) {
  // Palette: bit 0 blue, 1 green, 2 red, 3 intensity.
  const int fg[16] = {30, 34, 32, 36, 31, 35, 33, 37, 90, 94, 92, 96, 91, 95, 93, 97};
  for (int p = 0; p < 16; ++p) {
    EXPECT_EQ(pw::AnsiForeground(p), fg[p]) << p;
    EXPECT_EQ(pw::AnsiBackground(p), fg[p] + 10) << p;
  }
}

TEST(CodePage, EveryByteIsOnePrintableCharacter) {
  std::vector<char32_t> seen;
  for (int b = 0; b < 256; ++b) {
    char32_t cp = pw::CellCodePoint(static_cast<unsigned char>(b));
    EXPECT_FALSE(cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F)) << "byte " << b;
    if (b >= 32 && b <= 126) {
      EXPECT_EQ(cp, static_cast<char32_t>(b));
    }
    char u[4];
    std::size_t n = pw::CellUtf8(static_cast<unsigned char>(b), u);
    Emulator e;
    e.Feed(std::string(u, n));
    EXPECT_TRUE(e.faults.empty()) << "byte " << b;
    EXPECT_EQ(e.cp[0][0], cp) << "UTF-8 of byte " << b;
    if (b != 0) seen.push_back(cp);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "two bytes share a glyph";
  EXPECT_EQ(pw::CellCodePoint(0x82), U'\u00E9');
  EXPECT_EQ(pw::CellCodePoint(0x7F), U'\u2302');
  EXPECT_EQ(pw::CellCodePoint(0xDB), U'\u2588');
}

TEST(RenderFrame, FirstFrameRepaintsEverything) {
  Screen t;
  // Stale content must be cleared by the repaint itself.
  t.e.cp[29][89] = U'X';
  t.Show(MenuLikeFrame());
  ExpectShows(t.e, MenuLikeFrame());
}

TEST(RenderFrame, UnchangedFrameSendsNothingAndOneCellSendsLittle) {
  Screen t;
  pw::Frame f = MenuLikeFrame();
  f.cursor_visible = true;
  f.cursor_row = 24;
  f.cursor_col = 9;
  t.Show(f);
  EXPECT_EQ(t.Show(f), "");

  // Echo of one typed character: the cell and the cursor move.
  f.cells[24][9] = pw::Cell{'7', 0xF0};
  f.cursor_col = 10;
  const std::string echo = t.Show(f);
  EXPECT_EQ(echo, "7") << "the cursor already stood there, in these colours";
  ExpectShows(t.e, f);
}

TEST(RenderFrame, RandomChangesAlwaysLeaveTheTerminalShowingTheFrame) {
  for (const bool bce : {false, true}) {
    SCOPED_TRACE(bce ? "bce" : "no bce");
    Screen t;
    t.traits.erases_in_colour = bce;
    t.e.bce = bce;
    pw::Frame f = MenuLikeFrame();
    std::mt19937 rng(12345);
    const unsigned char attrs[] = {0xF0, 0xF8, 0x07, 0x1E, 0x70};
    for (int round = 0; round < 200; ++round) {
      const int changes = static_cast<int>(rng() % 40);
      for (int k = 0; k < changes; ++k) {
        const int r = static_cast<int>(rng() % 30), c = static_cast<int>(rng() % 90);
        f.cells[r][c] = pw::Cell{static_cast<unsigned char>(rng() % 256), attrs[rng() % 5]};
      }
      if (round % 7 == 0) {  // a run along a row end, through the bottom-right cell
        for (int c = 80; c < 90; ++c) f.cells[29][c] = pw::Cell{'#', attrs[rng() % 5]};
      }
      if (round % 50 == 49) pw::ForgetView(t.view);  // a resize: everything again
      f.cursor_visible = rng() % 3 != 0;
      f.cursor_row = static_cast<int>(rng() % 30);
      f.cursor_col = static_cast<int>(rng() % 90);
      const std::string out = t.Show(f);
      for (const char ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        ASSERT_FALSE(b < 32 && b != 0x1b) << "raw control byte " << int(b) << " in round " << round;
      }
      ExpectShows(t.e, f);
      if (::testing::Test::HasFailure()) break;
    }
  }
}

TEST(RenderFrame, ATerminalWithBceGetsTheBlanksFromOneErase) {
  // A main screen: 13 lines of text on bright white.
  pw::Frame f;
  FillScreen(f, 0xF0);
  for (int row = 1; row <= 24; row += 2) Print(f, row, 9, std::string(60, 'x'), row % 4 == 1 ? 0xF0 : 0xF8);
  f.cursor_visible = false;

  Screen plain;
  const std::string all_cells = plain.Show(f);
  Screen bce;
  bce.traits.erases_in_colour = true;
  bce.e.bce = true;
  const std::string text_only = bce.Show(f);
  ExpectShows(bce.e, f);
  EXPECT_GE(all_cells.size(), 2700u) << "without bce every cell is written";
  EXPECT_LT(text_only.size(), 12 * 60 + 12 * 20) << "with bce the text and one move per line";
  EXPECT_EQ(text_only.find("\x1b[0m"), std::string::npos) << "erased in the screen's colours";
}

TEST(RenderFrame, AfterTheSizeNoticeTheWholeFrameComesBack) {
  Screen t;
  const pw::Frame f = MenuLikeFrame();
  t.Show(f);
  std::string notice;
  pw::RenderSizeNotice(t.view, 90, 30, notice);
  EXPECT_NE(notice.find("90 columns by 30 rows"), std::string::npos) << notice;
  t.e.Feed(notice);
  t.Show(f);
  ExpectShows(t.e, f);
}

TEST(LeaveBytes, TheShellGoesOnBelowTheLowestTextRow) {
  pw::TerminalView view;
  pw::Frame f = MenuLikeFrame();  // text down to row 6
  std::string ignored;
  pw::RenderFrame(view, f, {}, ignored);
  const std::string leave = pw::LeaveBytes(view, {}, false, 30);
  EXPECT_EQ(leave, "\x1b[0m\x1b[?25h\x1b[7;1H") << "no line end: nothing scrolls";

  // Text on the terminal's last row: a line end makes the room.
  Print(f, 29, 0, "last", 0xF0);
  pw::RenderFrame(view, f, {}, ignored);
  EXPECT_EQ(pw::LeaveBytes(view, {}, true, 30), "\x1b[0m\x1b[?25h\x1b[23;0t\x1b[30;1H\r\n");
  // A taller terminal has room below the screen.
  EXPECT_EQ(pw::LeaveBytes(view, {}, false, 50), "\x1b[0m\x1b[?25h\x1b[31;1H");
  EXPECT_NE(pw::LeaveBytes(view, {false, true}, false, 50).find("\x1b]R"), std::string::npos)
      << "the Linux console's palette comes back";
}

}  // namespace
