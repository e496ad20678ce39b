// How the commands show their results: blocks of aligned rows for people
// (three decimals, a unit in every heading, 80 columns at most) and JSON
// documents for scripts (numbers unrounded).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "commands/option_values.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

// Keys in the order they are written.
using Json = nlohmann::ordered_json;

// An arm with its nulls (none for a set-up that has no zero-error radius)
// and its figures over the band.
struct ArmReport {
  ArmGeometry arm;
  std::optional<NullRadii> nulls;
  BandFigures figures;
};

// Throws BadInput should a number not be finite.
ArmReport ReportArm(const ArmGeometry& arm, std::optional<NullRadii> nulls, GrooveSpan band, Playback play);

// The top of every JSON document: groove, rpm, velocity.
Json AssumptionsJson(GrooveSpan band, Playback play);

// The keys of an alignment or set-up, after `name` when given.
Json ArmJson(const ArmReport& r);

// "Assumed: IEC 60.325 to 146.050 mm, 33.333 rpm, 14.142 cm/s peak (10.000
// RMS)": the groove band, the speed and the groove velocity.
std::string AssumptionsLine(const GrooveChoice& groove, Playback play);

// The rows of one block: nulls, lengths, offset, figures.
std::string ArmRows(const ArmReport& r);

// One row: the heading padded to the value column, the value, and what
// follows it.
std::string Row(std::string_view heading, std::string_view value, std::string_view after = {});

// `text` followed by blanks up to `width` characters (UTF-8 counted by
// characters, not bytes).
std::string PadRight(std::string_view text, std::size_t width);

}  // namespace pw
