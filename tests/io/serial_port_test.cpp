// What the port does the same on every platform, against a real line.
#include "serial_port_fixture.h"

#include <algorithm>

namespace nerivo::testing {
namespace {

// Calls on a vanished device fail without waiting; Wine's go through its server first.
#ifdef _WIN32
constexpr long AT_ONCE_MS = 200;
#else
constexpr long AT_ONCE_MS = 100;
#endif

TEST_F(SerialPortTest, PassesEveryByteValueUnchangedBothWays) {
    make_line_cooked(line);
    ASSERT_TRUE(open_default());
    EXPECT_EQ(port.last_error().kind, SerialError::NONE);
    const std::vector<uint8_t> all = pattern(256, 0);

    ASSERT_TRUE(line.write(all));
    EXPECT_EQ(read_from_port(all.size()), all);

    EXPECT_EQ(port.send(all.data(), static_cast<int32_t>(all.size())), 256);
    EXPECT_EQ(port.last_error().kind, SerialError::NONE);
    // No echo of the peer's bytes, no CR/LF translation on the way out.
    EXPECT_EQ(line.read(all.size()), all);
    EXPECT_TRUE(line.drain().empty());
}

TEST_F(SerialPortTest, ReadTakesNoMoreThanLimitOrWhatIsWaiting) {
    ASSERT_TRUE(open_default());
    uint8_t buffer[256];
    const uint8_t untouched = 0xEE;

    const std::vector<uint8_t> sent = pattern(150, 0);
    ASSERT_TRUE(line.write(sent));
    ASSERT_TRUE(line.wait_pending_at_device(150));
    EXPECT_EQ(port.read(buffer, 0), 0);
    EXPECT_EQ(port.read(buffer, -1), 0);
    EXPECT_EQ(port.read(nullptr, 100), 0);
    std::fill(std::begin(buffer), std::end(buffer), untouched);
    ASSERT_EQ(port.read(buffer, 100), 100);
    EXPECT_TRUE(std::equal(buffer, buffer + 100, sent.begin()));
    EXPECT_EQ(buffer[100], untouched);
    EXPECT_EQ(port.bytes_waiting(), 50u);
    ASSERT_EQ(port.read(buffer, 100), 50);
    EXPECT_TRUE(std::equal(buffer, buffer + 50, sent.begin() + 100));

    ASSERT_TRUE(line.write(pattern(40, 7)));
    ASSERT_TRUE(line.wait_pending_at_device(40));
    EXPECT_EQ(port.bytes_waiting(), 40u);
    EXPECT_EQ(port.read(buffer, 100), 40);
    EXPECT_EQ(buffer[39], 7 + 39);

    // Nothing waiting: no read is started, so nothing waits for a byte.
    const auto start = Clock::now();
    EXPECT_EQ(port.bytes_waiting(), 0u);
    EXPECT_EQ(port.read(buffer, 100), 0);
    EXPECT_EQ(port.last_error().kind, SerialError::NONE);
    EXPECT_LT(elapsed_ms(start), 50);
    // A byte that comes afterwards is read by the next call, not by a read left running.
    ASSERT_TRUE(line.write("x"));
    ASSERT_TRUE(line.wait_pending_at_device(1));
    EXPECT_EQ(port.read(buffer, 100), 1);
    EXPECT_EQ(buffer[0], 'x');
}

TEST_F(SerialPortTest, SendCountsOnlyBytesTheDeviceTook) {
    const std::vector<uint8_t> record = pattern(33, 0xA0);
    EXPECT_EQ(port.send(record.data(), 33), 0);
    EXPECT_EQ(port.last_error().kind, SerialError::NOT_OPEN);

    ASSERT_TRUE(open_default());
    EXPECT_EQ(port.send(record.data(), 0), 0);
    EXPECT_EQ(port.send(record.data(), -33), 0);
    EXPECT_EQ(port.send(nullptr, 33), 0);
    EXPECT_TRUE(line.drain().empty());

    EXPECT_EQ(port.send(record.data(), 33), 33);
    EXPECT_EQ(line.read(33), record);

    EXPECT_TRUE(port.close());
    EXPECT_TRUE(port.close());
    EXPECT_EQ(port.send(record.data(), 33), 0);
    EXPECT_EQ(port.last_error().kind, SerialError::NOT_OPEN);
    EXPECT_TRUE(line.drain().empty());
}

TEST_F(SerialPortTest, StalledPeerTakesWhatFitsAtOnceAndTheRestWhenItReadsAgain) {
    ASSERT_TRUE(open_default());
    const std::size_t filler = line.stall_far_end_settled();
    ASSERT_GT(filler, 0u);

    // More than any line holds, so the stall shows whatever room the kernel finds later. No
    // call waits for the device, and a stall is no error.
    const std::vector<uint8_t> record = pattern(64 * 1024, 0x40);
    std::size_t taken = 0;
    const auto send_rest = [&] {
        taken += static_cast<std::size_t>(
            port.send(record.data() + taken, static_cast<int32_t>(record.size() - taken)));
        return port.last_error().kind == SerialError::NONE;
    };
    const auto start = Clock::now();
    for (int call = 0; call < 3; ++call) {
        EXPECT_TRUE(send_rest());
    }
    EXPECT_LT(elapsed_ms(start), AT_ONCE_MS);
    EXPECT_LT(taken, record.size());

    // The peer reads again: the rest follows with the next calls, with no hole.
    std::vector<uint8_t> got;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (got.size() < filler + record.size() && Clock::now() < deadline) {
        const std::vector<uint8_t> more = line.drain(5, 100);
        got.insert(got.end(), more.begin(), more.end());
        ASSERT_TRUE(send_rest()) << port.last_error().text;
    }
    ASSERT_EQ(taken, record.size());
    ASSERT_EQ(got.size(), filler + record.size());
    EXPECT_TRUE(std::equal(got.begin() + static_cast<long>(filler), got.end(), record.begin()));
}

TEST_F(SerialPortTest, VanishedDeviceFailsEveryCallAtOnce) {
    ASSERT_TRUE(open_default());
    ASSERT_TRUE(line.write("lost"));
    ASSERT_TRUE(line.wait_pending_at_device(4));
    line.close_master();

    const auto start = Clock::now();
    uint8_t buffer[64];
    const std::vector<uint8_t> record = pattern(48, 0);
    for (int poll_round = 0; poll_round < 3; ++poll_round) {
        EXPECT_EQ(port.bytes_waiting(), 0u);
        EXPECT_EQ(port.last_error().kind, SerialError::DEVICE_GONE);
        EXPECT_EQ(port.read(buffer, 64), 0);
        EXPECT_EQ(port.last_error().kind, SerialError::DEVICE_GONE);
        EXPECT_EQ(port.send(record.data(), 48), 0);
        EXPECT_TRUE(plain_text(port.last_error().text)) << port.last_error().text;
        EXPECT_EQ(port.last_error().kind, SerialError::DEVICE_GONE);
    }
    EXPECT_LT(elapsed_ms(start), AT_ONCE_MS);
    EXPECT_TRUE(port.is_open());
    EXPECT_TRUE(port.close());
    EXPECT_EQ(port.last_error().kind, SerialError::NONE);
}

} // namespace
} // namespace nerivo::testing
