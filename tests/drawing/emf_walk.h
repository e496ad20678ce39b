// Reading metafiles back in tests: a record walker that checks the file's
// structure, and decoders for the fields the tests look at.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace emftest {

inline uint32_t U32(const std::string& b, std::size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline int32_t I32(const std::string& b, std::size_t at) {
  return static_cast<int32_t>(U32(b, at));
}
inline float F32(const std::string& b, std::size_t at) {
  const uint32_t v = U32(b, at);
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

struct Record {
  uint32_t type = 0;
  uint32_t size = 0;
  std::string bytes;  // the whole record

  int32_t I(std::size_t at) const { return I32(bytes, at); }
  uint32_t U(std::size_t at) const { return U32(bytes, at); }
};

// Splits a file into records and checks its structure: every record at
// least 8 bytes, a multiple of 4 and inside the file; the header first with
// the signature, nBytes = file size, nRecords = record count, nHandles =
// highest object index + 1; EMR_EOF last, ending exactly at the end of the
// file, with nSizeLast equal to its size.  `problems` collects what is wrong
// (empty when the file is sound).
inline std::vector<Record> WalkRecords(const std::string& file, std::string* problems) {
  std::vector<Record> out;
  std::string bad;
  std::size_t at = 0;
  uint32_t highest_index = 0;
  bool eof_seen = false;
  while (at + 8 <= file.size()) {
    if (eof_seen) {
      bad += "record after EMR_EOF at " + std::to_string(at) + "\n";
      break;
    }
    Record r;
    r.type = U32(file, at);
    r.size = U32(file, at + 4);
    if (r.size < 8 || r.size % 4 != 0 || r.size > file.size() - at) {
      bad += "bad record size " + std::to_string(r.size) + " at " + std::to_string(at) + "\n";
      break;
    }
    r.bytes = file.substr(at, r.size);
    if (r.type == 38 || r.type == 39 || r.type == 82) {
      highest_index = std::max(highest_index, r.U(8));
    }
    if (r.type == 14) eof_seen = true;
    out.push_back(std::move(r));
    at += out.back().size;
  }
  if (at != file.size()) bad += "bytes left after the last record\n";
  if (out.empty() || out.front().type != 1) {
    bad += "no header first\n";
  } else {
    const Record& h = out.front();
    if (h.size < 88) bad += "header too short\n";
    if (h.size >= 88) {
      if (h.U(40) != 0x464D4520u) bad += "bad signature\n";
      if (h.U(48) != file.size()) bad += "nBytes is not the file size\n";
      if (h.U(52) != out.size()) bad += "nRecords is not the record count\n";
      const uint32_t handles = static_cast<uint32_t>(static_cast<unsigned char>(h.bytes[56])) |
                               static_cast<uint32_t>(static_cast<unsigned char>(h.bytes[57])) << 8;
      if (handles != highest_index + 1) bad += "nHandles is not highest index + 1\n";
    }
  }
  for (std::size_t i = 1; i < out.size(); ++i) {
    if (out[i].type == 1) bad += "second header\n";
  }
  if (out.empty() || out.back().type != 14) {
    bad += "no EMR_EOF last\n";
  } else if (out.back().U(out.back().size - 4) != out.back().size) {
    bad += "EMR_EOF nSizeLast wrong\n";
  }
  if (problems != nullptr) *problems = bad;
  return out;
}

// The UTF-16 text of an EMR_EXTTEXTOUTW record, as Latin-1 bytes.
inline std::string TextOf(const Record& r) {
  const uint32_t n = r.U(44);
  const uint32_t off = r.U(48);
  std::string s;
  for (uint32_t i = 0; i < n; ++i) s.push_back(r.bytes[off + 2 * i]);
  return s;
}

// A record with its device-dependent fields left out: header bounds, sizes
// of the device and byte count; record bounds; text scales and advances.
// What remains is what the drawing asked for.
inline std::string DrawingFields(const Record& r) {
  std::string d = std::to_string(r.type) + ":";
  switch (r.type) {
    case 1:  // frame, signature, version, nRecords, description
      d += r.bytes.substr(24, 24) + r.bytes.substr(52, 4) + r.bytes.substr(60, 8);
      break;
    case 76:  // everything after the bounds
      d += r.bytes.substr(24);
      break;
    case 84: {  // graphics mode, reference point, text, options, clip box
      d += r.bytes.substr(24, 4) + r.bytes.substr(36, 8) + TextOf(r) + "|" +
           r.bytes.substr(52, 20);
      break;
    }
    case 82:  // index and the LOGFONTW up to the end of the face name
      d += r.bytes.substr(8, 4) + r.bytes.substr(12, 28);
      {
        std::string face;
        for (std::size_t i = 40; i + 1 < 104 && r.bytes[i] != 0; i += 2) face.push_back(r.bytes[i]);
        d += face;
      }
      break;
    case 14:
      break;
    default:
      d += r.bytes.substr(8);
  }
  return d;
}

}  // namespace emftest
