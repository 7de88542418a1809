// The simulator's command line: what each option sets, and the one-line
// errors for input it refuses.
#include "simulator/sim_options.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

ParseResult parse(std::vector<std::string> extra) {
  std::vector<std::string> args = {"--interface", "eth0", "--state-dir", "/tmp/x"};
  args.insert(args.end(), extra.begin(), extra.end());
  return parseOptions(args);
}

TEST(SimOptionsTest, IdentityAddressesAndFaultsAreTaken) {
  const ParseResult r = parse({"--mac",
                               "02:00:00:aa:bb:cc",
                               "--ip",
                               "10.0.0.5",
                               "--mask",
                               "255.0.0.0",
                               "--model",
                               "M1",
                               "--user-name",
                               "line",
                               "--supported",
                               "0x4",
                               "--seed",
                               "9",
                               "--drop-answers",
                               "0.25",
                               "--register-status",
                               "0x0A00=0x8006",
                               "--hostile-discovery",
                               "truncated",
                               "--never-return"});
  ASSERT_TRUE(r.options) << r.error;
  const SimOptions& o = *r.options;
  EXPECT_TRUE(o.macGiven);
  EXPECT_EQ(o.device.mac[5], 0xCC);
  ASSERT_TRUE(o.address);
  EXPECT_EQ(o.address->ip, 0x0A000005u);
  EXPECT_EQ(o.address->mask, 0xFF000000u);
  EXPECT_EQ(o.device.identity.model, "M1");
  EXPECT_EQ(o.device.persisted.userName, "line");
  EXPECT_EQ(o.device.ipConfigSupported, 4u);
  EXPECT_EQ(o.device.faults.seed, 9u);
  EXPECT_DOUBLE_EQ(o.device.faults.dropAnswers, 0.25);
  EXPECT_EQ(o.device.faults.registerStatus.at(0x0A00), 0x8006);
  EXPECT_EQ(o.device.faults.hostileDiscovery, HostileDiscovery::kTruncated);
  EXPECT_TRUE(o.device.faults.neverReturn);
}

TEST(SimOptionsTest, NoAddressMeansPowerUpChoice) {
  const ParseResult r = parse({});
  ASSERT_TRUE(r.options);
  EXPECT_FALSE(r.options->address);
  EXPECT_FALSE(r.options->macGiven);
  EXPECT_FALSE(r.options->trace);
  EXPECT_FALSE(r.options->device.lenientPrivilege) << "strict privilege is the default";
}

TEST(SimOptionsTest, ConfigurationFaultFlagsAreTaken) {
  const ParseResult r = parse({"--supported-config-only", "--link-local-after-restart"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_TRUE(r.options->device.faults.supportedConfigOnly);
  EXPECT_TRUE(r.options->device.faults.linkLocalAfterRestart);
  EXPECT_FALSE(parse({}).options->device.faults.supportedConfigOnly);
}

TEST(SimOptionsTest, TraceAndLenientPrivilegeAreTaken) {
  const ParseResult r = parse({"--trace", "--lenient-privilege"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_TRUE(r.options->trace);
  EXPECT_TRUE(r.options->device.lenientPrivilege);
}

struct BadCase {
  std::vector<std::string> args;
  std::string error;
};

TEST(SimOptionsTest, RefusedInputGivesOneClearLine) {
  const BadCase cases[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"--ip"}, "--ip needs a value (A.B.C.D)"},
      {{"--ip", "300.1.1.1"}, "invalid value for --ip: 300.1.1.1"},
      {{"--mac", "02:00:00:00:00"}, "invalid value for --mac: 02:00:00:00:00"},
      {{"--drop-requests", "-0.1"}, "invalid value for --drop-requests: -0.1"},
      {{"--delay-ms", "-5"}, "invalid value for --delay-ms: -5"},
      {{"--delay-ms", "99999999999"}, "invalid value for --delay-ms: 99999999999"},
      {{"--serial", "12345678901234567"}, "invalid value for --serial: 12345678901234567"},
      {{"--register-status", "0x24"}, "invalid value for --register-status: 0x24"},
      {{"--hostile-discovery", "rude"}, "invalid value for --hostile-discovery: rude"},
      {{"--flashed-version", "2.1 beta"}, "invalid value for --flashed-version: 2.1 beta"},
      {{"--flashed-version", ""}, "invalid value for --flashed-version: "},
  };
  for (const BadCase& c : cases) {
    const ParseResult r = parse(c.args);
    EXPECT_FALSE(r.options) << c.args[0];
    EXPECT_EQ(r.error, c.error);
  }
  EXPECT_EQ(parseOptions({"--state-dir", "/tmp"}).error, "--interface is required");
  EXPECT_EQ(parseOptions({"--interface", "eth0"}).error, "--state-dir is required");
  EXPECT_EQ(parse({"--ip", "10.0.0.5"}).error, "--mask is required with --ip");
  EXPECT_TRUE(parse({"--ip", "0.0.0.0"}).options) << "no address needs no mask";
}

TEST(SimOptionsTest, FlashedVersionIsTakenAsOneWord) {
  const ParseResult r = parse({"--flashed-version", "2.1.0-rc1"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_EQ(r.options->flashedVersion, "2.1.0-rc1");
  EXPECT_EQ(parse({}).options->flashedVersion, "");
}

TEST(SimOptionsTest, HelpNeedsNothingElseAndNamesEveryOption) {
  const ParseResult r = parseOptions({"--help"});
  ASSERT_TRUE(r.options);
  EXPECT_TRUE(r.options->help);
  const std::string usage = usageText();
  for (const char* option :
       {"--interface", "--state-dir", "--seed", "--drop-requests", "--stale-ack-first",
        "--wrong-length", "--foreign-control", "--never-finish-flash", "--restart-ms"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

TEST(SimOptionsTest, VersionNeedsNothingElseAndIsListed) {
  const ParseResult r = parseOptions({"--version"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_TRUE(r.options->version);
  EXPECT_FALSE(r.options->help);
  EXPECT_NE(usageText().find("--version"), std::string::npos);
  EXPECT_FALSE(parse({}).options->version);
}

}  // namespace
}  // namespace sim
