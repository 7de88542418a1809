// The device description against the register space it describes: a client
// finds it through the first-URL register, reads it whole with READMEM, and
// every register it names answers with the access it declares.
#include "simulator/device_description.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "simulator/gvcp_handler_test_util.h"
#include "simulator/register_space.h"

namespace sim {
namespace {

// One register node of the description: its element, name and the values of
// its Address, Length, AccessMode and Bit children (empty when absent).
struct RegisterNode {
  std::string element;
  std::string name;
  std::string address;
  std::string length;
  std::string access;
  std::string bit;
};

std::string child(const std::string& node, const std::string& tag) {
  const std::string open = "<" + tag + ">";
  const size_t from = node.find(open);
  if (from == std::string::npos) return "";
  const size_t begin = from + open.size();
  return node.substr(begin, node.find("</" + tag + ">", begin) - begin);
}

std::vector<RegisterNode> registerNodes(const std::string& xml) {
  std::vector<RegisterNode> nodes;
  for (const std::string element : {"IntReg", "MaskedIntReg", "StringReg"}) {
    const std::string open = "<" + element + " Name=\"";
    for (size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
      const size_t nameBegin = at + open.size();
      const std::string name = xml.substr(nameBegin, xml.find('"', nameBegin) - nameBegin);
      const size_t end = xml.find("</" + element + ">", at);
      const std::string body = xml.substr(at, end - at);
      nodes.push_back({element, name, child(body, "Address"), child(body, "Length"),
                       child(body, "AccessMode"), child(body, "Bit")});
    }
  }
  return nodes;
}

std::optional<RegisterNode> nodeNamed(const std::string& name) {
  for (const RegisterNode& node : registerNodes(std::string(deviceDescription()))) {
    if (node.name == name) return node;
  }
  return std::nullopt;
}

uint32_t number(const std::string& text) {
  return static_cast<uint32_t>(std::stoul(text, nullptr, 0));
}

class DeviceDescriptionTest : public GvcpHandlerTest {
 protected:
  // READMEM in the largest blocks a client asks for, as one string.
  std::string readBlocks(uint32_t address, uint32_t count) {
    std::string text;
    for (uint32_t offset = 0; offset < count; offset += 512) {
      const uint16_t chunk = static_cast<uint16_t>(std::min<uint32_t>(512, count - offset));
      const Outcome o = send(readMem(address + offset, chunk));
      EXPECT_EQ(status(o), 0) << "at 0x" << std::hex << address + offset;
      if (o.answer.size() != 12u + chunk) return text;
      text.append(o.answer.begin() + 12, o.answer.end());
    }
    return text;
  }
};

TEST_F(DeviceDescriptionTest, FirstUrlNamesTheFileItsAddressAndLength) {
  const std::string url = readBlocks(0x0200, 512);
  const std::string expected = "Local:nuv-camsim.xml;10000;" + [] {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%zx", deviceDescription().size());
    return std::string(hex);
  }();
  EXPECT_EQ(url.substr(0, url.find('\0')), expected);
  EXPECT_EQ(url.find_first_not_of('\0', expected.size()), std::string::npos);
  EXPECT_EQ(readBlocks(0x0400, 512), std::string(512, '\0')) << "second URL is empty";
}

TEST_F(DeviceDescriptionTest, DescriptionReadsBackWholeAndEndsAtItsLength) {
  const uint32_t size = static_cast<uint32_t>(deviceDescription().size());
  const uint32_t padded = (size + 3) / 4 * 4;
  const std::string read = readBlocks(0x10000, padded);
  EXPECT_EQ(read.substr(0, size), deviceDescription());
  EXPECT_EQ(read.substr(size), std::string(padded - size, '\0'));
  EXPECT_EQ(status(send(readMem(0x10000 + padded, 4))), gvcp::kStatusInvalidAddress);
  EXPECT_EQ(read.rfind("</RegisterDescription>\n"), size - 23);
}

TEST_F(DeviceDescriptionTest, NamesEveryFeatureAClientConfiguresTheCameraWith) {
  const std::string xml(deviceDescription());
  for (const char* feature : {"DeviceVendorName",
                              "DeviceModelName",
                              "DeviceVersion",
                              "DeviceManufacturerInfo",
                              "DeviceSerialNumber",
                              "DeviceUserID",
                              "DeviceReset",
                              "GevMACAddress",
                              "GevSupportedOptionSelector",
                              "GevSupportedOption",
                              "GevCurrentIPConfigurationLLA",
                              "GevCurrentIPConfigurationDHCP",
                              "GevCurrentIPConfigurationPersistentIP",
                              "GevCurrentIPAddress",
                              "GevCurrentSubnetMask",
                              "GevCurrentDefaultGateway",
                              "GevPersistentIPAddress",
                              "GevPersistentSubnetMask",
                              "GevPersistentDefaultGateway",
                              "GevHeartbeatTimeout",
                              "GevCCP",
                              "GevStreamChannelCount",
                              "GevTimestampTickFrequency"}) {
    EXPECT_NE(xml.find("Name=\"" + std::string(feature) + "\" NameSpace=\"Standard\""),
              std::string::npos)
        << feature;
  }
}

TEST_F(DeviceDescriptionTest, EveryRegisterAnswersWithTheAccessItDeclares) {
  takeControl();
  const auto nodes = registerNodes(std::string(deviceDescription()));
  ASSERT_GE(nodes.size(), 25u);
  for (const RegisterNode& node : nodes) {
    SCOPED_TRACE(node.name);
    const uint32_t address = number(node.address);
    const uint32_t length = number(node.length);
    std::vector<uint8_t> value(length, 0);
    if (node.access != "WO") {
      ASSERT_EQ(readMemory(state, address, length, &value), 0);
    }
    WriteEffect effect;
    const uint16_t written = writeMemory(state, kHost, address, value, 1000, &effect);
    EXPECT_EQ(written, node.access == "RO" ? gvcp::kStatusWriteProtect : gvcp::kStatusSuccess);
  }
}

TEST_F(DeviceDescriptionTest, ConfigurationBitsCountFromTheMostSignificantBit) {
  EXPECT_EQ(1u << (31 - number(nodeNamed("GevCurrentIPConfigurationPersistentIP")->bit)), 0x1u);
  EXPECT_EQ(1u << (31 - number(nodeNamed("GevCurrentIPConfigurationDHCP")->bit)), 0x2u);
  EXPECT_EQ(1u << (31 - number(nodeNamed("GevCurrentIPConfigurationLLA")->bit)), 0x4u);
  EXPECT_EQ(number(nodeNamed("GevCurrentIPConfigurationLLA")->address), 0x0014u);
}

TEST_F(DeviceDescriptionTest, DeviceResetWritesTheRestartMagicToTheRestartRegister) {
  const std::string xml(deviceDescription());
  const size_t command = xml.find("<Command Name=\"DeviceReset\"");
  ASSERT_NE(command, std::string::npos);
  const std::string body = xml.substr(command, xml.find("</Command>", command) - command);
  const auto target = nodeNamed(child(body, "pValue"));
  ASSERT_TRUE(target);
  takeControl();
  const Outcome o = writeReg(number(target->address), number(child(body, "CommandValue")));
  EXPECT_EQ(status(o), 0);
  EXPECT_TRUE(o.reboot);
  EXPECT_EQ(number(target->address), 0xB0E8u);
}

}  // namespace
}  // namespace sim
