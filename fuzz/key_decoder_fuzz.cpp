// The key decoder on arbitrary byte streams.
//
// Input: one control byte (bit 0: the stream is UTF-8 from a terminal; the
// other bits seed the split points), then the stream.  The stream is decoded
// twice:
//   - at once, with DecodeKey on everything that is left, as if all bytes
//     had arrived before the first key was read;
//   - through the decoder buffer (FeedDecoder and NextKey), fed in pieces cut
//     at points chosen from the control byte, each piece arriving before the
//     decoder gives up waiting (more bytes may follow until the last piece).
// Properties: both give the same keys; every key takes between 1 and
// kMaxKeySequence bytes (so decoding ends); a byte of 128 or more that does
// not start a UTF-8 character (or any such byte without UTF-8) is a
// character of its own; control codes arrive only as themselves.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "platform/key_decoder.h"

namespace {

struct DecodedKey {
  pw::KeyKind kind;
  unsigned char code;
  friend bool operator==(const DecodedKey&, const DecodedKey&) = default;
};

// A lead byte that can start a well-formed UTF-8 character of two or more bytes.
bool Utf8Lead(unsigned char b) { return b >= 0xC2 && b <= 0xF4; }

std::vector<DecodedKey> DecodeAtOnce(const uint8_t* bytes, std::size_t len, bool utf8) {
  std::vector<DecodedKey> keys;
  std::size_t pos = 0;
  bool after_cr = false;
  while (pos < len) {
    const pw::DecodeResult r = pw::DecodeKey(bytes + pos, len - pos, false, after_cr, utf8);
    FUZZ_CHECK(r.status == pw::DecodeStatus::Done || r.status == pw::DecodeStatus::Skipped);
    FUZZ_CHECK(r.used >= 1 && r.used <= pw::kMaxKeySequence && r.used <= len - pos);
    const unsigned char b0 = bytes[pos];
    if (r.status == pw::DecodeStatus::Skipped) {
      FUZZ_CHECK(after_cr && b0 == '\n' && r.used == 1);
      after_cr = false;
      pos += r.used;
      continue;
    }
    // Bytes of 128 or more outside sequences are characters as they stand.
    if (b0 >= 128 && !(utf8 && Utf8Lead(b0))) {
      FUZZ_CHECK(r.key.kind == pw::KeyKind::Character && r.key.code == b0 && r.used == 1);
    }
    if (b0 >= 32 && b0 < 127) {
      FUZZ_CHECK(r.key.kind == pw::KeyKind::Character && r.key.code == b0 && r.used == 1);
    }
    // A control code as a character: Enter for CR and LF, Backspace for
    // Ctrl+H and DEL, otherwise the code itself (a lone Esc included).
    if (r.key.kind == pw::KeyKind::Character && r.key.code < 32) {
      FUZZ_CHECK(r.used == 1);
      if (b0 == '\r' || b0 == '\n') {
        FUZZ_CHECK(r.key.code == 13);
      } else if (b0 == 8 || b0 == 127) {
        FUZZ_CHECK(r.key.code == 8);
      } else {
        FUZZ_CHECK(r.key.code == b0);
      }
    }
    if (r.used > 1) FUZZ_CHECK(b0 == 27 || (utf8 && Utf8Lead(b0)));
    keys.push_back({r.key.kind, r.key.code});
    after_cr = r.used == 1 && b0 == '\r';
    pos += r.used;
  }
  return keys;
}

// Takes every key the buffer holds; returns when it needs more bytes or is
// empty.
void TakeKeys(pw::KeyDecoder& d, bool more_may_follow, std::vector<DecodedKey>& keys) {
  for (;;) {
    const std::size_t before = d.len;
    const pw::DecodeResult r = pw::NextKey(d, more_may_follow, true);
    if (r.status != pw::DecodeStatus::Done) {
      FUZZ_CHECK(r.status == pw::DecodeStatus::NeedMore || r.status == pw::DecodeStatus::Empty);
      FUZZ_CHECK(more_may_follow || d.len == 0);
      return;
    }
    FUZZ_CHECK(d.len < before);
    keys.push_back({r.key.kind, r.key.code});
  }
}

std::vector<DecodedKey> DecodeInPieces(const uint8_t* bytes, std::size_t len, bool utf8,
                                       uint32_t seed) {
  std::vector<DecodedKey> keys;
  pw::KeyDecoder d;
  d.utf8 = utf8;
  std::size_t pos = 0;
  while (pos < len) {
    // Pieces of 1 to 8 bytes, sizes from a small generator seeded by the input.
    seed = seed * 1103515245u + 12345u;
    std::size_t piece = 1 + ((seed >> 16) & 7);
    if (piece > len - pos) piece = len - pos;
    std::size_t fed = 0;
    while (fed < piece) {
      const std::size_t n = pw::FeedDecoder(d, bytes + pos + fed, piece - fed);
      fed += n;
      const std::size_t before = keys.size();
      TakeKeys(d, true, keys);
      // A full buffer that yields no key would never make room.
      FUZZ_CHECK(n > 0 || keys.size() > before);
    }
    pos += piece;
  }
  TakeKeys(d, false, keys);
  FUZZ_CHECK(d.len == 0);
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool utf8 = (data[0] & 1) != 0;
  const uint32_t seed = data[0] >> 1;
  const uint8_t* stream = data + 1;
  const std::size_t len = size - 1;

  const std::vector<DecodedKey> whole = DecodeAtOnce(stream, len, utf8);
  FUZZ_CHECK(whole.size() <= len);
  const std::vector<DecodedKey> pieces = DecodeInPieces(stream, len, utf8, seed);
  FUZZ_CHECK(pieces == whole);
  return 0;
}
