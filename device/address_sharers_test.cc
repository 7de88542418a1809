#include "device/address_sharers.h"

#include <gtest/gtest.h>

namespace device {
namespace {

CameraRecord at(uint8_t last, uint32_t ip, const char* adapter = "eth1", const char* serial = "") {
  CameraRecord record;
  if (last != 0) record.mac = {2, 0, 0, 0, 0, last};
  record.identity.serial = serial;
  record.ip = net::Ipv4::fromHost(ip);
  record.adapter = AdapterRecord{adapter, {}, {}};
  return record;
}

TEST(AddressSharing, SameAddressOtherMacSharesOneCameraTwiceAndNoAddressDoNot) {
  // 1 and 2 share an address; 3 is camera 1 seen on a second adapter; 4 and 5
  // have no address; 6 sits at the host's address.
  const std::vector<CameraRecord> cameras = {at(1, 10), at(2, 10), at(1, 10),
                                             at(4, 0),  at(5, 0),  at(6, 99)};
  const std::vector<AddressSharing> sharing =
      addressSharing(cameras, {net::Ipv4::fromHost(99), {}});
  using Macs = std::vector<net::Mac>;
  EXPECT_EQ(sharing[0].sharesWith, (Macs{cameras[1].mac}));
  EXPECT_EQ(sharing[1].sharesWith, (Macs{cameras[0].mac}));
  EXPECT_EQ(sharing[2].sharesWith, (Macs{cameras[1].mac}));
  EXPECT_TRUE(sharing[3].sharesWith.empty() && !sharing[3].hostAddress);
  EXPECT_TRUE(sharing[4].sharesWith.empty() && !sharing[4].hostAddress);
  EXPECT_TRUE(sharing[5].hostAddress);
  EXPECT_FALSE(sharing[0].hostAddress);
}

TEST(AddressSharing, OneAddressOnTwoLinksIsNoSharing) {
  const std::vector<AddressSharing> sharing =
      addressSharing({at(1, 10, "eth1"), at(2, 10, "eth2")}, {});
  EXPECT_TRUE(sharing[0].sharesWith.empty() && sharing[1].sharesWith.empty());
}

// Several devices report the all-zero MAC: one serial is one camera.
TEST(AddressSharing, AllZeroMacsAreOneCameraOnlyWithOneSerial) {
  const auto zero = [](const char* serial) { return at(0, 10, "eth1", serial); };
  EXPECT_EQ(addressSharing({zero("A"), zero("B")}, {})[0].sharesWith, std::vector<net::Mac>(1));
  EXPECT_TRUE(addressSharing({zero("A"), zero("A")}, {})[0].sharesWith.empty());
}

}  // namespace
}  // namespace device
