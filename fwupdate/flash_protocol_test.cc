#include "fwupdate/flash_protocol.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <future>

#include "fwupdate/flash_peer_test_util.h"
#include "net/socket_address.h"

namespace {

using testing_peer::Bytes;
using testing_peer::epcsAnswer;
using testing_peer::hexBytes;
using testing_peer::ScriptedPeer;

TEST(EpcsFramingTest, RequestWithoutPayloadIsTheLittleEndianHeaderAlone) {
  EXPECT_EQ(gvcp::buildEpcsRequest(3, {}),
            hexBytes("78 56 34 12 03 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(EpcsFramingTest, RequestCarriesItsPayloadLengthAndBytes) {
  const Bytes payload(520, 0xAB);
  const Bytes request = gvcp::buildEpcsRequest(2, payload);
  ASSERT_EQ(request.size(), 536u);
  EXPECT_EQ(Bytes(request.begin(), request.begin() + 16),
            hexBytes("78 56 34 12 02 00 00 00 00 00 00 00 08 02 00 00"));
  EXPECT_EQ(Bytes(request.begin() + 16, request.end()), payload);
}

TEST(EpcsFramingTest, StatusIsTheWordAtOffsetEightWhateverTheRest) {
  Bytes answer = hexBytes("00 00 00 00 09 00 00 00 03 00 00 00");
  EXPECT_EQ(gvcp::epcsAnswerStatus(answer), 3u);
  answer[11] = 0x80;  // one corrupted byte changes the status, nothing else is looked at
  EXPECT_EQ(gvcp::epcsAnswerStatus(answer), 0x80000003u);
}

TEST(EpcsFramingTest, AnswerShorterThanTwelveBytesCarriesNoStatus) {
  EXPECT_FALSE(gvcp::epcsAnswerStatus(Bytes(11, 0)).has_value());
  EXPECT_FALSE(gvcp::epcsAnswerStatus(Bytes{}).has_value());
  EXPECT_EQ(gvcp::epcsAnswerStatus(Bytes(12, 0)), 0u);
}

// Exchanges over loopback against a scripted peer; short per-try waits keep
// the silent cases quick.
class EpcsTransportTest : public ::testing::Test {
 protected:
  static constexpr int kShortWaitUs = 20000;

  EpcsTransportTest() : sock(socket(AF_INET, SOCK_DGRAM, 0)) {}

  void start(testing_peer::Script script) {
    peer = std::make_unique<ScriptedPeer>(std::move(script));
    ASSERT_TRUE(peer->ok());
    dest = net::socketAddress(peer->ip(), peer->port());
  }
  static testing_peer::Script answering(std::vector<Bytes> answers) {
    return [answers](const Bytes&) { return answers; };
  }
  static Bytes answerWithStatus(uint32_t status, size_t size = gvcp::kEpcsHeaderSize) {
    Bytes answer(size, 0x5A);
    gvcp::writeEpcsHeader(answer.data(), {gvcp::kEpcsMagic, 1, status, 0});
    return answer;
  }
  int exchange(std::span<uint8_t> answer = {}, int tries = kEpcsTries, int waitUs = kShortWaitUs) {
    const uint8_t payload[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    return epcsExchange(sock, dest, 1, payload, answer, tries, waitUs);
  }

  net::UniqueFd sock;
  sockaddr_in dest{};
  std::unique_ptr<ScriptedPeer> peer;
};

TEST_F(EpcsTransportTest, ZeroTriesSendsNothing) {
  start(answering({answerWithStatus(0)}));
  EXPECT_EQ(exchange({}, 0), kEpcsNoAnswer);
  EXPECT_EQ(exchange({}, -2), kEpcsNoAnswer);
  // A marker sent afterwards on the same socket is the first thing the peer sees.
  const uint8_t marker[gvcp::kEpcsHeaderSize] = {0xEE};
  sendto(sock.get(), marker, sizeof marker, 0, reinterpret_cast<sockaddr*>(&dest), sizeof dest);
  ASSERT_TRUE(peer->waitForCount(1));
  EXPECT_EQ(peer->received()[0][0], 0xEE);
}

TEST_F(EpcsTransportTest, StatusesComeBackUnchangedAndTopBitMakesThemNegative) {
  start(answering({answerWithStatus(3)}));
  EXPECT_EQ(exchange(), 3);
  start(answering({answerWithStatus(0x80000001)}));
  EXPECT_LT(exchange(), 0);
  start(answering({answerWithStatus(0xFFFFFFFF)}));
  EXPECT_EQ(exchange(), kEpcsNoAnswer);  // the status -1 reads the same as silence
}

TEST_F(EpcsTransportTest, SuccessfulAnswerIsCopiedWithItsHeaderWhenItFits) {
  start(answering({answerWithStatus(0, 20)}));
  Bytes buffer(20, 0x11);
  EXPECT_EQ(exchange(buffer), 0);
  EXPECT_EQ(buffer, answerWithStatus(0, 20));
  Bytes small(19, 0x11);
  EXPECT_EQ(exchange(small), 0);
  EXPECT_EQ(small, Bytes(19, 0x11));  // too long for the buffer: left untouched
  EXPECT_EQ(exchange(), 0);           // no buffer at all
}

TEST_F(EpcsTransportTest, FailedStatusIsNotCopied) {
  start(answering({answerWithStatus(7)}));
  Bytes buffer(16, 0x11);
  EXPECT_EQ(exchange(buffer), 7);
  EXPECT_EQ(buffer, Bytes(16, 0x11));
}

TEST_F(EpcsTransportTest, BlockRequestTravelsAsOne536ByteDatagram) {
  start(answering({answerWithStatus(0)}));
  const Bytes payload(520, 0x42);
  EXPECT_EQ(epcsExchange(sock, dest, 2, payload, {}, kEpcsTries, kShortWaitUs), 0);
  ASSERT_EQ(peer->count(), 1u);
  EXPECT_EQ(peer->received()[0], gvcp::buildEpcsRequest(2, payload));
}

TEST_F(EpcsTransportTest, OversizeAnswerIsCutTo528BytesAndItsStatusStillRead) {
  start(answering({answerWithStatus(5, 600)}));
  EXPECT_EQ(exchange(), 5);
  start(answering({answerWithStatus(0, 600)}));
  Bytes buffer(600, 0x11);
  EXPECT_EQ(exchange(buffer), 0);
  EXPECT_EQ(buffer[527], 0x5A);
  EXPECT_EQ(buffer[528], 0x11);
}

TEST_F(EpcsTransportTest, SilentPeerGetsEveryTryAndEachTryWaitsItsFullTime) {
  start(answering({}));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(exchange({}, 3, 30000), kEpcsNoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(90));
  ASSERT_TRUE(peer->waitForCount(3));
  const auto received = peer->received();
  EXPECT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0], received[2]);  // a try repeats the same request
}

TEST_F(EpcsTransportTest, AnswerToALaterTryIsTaken) {
  auto seen = std::make_shared<int>(0);
  start([seen](const Bytes&) {
    return ++*seen < 3 ? std::vector<Bytes>{} : std::vector<Bytes>{answerWithStatus(4)};
  });
  EXPECT_EQ(exchange(), 4);
  EXPECT_EQ(peer->count(), 3u);
}

TEST_F(EpcsTransportTest, RuntAnswersAreNotTakenForAStatus) {
  start(answering({Bytes(11, 0), answerWithStatus(6)}));
  EXPECT_EQ(exchange(), 6);
  start(answering({Bytes(11, 0)}));
  EXPECT_EQ(exchange(), kEpcsNoAnswer);
  EXPECT_TRUE(peer->waitForCount(3));
}

TEST_F(EpcsTransportTest, AnswerQueuedBeforeTheExchangeBelongsToAnEarlierRequest) {
  start(answering({answerWithStatus(0)}));
  // Bind so that a late answer can be aimed at the socket before the exchange.
  sockaddr_in local = net::socketAddress(htonl(INADDR_LOOPBACK), 0);
  socklen_t len = sizeof local;
  ASSERT_EQ(bind(sock.get(), reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  ASSERT_EQ(getsockname(sock.get(), reinterpret_cast<sockaddr*>(&local), &len), 0);
  const net::UniqueFd late(socket(AF_INET, SOCK_DGRAM, 0));
  const Bytes stale = answerWithStatus(0x80000007);
  sendto(late.get(), stale.data(), stale.size(), 0, reinterpret_cast<sockaddr*>(&local),
         sizeof local);
  pollfd queued{sock.get(), POLLIN, 0};
  ASSERT_EQ(poll(&queued, 1, 2000), 1);
  EXPECT_EQ(exchange(), 0);
}

// Steps a peer by hand from the test thread while the exchanges run on another.
class EpcsLateAnswerTest : public ::testing::Test {
 protected:
  EpcsLateAnswerTest() : peer(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in local = net::socketAddress(htonl(INADDR_LOOPBACK), 0);
    socklen_t len = sizeof local;
    bound = bind(peer.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
            getsockname(peer.get(), reinterpret_cast<sockaddr*>(&local), &len) == 0;
    dest = local;
  }
  bool receiveRequest(int timeoutMs = 2000) {
    pollfd entry{peer.get(), POLLIN, 0};
    uint8_t request[gvcp::kEpcsMaxAnswer];
    socklen_t len = sizeof client;
    return poll(&entry, 1, timeoutMs) == 1 &&
           recvfrom(peer.get(), request, sizeof request, 0, reinterpret_cast<sockaddr*>(&client),
                    &len) > 0;
  }
  void answer(uint32_t status) {
    uint8_t datagram[gvcp::kEpcsHeaderSize];
    gvcp::writeEpcsHeader(datagram, {gvcp::kEpcsMagic, 2, status, 0});
    sendto(peer.get(), datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&client),
           sizeof client);
  }

  net::UniqueFd peer;
  bool bound = false;
  sockaddr_in dest{};
  sockaddr_in client{};
};

// The answer to try 2 follows the one that decided the exchange once the
// next request has gone out, or after a pause when none does: an exchange
// that ended without taking in its late answer sends the next request at
// once, and that request would meet the late answer. The per-try wait is
// long, so the pause ends well inside the two waits a correct exchange
// spends taking in late answers, however a loaded machine stretches it.
TEST_F(EpcsLateAnswerTest, AnswerToAnEarlierTryIsNotTakenForTheNextRequest) {
  ASSERT_TRUE(bound);
  constexpr int kWaitUs = 300000;
  constexpr int kPauseMs = 50;
  auto results = std::async(std::launch::async, [this] {
    net::UniqueFd sock(socket(AF_INET, SOCK_DGRAM, 0));
    const int first = epcsExchange(sock, dest, 2, {}, {}, 3, kWaitUs);
    // This request is "lost": the peer never answers it.
    const int second = epcsExchange(sock, dest, 2, {}, {}, 1, kWaitUs);
    return std::make_pair(first, second);
  });
  ASSERT_TRUE(receiveRequest());  // try 1, answered late
  ASSERT_TRUE(receiveRequest());  // try 2
  answer(0);                      // the answer to try 1 decides the first exchange
  receiveRequest(kPauseMs);
  answer(0x80000009);  // the answer to try 2, on its way when the exchange was decided
  EXPECT_EQ(results.get(), std::make_pair(0, kEpcsNoAnswer));
}

TEST_F(EpcsTransportTest, CallerKeepsItsSocketAfterAnExchange) {
  start(answering({answerWithStatus(0)}));
  const uint8_t payload[8] = {};
  EXPECT_EQ(epcs_transport(sock.get(), dest, 1, sizeof payload, payload), 0);
  EXPECT_NE(fcntl(sock.get(), F_GETFD), -1);
  uint8_t answer[gvcp::kEpcsMaxAnswer] = {};
  EXPECT_EQ(epcs_transport(sock.get(), dest, 1, sizeof payload, payload, sizeof answer, answer), 0);
  EXPECT_EQ(gvcp::readEpcsHeader(answer).magic, gvcp::kEpcsMagic);
  EXPECT_EQ(peer->count(), 2u);
}

TEST_F(EpcsTransportTest, FailedWaitEndsTheExchangeAndLeavesNoSocket) {
  constexpr int kNotOpen = 900;
  ASSERT_EQ(fcntl(kNotOpen, F_GETFD), -1);
  EXPECT_EQ(epcs_transport(kNotOpen, dest, 3, 0, nullptr), kEpcsWaitFailed);
  net::UniqueFd owned(kNotOpen);
  EXPECT_EQ(epcsExchange(owned, dest, 3, {}, {}, 1, kShortWaitUs), kEpcsWaitFailed);
  EXPECT_FALSE(owned.valid());
  EXPECT_EQ(epcsExchange(owned, dest, 3, {}, {}, 1, kShortWaitUs), kEpcsWaitFailed);
}

}  // namespace
