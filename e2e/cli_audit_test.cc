// The audit trail end to end: the tool runs in a private mount namespace where
// /run/systemd is this test's directory, whose journal/socket it listens on;
// with no journal socket the commands still succeed, with one warning.
#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "e2e/cli_one_camera.h"
#include "fwupdate/flash_peer_test_util.h"
#include "net/unique_fd.h"

namespace {

using Fields = std::map<std::string, std::string>;

// The journal's native datagram: KEY=VALUE lines (no value holds a newline).
Fields parseEntry(const std::string& datagram) {
  Fields fields;
  std::istringstream lines(datagram);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    fields[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
  }
  return fields;
}

class AuditEndToEnd : public CliOneCameraTest {
 protected:
  void SetUp() override {
    CliOneCameraTest::SetUp();
    std::filesystem::create_directory(dir_.path() / "journal");
    journal_ = net::UniqueFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (dir_.path() / "journal" / "socket").string();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(journal_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  // The tool's status (stderr in err_), seeing dir_ or an empty /run/systemd.
  int audited(const std::vector<std::string>& args, bool withJournal = true) {
    const std::string mount = withJournal ? "mount --bind " + dir_.path().string() + " /run/systemd"
                                          : "mount -t tmpfs none /run/systemd";
    const testbed::ToolRun tool =
        run(args, {"unshare", "-m", "sh", "-c", mount + " && exec \"$@\"", "sh"});
    err_ = tool.err;
    return tool.status.value_or(-1);
  }
  Fields nextRecord() {  // empty when none is waiting
    std::string datagram(65536, '\0');
    const ssize_t got = ::recv(journal_.get(), datagram.data(), datagram.size(), MSG_DONTWAIT);
    return got > 0 ? parseEntry(datagram.substr(0, size_t(got))) : Fields{};
  }
  void expectRecord(const std::vector<std::string>& expected) {
    Fields record = nextRecord();
    for (const std::string& field : expected) {
      const size_t equals = field.find('=');
      EXPECT_EQ(record[field.substr(0, equals)], field.substr(equals + 1)) << field;
    }
    EXPECT_EQ(record["SYSLOG_IDENTIFIER"] + record["NUV_UID"] + record["NUV_USER"],
              "nuv-ipconfig0root");
  }

  testing_peer::TempDir dir_;
  net::UniqueFd journal_;
  std::string err_;
};

TEST_F(AuditEndToEnd, EachChangeArrivesInTheJournalWithItsFields) {
  testbed::CameraSpec held;
  held.mac = "02:00:00:00:00:12";
  held.ip = "192.168.10.12";
  held.extraArgs = {"--foreign-control"};
  testbed::SimulatedCamera other(net_, sw_, "held", held);
  ASSERT_TRUE(other.ready());
  const std::string mask = "255.255.255.0";
  const std::string mac = kOneCameraMac;
  ASSERT_EQ(audited({"set", mac, "--mode", "persistent", "--ip", "192.168.10.21", "--mask", mask}),
            0);
  ASSERT_EQ(audited({"force-ip", mac, "--ip", "192.168.10.30", "--mask", mask}), 0);
  ASSERT_EQ(audited({"rename", "192.168.10.30", "line-3"}), 0);
  ASSERT_EQ(audited({"set", "192.168.10.12", "--mode", "dhcp"}), 1);
  ASSERT_EQ(audited({"set", "192.168.10.30", "--mode", "dhcp", "--check"}), 0);
  expectRecord({"NUV_ACTION=set", "NUV_RESULT=ok", "PRIORITY=5", "NUV_CAMERA_IP=192.168.10.11",
                "NUV_CAMERA_MAC=" + mac,
                "NUV_CHANGES=persistent_ip=0.0.0.0->192.168.10.21,persistent_mask=0.0.0.0->"
                "255.255.255.0"});
  expectRecord({"NUV_ACTION=force_ip", "NUV_RESULT=ok", "NUV_ADAPTER=eth1",
                "NUV_CHANGES=ip=192.168.10.11->192.168.10.30"});
  expectRecord(
      {"NUV_ACTION=rename", "NUV_CAMERA_IP=192.168.10.30", "NUV_CHANGES=user_name=->line-3"});
  expectRecord(
      {"NUV_ACTION=set", "NUV_RESULT=failed", "PRIORITY=4", "NUV_CAMERA_MAC=02:00:00:00:00:12"});
  EXPECT_TRUE(nextRecord().empty()) << "a check is not recorded";
}

TEST_F(AuditEndToEnd, WithoutAJournalChangesSucceedWithOneWarning) {
  EXPECT_EQ(audited({"set", "192.168.10.11", "--mode", "persistent", "--ip", "192.168.10.22",
                     "--mask", "255.255.255.0", "--now"},
                    false),
            0)
      << err_;
  EXPECT_EQ(testbed::countOf(err_, "warning: the system journal cannot be reached"), 1u) << err_;
}

}  // namespace
