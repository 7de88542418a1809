#include "cli/output/table_render.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cli {

namespace {

device::CameraRecord camera(uint32_t ip, bool reachable) {
  device::CameraRecord view;
  view.mac = {0x02, 0, 0, 0, 0, 0x11};
  view.ip = net::Ipv4::fromHost(ip);
  view.mask = net::Ipv4::fromHost(0xFFFFFF00);
  view.adapter = device::AdapterRecord{"eth1", net::Ipv4::fromHost(0xC0A80A01),
                                       net::Ipv4::fromHost(0xFFFFFF00)};
  view.identity.model = "ABC";
  view.ipConfigCurrent = 0x5;
  view.reachable = reachable;
  return view;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST(TableSafe, ControlBytesAndNonAsciiBecomeQuestionMarks) {
  EXPECT_EQ(gvcp::tableSafe(std::string("a\x1b[31mb\x7f\xc3\xa9\0z", 12)), "a?[31mb????z");
}

TEST(AddressWithMask, ContiguousMaskIsAPrefixLength) {
  EXPECT_EQ(addressWithMask(net::Ipv4::fromHost(0xC0A80A0B), net::Ipv4::fromHost(0xFFFFFF00)),
            "192.168.10.11/24");
  EXPECT_EQ(addressWithMask(net::Ipv4::fromHost(0x0A000001), net::Ipv4::fromHost(0xFFFFFFFF)),
            "10.0.0.1/32");
  EXPECT_EQ(addressWithMask({}, {}), "0.0.0.0/0");
}

TEST(AddressWithMask, OtherMaskIsDotted) {
  EXPECT_EQ(addressWithMask(net::Ipv4::fromHost(0x0A000001), net::Ipv4::fromHost(0xFF00FF00)),
            "10.0.0.1/255.0.255.0");
}

TEST(ModeText, BitsJoinedInTableOrder) {
  EXPECT_EQ(modeText(0x7), "persistent+dhcp+lla");
  EXPECT_EQ(modeText(0x6), "dhcp+lla");
  EXPECT_EQ(modeText(0x8), "-");
}

TEST(ListTable, HeaderThenNumberedRowsWithoutNoteWhenAllReachable) {
  const auto text = lines(listTable({camera(0xC0A80A0B, true), camera(0xC0A80A0C, true)}));
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[0].rfind("#  MAC", 0), 0u) << text[0];
  EXPECT_EQ(text[1].rfind("1  02:00:00:00:00:11  192.168.10.11/24  eth1", 0), 0u) << text[1];
  // Columns line up under the header.
  EXPECT_EQ(text[1].find("ABC"), text[0].find("MODEL"));
  EXPECT_EQ(text[1].find("persistent+lla"), text[0].find("MODE "));
  EXPECT_EQ(text[1].find('!'), std::string::npos);
  EXPECT_EQ(text[2].rfind("2  ", 0), 0u);
}

TEST(ListTable, OutsideCameraIsMarkedAndExplained) {
  const auto text = lines(listTable({camera(0, false)}));
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[1].back(), '!');
  EXPECT_EQ(text[2], kOutsideSubnetNote);
}

TEST(ListTable, HostileTextCannotDriveTheTerminal) {
  device::CameraRecord view = camera(0xC0A80A0B, true);
  view.identity.userName = "\x1b]0;owned\x07";
  view.identity.serial = std::string(16, '\xff');
  const std::string text = listTable({view});
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(c == '\n' || (byte >= 0x20 && byte < 0x7F)) << int(byte);
  }
}

TEST(ListTable, EmptyListIsTheHeaderOnly) { EXPECT_EQ(lines(listTable({})).size(), 1u); }

}  // namespace

}  // namespace cli
