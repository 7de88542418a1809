#include "ipconfig/gige_ipconfig_helper.h"

#include <arpa/inet.h>

#include <cstdio>
#include <functional>

#include "device/camera_session.h"
#include "device/ip_config_writer.h"
#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"
#include "ipconfig/device_queries.h"
#include "net/ipv4.h"

namespace {

// Takes control of the camera at `ip` (one take write, no release after a
// failed one), runs `work`, gives control back.
int underControl(net::Ipv4 ip, uint16_t port, const std::function<void(Camera&)>& work) {
  device::SessionPolicy policy = device::libraryPolicy(port);
  policy.releaseAfterFailedTake = false;
  device::CameraSession session(ip, policy);
  return holdFor(session, work);
}

void storePersistentSet(Camera& camera, const IPV4Set& set, bool print) {
  if (print) printIpSetBlock("\nPersistent Ip Setting:", set.ip, set.mask);
  writePersistentSet(camera, set);
}

void printReport(Camera& camera) {
  DeviceInfo info;
  IPV4Set current;
  IPV4Set persistent;
  retrieveDeviceInfo(&camera, &info, true);
  retrieveCurrentIpSet(&camera, &current, true);
  retrievePersistentIpSet(&camera, &persistent, true);
  retrieveIpConfigAtOnce(&camera, true);
}

}  // namespace

int replacePersistentIpSet(IPV4Set* set, bool print, uint16_t port) {
  if (set == nullptr) return -1;
  const IPV4Set values = *set;
  return underControl(net::Ipv4::fromNetwork(values.ip), port,
                      [&](Camera& camera) { storePersistentSet(camera, values, print); });
}

int doIpConfigHelper(std::string ip, uint16_t port) {
  const std::optional<net::Ipv4> address = net::Ipv4::parse(ip);
  if (!address) {
    std::printf("not a dotted IPv4 address: %s\n", gvcp::terminalSafe(ip).c_str());
    return -1;
  }
  return underControl(*address, port, printReport);
}

void writePersistentSet(Camera& camera, const IPV4Set& set) {
  const net::AddressSet stored{
      net::Ipv4::fromNetwork(set.ip), net::Ipv4::fromNetwork(set.mask), {}};
  const device::WriteOutcome written = device::writeIpConfig(
      camera, device::ipConfigWrites({stored, std::nullopt}), device::Verify::kNone);
  // Address and mask make the setting; the gateway's write is not judged.
  if (written.results[0] == 0 && written.results[1] == 0) {
    std::puts("persistent IP setting was set succesfully");
  }
}
