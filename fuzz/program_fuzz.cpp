// The whole program driven in-process by arbitrary key bytes.
//
// The bytes are the keyboard: an in-memory file read through the terminal
// layer as a piped script would be, with no output.  WINMAIN runs until it
// returns (the user chose "4") or the input ends (EndOfInput); anything else
// escaping it is a fault.  The actions write their files into a private
// temporary folder.  Typed radii can ask for billions of grid rows, so the
// files are held to 1 MiB each (RLIMIT_FSIZE, with SIGXFSZ ignored so that
// writes fail with EFBIG instead of killing the process); the graph data
// writer stops once neither file can take more.
//
// Properties checked after every run: the input was read to its end or the
// last line read was "4"; the screen model is 90 x 30 with the cursor on it,
// only the program's two colour pairs and no control bytes in any cell; the
// folder holds no file but the three the actions name (no temporary file
// left behind).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "platform/console_tools.h"
#include "platform/device.h"
#include "platform/frame.h"
#include "platform/key_decoder.h"
#include "platform/native_handle.h"
#include "program/winmain.h"
#include "screens/program_values.h"
#include "text/console_screen.h"

namespace {

constexpr rlim_t kFileSizeLimit = 1 << 20;
const char* const kOutputFiles[] = {"data.txt", "graph.txt", "protractor.emf"};

struct Harness {
  int keys_fd = -1;
  pw::ConsoleScreen* screen = nullptr;
  pw::Device* device = nullptr;
};

char g_dir[] = "/tmp/pw-program-fuzz-XXXXXX";

// Removes the folder and what the actions wrote into it when the process
// ends normally.
void RemoveFolder() {
  for (const char* f : kOutputFiles) unlink(f);
  if (chdir("/") == 0) rmdir(g_dir);
}

Harness& Setup() {
  static Harness h = [] {
    Harness n;
    FUZZ_CHECK(mkdtemp(g_dir) != nullptr);
    FUZZ_CHECK(chdir(g_dir) == 0);
    std::atexit(RemoveFolder);
    signal(SIGXFSZ, SIG_IGN);
    n.keys_fd = memfd_create("keys", 0);
    FUZZ_CHECK(n.keys_fd >= 0);
    n.screen = new pw::ConsoleScreen;
    n.device = new pw::Device;
    return n;
  }();
  return h;
}

void LoadKeys(int fd, const uint8_t* data, std::size_t size) {
  FUZZ_CHECK(ftruncate(fd, 0) == 0);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    FUZZ_CHECK(n > 0);
    done += static_cast<std::size_t>(n);
  }
  FUZZ_CHECK(lseek(fd, 0, SEEK_SET) == 0);
}

void SetFileSizeLimit(rlim_t limit) {
  struct rlimit rl {};
  FUZZ_CHECK(getrlimit(RLIMIT_FSIZE, &rl) == 0);
  rl.rlim_cur = limit == RLIM_INFINITY || limit > rl.rlim_max ? rl.rlim_max : limit;
  FUZZ_CHECK(setrlimit(RLIMIT_FSIZE, &rl) == 0);
}

std::string RowText(const pw::ConsoleScreen& s, int row) {
  std::string t;
  for (int c = 1; c <= s.frame.width; ++c) t.push_back(static_cast<char>(pw::CellAt(s, row, c).ch));
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

void CheckScreen(const pw::ConsoleScreen& s) {
  const pw::Frame& f = s.frame;
  FUZZ_CHECK(f.width == pw::kScreenCols && f.height == pw::kScreenRows);
  FUZZ_CHECK(f.cursor_row >= 0 && f.cursor_row < f.height);
  FUZZ_CHECK(f.cursor_col >= 0 && f.cursor_col < f.width);
  for (int r = 0; r < f.height; ++r) {
    for (int c = 0; c < f.width; ++c) {
      const pw::Cell& cell = f.cells[r][c];
      FUZZ_CHECK(cell.attr == 0xF0 || cell.attr == 0xF8);
      // Typed control codes are never echoed, and DEL is Backspace.
      FUZZ_CHECK(cell.ch >= 32 && cell.ch != 127);
    }
  }
}

void CheckFolder() {
  DIR* d = opendir(".");
  FUZZ_CHECK(d != nullptr);
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool known = false;
    for (const char* f : kOutputFiles) known = known || name == f;
    if (!known) std::fprintf(stderr, "unexpected file left behind: %s\n", name.c_str());
    FUZZ_CHECK(known);
  }
  closedir(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Harness& h = Setup();
  for (const char* f : kOutputFiles) unlink(f);
  LoadKeys(h.keys_fd, data, size);

  pw::ConsoleScreen& s = *h.screen;
  s = pw::ConsoleScreen{};
  pw::OpenDevice(*h.device, pw::DeviceHandles{h.keys_fd, pw::kNoHandle});
  s.device = h.device;
  pw::ProgramValues values;
  pw::ConsoleTools tools;
  tools.device = h.device;

  bool input_ended = false;
  int status = -1;
  SetFileSizeLimit(kFileSizeLimit);
  try {
    status = pw::WINMAIN(s, values, tools, 1);
  } catch (const pw::EndOfInput&) {
    input_ended = true;
  }
  SetFileSizeLimit(RLIM_INFINITY);

  CheckScreen(s);
  if (input_ended) {
    // Only an input read to its very end stops the program this way.
    FUZZ_CHECK(lseek(h.keys_fd, 0, SEEK_CUR) == static_cast<off_t>(size));
    FUZZ_CHECK(h.device->keys.len == 0);
  } else {
    // The only way out of the main loop is the line "4", typed on the main
    // screen's entry line; the cursor then stands below it, hidden.
    FUZZ_CHECK(status == 0);
    FUZZ_CHECK(s.frame.cursor_col == 0 && s.frame.cursor_row >= 1);
    FUZZ_CHECK(RowText(s, s.frame.cursor_row) == "         4");
    FUZZ_CHECK(!s.frame.cursor_visible);
  }
  pw::CloseDevice(*h.device);
  CheckFolder();
  return 0;
}
