// Test support only: scripts that make a ScriptedPeer answer the flash
// protocol like a camera, readers for what the peer received, a temporary
// directory and a captured output stream. The scripts run on the peer's
// thread; build them before the peer starts.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fwupdate/flash_program.h"
#include "fwupdate/flash_protocol.h"
#include "gvcp/scripted_peer_test_util.h"

namespace testing_peer {

// A 16-byte answer echoing the request's command with `status`.
inline Bytes epcsAnswer(const Bytes& request, uint32_t status) {
  Bytes answer(gvcp::kEpcsHeaderSize);
  gvcp::writeEpcsHeader(
      answer.data(), {gvcp::kEpcsMagic, gvcp::readEpcsHeader(request.data()).command, status, 0});
  return answer;
}

inline uint32_t epcsCommand(const Bytes& request) {
  return gvcp::readEpcsHeader(request.data()).command;
}

// A camera's flash end: every request is answered with status 0, except that
// the polls after the start of flashing answer 0 `pollsBeforeDone` times and
// then 3. `byIndex` replaces the answer to the request with that 0-based
// index: a status, or no answer at all (std::nullopt).
inline Script flashDevice(int pollsBeforeDone,
                          std::map<size_t, std::optional<uint32_t>> byIndex = {}) {
  auto index = std::make_shared<size_t>(0);
  auto flashCommands = std::make_shared<int>(0);
  return [=](const Bytes& request) -> std::vector<Bytes> {
    const size_t current = (*index)++;
    if (request.size() < gvcp::kEpcsHeaderSize) return {};
    std::optional<uint32_t> status = 0u;
    // The first command 3 starts flashing; the ones after it are polls.
    if (epcsCommand(request) == gvcp::kEpcsFlash && (*flashCommands)++ > 0) {
      const int pollNumber = *flashCommands - 1;
      if (pollNumber > pollsBeforeDone) status = gvcp::kEpcsFlashComplete;
    }
    if (const auto it = byIndex.find(current); it != byIndex.end()) status = it->second;
    if (!status) return {};
    return {epcsAnswer(request, *status)};
  };
}

// The received requests of one command, in arrival order.
inline std::vector<Bytes> requestsOf(const std::vector<Bytes>& received, uint32_t command) {
  std::vector<Bytes> matching;
  for (const Bytes& request : received) {
    if (request.size() >= gvcp::kEpcsHeaderSize && epcsCommand(request) == command) {
      matching.push_back(request);
    }
  }
  return matching;
}

// The image as the blocks deliver it: each block's count bytes at its offset.
inline Bytes imageFromBlocks(const std::vector<Bytes>& received) {
  Bytes image;
  for (const Bytes& block : requestsOf(received, gvcp::kEpcsBlock)) {
    const uint32_t offset = gvcp::getLe32(block.data() + gvcp::kEpcsHeaderSize);
    const uint32_t count = gvcp::getLe32(block.data() + gvcp::kEpcsHeaderSize + 4);
    if (image.size() < offset + count) image.resize(offset + count);
    std::copy_n(block.begin() + gvcp::kEpcsHeaderSize + 8, count, image.begin() + offset);
  }
  return image;
}

inline Bytes hexBytes(const std::string& text) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 3) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nuvfw-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string write(const std::string& name, const Bytes& content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    return file.string();
  }

 private:
  std::filesystem::path path_;
};

// A stream to hand to code that prints, and the text printed into it so far.
class CapturedOutput {
 public:
  CapturedOutput() : file_(std::tmpfile()) {}
  ~CapturedOutput() {
    if (file_ != nullptr) std::fclose(file_);
  }
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  FILE* stream() const { return file_; }
  std::string text() const {
    std::fflush(file_);
    std::string all;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_))
      all.push_back(static_cast<char>(c));
    return all;
  }

 private:
  FILE* file_;
};

// An image of `size` bytes that differs from block to block and within each.
inline Bytes patternImage(size_t size) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>((i * 7 + i / 512) & 0xFF);
  return image;
}

}  // namespace testing_peer
