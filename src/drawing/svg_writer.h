// A page as an SVG 1.1 file whose user unit is the millimetre: lines,
// elliptic arcs and texts, each named group a <g> (or the one element) with
// its id.
#pragma once

#include <string>
#include <string_view>

#include "drawing/page.h"

namespace pw {

// UTF-8 text made safe inside XML: & < > " escaped, control characters
// dropped and malformed UTF-8 replaced by "?".
std::string SvgEscaped(std::string_view utf8);

// The whole file.
std::string SvgDocument(const Page& page);

}  // namespace pw
