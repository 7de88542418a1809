#include "device/camera_settings.h"

#include <optional>
#include <span>
#include <tuple>
#include <vector>

#include "device/register_reads.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {

namespace {

// One of the camera's texts. They lie back to back from the manufacturer
// name on; the serial number and the user-defined name are optional.
struct TextField {
  uint32_t address = 0;
  size_t width = 0;
  std::string* text = nullptr;
  std::optional<std::string>* optional = nullptr;  // for an optional field
};

// The fields present, in memory order: the optional ones where the capability
// bit says the camera has them (the others are reset to absent).
std::vector<TextField> presentTexts(CameraSettings& s) {
  CameraIdentity& id = s.identity;
  std::vector<TextField> fields = {
      {gvcp::Registers::kManufacturerName, gvcp::Registers::kManufacturerNameLen, &id.manufacturer},
      {gvcp::Registers::kModelName, gvcp::Registers::kModelNameLen, &id.model},
      {gvcp::Registers::kDeviceVersion, gvcp::Registers::kDeviceVersionLen, &id.deviceVersion},
      {gvcp::Registers::kManufacturerInfo, gvcp::Registers::kManufacturerInfoLen,
       &id.manufacturerInfo}};
  const std::tuple<uint32_t, uint32_t, size_t, std::optional<std::string>*> optional[] = {
      {gvcp::Registers::kCapSerialNumber, gvcp::Registers::kSerialNumber,
       gvcp::Registers::kSerialNumberLen, &id.serial},
      {gvcp::Registers::kCapUserDefinedName, gvcp::Registers::kUserDefinedName,
       gvcp::Registers::kUserDefinedNameLen, &id.userName}};
  for (const auto& [bit, address, width, text] : optional) {
    text->reset();
    if ((s.capabilities & bit) != 0) fields.push_back({address, width, &text->emplace(), text});
  }
  return fields;
}

// How many of `fields`, from the first, lie back to back in memory.
size_t backToBack(const std::vector<TextField>& fields) {
  size_t n = 1;
  while (n < fields.size() && fields[n].address == fields[n - 1].address + fields[n - 1].width) {
    ++n;
  }
  return n;
}

gvcp::Status readBlock(Camera& camera, std::span<const TextField> fields) {
  const uint32_t start = fields.front().address;
  std::vector<uint8_t> bytes(fields.back().address + fields.back().width - start);
  const gvcp::Status status = readMemory(camera, start, bytes);
  if (!status.ok()) return status;
  for (const TextField& f : fields) *f.text = gvcp::textField(&bytes[f.address - start], f.width);
  return status;
}

// Each field alone. An optional field whose read the camera refuses is taken
// as absent, as on a camera without it.
gvcp::Status readOneByOne(Camera& camera, std::span<const TextField> fields) {
  for (const TextField& f : fields) {
    const gvcp::Status status = readBlock(camera, {&f, 1});
    if (status.ok()) continue;
    if (f.optional == nullptr || !status.isCameraStatus()) return status;
    f.optional->reset();
  }
  return gvcp::Status::Ok();
}

// The fields back to back from the first in one READMEM, any after a gap
// alone; where the block read fails, every field alone.
gvcp::Status readTexts(Camera& camera, CameraSettings& s) {
  const std::vector<TextField> fields = presentTexts(s);
  const std::span<const TextField> all(fields);
  const size_t inBlock = backToBack(fields);
  const gvcp::Status block = readBlock(camera, all.first(inBlock));
  if (!block.ok() && !block.isCameraStatus()) return block;
  return readOneByOne(camera, block.ok() ? all.subspan(inBlock) : all);
}

// Every register the settings hold, the MAC first, in one read where the
// camera offers concatenation.
gvcp::Status readWords(Camera& camera, CameraSettings& s) {
  uint32_t macHigh = 0;
  uint32_t macLow = 0;
  uint32_t now[3] = {};     // current ip, mask, gateway
  uint32_t stored[3] = {};  // persistent ip, mask, gateway
  const RegisterRead reads[] = {{gvcp::Registers::kDeviceMacHigh, &macHigh},
                                {gvcp::Registers::kDeviceMacLow, &macLow},
                                {gvcp::Registers::kCurrentIp, &now[0]},
                                {gvcp::Registers::kCurrentSubnetMask, &now[1]},
                                {gvcp::Registers::kCurrentGateway, &now[2]},
                                {gvcp::Registers::kPersistentIp, &stored[0]},
                                {gvcp::Registers::kPersistentSubnetMask, &stored[1]},
                                {gvcp::Registers::kPersistentGateway, &stored[2]},
                                {gvcp::Registers::kIpConfigSupported, &s.ipConfigSupported},
                                {gvcp::Registers::kIpConfigCurrent, &s.ipConfigCurrent},
                                {gvcp::Registers::kCcp, &s.ccp},
                                {gvcp::Registers::kHeartbeatTimeout, &s.heartbeatTimeoutMs}};
  const gvcp::Status status = readRegisters(camera, s.capabilities, reads);
  s.current = net::AddressSet::fromHost(now[0], now[1], now[2]);
  s.persistent = net::AddressSet::fromHost(stored[0], stored[1], stored[2]);
  if (status.ok()) s.mac = macOf(macHigh, macLow);
  return status;
}

}  // namespace

gvcp::Status readCameraSettings(Camera& camera, CameraSettings& s,
                                std::optional<uint32_t> capabilities) {
  gvcp::Status st = gvcp::Status::Ok();
  if (capabilities) {
    s.capabilities = *capabilities;
  } else {
    st = readRegister(camera, gvcp::Registers::kGvcpCapability, s.capabilities);
  }
  if (st.ok()) st = readTexts(camera, s);
  if (st.ok()) st = readWords(camera, s);
  return st;
}

}  // namespace device
