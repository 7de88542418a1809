#include "cli/input/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cli {

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
  EXPECT_EQ(p.invocation->expect, 0);
  EXPECT_EQ(parse({"list", "--expect", "3"}).invocation->expect, 3);
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
                    BadInput{{"list", "--expect", "0"}, "--expect"},
                    BadInput{{"show", "cam1", "--expect", "1"}, "--expect"},
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

TEST(CommandLineParseSet, PersistentWithAddressesAndRestart) {
  const ParseOutcome p = parse({"set", "cam1", "--mode", "persistent", "--ip", "192.168.10.20",
                                "--mask", "255.255.255.0", "--gateway", "192.168.10.1", "--restart",
                                "--wait-s", "30", "--force"});
  ASSERT_TRUE(p.invocation) << p.error;
  EXPECT_EQ(p.invocation->command, Command::kSet);
  EXPECT_EQ(p.invocation->mode, cli::IpMode::kPersistent);
  EXPECT_EQ(p.invocation->addresses,
            (cli::AddressSet::fromHost(0xC0A80A14, 0xFFFFFF00, 0xC0A80A01)));
  EXPECT_TRUE(p.invocation->restart);
  EXPECT_EQ(p.invocation->waitS, 30);
  EXPECT_TRUE(p.invocation->force);
}

TEST(CommandLineParseSet, ModeAloneKeepsTheAddresses) {
  for (const char* mode : {"persistent", "dhcp", "lla"}) {
    const ParseOutcome p = parse({"set", "cam1", "--mode", mode});
    ASSERT_TRUE(p.invocation) << p.error;
    EXPECT_EQ(cli::ipModeName(*p.invocation->mode), std::string(mode));
    EXPECT_FALSE(p.invocation->addresses);
    EXPECT_FALSE(p.invocation->restart);
  }
}

TEST(CommandLineParseForceIp, AddressOrAuto) {
  const ParseOutcome given = parse({"force-ip", "cam1", "--ip", "10.0.0.9", "--mask", "255.0.0.0"});
  ASSERT_TRUE(given.invocation) << given.error;
  EXPECT_EQ(given.invocation->command, Command::kForceIp);
  EXPECT_FALSE(given.invocation->autoIp);
  EXPECT_EQ(given.invocation->addresses, (cli::AddressSet::fromHost(0x0A000009, 0xFF000000, 0)));
  const ParseOutcome picked = parse(
      {"force-ip", "cam1", "--ip", "auto", "--mask", "255.255.255.0", "--gateway", "10.0.0.1"});
  ASSERT_TRUE(picked.invocation) << picked.error;
  EXPECT_TRUE(picked.invocation->autoIp);
  EXPECT_EQ(picked.invocation->addresses, (cli::AddressSet::fromHost(0, 0xFFFFFF00, 0x0A000001)));
}

TEST(CommandLineParseFirmwareAndApply, TakeExistingFiles) {
  const ParseOutcome firmware =
      parse({"firmware", "cam1", "/proc/self/status", "--yes", "--dry-run"});
  ASSERT_TRUE(firmware.invocation) << firmware.error;
  EXPECT_EQ(firmware.invocation->command, Command::kFirmware);
  EXPECT_EQ(firmware.invocation->imagePath, "/proc/self/status");
  EXPECT_TRUE(firmware.invocation->yes);
  EXPECT_TRUE(firmware.invocation->dryRun);
  const ParseOutcome apply = parse({"apply", "/proc/self/status", "--jobs", "3"});
  ASSERT_TRUE(apply.invocation) << apply.error;
  EXPECT_EQ(apply.invocation->command, Command::kApply);
  EXPECT_EQ(apply.invocation->planPath, "/proc/self/status");
  EXPECT_EQ(apply.invocation->jobs, 3);
  EXPECT_EQ(parse({"apply", "/proc/self/status"}).invocation->jobs, 8);
}

INSTANTIATE_TEST_SUITE_P(
    ChangingCommands, CommandLineBadInput,
    testing::Values(
        BadInput{{"set", "cam1"}, "--mode"},
        BadInput{{"set", "cam1", "--mode", "static"}, "static"},
        BadInput{{"set", "cam1", "--mode", "dhcp", "--ip", "10.0.0.9", "--mask", "255.0.0.0"},
                 "--mode persistent"},
        BadInput{{"set", "cam1", "--mode", "persistent", "--ip", "10.0.0.9"}, "--mask"},
        BadInput{{"set", "cam1", "--mode", "persistent", "--ip", "10.0.0.255", "--mask",
                  "255.255.255.0"},
                 "--ip 10.0.0.255"},
        BadInput{{"set", "cam1", "--mode", "lla", "--wait-s", "5"}, "--restart"},
        BadInput{{"force-ip", "cam1", "--mask", "255.0.0.0"}, "--ip"},
        BadInput{{"force-ip", "cam1", "--ip", "10.0.0.9"}, "--mask"},
        BadInput{{"force-ip", "cam1", "--ip", "auto", "--mask", "255.0.255.0"},
                 "--mask 255.0.255.0"},
        BadInput{{"force-ip", "cam1", "--ip", "10.0.0.9", "--mask", "255.255.255.0", "--gateway",
                  "10.0.1.1"},
                 "--gateway 10.0.1.1"},
        BadInput{{"firmware", "cam1", "/nonexistent/image.bin"}, "/nonexistent/image.bin"},
        BadInput{{"firmware", "cam1", "/proc"}, "/proc"},
        BadInput{{"apply", "/nonexistent/plan.csv"}, "/nonexistent/plan.csv"},
        BadInput{{"apply", "/proc/self/status", "--jobs", "0"}, "--jobs"},
        BadInput{{"apply", "/proc/self/status", "--jobs", "65"}, "--jobs"}));

TEST(CommandLineParse, TopHelpListsTheChangingCommands) {
  const std::string help = parse({"--help"}).output;
  for (const char* text :
       {"Usage: nuv-ipconfig set", "Usage: nuv-ipconfig force-ip", "Usage: nuv-ipconfig firmware",
        "Usage: nuv-ipconfig apply", "--jobs", "--dry-run", "--restart"}) {
    EXPECT_NE(help.find(text), std::string::npos) << text;
  }
}

}  // namespace

}  // namespace cli
