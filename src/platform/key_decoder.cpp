#include "platform/key_decoder.h"

#include <cstring>

#include "base/utf8.h"
#include "platform/code_page.h"

namespace pw {

namespace {

constexpr unsigned char kEsc = 27;

DecodeResult Done(KeyKind kind, unsigned char code, std::size_t used) {
  DecodeResult r;
  r.status = DecodeStatus::Done;
  r.key.kind = kind;
  r.key.code = code;
  r.used = used;
  return r;
}

DecodeResult NeedMore() {
  DecodeResult r;
  r.status = DecodeStatus::NeedMore;
  return r;
}

// A single byte that is not the start of an escape sequence.
DecodeResult PlainByte(unsigned char b) {
  if (b == '\r' || b == '\n') return Done(KeyKind::Character, 13, 1);
  if (b == 127 || b == 8) return Done(KeyKind::Character, 8, 1);
  return Done(KeyKind::Character, b, 1);
}

// The rest of a CSI or SS3 sequence from bytes[start]: parameter bytes
// 0x30-0x3F and intermediate bytes 0x20-0x2F up to one final byte 0x40-0x7E.
// A byte that cannot belong to a sequence ends it there and is left as a key
// of its own; a sequence longer than kMaxKeySequence is cut at that length.
DecodeResult ControlSequence(const unsigned char* bytes, std::size_t len, std::size_t start,
                             bool more_may_follow) {
  std::size_t i = start;
  while (i < len && i < kMaxKeySequence) {
    unsigned char b = bytes[i];
    if (b >= 0x40 && b <= 0x7E) return Done(KeyKind::Extended, b, i + 1);
    if (b < 0x20 || b > 0x3F) {
      // Not part of any sequence (a control byte, DEL, a byte of 128 or
      // more): the broken sequence ends before it and the byte stays a key.
      return Done(KeyKind::Extended, 0, i);
    }
    ++i;
  }
  if (i >= kMaxKeySequence) return Done(KeyKind::Extended, 0, kMaxKeySequence);
  if (more_may_follow) return NeedMore();
  return Done(KeyKind::Extended, 0, len);  // unfinished at the end: one key
}

// A UTF-8 character from a lead byte of 0xC2..0xF4.  Returns Done with the
// code page byte (or an Extended key when the page lacks the character),
// NeedMore while continuation bytes may still come, or Empty when the bytes
// are not well-formed UTF-8 (the caller then takes the lead byte as is).
DecodeResult Utf8Character(const unsigned char* bytes, std::size_t len, bool more_may_follow) {
  const Utf8Sequence c = ReadUtf8(bytes, len);
  switch (c.status) {
    case Utf8Sequence::Status::Invalid: return DecodeResult{};
    case Utf8Sequence::Status::Incomplete: return more_may_follow ? NeedMore() : DecodeResult{};
    case Utf8Sequence::Status::Valid: break;
  }
  const int byte = HighByteForCodePoint(c.code_point);
  if (byte < 0) return Done(KeyKind::Extended, 0, c.length);
  return Done(KeyKind::Character, static_cast<unsigned char>(byte), c.length);
}

// ESC [ [ x: the Linux console's function keys F1 to F5.
DecodeResult LinuxFunctionKey(const unsigned char* bytes, std::size_t len, bool more_may_follow) {
  if (len == 3) return more_may_follow ? NeedMore() : Done(KeyKind::Extended, 0, 3);
  if (bytes[3] >= 0x20 && bytes[3] <= 0x7E) return Done(KeyKind::Extended, bytes[3], 4);
  return Done(KeyKind::Extended, 0, 3);
}

// ESC [ or ESC O: a CSI or SS3 sequence, or Alt+[ / Alt+O when nothing
// follows in time.
DecodeResult IntroducedSequence(const unsigned char* bytes, std::size_t len,
                                bool more_may_follow) {
  if (len == 2) return more_may_follow ? NeedMore() : Done(KeyKind::Extended, bytes[1], 2);
  if (bytes[1] == '[' && bytes[2] == '[') return LinuxFunctionKey(bytes, len, more_may_follow);
  return ControlSequence(bytes, len, 2, more_may_follow);
}

// Bytes that start with ESC.
DecodeResult EscapeKey(const unsigned char* bytes, std::size_t len, bool more_may_follow) {
  if (len == 1) return more_may_follow ? NeedMore() : Done(KeyKind::Character, kEsc, 1);
  const unsigned char b1 = bytes[1];
  if (b1 == '[' || b1 == 'O') return IntroducedSequence(bytes, len, more_may_follow);
  if (b1 >= 0x20 && b1 <= 0x7E) return Done(KeyKind::Extended, b1, 2);  // Alt+key
  // ESC followed by a control byte or a byte of 128 or more: the Esc key on
  // its own, then that byte as its own key (an Esc typed just before Enter
  // must not swallow the Enter).
  return Done(KeyKind::Character, kEsc, 1);
}

}  // namespace

DecodeResult DecodeKey(const unsigned char* bytes, std::size_t len, bool more_may_follow,
                       bool after_cr, bool utf8) {
  if (len == 0) return DecodeResult{};
  const unsigned char b0 = bytes[0];
  if (b0 == '\n' && after_cr) {
    DecodeResult r;
    r.status = DecodeStatus::Skipped;
    r.used = 1;
    return r;
  }
  if (utf8 && b0 >= 0xC2 && b0 <= 0xF4) {
    const DecodeResult r = Utf8Character(bytes, len, more_may_follow);
    if (r.status != DecodeStatus::Empty) return r;
  }
  if (b0 == kEsc) return EscapeKey(bytes, len, more_may_follow);
  return PlainByte(b0);
}

DecodeResult NextKey(KeyDecoder& d, bool more_may_follow, bool take) {
  for (;;) {
    DecodeResult r = DecodeKey(d.buf, d.len, more_may_follow, d.after_cr, d.utf8);
    if (r.status == DecodeStatus::Skipped) {
      std::memmove(d.buf, d.buf + r.used, d.len - r.used);
      d.len -= r.used;
      d.after_cr = false;
      continue;
    }
    if (r.status == DecodeStatus::Done && take) {
      d.after_cr = (r.used == 1 && d.buf[0] == '\r');
      std::memmove(d.buf, d.buf + r.used, d.len - r.used);
      d.len -= r.used;
    }
    return r;
  }
}

std::size_t FeedDecoder(KeyDecoder& d, const unsigned char* bytes, std::size_t len) {
  std::size_t room = sizeof d.buf - d.len;
  std::size_t n = len < room ? len : room;
  std::memcpy(d.buf + d.len, bytes, n);
  d.len += n;
  return n;
}

}  // namespace pw
