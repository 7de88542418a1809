#include "diagnosis/rule_input.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "net/address_set.h"
#include "net/macaddress.h"

namespace diagnosis {

RuleInput ruleInput(const DoctorFacts& facts) {
  std::vector<device::CameraRecord> views;
  for (const CameraFacts& camera : facts.cameras) views.push_back(camera.view);
  return {facts, device::addressSharing(views, facts.hostAddresses)};
}

std::string subnetText(const device::AdapterRecord& adapter) {
  return net::cidrText(net::networkOf(adapter.ip, adapter.mask), adapter.mask);
}

std::string adapterOf(const CameraFacts& camera) {
  return camera.view.adapter ? camera.view.adapter->name : "";
}

const AdapterFacts* adapterFacts(const DoctorFacts& facts, const std::string& name) {
  const auto found = std::find_if(facts.adapters.begin(), facts.adapters.end(),
                                  [&](const AdapterFacts& a) { return a.view.name == name; });
  return found == facts.adapters.end() ? nullptr : &*found;
}

bool hasCameras(const DoctorFacts& facts, const std::string& name) {
  return std::any_of(facts.cameras.begin(), facts.cameras.end(),
                     [&](const CameraFacts& c) { return adapterOf(c) == name; });
}

std::string shellWord(const std::string& word) {
  const auto plain = [](unsigned char c) {
    return std::isalnum(c) != 0 ||
           std::string_view("_@%+=:,./-").find(static_cast<char>(c)) != std::string_view::npos;
  };
  if (!word.empty() && std::all_of(word.begin(), word.end(), plain)) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string forceIpFix(const CameraFacts& camera) {
  const net::Ipv4 mask = camera.view.adapter ? camera.view.adapter->mask : net::Ipv4();
  return "nuv-ipconfig force-ip " + net::macText(camera.view.mac) + " --ip auto --mask " +
         mask.text();
}

}  // namespace diagnosis
