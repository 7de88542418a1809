#include "os/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace os {
namespace {

TEST(WholeFile, ReplacesTheWholeFileReadsItBackAndSaysWhatFailed) {
  const std::string dir = ::testing::TempDir() + "/whole-file";
  std::filesystem::create_directories(dir);
  EXPECT_EQ(writeFileWhole(dir + "/status", "first version, longer\n"), "");
  EXPECT_EQ(writeFileWhole(dir + "/status", "second\n"), "");
  EXPECT_EQ(readFileWhole(dir + "/status"), "second\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "a temporary left";
  EXPECT_EQ(readFileWhole(dir + "/status", 3)->size(), 7u) << "more than the limit: too large";
  EXPECT_NE(writeFileWhole(dir + "/missing/status", "x").find("cannot write"), std::string::npos);
  EXPECT_EQ(readFileWhole(dir + "/missing/status"), std::nullopt);
  EXPECT_EQ(readFileWhole(dir), std::nullopt) << "a directory is not a file";
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace os
