// Power-up address choice and the persisted-register text that survives restarts.
#include "simulator/device_state.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(DeviceStateTest, PowerUpPrefersAStoredPersistentAddressWhenEnabled) {
  DeviceState s;
  s.persisted.ipConfig = 0x5;
  s.persisted.address = {0xC0A80114, 0xFFFFFF00, 0};
  EXPECT_EQ(powerUpAddress(s), s.persisted.address);
}

TEST(DeviceStateTest, PowerUpFallsBackToLinkLocalWithoutPersistentOrDhcpServer) {
  DeviceState s;
  s.mac = {2, 0, 0, 0, 0, 1};
  s.persisted.address = {0xC0A80114, 0xFFFFFF00, 0};
  for (uint32_t config : {0x4u, 0x6u, 0x1u}) {
    s.persisted.ipConfig = config;
    if (config == 0x1) s.persisted.address.ip = 0;  // enabled but never stored
    const IpSettings chosen = powerUpAddress(s);
    EXPECT_EQ(chosen.mask, 0xFFFF0000u);
    EXPECT_EQ(chosen.ip >> 16, 0xA9FEu);
    EXPECT_GE((chosen.ip >> 8) & 0xFF, 1u);
    EXPECT_LE((chosen.ip >> 8) & 0xFF, 254u);
  }
  DeviceState other = s;
  other.mac[5] = 2;
  EXPECT_NE(powerUpAddress(other).ip, powerUpAddress(s).ip) << "neighbouring MACs share an address";
  EXPECT_EQ(powerUpAddress(s).ip, powerUpAddress(s).ip);
}

TEST(DeviceStateTest, PersistedTextRoundTripsEvenWithOddNames) {
  Persisted p;
  p.ipConfig = 6;
  p.address = {0x0A000001, 0xFF000000, 0x0A0000FE};
  p.userName = std::string("a b\n\x1b", 4);
  p.rebootCount = 3;
  EXPECT_EQ(persistedFromText(persistedToText(p), Persisted{}), p);
  p.firmwareVersion = "2.1.0-rc1";
  EXPECT_EQ(persistedFromText(persistedToText(p), Persisted{}), p);
}

TEST(DeviceStateTest, NoFlashedFirmwareLeavesNoVersionLine) {
  EXPECT_EQ(persistedToText(Persisted{}).find("firmware_version"), std::string::npos);
}

TEST(DeviceStateTest, DamagedPersistedLinesKeepTheDefaults) {
  Persisted defaults;
  defaults.ipConfig = 5;
  const Persisted p = persistedFromText(
      "ip_config banana\npersistent_ip 999.1.1.1\nnoise\n"
      "user_name_hex 4\nreboot_count 2\n",
      defaults);
  EXPECT_EQ(p.ipConfig, 5u);
  EXPECT_EQ(p.address.ip, 0u);
  EXPECT_EQ(p.userName, "");
  EXPECT_EQ(p.rebootCount, 2u);
}

}  // namespace
}  // namespace sim
