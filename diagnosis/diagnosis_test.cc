// The diagnosis over facts made up in memory: a clean bed of two adapters with
// one camera each, and one fault at a time planted in it, each found on its
// adapter with its camera and fix, and nothing else above level ok.
#include "diagnosis/diagnosis.h"

#include <gtest/gtest.h>

#include <functional>

namespace diagnosis {
namespace {

net::Ipv4 ipOf(const char* text) { return *net::Ipv4::parse(text); }

AdapterFacts adapter(const char* name, unsigned index, const char* ip) {
  return {{name, ipOf(ip), ipOf("255.255.255.0")},
          net::LinkFacts{name, index, true, true, 9000, 9000, 1000, "", 0},
          0};
}

CameraFacts camera(uint8_t last, const char* ip, const AdapterFacts& on) {
  CameraFacts c;
  c.view.mac = {2, 0, 0, 0, 0, last};
  c.view.ip = ipOf(ip);
  c.view.adapter = on.view;
  c.view.reachable = device::inSubnet(c.view.ip, on.view);
  c.seenAtLinkLevel = c.seenByUdp = true;
  c.route = {net::RouteKind::kThrough, on.link->index};
  c.routeInterface = on.view.name;
  c.control.read = ControlRead::kRead;
  return c;
}

// eth1 192.168.10.1/24 with camera ...:11 at .11; eth2 192.168.20.1/24 with ...:22 at .22.
DoctorFacts cleanBed() {
  DoctorFacts facts;
  facts.adapters = {adapter("eth1", 2, "192.168.10.1"), adapter("eth2", 3, "192.168.20.1")};
  facts.cameras = {camera(0x11, "192.168.10.11", facts.adapters[0]),
                   camera(0x22, "192.168.20.22", facts.adapters[1])};
  facts.hostAddresses = {facts.adapters[0].view.ip, facts.adapters[1].view.ip};
  facts.rpFilterAll = 0;
  facts.rmemMax = kStreamingRmemBytes;
  facts.neighbour = {128, 512, 1024};
  facts.droppedDuringDiscovery = 0;
  facts.programPath = "/usr/bin/nuv-ipconfig";
  return facts;
}

// A camera at 10.77.0.9 behind eth1 whose answers reached only the capture.
void addForeignCamera(DoctorFacts& f, net::RouteLookup route) {
  CameraFacts far = camera(0x77, "10.77.0.9", f.adapters[0]);
  far.seenByUdp = false;
  far.route = route;
  far.routeInterface = route.kind == net::RouteKind::kThrough ? "eth2" : "";
  far.control.read = ControlRead::kNotRead;
  f.cameras.push_back(far);
}

// eth2 and its camera's adapter renamed to `name`, which Linux allows.
void renameEth2(DoctorFacts& f, const std::string& name) {
  f.adapters[1].view.name = f.adapters[1].link->name = name;
  f.cameras[1].view.adapter->name = f.cameras[1].routeInterface = name;
}

// A finding as "LEVEL CHECK ADAPTER CAMERA: FIX", the camera by the last byte of its MAC.
std::string line(const Finding& f) {
  return std::string(levelName(f.level)) + " " + f.check + " " +
         (f.adapter.empty() ? "-" : f.adapter) + " " +
         (f.camera.empty() ? "-" : f.camera.substr(15)) + ": " + f.fix;
}

const std::string kFarSubnet =
    "fail subnet eth1 77: nuv-ipconfig force-ip 02:00:00:00:00:77 --ip auto --mask 255.255.255.0";

struct Fault {
  const char* name;
  std::function<void(DoctorFacts&)> plant;
  std::vector<std::string> found;  // every finding above ok, worst first
};

// clang-format off
const Fault kFaults[] = {
    {"Clean", [](DoctorFacts&) {}, {}},
    {"HostWideStrictRpFilterWithoutRouteBack",
     [](DoctorFacts& f) { f.rpFilterAll = 1; addForeignCamera(f, {net::RouteKind::kNoRoute, 0}); },
     {"fail rp_filter eth1 77: sysctl -w net.ipv4.conf.eth1.rp_filter=0 net.ipv4.conf.all.rp_filter=0",
      kFarSubnet}},
    // Loose on the adapter outweighs strict host-wide: the kernel takes the larger.
    {"StrictRpFilterWithRouteElsewhere",
     [](DoctorFacts& f) { f.rpFilterAll = f.adapters[0].rpFilter = 1; addForeignCamera(f, {net::RouteKind::kThrough, 3}); },
     {"fail rp_filter eth1 77: sysctl -w net.ipv4.conf.eth1.rp_filter=2", kFarSubnet}},
    {"LooseRpFilterWithRouteLetsItPassSoAFirewallDropsIt",
     [](DoctorFacts& f) { f.adapters[0].rpFilter = 2; addForeignCamera(f, {net::RouteKind::kThrough, 3}); },
     {"fail firewall eth1 77: ", kFarSubnet}},
    {"CameraAtThisHostsAddressIsAConflictNotAFirewall",
     [](DoctorFacts& f) { f.cameras[1].view.ip = ipOf("192.168.20.1"); f.cameras[1].seenByUdp = false; },
     {"fail address_conflict eth2 22: nuv-ipconfig force-ip 02:00:00:00:00:22 --ip auto --mask 255.255.255.0"}},
    {"TwoCamerasOnOneAddress",
     [](DoctorFacts& f) { f.cameras.push_back(camera(0x33, "192.168.10.11", f.adapters[0])); },
     {"fail address_conflict eth1 11: nuv-ipconfig force-ip 02:00:00:00:00:11 --ip auto --mask 255.255.255.0",
      "fail address_conflict eth1 33: nuv-ipconfig force-ip 02:00:00:00:00:33 --ip auto --mask 255.255.255.0"}},
    {"UnicastLeavesThroughAnotherAdapter",
     [](DoctorFacts& f) { f.cameras[1].routeInterface = "eth1"; },
     {"warn shared_subnet eth2 22: ip route replace 192.168.20.22/32 dev eth2"}},
    // One camera on both adapters: no address sharing, and reached through the routed one.
    {"CameraAnsweringOnTheRoutedAdapterTooIsReachedThere",
     [](DoctorFacts& f) {
       f.cameras[1].routeInterface = "eth1";
       f.cameras.push_back(f.cameras[1]);
       f.cameras.back().view.adapter = f.adapters[0].view;
     },
     {}},
    {"HeldByAnotherApplication", [](DoctorFacts& f) { f.cameras[0].control.ccp = 2; },
     {"warn control eth1 11: "}},
    {"ExclusiveHolderRefusesReads", [](DoctorFacts& f) { f.cameras[1].control.read = ControlRead::kDenied; },
     {"warn control eth2 22: "}},
    {"AdapterDown", [](DoctorFacts& f) { f.adapters[1].link->up = false; },
     {"fail link eth2 -: ip link set eth2 up"}},
    {"NoCarrier", [](DoctorFacts& f) { f.adapters[0].link->carrier = false; }, {"fail link eth1 -: "}},
    {"SlowLink", [](DoctorFacts& f) { f.adapters[0].link->speedMbps = 100; }, {"warn link eth1 11: "}},
    {"JumboFramesOffWhereTheAdapterTakesThem",
     [](DoctorFacts& f) { f.adapters[0].link->mtu = f.adapters[0].link->maxMtu.emplace(1500); f.adapters[1].link->mtu = 1500; },
     {"info mtu eth2 -: ip link set eth2 mtu 9000"}},
    {"SmallReceiveBufferLimit", [](DoctorFacts& f) { f.rmemMax = 4194304; },
     {"info rmem - -: sysctl -w net.core.rmem_max=16777216"}},
    // The ceiling is judged against the adapter with the most cameras: two on eth1.
    {"CeilingHoldsTheBurstOfEachAdapter", [](DoctorFacts& f) { f.rmemMax = 2000; },
     {"info rmem - -: sysctl -w net.core.rmem_max=16777216"}},
    {"CeilingBelowTheBurstOfTheBusiestAdapter",
     [](DoctorFacts& f) { f.rmemMax = 2000; f.cameras.push_back(camera(0x33, "192.168.10.33", f.adapters[0])); },
     {"warn answer_buffer - -: sysctl -w net.core.rmem_max=4194304", "info rmem - -: sysctl -w net.core.rmem_max=16777216"}},
    {"DropsUnderAHighCeilingHaveNoSysctlFix", [](DoctorFacts& f) { f.droppedDuringDiscovery = 5; },
     {"warn answer_buffer - -: "}},
    {"DropsUnderALowCeiling", [](DoctorFacts& f) { f.rmemMax = 1000; f.droppedDuringDiscovery = 5; },
     {"warn answer_buffer - -: sysctl -w net.core.rmem_max=4194304", "warn answer_buffer - -: sysctl -w net.core.rmem_max=4194304",
      "info rmem - -: sysctl -w net.core.rmem_max=16777216"}},
    {"BacklogDropsNameTheBacklog", [](DoctorFacts& f) { f.netdevMaxBacklog = 1000; f.backlogDropsDuringDiscovery = 7; },
     {"info answer_buffer - -: sysctl -w net.core.netdev_max_backlog=2000"}},
    {"NeighbourCollectionStartsEarlyWithoutLoss", [](DoctorFacts& f) { f.neighbour = {0, 2, 4}; }, {}},
    {"NeighbourTableForcedCollectionTooLow", [](DoctorFacts& f) { f.neighbour = {1, 1, 100}; },
     {"warn neighbour_table - -: sysctl -w net.ipv4.neigh.default.gc_thresh1=1 net.ipv4.neigh.default.gc_thresh2=2 net.ipv4.neigh.default.gc_thresh3=100"}},
    {"NeighbourTableCeilingTooLow", [](DoctorFacts& f) { f.neighbour = {1, 2, 3}; },
     {"warn neighbour_table - -: sysctl -w net.ipv4.neigh.default.gc_thresh1=1 net.ipv4.neigh.default.gc_thresh2=2 net.ipv4.neigh.default.gc_thresh3=4"}},
    // Names a shell would run or split are single-quoted in the fix.
    {"AdapterNameWithShellSyntaxIsQuoted", [](DoctorFacts& f) { renameEth2(f, "e;$(x)'"); f.adapters[1].link->up = false; },
     {"fail link e;$(x)' -: ip link set 'e;$(x)'\\''' up"}},
    {"AdapterNameWithASpaceIsQuoted", [](DoctorFacts& f) { renameEth2(f, "e 2"); f.cameras[1].routeInterface = "eth1"; },
     {"warn shared_subnet e 2 22: ip route replace 192.168.20.22/32 dev 'e 2'"}},
    {"WithoutPacketPrivilege",
     [](DoctorFacts& f) { f.linkLevelRan = false; for (CameraFacts& c : f.cameras) c.seenAtLinkLevel = false; },
     {"warn privilege - -: setcap cap_net_raw+p /usr/bin/nuv-ipconfig"}},
};
// clang-format on

TEST(Diagnosis, EachPlantedFaultIsFoundWhereItIsAndNothingElse) {
  for (const Fault& fault : kFaults) {
    SCOPED_TRACE(fault.name);
    DoctorFacts facts = cleanBed();
    fault.plant(facts);
    std::vector<std::string> found;
    for (const Finding& f : diagnose(facts)) {
      if (f.level != Level::kOk) found.push_back(line(f));
    }
    EXPECT_EQ(found, fault.found);
  }
}

TEST(Diagnosis, EntriesComeWorstFirstAndSkippedChecksGiveNoEntry) {
  DoctorFacts facts = cleanBed();
  facts.linkLevelRan = false;
  facts.rmemMax = 1024;
  facts.adapters[1].link->up = false;
  std::vector<std::string> order;
  for (const Finding& f : diagnose(facts)) order.push_back(levelName(f.level) + (" " + f.check));
  EXPECT_EQ(order, (std::vector<std::string>{"fail link", "warn answer_buffer", "warn privilege",
                                             "info rmem", "ok subnet", "ok address_conflict",
                                             "ok shared_subnet", "ok control", "ok mtu",
                                             "ok neighbour_table"}));
}

}  // namespace
}  // namespace diagnosis
