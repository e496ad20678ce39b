#include "platform/windows/console_device.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/console_keys.h"
#include "platform/device.h"
#include "platform/files.h"
#include "platform/frame.h"

#include <windows.h>

#include "platform/windows/handle.h"

namespace pw {

namespace {

// How long a lone ESC read from a pipe waits for the rest of an escape
// sequence, and how often the pipe is looked at meanwhile.
constexpr DWORD kEscWaitMs = 50;
constexpr DWORD kEscLookMs = 5;

// Output modes while the program runs: processed output, wrap at the end
// of a line (the console's defaults, without escape-sequence processing).
constexpr DWORD kOutputMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;

// ---- Giving the console back from another thread ---------------------------
//
// The console calls the control handler on a thread of its own (Ctrl+Break,
// the window closed, logoff, shutdown).  The handler gives the console back
// and lets the system end the process.  The lock keeps it from doing that in
// the middle of a frame being written, and keeps frames from being written
// after it.

SRWLOCK g_lock = SRWLOCK_INIT;
Device* g_console_owner = nullptr;  // the open device that changed the console

struct Locked {
  Locked() { AcquireSRWLockExclusive(&g_lock); }
  ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

COORD Coord(int col, int row) { return COORD{static_cast<SHORT>(col), static_cast<SHORT>(row)}; }

SMALL_RECT Rect(int left, int top, int right, int bottom) {
  return SMALL_RECT{static_cast<SHORT>(left), static_cast<SHORT>(top), static_cast<SHORT>(right),
                    static_cast<SHORT>(bottom)};
}

// Makes the buffer and the window `cols` x `rows`: the buffer first grown
// to hold the window, the window set, then the buffer cut to the window.  A
// screen too small for the whole window gets the largest window it can
// show.
void SizeConsole(HANDLE h, int cols, int rows) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(h, &info)) return;
  const int grow_cols = std::max<int>(info.dwSize.X, cols);
  const int grow_rows = std::max<int>(info.dwSize.Y, rows);
  SetConsoleScreenBufferSize(h, Coord(grow_cols, grow_rows));
  SMALL_RECT window = Rect(0, 0, cols - 1, rows - 1);
  if (!SetConsoleWindowInfo(h, TRUE, &window)) {
    const COORD largest = GetLargestConsoleWindowSize(h);
    const int wc = largest.X > 0 ? std::min<int>(cols, largest.X) : cols;
    const int wr = largest.Y > 0 ? std::min<int>(rows, largest.Y) : rows;
    window = Rect(0, 0, wc - 1, wr - 1);
    SetConsoleWindowInfo(h, TRUE, &window);
  }
  SetConsoleScreenBufferSize(h, Coord(cols, rows));
}

void ReadBufferSize(Device& d) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(Win(d.output), &info)) {
    d.buffer_cols = info.dwSize.X;
    d.buffer_rows = info.dwSize.Y;
  }
}

// The old buffer and window sizes again (never so small that the screen is
// cut), with the window showing row `below`, where the shell goes on.
void RestoreConsoleSize(Device& d, HANDLE h, int below) {
  const SavedConsole& s = d.saved;
  const int cols = std::max(s.buffer_cols, d.buffer_cols);
  const int rows = std::max(s.buffer_rows, d.buffer_rows);
  SetConsoleScreenBufferSize(h, Coord(cols, rows));
  d.buffer_cols = cols;
  d.buffer_rows = rows;
  const int wcols = std::min(s.window_cols, d.buffer_cols);
  const int wrows = std::min(s.window_rows, d.buffer_rows);
  const int top = std::clamp(below - wrows + 1, 0, std::max(0, d.buffer_rows - wrows));
  const SMALL_RECT window = Rect(0, top, wcols - 1, top + wrows - 1);
  SetConsoleWindowInfo(h, TRUE, &window);
}

// The cursor on row `below` (0-based), where the shell goes on; nothing
// when nothing was shown.  Text on the last row scrolls up to make room.
void PlaceCursorBelowText(const Device& d, HANDLE h, int below) {
  if (below < 0) return;
  if (below < d.buffer_rows) {
    SetConsoleCursorPosition(h, Coord(0, below));
    return;
  }
  SetConsoleCursorPosition(h, Coord(0, d.buffer_rows - 1));
  DWORD written = 0;
  WriteConsoleA(h, "\n", 1, &written, nullptr);
}

// Puts back what OpenDevice changed on the console: size, cursor, colours,
// modes, title and window menu.  The program's last screen stays, and the
// cursor goes to the row below its text, where the shell goes on.
void GiveBackConsole(Device& d) {
  const SavedConsole& s = d.saved;
  if (d.output_is_console) {
    const HANDLE h = Win(d.output);
    if (s.output_mode_saved) SetConsoleMode(h, s.output_mode);
    SetConsoleTextAttribute(h, s.attributes);
    ReadBufferSize(d);
    const int below = d.console.known ? RowBelowText(d.console.frame) : -1;
    if (s.buffer_saved) RestoreConsoleSize(d, h, below);
    PlaceCursorBelowText(d, h, below);
    if (s.cursor_saved) {
      const CONSOLE_CURSOR_INFO cursor{s.cursor_size, s.cursor_visible ? TRUE : FALSE};
      SetConsoleCursorInfo(h, &cursor);
    }
    if (s.title_saved) SetConsoleTitleW(s.title.c_str());
    if (s.menu_changed) {
      if (const HWND window = GetConsoleWindow()) GetSystemMenu(window, TRUE);
    }
  }
  if (d.input_is_console && s.input_mode_saved) SetConsoleMode(Win(d.input), s.input_mode);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  {
    Locked lock;
    // With the console's input in mode 0, Ctrl+C is a key, not a signal.
    // A console that still sends the signal (Wine's console on a terminal)
    // is told it has been dealt with.
    if (event == CTRL_C_EVENT && g_console_owner != nullptr && g_console_owner->input_is_console) {
      return TRUE;
    }
    if (g_console_owner != nullptr) {
      GiveBackConsole(*g_console_owner);
      g_console_owner->state = Device::State::Closed;
      g_console_owner = nullptr;
    }
  }
  return FALSE;  // the system's own handling ends the process
}

void SaveConsole(Device& d) {
  SavedConsole& s = d.saved;
  s = SavedConsole{};
  DWORD mode = 0;
  if (d.input_is_console && GetConsoleMode(Win(d.input), &mode)) {
    s.input_mode_saved = true;
    s.input_mode = mode;
  }
  if (!d.output_is_console) return;
  const HANDLE h = Win(d.output);
  if (GetConsoleMode(h, &mode)) {
    s.output_mode_saved = true;
    s.output_mode = mode;
  }
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(h, &info)) {
    s.buffer_saved = true;
    s.buffer_cols = info.dwSize.X;
    s.buffer_rows = info.dwSize.Y;
    s.window_cols = info.srWindow.Right - info.srWindow.Left + 1;
    s.window_rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    s.attributes = info.wAttributes;
  }
  CONSOLE_CURSOR_INFO cursor;
  if (GetConsoleCursorInfo(h, &cursor)) {
    s.cursor_saved = true;
    s.cursor_size = cursor.dwSize;
    s.cursor_visible = cursor.bVisible != FALSE;
  }
  wchar_t title[1024];
  SetLastError(0);
  const DWORD n = GetConsoleTitleW(title, static_cast<DWORD>(std::size(title)));
  if (n > 0 || GetLastError() == 0) {
    s.title_saved = true;
    s.title.assign(title, std::min<DWORD>(n, static_cast<DWORD>(std::size(title) - 1)));
  }
}

// ---- Output -----------------------------------------------------------------

// Writes the bytes waiting for a pipe or file.  An output that cannot be
// written is lost for good: the next key wait ends the program.
void Flush(Device& d) {
  if (d.state == Device::State::Open && d.output != kNoHandle && !d.out.empty()) {
    if (WriteAll(d.output, d.out.data(), d.out.size()) != 0) d.state = Device::State::OutputLost;
  }
  d.out.clear();
}

void RunConsoleOps(const Device& d, const Frame& f, const std::vector<ConsoleOp>& ops) {
  const HANDLE h = Win(d.output);
  for (const ConsoleOp& op : ops) {
    switch (op.kind) {
      case ConsoleOp::Kind::Fill: {
        DWORD done = 0;
        const COORD at = Coord(op.col, op.row);
        const auto n = static_cast<DWORD>(op.count);
        FillConsoleOutputCharacterA(h, static_cast<CHAR>(op.cell.ch), n, at, &done);
        FillConsoleOutputAttribute(h, op.cell.attr, n, at, &done);
        break;
      }
      case ConsoleOp::Kind::Scroll: {
        const SMALL_RECT from = Rect(0, op.count, f.width - 1, f.height - 1);
        const SMALL_RECT clip = Rect(0, 0, f.width - 1, f.height - 1);
        CHAR_INFO fill;
        fill.Char.AsciiChar = static_cast<CHAR>(op.cell.ch);
        fill.Attributes = op.cell.attr;
        ScrollConsoleScreenBufferA(h, &from, &clip, Coord(0, 0), &fill);
        break;
      }
      case ConsoleOp::Kind::Write: {
        CHAR_INFO cells[kScreenCols];
        for (int i = 0; i < op.count; ++i) {
          const Cell& c = f.cells[op.row][op.col + i];
          cells[i].Char.AsciiChar = static_cast<CHAR>(c.ch);
          cells[i].Attributes = c.attr;
        }
        SMALL_RECT region = Rect(op.col, op.row, op.col + op.count - 1, op.row);
        WriteConsoleOutputA(h, cells, Coord(op.count, 1), Coord(0, 0), &region);
        break;
      }
      case ConsoleOp::Kind::Cursor:
        SetConsoleCursorPosition(h, Coord(op.col, op.row));
        break;
      case ConsoleOp::Kind::CursorShow: {
        const CONSOLE_CURSOR_INFO cursor{d.saved.cursor_size, op.count != 0 ? TRUE : FALSE};
        SetConsoleCursorInfo(h, &cursor);
        break;
      }
      case ConsoleOp::Kind::Attribute:
        SetConsoleTextAttribute(h, op.cell.attr);
        break;
    }
  }
}

void ShowOnConsole(Device& d, const Frame& f) {
  const int cols = d.buffer_cols;
  const int rows = d.buffer_rows;
  ReadBufferSize(d);
  // Someone changed the buffer (the window's properties, another program):
  // repaint everything.
  if (d.buffer_cols != cols || d.buffer_rows != rows) d.console.known = false;
  std::vector<ConsoleOp> ops;
  PlanConsoleFrame(d.console, f, d.buffer_cols, ops);
  RunConsoleOps(d, f, ops);
}

// ---- Input ------------------------------------------------------------------

ConsoleKeyEvent PlainKeyEvent(const KEY_EVENT_RECORD& k) {
  ConsoleKeyEvent e;
  e.key_down = k.bKeyDown != FALSE;
  e.virtual_key = k.wVirtualKeyCode;
  e.character = static_cast<unsigned char>(k.uChar.AsciiChar);
  e.control_state = k.dwControlKeyState;
  return e;
}

// The oldest console input event, waiting on the input handle while the
// queue is empty (no polling: an idle program costs no CPU time).
INPUT_RECORD PeekConsoleEvent(HANDLE h) {
  for (;;) {
    INPUT_RECORD record;
    DWORD n = 0;
    if (!PeekConsoleInputA(h, &record, 1, &n)) throw EndOfInput{};
    if (n > 0) return record;
    if (WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) throw EndOfInput{};
  }
}

// The next key press on the console: removes every event that is no key,
// and the key itself when `take`.  A key the console reports with a repeat
// count is delivered that many times.
Key WaitForConsoleKey(Device& d, bool take) {
  const HANDLE h = Win(d.input);
  for (;;) {
    if (d.repeats > 0) {
      if (take) --d.repeats;
      return d.repeated;
    }
    INPUT_RECORD record = PeekConsoleEvent(h);
    std::optional<Key> key;
    if (record.EventType == KEY_EVENT) key = TranslateConsoleKey(PlainKeyEvent(record.Event.KeyEvent));
    if (!key || take) {
      DWORD removed = 0;
      if (!ReadConsoleInputA(h, &record, 1, &removed)) throw EndOfInput{};
    }
    if (!key) continue;
    if (take && record.EventType == KEY_EVENT && record.Event.KeyEvent.wRepeatCount > 1) {
      d.repeated = *key;
      d.repeats = record.Event.KeyEvent.wRepeatCount - 1;
    }
    return *key;
  }
}

// Reads what a pipe or file holds into the decoder.  False at the end of
// the input (end of file, the writing end closed, a read error).
bool ReadInput(Device& d) {
  const std::size_t room = sizeof d.keys.buf - d.keys.len;
  if (room == 0) return true;
  DWORD n = 0;
  if (!ReadFile(Win(d.input), d.keys.buf + d.keys.len, static_cast<DWORD>(room), &n, nullptr)) {
    return false;
  }
  if (n == 0) return false;
  d.keys.len += n;
  return true;
}

// After the start of an escape sequence: whether more bytes come in time to
// finish it.  Only a pipe can keep the rest back; a file has it or not.
bool MoreComesSoon(const Device& d) {
  if (!d.input_is_pipe) return true;
  for (DWORD waited = 0;; waited += kEscLookMs) {
    DWORD available = 0;
    if (!PeekNamedPipe(Win(d.input), nullptr, 0, nullptr, &available, nullptr)) return true;
    if (available > 0) return true;
    if (waited >= kEscWaitMs) return false;
    Sleep(kEscLookMs);
  }
}

Key WaitForByteKey(Device& d, bool take) {
  bool input_ended = d.input == kNoHandle;
  for (;;) {
    const DecodeResult r = NextKey(d.keys, !input_ended, take);
    if (r.status == DecodeStatus::Done) return r.key;
    if (input_ended) throw EndOfInput{};
    if (r.status == DecodeStatus::NeedMore && !MoreComesSoon(d)) {
      const DecodeResult settled = NextKey(d.keys, false, take);
      if (settled.status == DecodeStatus::Done) return settled.key;
    }
    input_ended = !ReadInput(d);
  }
}

Key WaitForKey(Device& d, const Frame& f, bool take) {
  ShowFrame(d, f);
  if (d.state == Device::State::OutputLost) throw EndOfInput{};
  if (d.input_is_console) return WaitForConsoleKey(d, take);
  return WaitForByteKey(d, take);
}

}  // namespace

DeviceHandles StandardHandles() {
  return DeviceHandles{Native(GetStdHandle(STD_INPUT_HANDLE)), Native(GetStdHandle(STD_OUTPUT_HANDLE))};
}

void OpenDevice(Device& d, DeviceHandles handles) {
  CloseDevice(d);
  d.input = handles.input;
  d.output = handles.output;
  DWORD mode = 0;
  d.input_is_console = d.input != kNoHandle && GetConsoleMode(Win(d.input), &mode);
  d.input_is_pipe = d.input != kNoHandle && !d.input_is_console && GetFileType(Win(d.input)) == FILE_TYPE_PIPE;
  d.output_is_console = d.output != kNoHandle && GetConsoleMode(Win(d.output), &mode);
  d.keys = KeyDecoder{};  // a pipe or file: every byte as it stands
  d.repeats = 0;
  d.view = TerminalView{};
  d.console = ConsoleView{};
  d.out.clear();
  SaveConsole(d);

  // The handler is in place before anything changes, so no way out of the
  // process leaves the console changed.
  const bool console = d.input_is_console || d.output_is_console;
  if (console) {
    {
      Locked lock;
      g_console_owner = &d;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  }
  // Input mode 0: keys one by one, no echo, no line editing, Ctrl+C an
  // ordinary key.
  if (d.input_is_console) SetConsoleMode(Win(d.input), 0);
  if (d.output_is_console) {
    const HANDLE h = Win(d.output);
    SetConsoleMode(h, kOutputMode);
    SizeConsole(h, kScreenCols, kScreenRows);
    ReadBufferSize(d);
  }
  d.state = Device::State::Open;
  if (d.output != kNoHandle && !d.output_is_console) {
    RenderStart(d.view, TerminalTraits{}, false, d.out);
    Flush(d);
  }
}

void CloseDevice(Device& d) {
  bool remove_handler = false;
  {
    Locked lock;
    if (d.state == Device::State::Closed) return;
    d.out.clear();
    if (d.output != kNoHandle && !d.output_is_console && d.state == Device::State::Open) {
      d.out = LeaveBytes(d.view, TerminalTraits{}, false, 0);
      Flush(d);
    }
    GiveBackConsole(d);
    if (g_console_owner == &d) {
      g_console_owner = nullptr;
      remove_handler = true;
    }
    d.state = Device::State::Closed;
  }
  if (remove_handler) SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

void ShowFrame(Device& d, const Frame& f) {
  Locked lock;
  if (d.state != Device::State::Open || d.output == kNoHandle) return;
  if (d.output_is_console) {
    ShowOnConsole(d, f);
  } else {
    RenderFrame(d.view, f, TerminalTraits{}, d.out);
    Flush(d);
  }
}

Key ReadKey(Device& d, const Frame& f) { return WaitForKey(d, f, true); }

Key PeekKey(Device& d, const Frame& f) { return WaitForKey(d, f, false); }

void DiscardWaitingKeys(Device& d) {
  if (!d.input_is_console) return;
  FlushConsoleInputBuffer(Win(d.input));
  d.repeats = 0;
}

void SoundBeep(Device& d, const Frame& f) {
  ShowFrame(d, f);
  ++d.beeps;
  if (d.state != Device::State::Open || d.output == kNoHandle) return;
  if (d.output_is_console) {
    MessageBeep(0);
  } else {
    d.out.push_back('\a');
    Flush(d);
  }
}

void SetWindowTitle(Device& d, std::string_view title) {
  if (d.state != Device::State::Open || !d.output_is_console) return;
  SetConsoleTitleA(std::string(title).c_str());
}

// The console window's system menu, where there is a window (none under
// Windows Terminal or Wine's terminal console; that is no error):
//   item > 0   a system command (0xF120 restore, 0xF000 size, 0xF030
//              maximise, ...), removed by its number
//   item < 0   an item counted from the end of the menu: -1 the last,
//              -2 the one before it.  On the console's menu these are
//              "Properties" and "Defaults", the dialogs that would let the
//              buffer and window size be changed.
//   item 0     no item: nothing happens
// Close (0xF060) is never removed, so the window can always be closed.
// The menu is reset to the system's own when the device closes.
void RemoveWindowMenuItem(Device& d, int item) {
  if (d.state != Device::State::Open || !d.output_is_console || item == 0) return;
  const HWND window = GetConsoleWindow();
  if (window == nullptr) return;
  const HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  if (item > 0) {
    if (item == SC_CLOSE) return;
    if (DeleteMenu(menu, static_cast<UINT>(item), MF_BYCOMMAND)) d.saved.menu_changed = true;
    return;
  }
  const int count = GetMenuItemCount(menu);
  const int position = count + item;
  if (count <= 0 || position < 0) return;
  if (GetMenuItemID(menu, position) == SC_CLOSE) return;
  if (DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION)) d.saved.menu_changed = true;
}

int BeepCount(const Device& d) { return d.beeps; }

}  // namespace pw
