#include "platform/web/web_device.h"

#include <emscripten.h>

#include <cstddef>
#include <string_view>

#include "platform/device.h"
#include "platform/frame.h"
#include "platform/key_decoder.h"
#include "platform/vt_render.h"

// The page's side (site/terminal.js) provides Module.pwTerminal:
//   write(bytes)           shows bytes (a Uint8Array) on the terminal
//   take(room)             the typed bytes waiting, at most `room` (a
//                          Uint8Array, empty when none wait); removes them
//   wait(timeout_ms)       a Promise that settles when a byte is typed or
//                          after timeout_ms (-1: no time limit)
//   discard()              drops every byte waiting
// `wait` is the one asynchronous import: the program is unwound while it
// waits and rewound when the Promise settles.

EM_JS(void, pw_web_write, (const char* bytes, std::size_t n), {
  Module.pwTerminal.write(HEAPU8.slice(bytes, bytes + n));
});
EM_JS(int, pw_web_take, (unsigned char* buf, int room), {
  const got = Module.pwTerminal.take(room);
  HEAPU8.set(got, buf);
  return got.length;
});
EM_ASYNC_JS(void, pw_web_wait, (int timeout_ms), {
  await Module.pwTerminal.wait(timeout_ms);
});
EM_JS(void, pw_web_discard, (), { Module.pwTerminal.discard(); });

namespace pw {

namespace {

// How long a lone ESC waits for the rest of an escape sequence.
constexpr int kEscWaitMs = 50;

constexpr std::string_view kHideCursor = "\x1b[?25l";

void Flush(Device& d) {
  if (d.state == Device::State::Open && !d.out.empty()) {
    pw_web_write(d.out.data(), d.out.size());
    d.bytes_written += d.out.size();
  }
  d.out.clear();
}

// Moves what has been typed into the decoder.  False when nothing waited.
bool TakeTyped(Device& d) {
  const std::size_t room = sizeof d.keys.buf - d.keys.len;
  if (room == 0) return true;
  const int n = pw_web_take(d.keys.buf + d.keys.len, static_cast<int>(room));
  d.keys.len += static_cast<std::size_t>(n);
  return n > 0;
}

Key WaitForKey(Device& d, const Frame& f, bool take) {
  ShowFrame(d, f);
  for (;;) {
    TakeTyped(d);
    const DecodeResult r = NextKey(d.keys, true, take);
    if (r.status == DecodeStatus::Done) return r.key;
    if (r.status == DecodeStatus::NeedMore) {
      // The start of an escape sequence: the rest comes at once or not at
      // all, and a lone Esc is settled when nothing has followed in time.
      pw_web_wait(kEscWaitMs);
      if (!TakeTyped(d)) {
        const DecodeResult settled = NextKey(d.keys, false, take);
        if (settled.status == DecodeStatus::Done) return settled.key;
      }
    } else {
      pw_web_wait(-1);
    }
  }
}

}  // namespace

// The page has no standard input or output; the device talks to the
// page's terminal whatever the handles say.
DeviceHandles StandardHandles() { return DeviceHandles{0, 1}; }

void OpenDevice(Device& d, DeviceHandles) {
  CloseDevice(d);
  d.traits = TerminalTraits{};
  d.view = TerminalView{};
  d.keys = KeyDecoder{};
  d.keys.utf8 = true;  // the page sends typed text as UTF-8
  d.out.clear();
  d.state = Device::State::Open;
  // The page's title is the page's own: none is saved or put back.
  RenderStart(d.view, d.traits, false, d.out);
  Flush(d);
}

// The last screen stays as it is, with nothing more to type into: no
// shell follows below it, so the cursor is only hidden.
void CloseDevice(Device& d) {
  if (d.state == Device::State::Closed) return;
  d.out.assign(kHideCursor);
  Flush(d);
  d.state = Device::State::Closed;
}

void ShowFrame(Device& d, const Frame& f) {
  if (d.state != Device::State::Open) return;
  RenderFrame(d.view, f, d.traits, d.out);
  Flush(d);
}

Key ReadKey(Device& d, const Frame& f) { return WaitForKey(d, f, true); }

Key PeekKey(Device& d, const Frame& f) { return WaitForKey(d, f, false); }

void DiscardWaitingKeys(Device& d) {
  pw_web_discard();
  d.keys.len = 0;
  d.keys.after_cr = false;
}

void SoundBeep(Device& d, const Frame& f) {
  ShowFrame(d, f);
  ++d.beeps;
  if (d.state != Device::State::Open) return;
  d.out.push_back('\a');
  Flush(d);
}

// The terminal passes the title on to the page (document.title).
void SetWindowTitle(Device& d, std::string_view title) {
  if (d.state != Device::State::Open) return;
  RenderTitle(title, d.out);
  Flush(d);
}

// A page has no window menu.
void RemoveWindowMenuItem(Device&, int) {}

int BeepCount(const Device& d) { return d.beeps; }

}  // namespace pw
