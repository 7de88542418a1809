#include "testbed/lan_fixture.h"

namespace testbed {

void LanTest::SetUp() {
  NUV_REQUIRE_TESTBED();
  const Network::Lan lan = net_.addLan("host", hostCidr_);
  ASSERT_FALSE(lan.host.empty()) << net_.lastError();
  host_ = lan.host;
  sw_ = lan.sw;
}

}  // namespace testbed
