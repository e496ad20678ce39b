// The keyboard and screen the program runs on: one small interface, three
// backends chosen when the program is built.
//
//   platform/posix/terminal_device.*    a POSIX terminal (raw mode, escape
//                                       sequences, signals)
//   platform/windows/console_device.*   the Windows console (console API)
//   platform/web/web_device.*           the terminal of a web page
//                                       (WebAssembly, emscripten)
//
// Each backend defines `struct Device` and implements the operations below
// (files and handles are named by platform/native_handle.h).  Input or output that is not a terminal
// (a pipe, a file) works the same on both: keys are read as bytes (lines
// ended by CR LF or LF), and the screen goes out as the escape sequences of
// platform/vt_render.h.
#pragma once

#include <string_view>

#include "platform/frame.h"
#include "platform/key_decoder.h"

#if defined(_WIN32)
#include "platform/windows/console_device.h"  // IWYU pragma: export
#elif defined(__EMSCRIPTEN__)
#include "platform/web/web_device.h"  // IWYU pragma: export
#else
#include "platform/posix/terminal_device.h"  // IWYU pragma: export
#endif

namespace pw {

// Thrown by the key operations when no key can come any more (the input has
// ended, the terminal has gone).  The program then restores the terminal and
// exits with status 1.
struct EndOfInput {};

struct DeviceHandles {
  NativeHandle input = kNoHandle;   // kNoHandle: no keys at all
  NativeHandle output = kNoHandle;  // kNoHandle: nothing is shown
};

// The process's standard input and output.
DeviceHandles StandardHandles();

// Takes the keyboard and screen over (raw keys, the window size, a cleared
// screen, handlers that give everything back if the process is stopped or
// ended).  The handles stay the caller's.
void OpenDevice(Device& d, DeviceHandles handles);

// Gives everything back as it was found: modes, cursor, colours, title; the
// shell continues below the screen.  Safe to call twice.
void CloseDevice(Device& d);

// Shows the frame; sends only what changed since the last frame.
void ShowFrame(Device& d, const Frame& f);

// Waits for a key press and removes it (ReadKey) or leaves it waiting
// (PeekKey).  `f` is shown first, and again if the window changes while
// waiting.  Throws EndOfInput.
Key ReadKey(Device& d, const Frame& f);
Key PeekKey(Device& d, const Frame& f);

// Discards every key waiting on a keyboard; does nothing for a pipe or file,
// whose keys are a script to be read in order.
void DiscardWaitingKeys(Device& d);

// One beep, after `f` is shown.
void SoundBeep(Device& d, const Frame& f);

// The window title, where the screen has one.
void SetWindowTitle(Device& d, std::string_view title);

// Removes an item (a system command number such as 0xF120, restore) from
// the window's system menu, where the window has one.  Anything else does
// nothing.
void RemoveWindowMenuItem(Device& d, int item);

// How many beeps the device has sounded.
int BeepCount(const Device& d);

}  // namespace pw
