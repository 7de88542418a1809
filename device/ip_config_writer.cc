#include "device/ip_config_writer.h"

#include <cstdio>

#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/registers.h"

namespace device {
namespace {

std::string registerText(const RegisterWrite& w) {
  char text[80];
  std::snprintf(text, sizeof text, "the %s (register 0x%04X)", w.name, w.address);
  return text;
}

std::string hexWord(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Empty when the register reads back what was written.
std::optional<std::string> readBackProblem(Camera& camera, const RegisterWrite& w) {
  uint32_t value = 0;
  const gvcp::Status read = readRegister(camera, w.address, value);
  if (!read.ok()) return "read-back of " + registerText(w) + ": " + read.toString();
  if ((value & w.checked) == (w.value & w.checked)) return std::nullopt;
  return registerText(w) + " reads back " + hexWord(value) + ", written " + hexWord(w.value);
}

}  // namespace

uint32_t withPauseBitsOf(uint32_t current, uint32_t modeBits) {
  constexpr uint32_t kPauseBits =
      gvcp::Registers::kIpConfigPauseReception | gvcp::Registers::kIpConfigPauseGeneration;
  return (current & kPauseBits) | (modeBits & kIpConfigModeBits);
}

std::vector<RegisterWrite> ipConfigWrites(const IpConfigValues& values) {
  std::vector<RegisterWrite> plan;
  if (values.persistent) {
    const net::AddressSet& set = *values.persistent;
    plan.push_back({gvcp::Registers::kPersistentIp, set.ip.host(), "persistent IP address"});
    plan.push_back(
        {gvcp::Registers::kPersistentSubnetMask, set.mask.host(), "persistent subnet mask"});
    plan.push_back({gvcp::Registers::kPersistentGateway, set.gateway.host(), "persistent gateway"});
  }
  if (values.configuration) {
    plan.push_back({gvcp::Registers::kIpConfigCurrent, *values.configuration,
                    "current IP configuration", kIpConfigModeBits});
  }
  return plan;
}

WriteOutcome writeIpConfig(Camera& camera, const std::vector<RegisterWrite>& plan, Verify verify) {
  WriteOutcome outcome;
  for (size_t i = 0; i < plan.size(); ++i) {
    const RegisterWrite& w = plan[i];
    const int result = camera.writereg(w.address, w.value);
    outcome.results.push_back(result);
    if (verify == Verify::kNone) continue;
    std::optional<std::string> problem;
    if (result != 0) {
      problem = gvcp::Status::FromExchange(result, "write of " + registerText(w)).toString();
    } else {
      problem = readBackProblem(camera, w);
    }
    if (problem) {
      outcome.failure = WriteFailure{i, *problem};
      return outcome;
    }
  }
  return outcome;
}

std::vector<std::optional<uint32_t>> putBack(Camera& camera, const std::vector<RegisterWrite>& plan,
                                             size_t failedAt,
                                             const std::vector<uint32_t>& previous) {
  for (size_t i = failedAt + 1; i-- > 0;) camera.writereg(plan[i].address, previous[i]);
  std::vector<std::optional<uint32_t>> now;
  for (const RegisterWrite& w : plan) {
    uint32_t value = 0;
    now.push_back(readRegister(camera, w.address, value).ok() ? std::optional(value)
                                                              : std::nullopt);
  }
  return now;
}

}  // namespace device
