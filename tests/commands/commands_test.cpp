#include "commands/commands.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cmath>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "commands/command_result.h"
#include "commands/option_values.h"

namespace pw {
namespace {

CommandResult RunArgs(const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return RunCommand(static_cast<int>(argv.size() - 1), argv.data());
}

nlohmann::ordered_json RunJson(std::vector<std::string> args) {
  args.emplace_back("--json");
  const CommandResult r = RunArgs(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  return nlohmann::ordered_json::parse(r.out);
}

// Every mistake: status 2, nothing on standard output, one line on standard
// error that names the option (or command) and says what is wrong.
TEST(Commands, BadInputIsOneLineNamingTheOptionAndStatus2) {
  struct Case {
    std::vector<std::string> args;
    const char* names;  // a part of the message
  } cases[] = {
      {{"align"}, "--pivot or --arm is needed"},
      {{"align", "--pivot", "222", "--arm", "240"}, "not both"},
      {{"align", "--pivot", "1", "--pivot", "2"}, "--pivot: given more than once"},
      {{"check", "--pivot", "222", "--overhang", "17", "--offset", "23", "--offset", "22"}, "--offset: given more"},
      {{"align", "--pivot"}, "--pivot: a value is needed"},
      {{"align", "--pivot", "222", "--groove"}, "--groove: a value is needed"},
      {{"align", "--pivot", "12,5"}, "--pivot '12,5': not a number"},
      {{"align", "--pivot", "abc"}, "--pivot 'abc': not a number"},
      {{"align", "--pivot", ""}, "--pivot '': a number is needed"},
      {{"align", "--pivot", " 222"}, "--pivot ' 222': not a number"},
      {{"align", "--pivot", "0x10"}, "--pivot '0x10': not a number"},
      {{"align", "--pivot", "nan"}, "NaN"},
      {{"align", "--pivot", "inf"}, "infinity"},
      {{"align", "--pivot", "1e999"}, "out of range"},
      {{"align", "--pivot", "0"}, "--pivot '0': must be greater than 0"},
      {{"align", "--arm", "-240"}, "--arm '-240': must be greater than 0"},
      {{"align", "--pivot", "222", "--groove", "146.05,60.325"}, "inner radius must be less"},
      {{"align", "--pivot", "222", "--groove", "60,60"}, "inner radius must be less"},
      {{"align", "--pivot", "222", "--groove", "0,100"}, "--groove (inner radius) '0'"},
      {{"align", "--pivot", "222", "--groove", "ansi"}, "--groove 'ansi'"},
      {{"align", "--arm", "80"}, "--arm '80': the arm is too short"},
      {{"align", "--pivot", "10"}, "--pivot '10': with the nulls of Baerwald"},
      {{"align", "--pivot", "222", "--alignment", "nulls:120/70"}, "inner null must be less"},
      {{"align", "--pivot", "222", "--alignment", "nulls:-1/70"}, "must be greater than 0"},
      {{"align", "--pivot", "222", "--alignment", "nulls:70"}, "nulls:N1/N2"},
      {{"align", "--pivot", "222", "--alignment", "baerwald,,stevenson"}, "missing"},
      {{"align", "--pivot", "222", "--alignment", "lofgren"}, "unknown alignment 'lofgren'"},
      {{"align", "--pivot", "222", "--rpm", "0"}, "--rpm '0'"},
      {{"align", "--pivot", "222", "--rpm", "-45"}, "--rpm '-45'"},
      {{"align", "--pivot", "222", "--velocity", "0"}, "--velocity '0'"},
      {{"align", "--pivot", "222", "--velocity", ""}, "--velocity ''"},
      {{"align", "--pivot", "222", "--unknown"}, "--unknown"},
      {{"align", "--pivot", "222", "stray"}, "stray"},
      {{"check", "--pivot", "222", "--offset", "23"}, "--overhang is needed"},
      {{"check", "--pivot", "222", "--overhang", "17"}, "--offset is needed"},
      {{"check", "--pivot", "222", "--overhang", "0", "--offset", "23"}, "--overhang '0'"},
      {{"check", "--pivot", "222", "--overhang", "17", "--offset", "90"}, "--offset '90'"},
      {{"check", "--pivot", "222", "--overhang", "17", "--offset", "-91"}, "--offset '-91'"},
      {{"check", "--arm", "20", "--overhang", "30", "--offset", "10"}, "less than the arm length"},
      {{"check", "--pivot", "20", "--overhang", "10", "--offset", "10"}, "the stylus reaches radii"},
      {{"check", "--pivot", "222", "--overhang", "17", "--offset", "23", "--tolerance", "0.5"}, "H_MM,DEG"},
      {{"check", "--pivot", "222", "--overhang", "17", "--offset", "23", "--tolerance", "-1,1"}, "negative"},
      {{"check", "--pivot", "222", "--overhang", "1", "--offset", "23", "--tolerance", "4,0"}, "at overhang -3.000"},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunArgs(c.args);
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_NE(r.err.find(c.names), std::string::npos) << shown << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("pivotwright " + c.args[0] + ": ", 0), 0u) << r.err;
    ASSERT_FALSE(r.err.empty()) << shown;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << shown << "\n" << r.err;
  }
}

TEST(Commands, ATypedControlByteNeverReachesTheTerminal) {
  const CommandResult r = RunArgs({"align", "--pivot", "2\x1b[31m2"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\\x1B"), std::string::npos) << r.err;
}

TEST(Commands, AlignJsonHasTheKeysAndTheReferenceFigures) {
  const nlohmann::ordered_json j = RunJson({"align", "--pivot", "222", "--alignment", "baerwald", "--velocity", "10"});
  EXPECT_EQ(j["groove"]["inner"], 60.325);
  EXPECT_EQ(j["groove"]["outer"], 146.05);
  EXPECT_DOUBLE_EQ(j["rpm"].get<double>(), 100.0 / 3);
  EXPECT_EQ(j["velocity_peak_cm_s"], 10.0);
  ASSERT_EQ(j["alignments"].size(), 1u);
  const nlohmann::ordered_json& a = j["alignments"][0];
  std::vector<std::string> keys;
  for (const auto& [key, value] : a.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"name", "inner_null", "outer_null", "arm", "pivot", "overhang",
                                            "offset_deg", "linear_offset", "max_error_deg", "max_error_at",
                                            "max_distortion_pct", "max_distortion_at", "rms_distortion_pct",
                                            "max_weighted_error_deg_per_cm"}));
  EXPECT_EQ(a["name"], "baerwald");
  EXPECT_NEAR(a["inner_null"].get<double>(), 65.998, 5e-4);
  EXPECT_NEAR(a["outer_null"].get<double>(), 120.891, 5e-4);
  EXPECT_NEAR(a["arm"].get<double>(), 239.296, 5e-4);
  EXPECT_EQ(a["pivot"], 222.0);
  EXPECT_NEAR(a["overhang"].get<double>(), 17.296, 5e-4);
  EXPECT_NEAR(a["offset_deg"].get<double>(), 22.986, 5e-4);
  EXPECT_NEAR(a["linear_offset"].get<double>(), (65.998 + 120.891) / 2, 1e-3);
  EXPECT_NEAR(a["max_error_deg"].get<double>(), 1.806, 5e-4);
  EXPECT_EQ(a["max_error_at"], 146.05);
  EXPECT_NEAR(a["max_distortion_pct"].get<double>(), 0.618, 5e-4);
  EXPECT_NEAR(a["rms_distortion_pct"].get<double>(), 0.408, 5e-4);
}

TEST(Commands, AlignmentListsAndTheirOrder) {
  struct Case {
    const char* list;
    std::vector<std::string> names;
  } cases[] = {
      {"all", {"baerwald", "lofgren-b", "stevenson"}},
      {"lofgren-a", {"baerwald"}},
      {"stevenson,baerwald", {"stevenson", "baerwald"}},
      {"nulls:70.29/116.6,all", {"nulls:70.29/116.6", "baerwald", "lofgren-b", "stevenson"}},
  };
  for (const Case& c : cases) {
    const nlohmann::ordered_json j = RunJson({"align", "--arm", "240", "--alignment", c.list});
    std::vector<std::string> names;
    for (const auto& a : j["alignments"]) names.push_back(a["name"]);
    EXPECT_EQ(names, c.names) << c.list;
  }
  const nlohmann::ordered_json own = RunJson({"align", "--arm", "240", "--alignment", "nulls:70.29/116.6"});
  EXPECT_EQ(own["alignments"][0]["inner_null"], 70.29);
  EXPECT_EQ(own["alignments"][0]["outer_null"], 116.6);
  EXPECT_EQ(own["alignments"][0]["arm"], 240.0);
}

TEST(Commands, GroovesSpeedsAndVelocities) {
  struct Case {
    std::vector<std::string> options;
    double inner, outer, rpm, velocity;
  } cases[] = {
      {{}, 60.325, 146.05, 100.0 / 3, 10 * std::numbers::sqrt2},
      {{"--groove", "din"}, 57.5, 146.05, 100.0 / 3, 10 * std::numbers::sqrt2},
      {{"--groove", "jis", "--rpm", "45"}, 57.6, 146.5, 45, 10 * std::numbers::sqrt2},
      {{"--groove", "50,150", "--rpm", "78", "--velocity", "10"}, 50, 150, 78, 10},
      {{"--rpm", "33"}, 60.325, 146.05, 100.0 / 3, 10 * std::numbers::sqrt2},
      {{"--rpm", "33.3"}, 60.325, 146.05, 100.0 / 3, 10 * std::numbers::sqrt2},
      {{"--rpm", "33.33"}, 60.325, 146.05, 100.0 / 3, 10 * std::numbers::sqrt2},
      {{"--rpm", "33.34"}, 60.325, 146.05, 33.34, 10 * std::numbers::sqrt2},
      {{"--rpm", "16.5", "--velocity", "+7.5e0"}, 60.325, 146.05, 16.5, 7.5},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"align", "--pivot", "222"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const nlohmann::ordered_json j = RunJson(args);
    EXPECT_EQ(j["groove"]["inner"], c.inner);
    EXPECT_EQ(j["groove"]["outer"], c.outer);
    EXPECT_DOUBLE_EQ(j["rpm"].get<double>(), c.rpm);
    EXPECT_DOUBLE_EQ(j["velocity_peak_cm_s"].get<double>(), c.velocity);
  }
}

TEST(Commands, CheckOfAnAlignedArmDiffersFromItByNothing) {
  const nlohmann::ordered_json a = RunJson({"align", "--pivot", "222", "--alignment", "baerwald"})["alignments"][0];
  const std::string overhang = Shortest(a["overhang"].get<double>());
  const std::string offset = Shortest(a["offset_deg"].get<double>());
  const nlohmann::ordered_json c = RunJson({"check", "--pivot", "222", "--overhang", overhang, "--offset", offset});
  EXPECT_NEAR(c["setup"]["inner_null"].get<double>(), a["inner_null"].get<double>(), 1e-9);
  EXPECT_NEAR(c["setup"]["outer_null"].get<double>(), a["outer_null"].get<double>(), 1e-9);
  EXPECT_NEAR(c["setup"]["max_distortion_pct"].get<double>(), a["max_distortion_pct"].get<double>(), 1e-9);
  EXPECT_FALSE(c["setup"].contains("name"));
  ASSERT_EQ(c["differences"].size(), 3u);
  EXPECT_EQ(c["differences"][0]["name"], "baerwald");
  EXPECT_NEAR(c["differences"][0]["overhang"].get<double>(), 0, 1e-12);
  EXPECT_NEAR(c["differences"][0]["offset_deg"].get<double>(), 0, 1e-12);
  EXPECT_FALSE(c.contains("tolerance"));
  // Given the arm length instead, the same set-up is the same set-up.
  const std::string arm = Shortest(a["arm"].get<double>());
  const nlohmann::ordered_json by_arm = RunJson({"check", "--arm", arm, "--overhang", overhang, "--offset", offset});
  EXPECT_NEAR(by_arm["setup"]["pivot"].get<double>(), 222, 1e-9);
  EXPECT_NEAR(by_arm["differences"][0]["overhang"].get<double>(), 0, 1e-9);
}

TEST(Commands, CheckWithoutNullsLeavesThemOut) {
  const nlohmann::ordered_json c = RunJson({"check", "--pivot", "222", "--overhang", "17", "--offset", "0"});
  EXPECT_FALSE(c["setup"].contains("inner_null"));
  EXPECT_FALSE(c["setup"].contains("outer_null"));
  EXPECT_GT(c["setup"]["max_error_deg"].get<double>(), 10);
  const CommandResult people = RunArgs({"check", "--pivot", "222", "--overhang", "17", "--offset", "0"});
  EXPECT_NE(people.out.find("never zero"), std::string::npos) << people.out;
}

TEST(Commands, ToleranceGivesTheWorstOfTheTwentyFiveSetUps) {
  const std::vector<std::string> base{"check", "--pivot", "222", "--overhang", "17", "--offset", "23"};
  std::vector<std::string> none = base;
  none.insert(none.end(), {"--tolerance", "0,0"});
  const nlohmann::ordered_json same = RunJson(none);
  // No tolerance: the worst is the set-up itself.
  EXPECT_EQ(same["tolerance"]["worst_max_distortion_pct"], same["setup"]["max_distortion_pct"]);
  EXPECT_EQ(same["tolerance"]["worst_max_error_deg"], same["setup"]["max_error_deg"]);
  std::vector<std::string> half = base;
  half.insert(half.end(), {"--tolerance", "0.5,0.5"});
  const nlohmann::ordered_json t = RunJson(half)["tolerance"];
  EXPECT_GT(t["worst_max_distortion_pct"].get<double>(), same["setup"]["max_distortion_pct"].get<double>());
  // The worst set-up is one of the 25, and checking it gives its figure.
  const double h = t["worst_max_distortion_overhang"];
  const double b = t["worst_max_distortion_offset_deg"];
  EXPECT_NEAR(std::remainder(h - 17, 0.25), 0, 1e-12);
  EXPECT_NEAR(std::remainder(b - 23, 0.25), 0, 1e-12);
  EXPECT_LE(std::fabs(h - 17), 0.5 + 1e-12);
  EXPECT_LE(std::fabs(b - 23), 0.5 + 1e-12);
  const nlohmann::ordered_json worst =
      RunJson({"check", "--pivot", "222", "--overhang", Shortest(h), "--offset", Shortest(b)});
  EXPECT_DOUBLE_EQ(worst["setup"]["max_distortion_pct"].get<double>(), t["worst_max_distortion_pct"].get<double>());
  // No corner of the grid does worse.
  for (const double dh : {-0.5, 0.5}) {
    for (const double db : {-0.5, 0.5}) {
      const nlohmann::ordered_json corner =
          RunJson({"check", "--pivot", "222", "--overhang", Shortest(17 + dh), "--offset", Shortest(23 + db)});
      EXPECT_LE(corner["setup"]["max_error_deg"].get<double>(), t["worst_max_error_deg"].get<double>());
    }
  }
}

TEST(Commands, PeopleOutputFitsEightyColumnsAndStatesItsAssumptions) {
  const std::vector<std::vector<std::string>> runs = {
      {"align", "--pivot", "222"},
      {"align", "--arm", "240", "--alignment", "nulls:70.29/116.6,all", "--groove", "57.5,146.05"},
      {"check", "--pivot", "222", "--overhang", "17", "--offset", "23", "--tolerance", "0.5,0.5"},
      {"check", "--arm", "240", "--overhang", "17", "--offset", "0", "--velocity", "10", "--rpm", "45"},
      {"align", "--help"},
      {"check", "--help"},
  };
  for (const auto& args : runs) {
    const CommandResult r = RunArgs(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
      std::size_t characters = 0;
      for (const char ch : line) characters += (static_cast<unsigned char>(ch) & 0xC0u) != 0x80u;
      EXPECT_LE(characters, 80u) << line;
    }
    if (args[1] != "--help") {
      EXPECT_NE(r.out.find("Assumed: "), std::string::npos) << r.out;
      EXPECT_NE(r.out.find(" rpm, "), std::string::npos) << r.out;
    } else {
      for (const char* option : {"--pivot", "--arm", "--groove", "--rpm", "--velocity", "--json"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
      }
    }
  }
}

TEST(Commands, NumbersAreShownWithThreeDecimals) {
  EXPECT_EQ(Fixed3(17.2960534), "17.296");
  EXPECT_EQ(Fixed3(-0.0001), "0.000");
  EXPECT_EQ(Fixed3(0.0005), "0.001");  // 0.0005 is a little above a half
  EXPECT_EQ(Fixed3(2.5e6), "2500000.000");
  EXPECT_EQ(Shortest(70.29), "70.29");
  EXPECT_EQ(Shortest(100.0 / 3), "33.333333333333336");
}

TEST(Commands, ProtractorBadInputWritesNothing) {
  struct Case {
    std::vector<std::string> args;
    const char* names;
  } cases[] = {
      {{"protractor"}, "--pivot or --arm is needed"},
      {{"protractor", "--pivot", "222", "--alignment", "all"}, "one alignment"},
      {{"protractor", "--pivot", "222", "--alignment", "baerwald,stevenson"}, "one alignment"},
      {{"protractor", "--pivot", "222", "--kind", "round"}, "--kind 'round'"},
      {{"protractor", "--pivot", "222", "--paper", "a5"}, "--paper 'a5'"},
      {{"protractor", "--pivot", "222", "--scale", "1.02"}, "--scale '1.02'"},
      {{"protractor", "--pivot", "222", "--scale", "0,1"}, "between 0.5 and 2"},
      {{"protractor", "--pivot", "222", "--scale", "1,x"}, "--scale (down) 'x'"},
      {{"protractor", "--pivot", "222", "-o", "page.png"}, "-o 'page.png': the file name must end in .pdf or .svg"},
      {{"protractor", "--pivot", "222", "-o", ""}, "-o ''"},
      {{"protractor", "--pivot", "400", "--groove", "100,300", "--paper", "a4"}, "does not fit A4; it fits A3"},
      {{"protractor", "--pivot", "900", "--groove", "100,600", "--paper", "a3"}, "fits no paper"},
      {{"protractor", "--arm", "80"}, "too short"},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunArgs(c.args);
    EXPECT_EQ(r.status, 2) << c.names;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.file_path, "") << c.names;
    EXPECT_EQ(r.file_bytes, "") << c.names;
    EXPECT_NE(r.err.find(c.names), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

TEST(Commands, ProtractorMakesTheDocumentItsNameAsks) {
  struct Case {
    std::vector<std::string> args;
    const char* file;
    const char* starts;
    const char* holds;
  } cases[] = {
      {{"protractor", "--pivot", "222"}, "protractor.pdf", "%PDF-1.6", "/MediaBox [0 0 595.2756 841.8898]"},
      {{"protractor", "--pivot", "222", "--paper", "letter", "-o", "p.PDF"}, "p.PDF", "%PDF-1.6", "/MediaBox [0 0 612 792]"},
      {{"protractor", "--pivot", "222", "--kind", "two-point", "-o", "t.svg"}, "t.svg", "<?xml", "width=\"210mm\""},
      {{"protractor", "--arm", "240", "--paper", "a3", "--output", "a3.svg"}, "a3.svg", "<?xml", "height=\"420mm\""},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunArgs(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.file_path, c.file);
    EXPECT_EQ(r.file_bytes.rfind(c.starts, 0), 0u) << c.file;
    EXPECT_NE(r.file_bytes.find(c.holds), std::string::npos) << c.file << "\n" << r.file_bytes.substr(0, 600);
    EXPECT_EQ(r.written_line.rfind(std::string("Wrote ") + c.file + ": ", 0), 0u) << r.written_line;
    EXPECT_NE(r.written_line.find("100 mm"), std::string::npos);
  }
}

TEST(Commands, ProtractorJsonIsTheGeometryAlignGives) {
  const CommandResult r = RunArgs({"protractor", "--pivot", "222", "--alignment", "stevenson", "--groove", "din",
                                   "--scale", "1.02,0.98", "--json", "-o", "s.svg"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.written_line, "");
  const nlohmann::ordered_json p = nlohmann::ordered_json::parse(r.out);
  const nlohmann::ordered_json a =
      RunJson({"align", "--pivot", "222", "--alignment", "stevenson", "--groove", "din"})["alignments"][0];
  EXPECT_EQ(p["alignment"], a);
  EXPECT_EQ(p["groove"]["inner"], 57.5);
  EXPECT_EQ(p["page"]["file"], "s.svg");
  EXPECT_EQ(p["page"]["kind"], "arc");
  EXPECT_EQ(p["page"]["paper"], "a4");
  EXPECT_EQ(p["page"]["width_mm"], 210.0);
  EXPECT_EQ(p["page"]["height_mm"], 297.0);
  EXPECT_EQ(p["page"]["scale_x"], 1.02);
  EXPECT_EQ(p["page"]["scale_y"], 0.98);
}

#if !defined(_WIN32)

std::string Drain(int fd) {
  std::string all;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return all;
}

struct Written {
  int status;
  std::string out;
  std::string err;
};

Written Write(const CommandResult& r, int out_fd = -1) {
  int out[2], err[2];
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  const int status = WriteCommandResult(r, out_fd >= 0 ? out_fd : out[1], err[1]);
  close(out[1]);
  close(err[1]);
  return {status, Drain(out[0]), Drain(err[0])};
}

TEST(Commands, AFileIsWrittenWholeBeforeItIsAnnounced) {
  const std::string folder = testing::TempDir() + "pw-commands-" + std::to_string(getpid());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  CommandResult r;
  r.out = "drawn\n";
  r.file_path = folder + "/page.pdf";
  r.file_bytes = std::string("%PDF\0bytes", 10);
  r.written_line = "Wrote page.pdf\n";
  r.file_asked_by = "pivotwright protractor: -o";
  const Written ok = Write(r);
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "drawn\nWrote page.pdf\n");
  EXPECT_EQ(ok.err, "");
  std::FILE* f = std::fopen(r.file_path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char back[32];
  EXPECT_EQ(std::fread(back, 1, sizeof back, f), 10u);
  std::fclose(f);
  EXPECT_EQ(std::string(back, 10), r.file_bytes);

  // A folder that is not there: the path and the system's words, status 2,
  // nothing announced.
  r.file_path = folder + "/missing/page.pdf";
  const Written missing = Write(r);
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err,
            "pivotwright protractor: -o '" + r.file_path + "': cannot write the file: No such file or directory\n");
  std::remove((folder + "/page.pdf").c_str());
  rmdir(folder.c_str());
}

TEST(Commands, AFullStandardOutputIsNotSuccess) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  const Written w = Write(RunArgs({"align", "--pivot", "222"}), full);
  close(full);
  EXPECT_EQ(w.status, 1);
  EXPECT_EQ(w.err, "pivotwright: cannot write to standard output: No space left on device\n");
}

#endif

}  // namespace
}  // namespace pw
