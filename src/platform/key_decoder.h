// Turning the bytes a terminal sends for key presses into keys.
//
// Pure functions on a byte buffer, so the rules can be checked with tables:
//   CR and LF          -> Enter (13); an LF straight after a CR is dropped,
//                         so "\r\n" line ends in a piped script give one Enter
//   DEL (127), Ctrl+H  -> Backspace (8)
//   ESC [ ... final    -> CSI sequence: cursor, editing and function keys,
//                         with or without modifiers: one Extended key
//   ESC O x            -> SS3 sequence (F1-F4, keypad cursor keys): Extended
//   ESC [ [ x          -> Linux console F1-F5: Extended
//   ESC + printable    -> Alt+key: Extended
//   ESC alone          -> Esc (27), once no byte has followed in time
//   anything else      -> the byte itself as a character (0..255)
// With `utf8` set (keys typed on a terminal, which sends UTF-8 as it is sent
// UTF-8), a well-formed multi-byte character becomes the code page byte that
// shows it (so a typed e-acute is byte 130 and echoes as itself); one the code
// page lacks is an Extended key, a key without a character.  Bytes that do
// not form UTF-8 stay characters of their own.  Without `utf8` (a piped
// script) every byte is a character as it stands.
// A terminal does not report Caps Lock, so nothing here can correct what Caps
// Lock does to the digit row: the characters are taken as the terminal sends
// them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

// A decoded key press.
enum class KeyKind : uint8_t {
  Character,  // code holds 0..255 (Enter 13, Backspace 8, lone Esc 27, ...)
  Extended,   // cursor, function, editing keys, Alt+key: no character
};
struct Key {
  KeyKind kind = KeyKind::Character;
  unsigned char code = 0;
};

// Bytes read but not yet turned into keys.
struct KeyDecoder {
  unsigned char buf[64];
  std::size_t len = 0;
  bool after_cr = false;  // the last key taken was a CR (an LF after it is dropped)
  bool utf8 = false;      // the keyboard sends UTF-8 (a terminal): see above
};

// Longest escape sequence taken as one key.  A sequence that runs longer
// without ending is cut there and counted as one extended key, so bogus
// input can neither fill the buffer nor swallow the keys after it.
constexpr std::size_t kMaxKeySequence = 32;

enum class DecodeStatus : uint8_t {
  Empty,     // no bytes
  NeedMore,  // the bytes so far are the start of a sequence; wait for more
  Done,      // `key` decoded from the first `used` bytes
  Skipped,   // the first `used` bytes are no key (an LF after CR): drop them
};

struct DecodeResult {
  DecodeStatus status = DecodeStatus::Empty;
  Key key;
  std::size_t used = 0;
};

// Decodes the first key of bytes[0..len).  `more_may_follow` is false when no
// further byte will come in time (the lone-Esc wait is over, or the input has
// ended); unfinished sequences are then settled instead of waiting.
// `after_cr` says the byte before bytes[0] was a CR taken as Enter.
DecodeResult DecodeKey(const unsigned char* bytes, std::size_t len, bool more_may_follow,
                       bool after_cr, bool utf8 = false);

// Decoder-buffer helpers: the next key of d (removing it when `take`),
// dropping skipped bytes on the way.  Status Done or NeedMore or Empty.
DecodeResult NextKey(KeyDecoder& d, bool more_may_follow, bool take);

// Appends bytes to the decoder buffer; returns how many fitted.
std::size_t FeedDecoder(KeyDecoder& d, const unsigned char* bytes, std::size_t len);

}  // namespace pw
