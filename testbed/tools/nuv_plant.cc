// The plant generator: draws a camera network from a seed, builds it in the
// test bed's namespaces, runs a random sequence of the tool's commands there
// and checks after each one invariants read from the simulators' own state.
//   nuv_plant [--seed N] [--plants P] [--commands C]
// Plant N is drawn from N alone, so `--seed S --plants 1` replays plant S.
// Prints each plant, command and violation; exit 0 when no invariant broke,
// 1 otherwise, 77 without root outside CI (ctest's skip).
#include <netinet/in.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "net/socket_address.h"
#include "testbed/camera_fleet.h"
#include "testbed/tool_run.h"

namespace {

using Json = nlohmann::json;
using Status = std::map<std::string, std::string>;
const std::string kMac0 = "00:00:00:00:00:00";
constexpr auto npos = std::string::npos;

volatile std::sig_atomic_t gStop = 0;  // SIGINT/SIGTERM: stop after the command under way
extern "C" void onStop(int) { gStop = 1; }

std::string subnetOf(size_t k) { return "192.168." + std::to_string(110 + k) + "."; }
std::string val(const Status& s, const std::string& key) {
  const auto found = s.find(key);
  return found == s.end() ? "" : found->second;
}
std::string text(const Json& j, const char* key) {
  const auto found = j.find(key);
  return found != j.end() && found->is_string() ? found->get<std::string>() : "";
}
bool hasRawControl(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const bool c1Utf8 = c == 0xC2 && i + 1 < s.size() && (s[i + 1] & 0xE0) == 0x80;
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c1Utf8)
      return true;
  }
  return false;
}
std::string hexOf(const std::string& s) {
  std::string out;
  char b[3];
  for (unsigned char c : s) out += (std::snprintf(b, sizeof b, "%02x", c), b);
  return out;
}

// What a camera drawn with a fault means to the checks.
enum Effect { kHealthy, kFaulty, kLossy };
struct Fault {
  const char* name;
  const char* args;  // the simulator's options
  Effect effect;
};
const Fault kFaults[] = {
    // each drawn for each camera with a chance of 10 %
    {"no_lla_strict", "--supported 3 --current 1 --supported-config-only", kFaulty},
    {"no_lla", "--supported 3 --current 1", kFaulty},
    {"no_optional", "--no-serial --no-user-name", kFaulty},
    {"no_concat", "--no-concatenation", kHealthy},
    {"mac0", "--mac 00:00:00:00:00:00", kHealthy},
    {"slow_store", "--store-ms 400", kFaulty},
    {"no_pending_ack", "--store-ms 300 --no-pending-ack", kFaulty},
    {"loss", "--drop-requests 0.1 --drop-answers 0.1", kLossy},
    {"duplicates", "--duplicate-answers 0.3", kFaulty},
    {"stale_ack", "--stale-ack-first", kFaulty},
    {"lla_after_restart", "--link-local-after-restart", kFaulty},
};

struct Link {
  std::string sw, adapter;
  std::vector<std::string> subnets;  // "a.b.c." of /24 subnets, or "169.254." (/16)
  bool live = true;                  // up, and its sends allowed
  bool holds(const std::string& ip) const {
    return std::ranges::any_of(subnets, [&](const std::string& s) { return ip.starts_with(s); });
  }
};

struct Cam {
  std::unique_ptr<testbed::SimulatedCamera> sim;  // null for the foreign fake camera
  size_t link = 0;
  std::string mac, serial;
  bool lossy = false, faulty = false;
  Status before;  // its state before the command under way
};

// What exit 0 promises of camera `cam`: "persistent A", "dhcp", "lla", "ip A",
// "name N", "restart" or "check" (nothing written).
struct Ask {
  size_t cam;
  std::string what;
};

bool touched(const Status& a, const Status& b) {
  for (const char* key :
       {"count_writereg", "count_writemem", "address", "persistent_ip", "ip_config", "reboots"})
    if (val(a, key) != val(b, key)) return true;
  return false;
}

bool holds(const Cam& c, const Status& now, const std::string& what) {
  const auto cfg = std::stoul(val(now, "ip_config"));
  const std::string arg = what.substr(what.find(' ') + 1);
  if (what.starts_with("persistent")) return (cfg & 1) && val(now, "persistent_ip") == arg;
  if (what == "dhcp") return (cfg & 2) && !(cfg & 1);
  if (what == "lla") return !(cfg & 3);
  if (what.starts_with("ip ")) return val(now, "address") == arg;
  if (what.starts_with("name ")) return c.sim->persisted("user_name_hex") == hexOf(arg);
  if (what == "restart") return val(now, "reboots") != val(c.before, "reboots");
  return !touched(c.before, now);  // "check"
}

struct Plant {
  explicit Plant(uint64_t n) : seed(n), rng(n) {}
  ~Plant() { std::filesystem::remove_all(dir); }

  uint64_t seed;
  std::mt19937_64 rng;
  std::string drawn;  // the dimensions that came up
  std::vector<std::string> violations;
  int checks = 0, commands = 0;
  testbed::Network net;
  std::string host, dir = "/tmp/nuvplant-" + std::to_string(::getpid());
  std::vector<Link> links;
  std::vector<Cam> cams;
  std::unique_ptr<testbed::Process> fake;
  std::jthread stray;  // sends stray datagrams until the plant goes

  size_t below(size_t n) { return n == 0 ? 0 : rng() % n; }
  bool chance(size_t percent) { return below(100) < percent; }
  bool want(const std::string& name, size_t percent) {
    if (!chance(percent)) return false;
    drawn += " " + name;
    return true;
  }
  void verify(bool ok, const std::string& what) {
    ++checks;
    if (!ok) violations.push_back(what);
  }
  bool fail(const std::string& what) {
    violations.push_back("seed " + std::to_string(seed) + ": not built: " + what);
    return false;
  }
  void sh(const std::vector<std::string>& argv) { testbed::runCommand("", argv); }
  void ipHost(std::vector<std::string> args) {
    args.insert(args.begin(), {"ip", "-n", host});
    sh(args);
  }

  bool build() {
    host = net.addHost("h");
    const size_t camLinks = 1 + below(4);
    for (size_t k = 0; k <= camLinks; ++k) {  // the last link: the fake camera's, or down
      links.push_back(
          {net.addSwitch("s" + std::to_string(k)), "eth" + std::to_string(k + 1), {subnetOf(k)}});
      Link& l = links.back();
      if (!net.connect(host, l.adapter, l.sw, subnetOf(k) + "1/24")) return fail(net.lastError());
      if (want("alias", 20)) {
        l.subnets.push_back("10." + std::to_string(110 + k) + ".0.");
        ipHost({"addr", "add", l.subnets.back() + "1/24", "dev", l.adapter});
      }
    }
    if (camLinks >= 2 && want("link_local_pair", 30))
      for (size_t k = 0; k < 2; ++k) {
        links[k].subnets.push_back("169.254.");
        ipHost({"addr", "add", "169.254.200." + std::to_string(k + 1) + "/16", "dev",
                links[k].adapter});
      }
    // A second host interface on link 0 in place of an 802.1Q one (this kernel
    // builds none). Unlike a VLAN interface, which sees only the frames tagged
    // with its id, it hears every broadcast of the link, so each camera there
    // answers through both.
    if (want("macvlan", 30)) {
      ipHost({"link", "add", "mv0", "link", "eth1", "type", "macvlan", "mode", "bridge"});
      ipHost({"addr", "add", subnetOf(0) + "2/24", "dev", "mv0"});
      ipHost({"link", "set", "mv0", "up"});
    }
    if (camLinks >= 2 && want("refused", 20)) {
      links[camLinks - 1].live = false;
      sh({"ip", "netns", "exec", host, "nft",
          "add table inet plant; add chain inet plant out { type filter hook output priority 0; "
          "}; add rule inet plant out oifname " +
              links[camLinks - 1].adapter + " drop"});
    }
    std::filesystem::create_directories(dir);
    for (size_t i = 0, count = 1 + below(12); i < count; ++i) addCamera(i);
    if (want("fake", 40)) {
      const std::string ns = net.addCamera("fake", links.back().sw, "");
      sh({"ip", "-n", ns, "addr", "add", subnetOf(camLinks) + "20/24", "dev", "eth0"});
      fake = std::make_unique<testbed::Process>(
          ns, std::vector<std::string>{"arv-fake-gv-camera-0.8", "-i", "eth0", "-s", "FAKE1"});
      cams.push_back({nullptr, links.size() - 1, kMac0, "FAKE1", false, false, {}});
    } else if (want("down", 40)) {
      links.back().live = false;
      ipHost({"link", "set", links.back().adapter, "down"});
    }
    if (want("stray_udp", 20)) startStray();
    for (Cam& c : cams)
      if (c.sim && !c.sim->ready()) return fail(c.mac + ": " + c.sim->process().errors());
    return true;
  }

  void addCamera(size_t i) {
    const size_t k = below(links.size() - 1);
    testbed::CameraSpec s;
    s.mac = testbed::fleetMac(static_cast<int>(i + 1));
    s.ip = subnetOf(k) + std::to_string(20 + i);
    s.serial = "SN" + std::to_string(seed) + "-" + std::to_string(i);
    s.userName = "cam" + std::to_string(i);
    s.extraArgs = {"--restart-ms", "300", "--seed", std::to_string(seed + i)};
    Cam c{nullptr, k, s.mac, "", false, false, {}};
    std::ranges::transform(c.mac, c.mac.begin(), ::tolower);  // as the tool prints it
    const auto mate = std::ranges::find_if(cams, [&](const Cam& o) { return o.link == k; });
    if (mate != cams.end() && want("shared_link", 15))
      s.ip = mate->sim->status("address");
    else if (!cams.empty() && want("shared_across", 10))
      s.ip = cams[0].sim->status("address");
    if (want("digit_serial", 15)) s.serial = std::to_string(21234567 + i);
    if (want("c0_name", 15)) s.userName = "a\x1b[2J\x07\\n%s\"";
    if (want("c1_name", 15)) s.userName = "b\302\23331m\233";  // CSI as UTF-8 and as a byte
    for (const Fault& f : kFaults) {
      if (!want(f.name, 10)) continue;
      std::istringstream words(f.args);
      std::copy(std::istream_iterator<std::string>(words), {}, std::back_inserter(s.extraArgs));
      c.lossy |= f.effect == kLossy;
      c.faulty |= f.effect != kHealthy;
      if (f.name == std::string_view("mac0")) c.mac = kMac0;
      if (f.name == std::string_view("no_optional")) s.serial.clear();
    }
    c.serial = s.serial;
    c.sim =
        std::make_unique<testbed::SimulatedCamera>(net, links[k].sw, "c" + std::to_string(i), s);
    cams.push_back(std::move(c));
  }

  // Datagrams to the GVCP port whose payload bytes 2-3 are 00 03, as a stream
  // packet of block id 3 carries them, from a station on link 0.
  void startStray() {
    const std::string ns = net.addCamera("stray", links[0].sw, "");
    sh({"ip", "-n", ns, "addr", "add", subnetOf(0) + "250/24", "dev", "eth0"});
    stray = std::jthread([ns](std::stop_token stop) {
      const net::UniqueFd fd = testbed::socketIn(ns, AF_INET, SOCK_DGRAM);
      const int one = 1;
      ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
      const sockaddr_in to = net::socketAddress(INADDR_BROADCAST, 3956);
      std::vector<uint8_t> payload(536);
      payload[3] = 0x03;
      for (; !stop.stop_requested(); std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        ::sendto(fd.get(), payload.data(), payload.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    });
  }

  std::string freeAddress(const Link& l) {
    for (;;) {
      const std::string ip = l.subnets[0] + std::to_string(100 + below(100));
      if (std::ranges::none_of(cams, [&](const Cam& c) { return val(c.before, "address") == ip; }))
        return ip;
    }
  }

  std::string writePlan(const std::vector<size_t>& sims, bool check, std::vector<Ask>& asks) {
    std::ofstream plan(dir + "/plan.csv");
    plan << "mac,mode,ip,mask,name\n";
    for (size_t i : sims) {
      if (cams[i].mac == kMac0 || !chance(40)) continue;
      const std::string ip = freeAddress(links[cams[i].link]);
      plan << cams[i].mac << ",persistent," << ip << ",255.255.255.0,row" << i << "\n";
      asks.push_back({i, check ? "check" : "persistent " + ip});
    }
    return dir + "/plan.csv";
  }

  // One command on a drawn camera; what its exit 0 promises goes to `asks`.
  std::vector<std::string> drawCommand(std::vector<Ask>& asks) {
    std::vector<size_t> sims;
    for (size_t i = 0; i < cams.size(); ++i)
      if (cams[i].sim) sims.push_back(i);
    size_t t = sims[below(sims.size())];
    const bool bySerial = !cams[t].serial.empty() && (cams[t].mac == kMac0 || chance(25));
    std::string sel = bySerial ? cams[t].serial : cams[t].mac;
    if (chance(20)) {
      // An address names the camera the host routes it to: of several holding
      // it on different links, the one whose link's subnet holds it.
      sel = val(cams[t].before, "address");
      const auto routed = std::ranges::find_if(sims, [&](size_t i) {
        return val(cams[i].before, "address") == sel && links[cams[i].link].holds(sel);
      });
      if (routed != sims.end()) t = *routed;
    }
    const std::string ip = freeAddress(links[cams[t].link]);
    const std::string mode = std::array{"persistent", "dhcp", "lla"}[below(3)];
    const std::string name =
        std::array{"line3-left", "a\\b%s$(x)", "x\x1b[2Jy", "spare, shelf 2"}[below(4)];
    const bool check = chance(30);
    const std::string asked = check ? "check" : mode == "persistent" ? "persistent " + ip : mode;
    using Kind = std::pair<std::vector<std::string>, std::string>;  // the command, its promise
    const std::vector<Kind> kinds = {
        {{"list"}, ""},
        {{"doctor"}, ""},
        {{"show", sel}, ""},
        {{"set", sel, "--mode", mode}, asked},
        {{"force-ip", sel, "--ip", ip, "--mask", "255.255.255.0"}, "ip " + ip},
        {{"rename", sel, name}, "name " + name},
        {{"restart", sel, "--wait-s", "10"}, "restart"},
    };
    const size_t kind = below(kinds.size() + 2);  // the rest: apply
    auto [args, promise] = kind < kinds.size() ? kinds[kind] : Kind{{"apply"}, ""};
    if (args[0] == "apply") args.push_back(writePlan(sims, check, asks));
    if (args[0] == "set" && mode == "persistent")
      args.insert(args.end(), {"--ip", ip, "--mask", "255.255.255.0"});
    if (!promise.empty()) asks.push_back({t, promise});
    if (check && (args[0] == "set" || args[0] == "apply")) args.push_back("--check");
    if (chance(60)) args.push_back("--json");
    return args;
  }

  void check(const std::vector<std::string>& args, const testbed::ToolRun& run,
             const std::vector<Ask>& asks, const std::string& cmd) {
    const auto say = [&](const std::string& what) {
      return "seed " + std::to_string(seed) + ":" + cmd + ": " + what;
    };
    const int status = run.status.value_or(-1);
    verify(run.status && (status < 128 || status == 130),
           say("crashed or hung, exit " + std::to_string(status) + "\n" + run.err));
    verify(run.err.find("Sanitizer") == npos && run.err.find("runtime error:") == npos,
           say("sanitizer report\n" + run.err));
    verify(!hasRawControl(run.out + run.err), say("raw control character"));
    std::vector<Status> now(cams.size());
    for (size_t i = 0; i < cams.size(); ++i) {
      Cam& c = cams[i];
      if (!c.sim) continue;
      now[i] = c.sim->status();
      const bool named = std::ranges::any_of(asks, [&](const Ask& a) { return a.cam == i; });
      const bool announced = (run.out + run.err).find("temporar") != npos &&
                             (run.out + run.err).find(val(now[i], "address")) != npos;
      const bool wrote = touched(c.before, now[i]);
      verify(named || announced || !wrote, say("wrote on unnamed " + c.mac));
      verify(status < 2 || status > 4 || !wrote, say("exit 2-4, yet wrote on " + c.mac));
      verify(val(now[i], "ccp_holder") == "none" ||
                 (c.lossy && c.sim->waitForStatus("ccp_holder", "none", testbed::Millis(4000))),
             say("control kept on " + c.mac));
    }
    for (const Ask& a : asks)
      if (status == 0) verify(holds(cams[a.cam], now[a.cam], a.what), say("exit 0, not " + a.what));
    const Json doc = Json::parse(run.out, nullptr, false);
    // A failure that names neither a write nor a move to a temporary address
    // says the camera holds what it held.
    if (status == 1 && asks.size() == 1 && (args[0] == "set" || args[0] == "rename") &&
        doc.is_object() && !doc.contains("done") && !doc.contains("temporary_ip")) {
      const Cam& c = cams[asks[0].cam];
      const Status& after = now[asks[0].cam];
      verify(!touched(c.before, after) || val(after, "reboots") != val(c.before, "reboots"),
             say("failed saying nothing was done, yet the camera changed"));
    }
    if (!doc.is_object() || !doc.contains("cameras")) return;
    checkListing(doc["cameras"], now, say);
    if (args[0] == "doctor") checkDoctor(doc.value("checks", Json::array()), now, say);
  }

  template <class Say>
  void checkListing(const Json& listed, const std::vector<Status>& now, const Say& say) {
    std::map<std::string, int> seen;  // "adapter identity" -> entries
    std::set<std::string> known;      // the planted MACs, and the serials of MAC 0 cameras
    for (const Cam& c : cams) known.insert({c.mac, c.mac == kMac0 ? c.serial : c.mac});
    for (const Json& e : listed) {
      const auto adapter = e.find("adapter");
      const std::string on = adapter == e.end() ? "" : text(*adapter, "name");
      const std::string mac = text(e, "mac"), serial = text(e, "serial");
      // A camera reporting MAC 0 is told apart by its serial, else by its address.
      const std::string id = mac != kMac0      ? mac
                             : !serial.empty() ? serial
                                               : mac + "@" + text(e, "ip");
      ++seen[(on == "mv0" ? "eth1" : on) + " " + id];
      verify(known.count(mac) && (mac != kMac0 || serial.empty() || known.count(serial)),
             say("listed a camera that is not there: " + e.dump()));
    }
    for (const auto& [key, n] : seen)
      verify(n == 1, say("listed " + std::to_string(n) + "x: " + key));
    for (size_t i = 0; i < cams.size(); ++i) {
      const Cam& c = cams[i];
      const std::string id = c.mac != kMac0 ? c.mac : c.serial;
      const std::string on = links[c.link].adapter + " ";
      if (!c.lossy && links[c.link].live && !id.empty())
        verify(seen.count(on + id) || seen.count(on + c.mac + "@" + val(now[i], "address")),
               say("not listed: " + id));
    }
  }

  // Named: cameras out of reach, shared addresses, a link set down; healthy lone cameras pass.
  template <class Say>
  void checkDoctor(const Json& findings, const std::vector<Status>& now, const Say& say) {
    const auto named = [&](const char* check, const char* field, const std::string& value) {
      return std::ranges::any_of(findings, [&](const Json& f) {
        return text(f, "check") == check && text(f, field) == value;
      });
    };
    if (const std::string& last = links.back().adapter; !fake && !links.back().live)  // set down
      verify(named("link", "adapter", last), say("doctor misses " + last));
    for (size_t i = 0; i < cams.size(); ++i) {
      const Cam& c = cams[i];
      const std::string ip = val(now[i], "address");
      const Link& l = links[c.link];
      if (!c.sim) continue;
      if (!c.lossy && l.live && c.mac != kMac0 && !l.holds(ip))
        verify(named("subnet", "camera", c.mac), say("doctor misses " + c.mac + " outside"));
      size_t atIp = 0;
      bool heardApart = true;  // each camera at `ip` answers, by a MAC of its own
      for (size_t o = 0; o < cams.size(); ++o)
        if (cams[o].link == c.link && val(now[o], "address") == ip) {
          ++atIp;
          heardApart &= cams[o].sim && !cams[o].lossy && cams[o].mac != kMac0;
        }
      if (atIp > 1 && heardApart && l.live)
        verify(named("address_conflict", "camera", c.mac), say("doctor misses shared " + c.mac));
      if (c.faulty || atIp != 1 || !l.live || !l.holds(ip)) continue;
      for (const Json& f : findings)  // every MAC 0 camera has that MAC: the address tells which
        verify(text(f, "level") != "fail" || text(f, "camera") != c.mac ||
                   (c.mac == kMac0 && text(f, "message").find(" " + ip + " ") == npos),
               say("doctor fails healthy " + c.mac + ": " + f.dump()));
    }
  }

  void run(int count) {
    for (int n = 0; n < count && !gStop; ++n, ++commands) {
      for (Cam& c : cams)
        if (c.sim) c.before = c.sim->status();
      std::vector<Ask> asks;
      const std::vector<std::string> args = drawCommand(asks);
      const testbed::ToolRun run = testbed::runTool(host, args, {}, "", testbed::Millis(60000));
      std::string cmd;
      for (const auto& a : args) cmd += " " + a;
      std::printf("  %s -> %d\n", Json(cmd).dump().c_str(), run.status.value_or(-1));
      const size_t known = violations.size();
      check(args, run, asks, cmd);
      if (violations.size() > known)
        std::printf("  stdout:\n%s\n  stderr:\n%s\n", run.out.substr(0, 20000).c_str(),
                    run.err.substr(0, 2000).c_str());
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  uint64_t seed = 1;
  int plants = 1, commands = 8;
  CLI::App app{"Draws camera plants from seeds and checks the tool's invariants in each"};
  app.add_option("--seed", seed, "the first plant's number");
  app.add_option("--plants", plants, "how many plants, numbered on from the seed");
  app.add_option("--commands", commands, "commands run in each plant");
  CLI11_PARSE(app, argc, argv);
  if (const auto root = testbed::rootCheck(); root != testbed::RootCheck::kRun) {
    std::fprintf(stderr, "nuv_plant: %s\n", testbed::kNeedsRootReason);
    return root == testbed::RootCheck::kSkip ? 77 : 1;
  }
  std::signal(SIGINT, onStop);
  std::signal(SIGTERM, onStop);
  int ran = 0, allCommands = 0, allChecks = 0, failed = 0;
  for (; ran < plants && !gStop; ++ran) {
    Plant plant(seed + ran);
    const bool built = plant.build();
    std::printf("plant %llu:%s\n", static_cast<unsigned long long>(plant.seed),
                plant.drawn.c_str());
    if (built) plant.run(commands);
    for (const auto& v : plant.violations) std::printf("VIOLATION %s\n", v.c_str());
    std::fflush(stdout);
    allCommands += plant.commands;
    allChecks += plant.checks;
    failed += plant.violations.empty() ? 0 : 1;
  }
  std::printf("plants %d, commands %d, invariant checks %d, plants with violations %d\n", ran,
              allCommands, allChecks, failed);
  return failed == 0 && !gStop ? 0 : 1;
}
