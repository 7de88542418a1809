// Adapter values in this process's own namespace: only index 0 (never an
// interface) and the loopback interface are read; nothing is sent anywhere.
#include "net/adaptor.h"

#include <fcntl.h>
#include <net/if.h>

#include <cstring>

#include <gtest/gtest.h>

namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

unsigned loopbackIndex() { return if_nametoindex("lo"); }

TEST(AdaptorTest, IndexZeroIsAnEmptyUnavailableAdapter) {
  const Adaptor none(0u);
  EXPECT_EQ(none.getName(), "");
  EXPECT_EQ(none.getIp(), "0.0.0.0");
  EXPECT_EQ(none.getNetmask(), "0.0.0.0");
  EXPECT_EQ(none.getMac(), "00:00:00:00:00:00");
  EXPECT_FALSE(none.isAvailable());
}

TEST(AdaptorTest, LoopbackIsAvailableAndRawFormsKeepWireOrder) {
  ASSERT_NE(loopbackIndex(), 0u);
  const Adaptor lo(loopbackIndex());
  EXPECT_EQ(lo.getName(), "lo");
  EXPECT_EQ(lo.getIp(), "127.0.0.1");
  EXPECT_EQ(lo.getMac(), "00:00:00:00:00:00");
  EXPECT_TRUE(lo.isAvailable());
  unsigned raw = 0;
  EXPECT_EQ(lo.getIp(&raw), 0);
  uint8_t bytes[4];
  std::memcpy(bytes, &raw, 4);
  EXPECT_EQ(bytes[0], 127);
  EXPECT_EQ(bytes[3], 1);
  unsigned char mac[6] = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(lo.getMacHw(mac, 6), 0);
  EXPECT_EQ(mac[0], 0);
  EXPECT_EQ(lo.getMacHw(mac, 5), -1) << "a short buffer is refused";
}

TEST(AdaptorTest, CopiesShareTheQuerySocketAndTheLastClosesIt) {
  int fd = -1;
  {
    auto original = std::make_unique<Adaptor>(loopbackIndex());
    fd = original->getSck();
    ASSERT_TRUE(isOpen(fd));
    Adaptor copy(*original);
    EXPECT_EQ(copy.getSck(), fd);
    original.reset();
    EXPECT_TRUE(isOpen(fd));
    EXPECT_EQ(copy.getName(), "lo");
    EXPECT_EQ(copy.getIp(), "127.0.0.1");
  }
  EXPECT_FALSE(isOpen(fd));
}

TEST(AdaptorTest, AssignmentTakesSourceAndReleasesFormerSocket) {
  Adaptor target(0u);
  const int formerFd = target.getSck();
  {
    const Adaptor source(loopbackIndex());
    target = source;
    EXPECT_FALSE(isOpen(formerFd));
    EXPECT_EQ(target.getSck(), source.getSck());
  }
  EXPECT_TRUE(isOpen(target.getSck()));
  EXPECT_EQ(target.getName(), "lo");
  target = target;
  EXPECT_EQ(target.getIp(), "127.0.0.1");
}

}  // namespace
