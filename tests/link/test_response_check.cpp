// Acceptance of answers: every test rejects a damaged CRC, and no test ever
// reads a byte beyond what arrived.
#include <gtest/gtest.h>

#include <vector>

#include "frames.h"
#include "response_check.h"

namespace {

Bytes Concat(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes Damaged(Bytes frame) {
    frame.back() ^= 0x01;
    return frame;
}

Bytes Cut(Bytes frame, size_t drop) {
    frame.resize(frame.size() - drop);
    return frame;
}

struct GoodCase {
    const char* name;
    int status;
    Bytes answer;
    uint8_t function;
    bool good;
};

TEST(IsGoodResponse, Table) {
    const Bytes writeEcho = WithCrc({0x01, 0x06, 0x50, 0x01, 0x00, 0x03});
    const Bytes multiEcho = WithCrc({0x01, 0x10, 0x70, 0x21, 0x00, 0x02});
    const Bytes twoRegisters = ReadAnswer({0x12, 0x34, 0x56, 0x78});
    const GoodCase cases[] = {
        {"write echo", 0, writeEcho, 6, true},
        {"multiple write echo", 0, multiEcho, 16, true},
        {"read", 0, twoRegisters, 3, true},
        {"status not 0", 11, writeEcho, 6, false},
        {"nothing", 0, {}, 6, false},
        {"bad crc", 0, Damaged(writeEcho), 6, false},
        {"truncated write echo", 0, Cut(writeEcho, 3), 6, false},
        {"exception 0x86", 0, ExceptionAnswer(6, 2), 6, false},
        {"exception 0x90", 0, ExceptionAnswer(16, 3), 16, false},
        {"exception 0x83", 0, ExceptionAnswer(3, 2), 3, false},
        {"odd byte count", 0, WithCrc({0x01, 0x03, 0x03, 0x12, 0x34, 0x56}), 3, false},
        {"count beyond the bytes", 0, WithCrc({0x01, 0x03, 0x04, 0x12, 0x34}), 3, false},
        {"count short of the bytes", 0, WithCrc({0x01, 0x03, 0x02, 0x12, 0x34, 0x56, 0x78}), 3,
         false},
        {"truncated read", 0, Cut(twoRegisters, 2), 3, false},
        {"garbage before read", 0, Cut(Concat({0x00, 0x55, 0x2A}, twoRegisters), 3), 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.good, IsGoodResponse(c.status, c.answer.data(), c.answer.size(), c.function));
    }
}

struct MatchCase {
    const char* name;
    Bytes request;
    Bytes answer;
    bool matches;
    bool complete;
};

TEST(AnswerMatchesRequest, Table) {
    const Bytes read = ReadRequest(0x5001, 2);
    const Bytes write = WriteOne(0x5001, 3);
    const Bytes writeMany = WriteMany(0x6001, {0x00, 0x10, 0x00, 0x08});
    const Bytes twoRegisters = ReadAnswer({0x12, 0x34, 0x56, 0x78});
    const MatchCase cases[] = {
        {"read answer", read, twoRegisters, true, true},
        {"function-6 answer", write, write, true, true},
        {"function-16 answer", writeMany, WithCrc({0x01, 0x10, 0x60, 0x01, 0x00, 0x02}), true,
         true},
        {"exception to a read", read, ExceptionAnswer(3, 2), true, true},
        {"exception to a function-6 write", write, ExceptionAnswer(6, 3), true, true},
        {"exception to a function-16 write", writeMany, ExceptionAnswer(16, 4), true, true},
        {"answer from slave 2", read, WithCrc({0x02, 0x03, 0x04, 0x12, 0x34, 0x56, 0x78}), false,
         false},
        {"function-4 answer to a function-3 request", read,
         WithCrc({0x01, 0x04, 0x04, 0x12, 0x34, 0x56, 0x78}), false, false},
        {"exception of another function", read, ExceptionAnswer(4, 2), false, false},
        {"function-6 answer with another value", write, WriteOne(0x5001, 4), false, false},
        {"function-6 answer with another address", write, WriteOne(0x5002, 3), false, false},
        {"function-16 answer with another quantity", writeMany,
         WithCrc({0x01, 0x10, 0x60, 0x01, 0x00, 0x03}), false, false},
        {"function-16 answer with another start", writeMany,
         WithCrc({0x01, 0x10, 0x60, 0x02, 0x00, 0x02}), false, false},
        {"function-6 answer cut before the value", write, Cut(write, 3), false, false},
        {"nothing", read, {}, false, false},
        // Matching but not whole: the CRC, the length or the byte count is off.
        {"read answer with a damaged CRC", read, Damaged(twoRegisters), true, false},
        {"read answer whose count lies", read, WithCrc({0x01, 0x03, 0x06, 0x12, 0x34, 0x56, 0x78}),
         true, false},
        {"function-6 answer with a byte more", write,
         WithCrc({0x01, 0x06, 0x50, 0x01, 0x00, 0x03, 0x00}), true, false},
        {"exception with a byte more", read, WithCrc({0x01, 0x83, 0x02, 0x00}), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes& q = c.request;
        const Bytes& a = c.answer;
        EXPECT_EQ(c.matches, AnswerMatchesRequest(q.data(), q.size(), a.data(), a.size()));
        // The request's CRC plays no part.
        EXPECT_EQ(c.matches, AnswerMatchesRequest(q.data(), q.size() - 2, a.data(), a.size()));
        EXPECT_EQ(c.complete, IsCompleteAnswer(q.data(), q.size(), a.data(), a.size()));
    }
    EXPECT_FALSE(AnswerMatchesRequest(nullptr, 0, write.data(), write.size()));
    EXPECT_FALSE(AnswerMatchesRequest(write.data(), 4, write.data(), write.size()));
}

TEST(ResponseCrcValid, NeedsAFunctionCodeBeforeTheCrc) {
    const Bytes tooShort = WithCrc({0x01});
    EXPECT_FALSE(ResponseCrcValid(tooShort.data(), tooShort.size()));
    EXPECT_FALSE(ResponseCrcValid(nullptr, 0));
    const Bytes shortest = WithCrc({0x01, 0x03});
    EXPECT_TRUE(ResponseCrcValid(shortest.data(), shortest.size()));
}

TEST(AcceptBlockRead, PayloadBoundedByBlockAndBytes) {
    const Bytes full = ReadAnswer(Bytes(62, 0xA5));
    EXPECT_EQ(62, AcceptBlockRead(0, full.data(), full.size(), 62));
    // Short but consistent answers stay accepted: 41 bytes give 36 bytes.
    const Bytes shortAnswer = ReadAnswer(Bytes(36, 0x11));
    ASSERT_EQ(41u, shortAnswer.size());
    EXPECT_EQ(36, AcceptBlockRead(0, shortAnswer.data(), shortAnswer.size(), 62));
    EXPECT_EQ(-1, AcceptBlockRead(0, full.data(), full.size(), 22));
    EXPECT_EQ(-1, AcceptBlockRead(11, full.data(), full.size(), 62));
    EXPECT_EQ(-1, AcceptBlockRead(0, Damaged(full).data(), full.size(), 62));
    const Bytes cut = Cut(full, 1);
    EXPECT_EQ(-1, AcceptBlockRead(0, cut.data(), cut.size(), 62));
    const Bytes exception = ExceptionAnswer(3, 2);
    EXPECT_EQ(-1, AcceptBlockRead(0, exception.data(), exception.size(), 62));
    // A CRC-valid answer without data is below the six bytes a block needs.
    const Bytes empty = ReadAnswer({});
    EXPECT_EQ(-1, AcceptBlockRead(0, empty.data(), empty.size(), 62));
}

TEST(ReadPayload, PointsAtTheDataBytes) {
    const Bytes answer = ReadAnswer({0x00, 0x10, 0x00, 0x08});
    const uint8_t* payload = nullptr;
    ASSERT_EQ(4, ReadPayload(0, answer.data(), answer.size(), &payload));
    EXPECT_EQ(answer.data() + 3, payload);
    EXPECT_EQ(-1, ReadPayload(0, answer.data(), answer.size() - 1, &payload));
}

TEST(AcceptEventWord, TriState) {
    uint16_t word = 0xEEEE;
    const Bytes event = ReadAnswer({0x02, 0x09});
    EXPECT_EQ(EventReadResult::Ok, AcceptEventWord(0, event.data(), event.size(), &word));
    EXPECT_EQ(0x0209, word);

    word = 0xEEEE;
    const Bytes four = ReadAnswer({0x00, 0x08, 0x00, 0x01});
    EXPECT_EQ(EventReadResult::Ignored, AcceptEventWord(0, four.data(), four.size(), &word));
    EXPECT_EQ(0xEEEE, word);

    const Bytes failures[] = {Damaged(event), Cut(event, 2), ExceptionAnswer(3, 2), {}};
    for (const auto& answer : failures) {
        EXPECT_EQ(EventReadResult::Failed, AcceptEventWord(0, answer.data(), answer.size(), &word));
        EXPECT_EQ(0xEEEE, word);
    }
    EXPECT_EQ(EventReadResult::Failed, AcceptEventWord(11, event.data(), event.size(), &word));
}

TEST(AcceptNetworkTime, DecodesWordsAndNeedsAllSixBytes) {
    // ms low half 0x1A7D in 0x7043, high half 0x0173 in 0x7044, day 0x3D41.
    const Bytes answer = ReadAnswer({0x1A, 0x7D, 0x01, 0x73, 0x3D, 0x41});
    uint32_t ms = 0;
    uint16_t days = 0;
    ASSERT_TRUE(AcceptNetworkTime(0, answer.data(), answer.size(), &ms, &days));
    EXPECT_EQ(0x01731A7Du, ms);
    EXPECT_EQ(0x3D41, days);

    // Nine bytes with a valid CRC hold only four data bytes: the day would
    // be read from the CRC.
    const Bytes nine = ReadAnswer({0x1A, 0x7D, 0x01, 0x73});
    ASSERT_EQ(9u, nine.size());
    ms = 7;
    days = 7;
    EXPECT_FALSE(AcceptNetworkTime(0, nine.data(), nine.size(), &ms, &days));
    EXPECT_EQ(7u, ms);
    EXPECT_EQ(7, days);
    EXPECT_FALSE(AcceptNetworkTime(0, Damaged(answer).data(), answer.size(), &ms, &days));
    const Bytes exception = ExceptionAnswer(3, 2);
    EXPECT_FALSE(AcceptNetworkTime(0, exception.data(), exception.size(), &ms, &days));
}

}  // namespace
