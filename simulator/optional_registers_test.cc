// What the holder of control reads, after its writes, by the camera's options.
#include "simulator/optional_registers.h"

#include <gtest/gtest.h>

#include "simulator/gvcp_handler_test_util.h"
#include "simulator/sim_options.h"

namespace sim {
namespace {

struct RegisterAnswer {
  std::vector<std::string> options;
  std::vector<std::pair<uint32_t, uint32_t>> writes;  // after taking control
  uint32_t capabilities;                              // register 0x0934
  uint32_t address;
  uint16_t status;
  uint32_t value;
};

// 0xC0000003 (user name, serial, WRITEMEM, concatenation) is the camera as it always was.
const RegisterAnswer kAnswers[] = {
    {{}, {}, 0xC0000003, 0x0A04, 0x8003, 0},
    {{"--no-serial"}, {}, 0x80000003, 0x00D8, 0x8003, 0},
    {{"--no-user-name"}, {}, 0x40000003, 0x00E8, 0x8003, 0},
    {{"--store-ms", "1500"}, {}, 0xC0000023, 0x0958, 0, 1500},
    {{"--store-ms", "1500"}, {{0x0954, 2}, {0x0A00, 0}, {0x0A00, 3}}, 0xC0000023, 0x0954, 0, 0},
    {{"--store-ms", "1500", "--no-pending-ack"}, {{0x0954, 2}}, 0xC0000003, 0x0954, 0, 0},
    {{"--pause-frame"}, {}, 0xC0000003, 0x0010, 0, 0xC0000007},
    {{"--pause-frame"}, {}, 0xC0000003, 0x0014, 0, 0xC0000005},
    {{"--primary-app-registers"}, {}, 0xC8000003, 0x0A14, 0, 0xC0A80101},
    {{"--link-speed", "100"}, {}, 0xD0000003, 0x0670, 0, 100},
};

DeviceState deviceWith(std::vector<std::string> args) {
  args.insert(args.end(), {"--interface", "eth0", "--state-dir", "/tmp/x"});
  return parseOptions(args).options.value().device;
}

TEST_F(GvcpHandlerTest, EachOptionShowsInTheRegistersItConcerns) {
  for (const RegisterAnswer& row : kAnswers) {
    SCOPED_TRACE(::testing::PrintToString(row.options) + " at " + std::to_string(row.address));
    state = deviceWith(row.options);
    takeControl();
    for (const auto& [address, value] : row.writes) ASSERT_EQ(status(writeReg(address, value)), 0);
    EXPECT_EQ(gvcp::getBe32(readReg(0x0934).answer.data() + 8), row.capabilities);
    const Outcome o = readReg(row.address);
    EXPECT_EQ(status(o), row.status);
    EXPECT_EQ(row.status == 0 ? gvcp::getBe32(o.answer.data() + 8) : 0, row.value);
  }
}

TEST_F(GvcpHandlerTest, MissingSerialAndUserNameAreZerosInTheDiscoveryAnswer) {
  state = deviceWith({"--no-serial", "--no-user-name", "--serial", "SN1", "--user-name", "cam"});
  const Outcome o = send(gvcp::buildDiscoveryCommand());
  ASSERT_EQ(o.answer.size(), 256u);
  EXPECT_EQ(Bytes(o.answer.begin() + 224, o.answer.end()), Bytes(32, 0));
}

TEST_F(GvcpHandlerTest, PendingAckWaitsUntilTheHolderEnablesIt) {
  state = deviceWith({"--store-ms", "1500"});
  takeControl();
  EXPECT_TRUE(writeReg(0x064C, 0xC0A80132).pendingAck.empty());
  ASSERT_EQ(status(writeReg(0x0954, 0x2)), 0);
  EXPECT_FALSE(
      writeReg(0x065C, 0xFFFFFF00).pendingAck.empty());  // its bytes: e2e/simulator_test.cc
}

}  // namespace
}  // namespace sim
