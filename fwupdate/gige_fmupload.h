// Firmware update of one camera: take control over GVCP, show its model name,
// version and manufacturer information, check by file name that the image is
// meant for this model, program it into flash, restart the camera and wait for
// it to answer again. doFwUpdate returns 0 after a completed update and -1 on
// every failure, printing one line of its own at the point of failure. It runs
// on the caller's thread and owns its Camera and flash socket for the call.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "fwupdate/firmware_steps.h"
#include "fwupdate/flash_program.h"
#include "gvcp/gvcp_protocol.h"

// The directory getFiles lists; "." at start-up.
extern std::string firmwarePath;

// A restarting camera answers again within seconds; a minute without an
// answer means it did not come back.
inline constexpr std::chrono::seconds kCameraReturnBound{60};

struct FwUpdateOptions {
  uint16_t gvcpPort = gvcp::kPort;
  uint16_t flashPort = gvcp::kEpcsPort;
  std::chrono::milliseconds returnBound = kCameraReturnBound;
  FlashProgramOptions flash;  // its `out` is where the whole update prints
};

int doFwUpdate(std::string ip, std::string file);
int updateFirmware(const std::string& ip, const std::string& file, const FwUpdateOptions& options);

// Adds the entries of `firmwarePath` whose names contain `pattern`, numbered
// from 1 in listing order; a number already in the map keeps its entry. True
// when at least one entry matched; false (with a perror line) when the
// directory cannot be opened.
bool getFiles(std::map<int, std::string>& files, std::string pattern);
