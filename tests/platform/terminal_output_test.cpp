// Screen output: what TerminalPresent sends, replayed through a small
// terminal emulator and compared with the frame cell by cell.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/terminal.h"

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
  std::vector<std::string> faults;

  Emulator() { Clear(); }
  void Clear() {
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) {
        cp[r][c] = U' ';
        fg[r][c] = cur_fg;
        bg[r][c] = cur_bg;
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

// A terminal writing into an in-memory file, with a way to read what came
// since the last look.
struct Capture {
  pw::Terminal t;
  int fd = -1;
  off_t seen = 0;
  Capture() {
    fd = memfd_create("out", 0);
    t.out_fd = fd;
  }
  ~Capture() { close(fd); }
  std::string Take() {
    off_t end = lseek(fd, 0, SEEK_END);
    std::string s(static_cast<std::size_t>(end - seen), '\0');
    if (!s.empty() && pread(fd, s.data(), s.size(), seen) != static_cast<ssize_t>(s.size()))
      ADD_FAILURE() << "pread";
    seen = end;
    return s;
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

TEST(TerminalPresent, FirstFrameRepaintsEverything) {
  Capture cap;
  pw::Frame f = MenuLikeFrame();
  pw::TerminalPresent(cap.t, f);
  std::string out = cap.Take();
  Emulator e;
  // Stale content must be cleared by the repaint itself.
  e.cp[29][89] = U'X';
  e.Feed(out);
  ExpectShows(e, f);
  EXPECT_EQ(cap.t.bytes_written, out.size());
}

TEST(TerminalPresent, UnchangedFrameSendsNothingAndOneCellSendsLittle) {
  Capture cap;
  pw::Frame f = MenuLikeFrame();
  f.cursor_visible = true;
  f.cursor_row = 24;
  f.cursor_col = 9;
  pw::TerminalPresent(cap.t, f);
  Emulator e;
  e.Feed(cap.Take());

  pw::TerminalPresent(cap.t, f);
  EXPECT_EQ(cap.Take(), "");

  // Echo of one typed character: the cell and the cursor move.
  f.cells[24][9] = pw::Cell{'7', 0xF0};
  f.cursor_col = 10;
  pw::TerminalPresent(cap.t, f);
  std::string echo = cap.Take();
  EXPECT_LE(echo.size(), 20u) << echo;
  e.Feed(echo);
  ExpectShows(e, f);
}

TEST(TerminalPresent, RandomChangesAlwaysLeaveTheTerminalShowingTheFrame) {
  Capture cap;
  Emulator e;
  pw::Frame f = MenuLikeFrame();
  std::mt19937 rng(12345);
  const unsigned char attrs[] = {0xF0, 0xF8, 0x07, 0x1E, 0x70};
  for (int round = 0; round < 200; ++round) {
    int changes = static_cast<int>(rng() % 40);
    for (int k = 0; k < changes; ++k) {
      int r = static_cast<int>(rng() % 30), c = static_cast<int>(rng() % 90);
      f.cells[r][c] = pw::Cell{static_cast<unsigned char>(rng() % 256), attrs[rng() % 5]};
    }
    if (round % 7 == 0) {  // a run along a row end, through the bottom-right cell
      for (int c = 80; c < 90; ++c) f.cells[29][c] = pw::Cell{'#', attrs[rng() % 5]};
    }
    f.cursor_visible = rng() % 3 != 0;
    f.cursor_row = static_cast<int>(rng() % 30);
    f.cursor_col = static_cast<int>(rng() % 90);
    pw::TerminalPresent(cap.t, f);
    std::string out = cap.Take();
    for (char ch : out) {
      unsigned char b = static_cast<unsigned char>(ch);
      ASSERT_FALSE(b < 32 && b != 0x1b) << "raw control byte " << int(b) << " in round " << round;
    }
    e.Feed(out);
    ExpectShows(e, f);
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(TerminalPresent, SmallTerminalGetsANoticeAndTheScreenComesBack) {
  Capture cap;
  pw::Frame f = MenuLikeFrame();
  cap.t.term_rows = 24;
  cap.t.term_cols = 80;
  pw::TerminalPresent(cap.t, f);
  std::string notice = cap.Take();
  EXPECT_NE(notice.find("90 columns by 30 rows"), std::string::npos) << notice;
  EXPECT_TRUE(cap.t.too_small);
  pw::TerminalPresent(cap.t, f);
  EXPECT_EQ(cap.Take(), "") << "the notice is not sent again while nothing changes";

  // Large enough again (a resize): everything comes back from the frame.
  cap.t.term_rows = 40;
  cap.t.term_cols = 100;
  pw::TerminalPresent(cap.t, f);
  Emulator e;
  e.Feed(notice);
  e.Feed(cap.Take());
  ExpectShows(e, f);
  EXPECT_FALSE(cap.t.too_small);
}

TEST(TerminalBeep, CountsAndSendsOneBellAfterTheScreen) {
  pw::Frame f = MenuLikeFrame();
  pw::Terminal quiet;  // no output at all
  pw::TerminalBeep(quiet, f);
  pw::TerminalBeep(quiet, f);
  EXPECT_EQ(quiet.beeps, 2);
  EXPECT_EQ(quiet.bytes_written, 0u);

  Capture cap;
  pw::TerminalPresent(cap.t, f);
  cap.Take();
  f.cells[26][9] = pw::Cell{'9', 0xF0};
  pw::TerminalBeep(cap.t, f);
  std::string out = cap.Take();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), '\a');
  EXPECT_EQ(std::count(out.begin(), out.end(), '\a'), 1);
  EXPECT_NE(out.find('9'), std::string::npos) << "the pending change goes out before the bell";
  EXPECT_EQ(cap.t.beeps, 1);
}

TEST(TerminalOpenClose, ClearsOnceAndLeavesTheShellBelowTheScreen) {
  Capture cap;
  int keys[2];
  ASSERT_EQ(pipe(keys), 0);
  pw::TerminalOpen(cap.t, keys[0], cap.fd);
  std::string start = cap.Take();
  EXPECT_NE(start.find("\x1b[8;30;90t"), std::string::npos) << "window size request";
  EXPECT_NE(start.find("\x1b[2J"), std::string::npos);
  pw::Frame f = MenuLikeFrame();
  pw::TerminalPresent(cap.t, f);
  std::string first = cap.Take();
  EXPECT_EQ(first.find("\x1b[2J"), std::string::npos) << "the terminal was cleared already";
  Emulator e;
  e.Feed(start + first);
  ExpectShows(e, f);

  pw::TerminalClose(cap.t);
  std::string end = cap.Take();
  EXPECT_NE(end.find("\x1b[0m"), std::string::npos);
  EXPECT_NE(end.find("\x1b[?25h"), std::string::npos);
  EXPECT_EQ(end.substr(end.size() - 2), "\r\n");
  EXPECT_NE(end.find("\x1b[30;1H"), std::string::npos);
  pw::TerminalClose(cap.t);  // a second close sends nothing
  EXPECT_EQ(cap.Take(), "");
  close(keys[0]);
  close(keys[1]);
}

}  // namespace
