// The Windows device with input and output that are not a console: keys
// read from pipes and files as on POSIX, and the escape-sequence output a
// terminal stand-in gets.  (The console itself is checked by the end-to-end
// run in .ci/windows.sh.)
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/vt_render.h"
#include "support/test_support.h"
#include "text/console_screen.h"

#include <windows.h>

namespace {

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe() { CreatePipe(&read, &write, nullptr, 1 << 16); }
  ~Pipe() {
    CloseWriteEnd();
    if (read != nullptr) CloseHandle(read);
  }
  void Send(const std::string& bytes) const {
    DWORD n = 0;
    WriteFile(write, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  }
  void CloseWriteEnd() {
    if (write != nullptr) CloseHandle(write);
    write = nullptr;
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
};

pw::NativeHandle Native(HANDLE h) { return reinterpret_cast<pw::NativeHandle>(h); }

std::string Describe(const pw::Key& k) {
  return k.kind == pw::KeyKind::Extended ? "ext" : std::to_string(k.code);
}

// Every key until the input ends.
std::vector<std::string> KeysUntilEnd(pw::Device& d) {
  pw::Frame f;
  std::vector<std::string> keys;
  try {
    for (;;) keys.push_back(Describe(pw::ReadKey(d, f)));
  } catch (const pw::EndOfInput&) {
  }
  return keys;
}

TEST(WindowsDevice, KeysFromAPipeAsOnPosix) {
  Pipe p;
  p.Send("12\r\n3\n\x1b[A\b\x7f\x1b");
  p.CloseWriteEnd();
  pw::Device d;
  pw::OpenDevice(d, {Native(p.read), pw::kNoHandle});
  const std::vector<std::string> expected = {"49", "50", "13", "51", "13", "ext", "8", "8", "27"};
  EXPECT_EQ(KeysUntilEnd(d), expected);
  pw::CloseDevice(d);
}

TEST(WindowsDevice, PeekLeavesTheKeyAndDiscardKeepsAScript) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "ab");
  pw::WaitKey(s);
  pw::FlushKeys(s);  // a script is read in order: nothing is discarded
  EXPECT_EQ(Describe(pw::TakeKey(s)), "97");
  EXPECT_EQ(Describe(pw::TakeKey(s)), "98");
  EXPECT_THROW(pw::TakeKey(s), pw::EndOfInput);
}

TEST(WindowsDevice, LoneEscOnAnOpenPipeSettlesAfterAShortWait) {
  Pipe p;
  p.Send("\x1b");
  pw::Device d;
  pw::OpenDevice(d, {Native(p.read), pw::kNoHandle});
  pw::Frame f;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Describe(pw::ReadKey(d, f)), "27");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // The rest of a sequence that comes at once is one key.
  p.Send("\x1b[15~x");
  EXPECT_EQ(Describe(pw::ReadKey(d, f)), "ext");
  EXPECT_EQ(Describe(pw::ReadKey(d, f)), "120");
  pw::CloseDevice(d);
}

TEST(WindowsDevice, NoInputEndsAtOnce) {
  pw::Device d;
  pw::OpenDevice(d, {pw::kNoHandle, pw::kNoHandle});
  EXPECT_TRUE(KeysUntilEnd(d).empty());
  pw::CloseDevice(d);
}

// Output into a file gets the bytes of the shared renderer, in the order
// the POSIX device sends them to a non-terminal.
TEST(WindowsDevice, OutputToAFileIsTheTerminalStandInStream) {
  pwtest::TempDir dir;
  const std::string path = dir.path + "\\screen.out";
  const HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);

  pw::ConsoleScreen s;
  pw::Device d;
  pw::OpenDevice(d, {pw::kNoHandle, Native(out)});
  s.device = &d;
  pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::PrintText(s, "Pivotwright");
  pw::ShowFrame(d, s.frame);
  pw::Beep(s);
  pw::EndLine(s);
  pw::ShowFrame(d, s.frame);
  pw::CloseDevice(d);
  CloseHandle(out);
  EXPECT_EQ(pw::BeepCount(d), 1);

  // The same steps through the renderer alone.
  pw::TerminalView view;
  std::string expected;
  pw::RenderStart(view, pw::TerminalTraits{}, false, expected);
  pw::ConsoleScreen m;
  pw::SetColours(m, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(m);
  pw::PrintText(m, "Pivotwright");
  pw::RenderFrame(view, m.frame, pw::TerminalTraits{}, expected);
  expected += '\a';
  pw::EndLine(m);
  pw::RenderFrame(view, m.frame, pw::TerminalTraits{}, expected);
  expected += pw::LeaveBytes(view, pw::TerminalTraits{}, false, 0);
  EXPECT_EQ(pwtest::ReadFileBytes(path), expected);
}

TEST(WindowsDevice, ClosedOutputEndsTheNextKeyWait) {
  Pipe in;
  in.Send("1234");
  Pipe out;
  CloseHandle(out.read);
  out.read = nullptr;
  pw::ConsoleScreen s;
  pw::Device d;
  pw::OpenDevice(d, {Native(in.read), Native(out.write)});
  s.device = &d;
  pw::PrintText(s, "x");
  // Keys are waiting, but nothing can be shown any more.
  EXPECT_THROW(pw::TakeKey(s), pw::EndOfInput);
  pw::CloseDevice(d);
}

}  // namespace
