#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParseOutcome parse(std::vector<const char*> args) {
  args.insert(args.begin(), "nuv-ipconfig");
  return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineParse, ListTakesItsDefaults) {
  const ParseOutcome p = parse({"list"});
  ASSERT_TRUE(p.invocation);
  EXPECT_EQ(p.invocation->command, Command::kList);
  EXPECT_EQ(p.invocation->timeoutMs, 1000);
  EXPECT_FALSE(p.invocation->json);
  EXPECT_FALSE(p.invocation->trace);
  EXPECT_TRUE(p.invocation->interfaces.empty());
}

TEST(CommandLineParse, SharedOptionsStandBeforeOrAfterTheCommand) {
  const ParseOutcome p =
      parse({"--trace", "--interface", "eth1", "list", "--json", "--interface", "eth2"});
  ASSERT_TRUE(p.invocation) << p.error;
  EXPECT_TRUE(p.invocation->json);
  EXPECT_TRUE(p.invocation->trace);
  EXPECT_EQ(p.invocation->interfaces, (std::vector<std::string>{"eth1", "eth2"}));
}

TEST(CommandLineParse, InterfaceTakesOneNameSoTheCameraStaysPositional) {
  const ParseOutcome p = parse({"show", "--interface", "eth1", "cam1", "--timeout-ms", "250"});
  ASSERT_TRUE(p.invocation) << p.error;
  EXPECT_EQ(p.invocation->command, Command::kShow);
  EXPECT_EQ(p.invocation->camera, "cam1");
  EXPECT_EQ(p.invocation->interfaces, std::vector<std::string>{"eth1"});
  EXPECT_EQ(p.invocation->timeoutMs, 250);
}

TEST(CommandLineParse, TimeoutBoundsAreInclusive) {
  EXPECT_TRUE(parse({"list", "--timeout-ms", "100"}).invocation);
  EXPECT_TRUE(parse({"list", "--timeout-ms", "60000"}).invocation);
}

struct BadInput {
  std::vector<const char*> args;
  const char* named;  // the argument the one-line error must name
};

class CommandLineBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(CommandLineBadInput, IsOneLineNamingTheArgument) {
  const ParseOutcome p = parse(GetParam().args);
  EXPECT_FALSE(p.invocation);
  EXPECT_NE(p.error.find(GetParam().named), std::string::npos) << p.error;
  EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineBadInput,
    testing::Values(BadInput{{"list", "--timeout-ms", "99"}, "--timeout-ms"},
                    BadInput{{"list", "--timeout-ms", "60001"}, "--timeout-ms"},
                    BadInput{{"list", "--timeout-ms", "soon"}, "--timeout-ms"},
                    BadInput{{"list", "--interface", ""}, "--interface"},
                    BadInput{{"list", "--interface", "abcdefghijklmnop"}, "--interface"},
                    BadInput{{"list", "--bogus"}, "--bogus"}, BadInput{{"show"}, "CAMERA"},
                    BadInput{{"frobnicate"}, "frobnicate"}));

TEST(CommandLineParse, JsonIsNoticedEvenWhenParsingFails) {
  const ParseOutcome p = parse({"list", "--json", "--bogus"});
  EXPECT_FALSE(p.invocation);
  EXPECT_TRUE(p.json);
}

TEST(CommandLineParse, VersionIsTheProjectVersion) {
  const ParseOutcome p = parse({"--version"});
  EXPECT_FALSE(p.invocation);
  EXPECT_TRUE(p.error.empty());
  EXPECT_EQ(p.output, std::string("nuv-ipconfig ") + NUV_VERSION + "\n");
}

TEST(CommandLineParse, TopHelpShowsEveryCommandWithItsOptionsAndExamples) {
  const ParseOutcome p = parse({"--help"});
  EXPECT_FALSE(p.invocation);
  for (const char* text : {"Usage: nuv-ipconfig list", "Usage: nuv-ipconfig show", "--timeout-ms",
                           "CAMERA", "--trace", "--version", "Examples:", "Exit codes:"}) {
    EXPECT_NE(p.output.find(text), std::string::npos) << text;
  }
}

TEST(CommandLineParse, CommandHelpShowsThatCommandOnly) {
  const ParseOutcome p = parse({"show", "--help"});
  EXPECT_NE(p.output.find("CAMERA"), std::string::npos);
  EXPECT_EQ(p.output.find("Examples:"), std::string::npos);
}

TEST(CommandLineParseRename, TakesCameraAndNameWithTheSharedOptions) {
  const ParseOutcome p = parse({"rename", "02:11:22:33:44:55", "line3-left", "--json"});
  ASSERT_TRUE(p.invocation) << p.error;
  EXPECT_EQ(p.invocation->command, Command::kRename);
  EXPECT_EQ(p.invocation->camera, "02:11:22:33:44:55");
  EXPECT_EQ(p.invocation->newName, "line3-left");
  EXPECT_TRUE(p.invocation->json);
}

TEST(CommandLineParseRename, BadNamesAreUsageErrorsNamingTheName) {
  for (const char* name : {"", "sixteen-bytes-xy", "tab\there", "caf\xc3\xa9"}) {
    const ParseOutcome p = parse({"rename", "cam1", name});
    EXPECT_FALSE(p.invocation) << name;
    EXPECT_NE(p.error.find("name '"), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\t'), std::string::npos) << "the typed text is made safe";
  }
  EXPECT_FALSE(parse({"rename", "cam1"}).invocation);  // NAME is required
}

TEST(CommandLineParseRename, HelpListsRenameWithItsArguments) {
  const std::string help = parse({"--help"}).output;
  EXPECT_NE(help.find("rename"), std::string::npos);
  EXPECT_NE(help.find("1 to 15 printable ASCII characters"), std::string::npos);
}
TEST(CommandLineParseRestart, WaitDefaultsToAMinuteAndIsBounded) {
  const ParseOutcome p = parse({"restart", "cam1"});
  ASSERT_TRUE(p.invocation) << p.error;
  EXPECT_EQ(p.invocation->command, Command::kRestart);
  EXPECT_EQ(p.invocation->waitS, 60);
  EXPECT_EQ(parse({"restart", "cam1", "--wait-s", "5"}).invocation->waitS, 5);
  for (const char* wait : {"0", "3601", "soon"}) {
    const ParseOutcome bad = parse({"restart", "cam1", "--wait-s", wait});
    EXPECT_FALSE(bad.invocation) << wait;
    EXPECT_NE(bad.error.find("--wait-s"), std::string::npos) << bad.error;
  }
}
}  // namespace
