// Queries of a camera's identity and IP settings over a Camera the caller has
// opened (and, by convention, holds control of). Each reads its registers or
// memory areas whether or not it prints, prints its fixed block on stdout when
// `print` is set, and returns 0 whatever the reads gave. A failed read leaves
// the caller's record or set as it was and is printed as zero (0.0.0.0), or as
// '?' for an IP-configuration flag (its state is unknown);
// the MAC is stored only when both of its registers were read. Camera text is
// printed up to its first NUL, never past its field, with control bytes
// replaced. Pointers must not be null. Runs on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "device/camera_session.h"
#include "ipconfig/ipv4_set.h"

class Camera;

// `work` while the session holds control: 0, or -1 with "CCP failed" printed
// when control was not granted or not given back.
int holdFor(device::CameraSession& session, const std::function<void(Camera&)>& work);

struct DeviceInfo {
  unsigned char modelName[32] = {};
  unsigned char manufacturer[32] = {};
  unsigned char serialNumber[16] = {};
  unsigned char userId[16] = {};
  unsigned char firmwareInfo[48] = {};
  unsigned char firmwareVersion[64] = {};
  unsigned char mac[6] = {};
};

int retrieveDeviceInfo(Camera* camera, DeviceInfo* info, bool print);
// Fill `set` with the register values as host-order numbers (192.168.1.10 is
// 0xC0A8010A), each only when its read succeeded.
int retrieveCurrentIpSet(Camera* camera, IPV4Set* set, bool print);
int retrievePersistentIpSet(Camera* camera, IPV4Set* set, bool print);
int retrieveSupportedIpConfig(Camera* camera, bool print);
int retrieveCurrentIpConfig(Camera* camera, bool print);
int retrieveIpConfigAtOnce(Camera* camera, bool print);

// The three lines "Persistent IP [Y]", "DHCP          [N]", "LLA           [?]"
// of a configuration word; an empty word is one whose read failed.
void printIpConfigFlags(std::optional<uint32_t> config);

// The address block: `title` line, the long rule, address and mask in dotted
// decimal. Both values in network byte order.
void printIpSetBlock(const char* title, uint32_t ip, uint32_t mask);
