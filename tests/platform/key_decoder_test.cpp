#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pw::DecodeStatus;
using pw::Key;
using pw::KeyKind;

// Keys written as "c65" (character 65) or "x" (extended), space-separated.
std::string Describe(const std::vector<Key>& keys) {
  std::string out;
  for (const Key& k : keys) {
    if (!out.empty()) out += ' ';
    if (k.kind == KeyKind::Character) out += "c" + std::to_string(k.code);
    else out += "x";
  }
  return out;
}

// Decodes bytes fed in chunks split at the given points, taking every key
// that is complete after each chunk, then settles the rest as at the end of
// the input.
std::vector<Key> DecodeInChunks(const std::string& bytes, const std::vector<std::size_t>& cuts,
                                bool utf8 = false) {
  pw::KeyDecoder d;
  d.utf8 = utf8;
  std::vector<Key> keys;
  std::size_t from = 0;
  auto drain = [&](bool more) {
    for (;;) {
      pw::DecodeResult r = pw::NextKey(d, more, true);
      if (r.status != DecodeStatus::Done) return;
      keys.push_back(r.key);
    }
  };
  std::vector<std::size_t> points = cuts;
  points.push_back(bytes.size());
  for (std::size_t to : points) {
    while (from < to) {
      std::size_t fed = pw::FeedDecoder(
          d, reinterpret_cast<const unsigned char*>(bytes.data()) + from, to - from);
      from += fed;
      drain(true);
      if (fed == 0) drain(false);  // a full buffer must always yield a key
    }
    drain(true);
  }
  drain(false);
  EXPECT_EQ(d.len, 0u);
  return keys;
}

std::string DecodeAll(const std::string& bytes) { return Describe(DecodeInChunks(bytes, {})); }

struct Case {
  const char* name;
  std::string bytes;
  const char* keys;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"plain text", "4a Z", "c52 c97 c32 c90"},
      {"CR is Enter", "\r", "c13"},
      {"LF is Enter", "\n", "c13"},
      {"CR LF is one Enter", "1\r\n2", "c49 c13 c50"},
      {"LF LF is two Enters", "\n\n", "c13 c13"},
      {"CR CR is two Enters", "\r\r", "c13 c13"},
      {"LF CR LF", "\n\r\n", "c13 c13"},
      {"DEL is Backspace", "\x7f", "c8"},
      {"Ctrl+H is Backspace", "\x08", "c8"},
      {"Ctrl+C is a character", "\x03", "c3"},
      {"Tab", "\t", "c9"},
      {"NUL", std::string(1, '\0'), "c0"},
      {"high bytes are characters", "\x80\xe9\xff", "c128 c233 c255"},
      {"cursor up", "\x1b[A", "x"},
      {"cursor keys then text", "\x1b[D\x1b[C7", "x x c55"},
      {"Ctrl+Up", "\x1b[1;5A", "x"},
      {"F5", "\x1b[15~", "x"},
      {"Shift+F5", "\x1b[15;2~", "x"},
      {"Delete then digit", "\x1b[3~1", "x c49"},
      {"SS3 F1", "\x1bOP", "x"},
      {"SS3 keypad Home", "\x1bOH9", "x c57"},
      {"SS3 with modifier", "\x1bO5P", "x"},
      {"Linux console F1", "\x1b[[A3", "x c51"},
      {"Alt+x", "\x1b" "x", "x"},
      {"Alt+x then digit", "\x1b" "x1", "x c49"},
      {"lone Esc at the end", "\x1b", "c27"},
      {"two Escs", "\x1b\x1b", "c27 c27"},
      {"Esc then Enter keeps the Enter", "\x1b\r", "c27 c13"},
      {"Esc then high byte", "\x1b\xe9", "c27 c233"},
      {"Esc then CSI key", "\x1b\x1b[A", "c27 x"},
      {"unfinished CSI at the end", "\x1b[1;", "x"},
      {"CSI cut by a control byte", "\x1b[1;\r2", "x c13 c50"},
      {"CSI cut by a high byte", "\x1b[2\xe9", "x c233"},
      {"Alt+[ at the end", "\x1b[", "x"},
      {"Alt+O at the end", "\x1bO", "x"},
  };
  return cases;
}

TEST(KeyDecoder, DecodesEveryKeyClass) {
  for (const Case& c : Cases()) EXPECT_EQ(DecodeAll(c.bytes), c.keys) << c.name;
}

TEST(KeyDecoder, SplitAtAnyByteDecodesTheSame) {
  // A sequence split across reads must give the same keys, as long as the
  // rest arrives before the lone-Esc wait is over.
  for (const Case& c : Cases()) {
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
      EXPECT_EQ(Describe(DecodeInChunks(c.bytes, {cut})), c.keys)
          << c.name << " cut at " << cut;
    }
    std::vector<std::size_t> every;
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) every.push_back(cut);
    EXPECT_EQ(Describe(DecodeInChunks(c.bytes, every)), c.keys) << c.name << " byte by byte";
  }
}

TEST(KeyDecoder, TypedUtf8BecomesTheCodePageByte) {
  struct Utf8Case {
    std::string bytes;
    const char* with_utf8;
    const char* as_bytes;
  };
  const Utf8Case cases[] = {
      {"\xc3\xa9", "c130", "c195 c169"},                 // e-acute
      {"\xc2\xb0", "c248", "c194 c176"},                 // degree sign
      {"\xc3\x9f", "c225", "c195 c159"},                 // sharp s
      {"\xe2\x96\x91", "c176", "c226 c150 c145"},         // light shade
      {"\xe2\x82\xac", "x", "c226 c130 c172"},            // euro sign: not in the page
      {"\xe2\x98\xba", "x", "c226 c152 c186"},            // smiley: only a glyph of byte 1
      {"\xf0\x9f\x98\x80", "x", "c240 c159 c152 c128"},   // emoji
      {"\xc3" "A", "c195 c65", "c195 c65"},               // broken: bytes stay
      {"\xc3", "c195", "c195"},                           // cut off at the end
      {"\xc0\x80", "c192 c128", "c192 c128"},            // overlong
      {"\xe0\x80\x80", "c224 c128 c128", "c224 c128 c128"},
      {"\xed\xa0\x80", "c237 c160 c128", "c237 c160 c128"},  // surrogate
      {"1\xc3\xa9\r", "c49 c130 c13", "c49 c195 c169 c13"},
  };
  for (const Utf8Case& c : cases) {
    EXPECT_EQ(Describe(DecodeInChunks(c.bytes, {}, true)), c.with_utf8) << c.with_utf8;
    EXPECT_EQ(Describe(DecodeInChunks(c.bytes, {}, false)), c.as_bytes) << c.as_bytes;
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
      EXPECT_EQ(Describe(DecodeInChunks(c.bytes, {cut}, true)), c.with_utf8)
          << c.with_utf8 << " cut at " << cut;
    }
  }
}

TEST(KeyDecoder, PeekLeavesTheKeyWaiting) {
  pw::KeyDecoder d;
  const unsigned char bytes[] = {'\r', '\n', '7'};
  pw::FeedDecoder(d, bytes, 3);
  pw::DecodeResult first = pw::NextKey(d, true, false);
  ASSERT_EQ(first.status, DecodeStatus::Done);
  EXPECT_EQ(first.key.code, 13);
  EXPECT_EQ(pw::NextKey(d, true, true).key.code, 13);
  EXPECT_EQ(pw::NextKey(d, true, false).key.code, '7');  // the LF after CR was dropped
  EXPECT_EQ(pw::NextKey(d, true, true).key.code, '7');
  EXPECT_EQ(pw::NextKey(d, true, true).status, DecodeStatus::Empty);
}

TEST(KeyDecoder, BogusSequencesAreBoundedAndLoseNoLaterKeys) {
  // An endless parameter string is cut at the length bound; the keys after
  // it still arrive.
  std::string bogus = "\x1b[" + std::string(200, '1') + "A" + "42\r";
  std::vector<Key> keys = DecodeInChunks(bogus, {});
  ASSERT_GE(keys.size(), 3u);
  std::string tail = Describe({keys.end() - 3, keys.end()});
  EXPECT_EQ(tail, "c52 c50 c13");
  for (std::size_t i = 0; i + 3 < keys.size(); ++i) {
    // Everything before is either one extended key or the digits of the cut
    // sequence taken as characters: never an Enter and never a hang.
    EXPECT_NE(keys[i].code, 13);
  }
}

}  // namespace
