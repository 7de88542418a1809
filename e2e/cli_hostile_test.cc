// Camera text that is hostile to a terminal or to JSON, through the command
// line in the test bed: discovery answers with escape sequences, with text
// fields that fill their width with no NUL, cut short, and identity text that
// is not UTF-8 (or is UTF-8 for a C1 control). JSON must stay valid with the
// camera's text decoded back exactly (bytes that are not UTF-8 as U+FFFD);
// the table must hold no control byte and nothing outside ASCII.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::Json;
using testbed::ToolRun;

// What the simulator's "escapes" mode puts before every text field: clear
// screen, set the window title, bell, carriage return, line feed, tab, DEL.
const std::string kEscapes = "\x1b[2J\x1b]0;owned\x07\r\n\t\x7f";
const std::string kReplacement = "\xef\xbf\xbd";  // U+FFFD in UTF-8

// The discovery answer's text fields: member, width in bytes, the text the
// cameras here are given and the simulator setting that gives it.
struct FieldOfAnswer {
  const char* member;
  size_t width;
  const char* text;
  std::string testbed::CameraSpec::*setting;
};
const FieldOfAnswer kAnswerFields[] = {
    {"manufacturer", 32, "maker", &testbed::CameraSpec::manufacturer},
    {"model", 32, "model", &testbed::CameraSpec::model},
    {"device_version", 32, "1.0", &testbed::CameraSpec::deviceVersion},
    {"manufacturer_info", 48, "info", &testbed::CameraSpec::info},
    {"serial", 16, "serial", &testbed::CameraSpec::serial},
    {"user_name", 16, "user", &testbed::CameraSpec::userName}};

constexpr char kEscapesMac[] = "02:00:00:00:00:51";
constexpr char kNoNulMac[] = "02:00:00:00:00:52";
constexpr char kTruncatedMac[] = "02:00:00:00:00:53";
constexpr char kBadUtf8Mac[] = "02:00:00:00:00:54";

testbed::CameraSpec named(const std::string& mac, const std::string& ip) {
  testbed::CameraSpec s;
  s.mac = mac;
  s.ip = ip;
  for (const FieldOfAnswer& f : kAnswerFields) s.*f.setting = f.text;
  return s;
}

// Text that is not UTF-8 where the tool must replace it, and UTF-8 it must
// keep (an accented letter, a C1 control, ESC), as the camera stores it.
testbed::CameraSpec badUtf8() {
  testbed::CameraSpec s = named(kBadUtf8Mac, "192.168.10.54");
  s.manufacturer = "caf\xc3\xa9";
  s.model = "M\xff\x80Z";
  s.info = "C1\xc2\x9bX";
  s.serial = "S\xc0";
  s.userName = "\x1b[31mred";
  return s;
}

// Member name, text the camera holds, and what the JSON must decode to.
struct TextField {
  const char* member;
  std::string expected;
};

std::vector<TextField> badUtf8Fields() {
  return {{"manufacturer", "caf\xc3\xa9"},
          {"model", "M" + kReplacement + kReplacement + "Z"},
          {"manufacturer_info", "C1\xc2\x9bX"},
          {"serial", "S" + kReplacement},
          {"user_name", "\x1b[31mred"}};
}

std::vector<TextField> escapesFields() {
  std::vector<TextField> fields;
  for (const FieldOfAnswer& f : kAnswerFields) {
    fields.push_back({f.member, (kEscapes + f.text).substr(0, f.width)});
  }
  return fields;
}

std::vector<TextField> noNulFields() {
  std::vector<TextField> fields;
  for (const FieldOfAnswer& f : kAnswerFields)
    fields.push_back({f.member, std::string(f.width, 'X')});
  return fields;
}

Json withMac(const Json& cameras, const std::string& mac) {
  for (const Json& camera : cameras) {
    if (cli_checks::text(camera, "mac") == mac) return camera;
  }
  return Json();
}

void expectTexts(const Json& camera, const std::vector<TextField>& fields) {
  SCOPED_TRACE(camera.dump());
  ASSERT_TRUE(camera.is_object());
  for (const TextField& f : fields) EXPECT_EQ(cli_checks::text(camera, f.member), f.expected);
}

class CliHostileTextEndToEnd : public testbed::LanTest {
 protected:
  CliHostileTextEndToEnd() : LanTest("192.168.10.1/24") {}
  void SetUp() override {
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    start(hostile(kEscapesMac, "192.168.10.51", "escapes"));
    start(hostile(kNoNulMac, "192.168.10.52", "no-nul"));
    start(hostile(kTruncatedMac, "192.168.10.53", "truncated"));
    start(badUtf8());
  }
  static testbed::CameraSpec hostile(const std::string& mac, const std::string& ip,
                                     const std::string& mode) {
    testbed::CameraSpec s = named(mac, ip);
    s.extraArgs = {"--hostile-discovery", mode};
    return s;
  }
  void start(const testbed::CameraSpec& setup) {
    sims_.push_back(std::make_unique<testbed::SimulatedCamera>(
        net_, sw_, "cam" + std::to_string(sims_.size()), setup));
    ASSERT_TRUE(sims_.back()->ready()) << sims_.back()->process().errors();
  }
  ToolRun run(const std::vector<std::string>& args) { return testbed::runTool(host_, args); }
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> sims_;
};

TEST_F(CliHostileTextEndToEnd, ListJsonIsValidAndDecodesToTheCamerasText) {
  const ToolRun list = run({"list", "--json"});
  EXPECT_EQ(list.status, 0) << list.err;
  const Json cameras = cli_checks::member(cli_checks::document(list.out), "cameras");
  ASSERT_TRUE(cameras.is_array()) << list.out;
  expectTexts(withMac(cameras, kEscapesMac), escapesFields());
  expectTexts(withMac(cameras, kNoNulMac), noNulFields());
  expectTexts(withMac(cameras, kBadUtf8Mac), badUtf8Fields());
  // A cut-short answer may be dropped, but never breaks the document.
  EXPECT_GE(cameras.size(), 3u);
}

TEST_F(CliHostileTextEndToEnd, TablesHoldNoControlByteAndNothingOutsideAscii) {
  const ToolRun list = run({"list"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_GE(cli_checks::lines(list.out).size(), 4u) << list.out;
  EXPECT_EQ(cli_checks::firstUnsafeByte(list.out), std::nullopt) << list.out;
  const ToolRun show = run({"show", kBadUtf8Mac});
  EXPECT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out, "");
  EXPECT_EQ(cli_checks::firstUnsafeByte(show.out), std::nullopt) << show.out;
}

TEST_F(CliHostileTextEndToEnd, ShowJsonOfRegisterTextReplacesWhatIsNotUtf8) {
  const ToolRun show = run({"show", kBadUtf8Mac, "--json"});
  EXPECT_EQ(show.status, 0) << show.err;
  expectTexts(cli_checks::member(cli_checks::document(show.out), "camera"), badUtf8Fields());
}

}  // namespace
