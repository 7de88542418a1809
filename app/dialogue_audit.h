// The dialogue's records for the audit trail (audit/audit_trail.h): a FORCEIP
// of the chosen camera to the typed address, and the configuration written
// under control. Addresses in network byte order. The caller's thread.
#pragma once

#include <cstdint>

#include "gvcp/camera_info.h"
#include "gvcp/gige_forceip.h"
#include "ipconfig/ip_reconfigure.h"

void recordDialogueForceIp(const GigE_Camera_Info& camera, const ForceIpSet& set);

// `ip`: where the dialogue reached the camera.
void recordDialogueConfig(const GigE_Camera_Info& camera, uint32_t ip, const ConfigWrite& write);
