#include "app/reachability.h"

#include <cstdio>
#include <optional>

#include "app/camera_collection.h"
#include "app/dialogue_audit.h"
#include "app/force_ip.h"
#include "ipconfig/console_input.h"
#include "ipconfig/ip_reconfigure.h"

void reachAndConfigure(const GigE_Camera_Info& selected, const TemporaryAddressSteps& steps,
                       std::istream& in, uint16_t port) {
  IPV4Set target{selected.currentIp, selected.currentSubnetMask};
  if (tryToConnect(target.ip, target.mask, port) != 0) {
    std::puts("maybe not in same network!");
    std::puts("please give a valid ip address and a subnet mask for camera:");
    std::puts("------------------------------------------------------------");
    const std::optional<IPV4Set> typed =
        promptNewIpv4Set("enter a valid ip address:", "enter a valid subnet mask:", in);
    if (!typed) {
      std::puts(kInputEndedLine);
      return;
    }
    steps.assign(selected, ForceIpSet{typed->ip, typed->mask});
    // The refreshed list is not searched: the camera is configured at the
    // typed address whether or not the second discovery saw it there.
    steps.rediscover();
    target = *typed;
  }
  replaceCurrentIpConfig(&target, true, in, port, [&](const ConfigWrite& write) {
    recordDialogueConfig(selected, target.ip, write);
  });
}

void reachAndConfigure(const GigE_Camera_Info& selected, const std::vector<Adaptor>& adapters,
                       std::vector<GigE_Camera_Info>& cameras, std::istream& in) {
  // Opened only on the temporary-address path; kept until the configuration
  // that follows has returned.
  std::optional<ForceIp> forceIp;
  const TemporaryAddressSteps steps{
      [&forceIp](const GigE_Camera_Info& camera, const ForceIpSet& set) {
        forceIp.emplace();
        forceIp->assignTemporaryIp(&camera, &set);
        recordDialogueForceIp(camera, set);
      },
      [&adapters, &cameras] {
        cameras.clear();
        collectCameras(adapters, cameras);
      }};
  reachAndConfigure(selected, steps, in);
}
