// What the end-to-end tests of the command line check alike: stdout parsed
// strictly as one JSON document (valid UTF-8, nothing after it), camera
// objects compared field by field, error documents, table text that cannot
// drive a terminal, and the shape of trace lines. Header-only.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace cli_checks {

using Json = nlohmann::json;

// A wrapper under which the tool runs without CAP_NET_RAW, as for an ordinary
// user: capability sets of children lose it.
inline const std::vector<std::string> kWithoutRaw = {"setpriv", "--inh-caps=-all",
                                                     "--bounding-set=-net_raw"};

// Bytes as lower-case hex, as the simulator stores text fields
// ("user_name_hex").
inline std::string hexOf(const std::string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : text) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 0xF]);
  }
  return hex;
}

// The whole of `out` as one JSON document; null, with a test failure, when
// it is anything else (invalid UTF-8 included).
inline Json document(const std::string& out) {
  Json doc = Json::parse(out, nullptr, false);
  if (!doc.is_discarded()) return doc;
  ADD_FAILURE() << "stdout is not exactly one JSON document:\n" << out;
  return Json();
}

// Member `key` of `object`; null when `object` is no object or lacks it.
inline Json member(const Json& object, const char* key) {
  return object.is_object() && object.contains(key) ? object[key] : Json();
}

// The text member `key` of `object`, or a marker that cannot be mistaken for
// camera text when it is missing or not text.
inline std::string text(const Json& object, const char* key) {
  if (!object.is_object() || !object.contains(key) || !object[key].is_string()) {
    return std::string("<no text member ") + key + ">";
  }
  return object[key].get<std::string>();
}

struct AdapterFacts {
  std::string name;
  std::string ip;
  std::string mask;
};

// What a camera object must say; `adapter` nullopt: the member is null.
struct CameraFacts {
  std::string mac;
  std::string ip;
  std::string mask;
  std::string gateway;
  std::optional<AdapterFacts> adapter;
  std::string manufacturer;
  std::string model;
  std::string version;
  std::string info;
  std::string serial;
  std::string userName;
  std::vector<std::string> supported;
  std::vector<std::string> current;
  bool reachable = true;
};

inline void expectAdapter(const Json& adapter, const std::optional<AdapterFacts>& facts) {
  if (!facts) {
    EXPECT_TRUE(adapter.is_null()) << adapter.dump();
    return;
  }
  EXPECT_EQ(text(adapter, "name"), facts->name);
  EXPECT_EQ(text(adapter, "ip"), facts->ip);
  EXPECT_EQ(text(adapter, "mask"), facts->mask);
}

inline void expectCamera(const Json& camera, const CameraFacts& facts) {
  SCOPED_TRACE("camera " + facts.mac + ": " + camera.dump());
  ASSERT_TRUE(camera.is_object());
  EXPECT_EQ(text(camera, "mac"), facts.mac);
  EXPECT_EQ(text(camera, "ip"), facts.ip);
  EXPECT_EQ(text(camera, "mask"), facts.mask);
  EXPECT_EQ(text(camera, "gateway"), facts.gateway);
  ASSERT_TRUE(camera.contains("adapter"));
  expectAdapter(camera["adapter"], facts.adapter);
  EXPECT_EQ(text(camera, "manufacturer"), facts.manufacturer);
  EXPECT_EQ(text(camera, "model"), facts.model);
  EXPECT_EQ(text(camera, "device_version"), facts.version);
  EXPECT_EQ(text(camera, "manufacturer_info"), facts.info);
  EXPECT_EQ(text(camera, "serial"), facts.serial);
  EXPECT_EQ(text(camera, "user_name"), facts.userName);
  const Json ipConfig = member(camera, "ip_config");
  EXPECT_EQ(member(ipConfig, "supported"), Json(facts.supported));
  EXPECT_EQ(member(ipConfig, "current"), Json(facts.current));
  EXPECT_EQ(member(camera, "reachable"), Json(facts.reachable));
}

// A failure document: "ok" false and error code `code` with a message.
inline void expectError(const Json& doc, const std::string& code) {
  SCOPED_TRACE(doc.dump());
  EXPECT_EQ(member(doc, "ok"), Json(false));
  const Json error = member(doc, "error");
  EXPECT_EQ(text(error, "code"), code);
  EXPECT_FALSE(text(error, "message").empty());
  EXPECT_EQ(text(error, "message").find('\n'), std::string::npos);
}

// The position of the first byte that could drive a terminal (a control
// byte other than the line feed, DEL, or any byte outside ASCII).
inline std::optional<size_t> firstUnsafeByte(const std::string& out) {
  for (size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if ((byte < 0x20 && byte != '\n') || byte >= 0x7F) return i;
  }
  return std::nullopt;
}

// `text` with ASCII letters in lower case (MACs, names in messages).
inline std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// The trace lines ("gvcp ...") of a run's stderr.
inline std::vector<std::string> traceLines(const std::string& err) {
  std::vector<std::string> found;
  for (const std::string& line : lines(err)) {
    if (line.rfind("gvcp ", 0) == 0) found.push_back(line);
  }
  return found;
}

// True when `line` is a well-formed trace line: a command sent (no status),
// or an answer or unknown datagram received (with its status), each with its
// peer, name and req_id, then any decoded fields.
inline bool wellFormedTrace(const std::string& line) {
  static const std::regex kSend(
      "gvcp send \\d{1,3}(\\.\\d{1,3}){3}:\\d{1,5} "
      "(DISCOVERY|FORCEIP|READREG|WRITEREG|READMEM|WRITEMEM)_CMD req_id=\\d+( .+)?");
  static const std::regex kRecv(
      "gvcp recv \\d{1,3}(\\.\\d{1,3}){3}:\\d{1,5} "
      "((DISCOVERY|FORCEIP|READREG|WRITEREG|READMEM|WRITEMEM|PENDING)_ACK|"
      "UNKNOWN\\(0x[0-9A-Fa-f]{4}\\)) "
      "req_id=\\d+ status=0x[0-9A-Fa-f]{4}( .+)?");
  return std::regex_match(line, kSend) || std::regex_match(line, kRecv);
}

// Trace lines of `trace` that contain every one of `parts`.
inline size_t countTrace(const std::vector<std::string>& trace,
                         const std::vector<std::string>& parts) {
  size_t n = 0;
  for (const std::string& line : trace) {
    bool all = true;
    for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
    n += all ? 1 : 0;
  }
  return n;
}

}  // namespace cli_checks
