#include "commands/protractor_command.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "commands/arm_options.h"
#include "commands/command_result.h"
#include "commands/option_values.h"
#include "commands/report.h"
#include "drawing/pdf_writer.h"
#include "drawing/protractor_page.h"
#include "drawing/svg_writer.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

namespace {

constexpr double kDegrees = 180 / std::numbers::pi;

const char kAbout[] =
    "Draws a full-size alignment protractor for an arm into a PDF or SVG file: an\n"
    "arc protractor for the arm's own pivot to spindle distance, or the two-point\n"
    "sheet of the interactive program, with two 100 mm bars to check the print.";

const char kFooter[] =
    "Print at 100 % (actual size, no fit to page), then measure both bars with a\n"
    "ruler.  If they come out X x 100 mm across and Y x 100 mm down, draw again with\n"
    "--scale X,Y: the drawing is stretched by 1/X and 1/Y so that it prints true on\n"
    "that printer.  Example: pivotwright protractor --pivot 222 -o protractor.pdf";

struct ProtractorTexts {
  ArmOptionTexts arm;
  std::string alignment = "baerwald";
  std::string kind = "arc";
  std::string paper = "a4";
  std::string scale = "1,1";
  std::string output = "protractor.pdf";
};

enum class Format { Pdf, Svg };

// A printer that scales by more than this is set wrong, not off a little.
constexpr double kSmallestScale = 0.5;
constexpr double kLargestScale = 2;

struct Scale {
  double x = 1;
  double y = 1;
};

Scale ReadScale(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) RejectValue("--scale", text, "give what the bars measured as X,Y (1.02,0.98)");
  const Scale s{ReadNumber("--scale (across)", text.substr(0, comma)),
                ReadNumber("--scale (down)", text.substr(comma + 1))};
  if (!(s.x >= kSmallestScale && s.x <= kLargestScale && s.y >= kSmallestScale && s.y <= kLargestScale)) {
    RejectValue("--scale", text, "each factor must lie between 0.5 and 2 (1.02 for a bar of 102 mm)");
  }
  return s;
}

ProtractorKind ReadKind(const std::string& text) {
  if (text == "arc") return ProtractorKind::Arc;
  if (text == "two-point") return ProtractorKind::TwoPoint;
  RejectValue("--kind", text, "arc or two-point");
}

Paper ReadPaper(const std::string& text) {
  if (text == "a4") return Paper::A4;
  if (text == "letter") return Paper::Letter;
  if (text == "a3") return Paper::A3;
  RejectValue("--paper", text, "a4, letter or a3");
}

Format ReadFormat(const std::string& path) {
  std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail == ".pdf") return Format::Pdf;
  if (tail == ".svg") return Format::Svg;
  RejectValue("-o", path, "the file name must end in .pdf or .svg");
}

AlignmentChoice ReadSingleAlignment(const std::string& text) {
  const std::vector<AlignmentChoice> chosen = ReadAlignments("--alignment", text);
  if (chosen.size() != 1) RejectValue("--alignment", text, "a protractor is drawn for one alignment");
  return chosen.front();
}

// "it fits A3" or "it fits no paper the program has (A3 is the largest)".
std::string WhatFits(const std::vector<Paper>& fitting) {
  if (fitting.empty()) return "it fits no paper the command has (A3 is the largest)";
  std::string s = "it fits ";
  for (std::size_t i = 0; i < fitting.size(); ++i) {
    if (i > 0) s += i + 1 == fitting.size() ? " or " : ", ";
    s += std::string(PaperName(fitting[i]));
  }
  return s;
}

std::string JsonText(const ProtractorTexts& t, const AlignmentChoice& a, const ArmReport& report, GrooveSpan band,
                     Playback play, Paper paper, Scale scale) {
  Json j = AssumptionsJson(band, play);
  Json one;
  one["name"] = AlignmentKey(a);
  one.update(ArmJson(report));
  j["alignment"] = one;
  const PaperSize size = PaperSizeOf(paper);
  j["page"] = {{"file", t.output},     {"kind", t.kind},      {"paper", t.paper},
               {"width_mm", size.width}, {"height_mm", size.height}, {"scale_x", scale.x},
               {"scale_y", scale.y}};
  return j.dump(2) + "\n";
}

}  // namespace

CommandResult RunProtractor(int argc, const char* const* argv) {
  CommandResult result;
  CLI::App app{kAbout, "pivotwright protractor"};
  app.set_help_flag("-h,--help", "show this help and exit");
  app.footer(kFooter);
  ProtractorTexts t;
  AddArmOptions(app, t.arm);
  app.add_option("--alignment", t.alignment, "baerwald, lofgren-b, stevenson or nulls:N1/N2")
      ->type_name("NAME")
      ->default_str("baerwald");
  AddGrooveOption(app, t.arm);
  app.add_option("--kind", t.kind, "arc, or two-point (the interactive program's sheet)")
      ->type_name("KIND")
      ->default_str("arc");
  app.add_option("--paper", t.paper, "a4, letter or a3, portrait")->type_name("PAPER")->default_str("a4");
  app.add_option("--scale", t.scale, "what the printed 100 mm bars measured, in 100 mm\n(see below)")
      ->type_name("X,Y")
      ->default_str("1,1");
  app.add_option("-o,--output", t.output, "the file to write: .pdf or .svg")
      ->type_name("FILE")
      ->default_str("protractor.pdf");
  AddPlaybackOptions(app, t.arm);
  AddJsonOption(app, t.arm, "write the geometry drawn as one JSON document");
  if (!ParseArguments(app, "protractor", argc, argv, result)) return result;
  try {
    const ArmDimension d = ReadArmDimension(t.arm);
    const std::string d_text = d.way == ArmGiven::Pivot ? t.arm.pivot : t.arm.arm;
    const GrooveChoice groove = ReadGroove("--groove", t.arm.groove);
    const AlignmentChoice a = ReadSingleAlignment(t.alignment);
    const ProtractorKind kind = ReadKind(t.kind);
    const Paper paper = ReadPaper(t.paper);
    const Scale scale = ReadScale(t.scale);
    if (t.output.empty()) RejectValue("-o", t.output, "a file name is needed");
    const Format format = ReadFormat(t.output);
    const Playback play = ReadPlayback(t.arm);
    const NullRadii nulls = AlignmentNulls(a, groove.band);
    const ArmGeometry arm = AlignmentArm(d, d_text, nulls, AlignmentTitle(a), groove.band);
    const ArmReport report = ReportArm(arm, nulls, groove.band, play);
    const ProtractorSheet sheet{AlignmentTitle(a), groove.band.inner, groove.band.outer,
                                arm.pivot,          arm.arm,           arm.overhang,
                                arm.offset * kDegrees, nulls.inner,    nulls.outer};
    const ProtractorLayout layout = LayOutProtractor(sheet, kind, paper, scale.x, scale.y);
    if (!layout.fits) {
      RejectValue("--paper", t.paper,
                  "the drawing does not fit " + std::string(PaperName(paper)) + "; " + WhatFits(layout.fitting));
    }
    result.file_path = t.output;
    result.file_asked_by = "pivotwright protractor: -o";
    result.file_bytes = format == Format::Pdf ? PdfDocument(layout.page) : SvgDocument(layout.page);
    if (t.arm.json) {
      result.out = JsonText(t, a, report, groove.band, play, paper, scale);
    } else {
      result.written_line = "Wrote " + t.output + ": " + (kind == ProtractorKind::Arc ? "an arc" : "a two-point") +
                            " protractor for " + AlignmentTitle(a) + ", " + std::string(PaperName(paper)) +
                            ".\nPrint it at 100 % (no fit to page); both bars must measure 100 mm.\n";
    }
  } catch (const BadInput& bad) {
    result = BadInputResult("protractor", bad);
  }
  return result;
}

}  // namespace pw
