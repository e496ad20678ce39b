// The values the command-line commands take, read from their texts: each
// reader either gives the value or throws BadInput with one line that
// names the option, the text and what is wrong with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

// Bad input found while reading a command line.  `message` is one line
// without the program's name or a line end.
struct BadInput {
  std::string message;
};

// Throws BadInput for `option` and its text: "--pivot 'abc': <what>".
[[noreturn]] void RejectValue(std::string_view option, std::string_view text, std::string_view what);

// A decimal number as C would write one ("222", "-1.5", "2.5e2"); no blanks,
// no comma for the point; NaN and infinity are refused.
double ReadNumber(std::string_view option, std::string_view text);

// A number greater than 0, from 0.001 to 1000000 (a length in mm, a speed,
// a velocity).
double ReadPositive(std::string_view option, std::string_view text);

// The recorded band: a standard's name or "R1,R2".
struct GrooveChoice {
  GrooveSpan band;
  std::string name;  // "IEC", "DIN", "JIS" or "" for the user's own
};
GrooveChoice ReadGroove(std::string_view option, std::string_view text);

// One alignment to work out.
enum class AlignmentKind { Baerwald, LofgrenB, Stevenson, OwnNulls };
struct AlignmentChoice {
  AlignmentKind kind = AlignmentKind::Baerwald;
  NullRadii own;  // OwnNulls only
};

// "baerwald", "lofgren-a", "lofgren-b", "stevenson", "nulls:N1/N2", "all",
// or a comma-separated list of them.
std::vector<AlignmentChoice> ReadAlignments(std::string_view option, std::string_view text);

// The three named alignments, in the order they are shown.
std::vector<AlignmentChoice> NamedAlignments();

// The key scripts see ("baerwald", "lofgren-b", "stevenson", "nulls:...")
// and the name people read ("Baerwald (Löfgren A)", ...).
std::string AlignmentKey(const AlignmentChoice& a);
std::string AlignmentTitle(const AlignmentChoice& a);

// The alignment's nulls for the band.
NullRadii AlignmentNulls(const AlignmentChoice& a, GrooveSpan band);

// Turntable speed: "33", "33.3", "33.33", ... all mean 33 1/3; otherwise a
// number greater than 0.
double ReadRpm(std::string_view option, std::string_view text);

// An offset angle in degrees, strictly between -90 and 90.
double ReadOffsetDegrees(std::string_view option, std::string_view text);

// "dH,dB": two numbers, neither negative.
struct Tolerance {
  double overhang = 0;    // mm
  double offset_deg = 0;  // degrees
};
Tolerance ReadTolerance(std::string_view option, std::string_view text);

// A number with three decimals ("17.296"; never "-0.000").
std::string Fixed3(double x);

// The shortest text that reads back as the same double ("70.29").
std::string Shortest(double x);

}  // namespace pw
