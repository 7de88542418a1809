// What every rule of the diagnosis reads: the facts, the address sharing of
// the cameras (computed once), and the few texts several rules write. Pure.
#pragma once

#include <string>
#include <vector>

#include "device/address_sharers.h"
#include "diagnosis/doctor_facts.h"

namespace diagnosis {

struct RuleInput {
  const DoctorFacts& facts;
  std::vector<device::AddressSharing> sharing;  // one per camera of facts.cameras
};

RuleInput ruleInput(const DoctorFacts& facts);

// "192.168.10.0/24": the subnet of an adapter (the kernel keeps its mask contiguous).
std::string subnetText(const device::AdapterRecord& adapter);
// The name of the adapter a camera answered on ("" when none).
std::string adapterOf(const CameraFacts& camera);
// The facts of the first chosen adapter named `name`, or nullptr.
const AdapterFacts* adapterFacts(const DoctorFacts& facts, const std::string& name);
// Whether some camera answered on an adapter named `name`.
bool hasCameras(const DoctorFacts& facts, const std::string& name);
// `word` as one word of a POSIX shell command: unchanged when made only of
// characters no shell treats specially, else in single quotes with each '
// written '\''. Interface names may hold ';', '$(' and quotes.
std::string shellWord(const std::string& word);
// The command that gives the camera a free address in its adapter's subnet.
std::string forceIpFix(const CameraFacts& camera);

}  // namespace diagnosis
