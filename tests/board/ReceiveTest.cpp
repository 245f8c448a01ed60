// The receive state machine, fed the way the board worker feeds it. A bad
// checksum, 11 15 or a header inside a payload, and an unknown type are in
// the recorded conversation damaged.bin (RecordedStreamTest.cpp); frames
// back to back in every recorded conversation.

#include "BoardFixture.h"

namespace {

struct ReceiveCase {
    const char* behaviour;
    const char* script;  // hex bytes, "~" for a read time-out
    std::vector<std::string> frames;
};

const std::string kScanEnd = "11 12 18 18 11 13";
const char* kScanStartLine = "16 SCAN_START len=1 ok | scan-started=1 | draw";
const char* kScanEndLine = "18 SCAN_END len=1 ok | scan-complete=1 | draw";

const std::vector<ReceiveCase> kCases = {
    {"type 0x11 is followed by a stuffing byte that is not looked at",
     "11 12 11 99 05 14 11 13",
     {"11 CHANNEL len=2 ok | channel=5 | draw"}},
    {"garbage before a header is skipped byte by byte",
     "00 FF 13 12 11 13 11 12 16 16 11 13",
     {kScanStartLine}},
    {"a doubled escape costs the frame that follows it",
     "11 11 12 16 16 11 13 11 12 16 16 11 13",
     {kScanStartLine}},
    {"a frame without payload and checksum is type 0 only",
     "11 12 00 11 13",
     {"00 OTHER len=0 ok | -"}},
    {"a channel message without its channel byte still draws",
     "11 12 11 14 11 14 11 13",
     {"11 CHANNEL len=1 ok | draw"}},
    {"time-outs between frames do no harm, also after a stuffed type and payload",
     "~ ~ 11 12 16 16 11 13 ~ ~ ~ 11 12 11 14 11 14 00 11 13 ~ 11 12 18 18 11 13 ~",
     {kScanStartLine, "11 CHANNEL len=2 ok | channel=17 | draw", kScanEndLine}},
    {"a time-out after the header abandons the frame", "11 12 ~ 16 16 11 13", {}},
    {"a time-out after the first header byte abandons the frame", "11 ~ 12 16 16 11 13", {}},
    {"a time-out in the payload abandons the frame", "11 12 11 14 ~ 05 14 11 13", {}},
    {"a time-out after the type abandons the frame",
     "11 12 16 ~ 16 11 13 11 12 18 18 11 13",
     {kScanEndLine}},
    {"a time-out after type 0x11 abandons the frame", "11 12 11 ~ 14 05 14 11 13", {}},
    // State 5 restarts without a reset: the next byte read goes to state 0,
    // which does not look at it, so a header right behind loses its 11.
    {"a time-out after an escape in the payload swallows the next byte",
     "11 12 18 18 11 ~ 11 12 18 18 11 13",
     {}},
    {"a time-out after an escape in the payload restarts at the byte after next",
     "11 12 18 18 11 ~ 00 11 12 18 18 11 13",
     {kScanEndLine}},
    // Firmware "1<11>" with its NUL: checksum 01^31^11 = 21.
    {"stuffed payload bytes are unstuffed",
     "11 12 01 31 11 14 00 21 11 13",
     {"01 FIRMWARE len=4 ok | firmware=\"1\\x11\" | sent 11 12 02 00 11 13"}},
    {"a stuffed checksum byte is unstuffed",
     "11 12 10 01 11 14 11 13",
     {"10 REPORT len=2 ok | draw"}},
};

TEST_F(BoardTest, ReceiverFollowsTheStateTable) {
    for (const ReceiveCase& c : kCases) {
        SCOPED_TRACE(c.behaviour);
        Fresh();
        EXPECT_EQ(Receive(std::string(c.script)), c.frames);
    }
    Fresh();
    theBoard.SetRxState(42);  // a foreign state falls back into the table
    EXPECT_EQ(Receive(std::string("11 12 16 16 11 13")), std::vector<std::string>{kScanStartLine});
}

TEST_F(BoardTest, PayloadOfMoreThan8000BytesIsAbandoned) {
    // 7998 message bytes + checksum = 7999 received bytes: dispatched.
    EXPECT_EQ(Receive(BoardFrame(0x42, Bytes(7998, 0x00))),
              std::vector<std::string>{"42 OTHER len=7999 ok | -"});
    // 8000 received bytes: the trailer finds the buffer full and the frame is
    // abandoned; the receiver picks up the next header. A header followed by
    // endless data never writes past the buffer.
    Bytes endless = Hex("11 12 42");
    endless.resize(20000, 0x5A);
    for (const Bytes& lost : {BoardFrame(0x42, Bytes(7999, 0x00)), endless}) {
        Fresh();
        EXPECT_EQ(Receive(Join({lost, Hex(kScanEnd)})), std::vector<std::string>{kScanEndLine});
        EXPECT_EQ(theBoard.FramesDropped(FrameDrop::kTooLong), 1u);
        EXPECT_EQ(theBoard.FramesDropped(), 1u);
    }
}

TEST_F(BoardTest, FramesDroppedAfterTheirHeaderAreCountedByCause) {
    const struct {
        const char* script;
        FrameDrop cause;
    } cases[] = {
        {"11 12 18 17 11 13", FrameDrop::kBadChecksum},
        {"11 12 18 18 11 15", FrameDrop::kBadEscape},
        {"11 12 ~", FrameDrop::kTimedOut},
        {"11 12 11 ~", FrameDrop::kTimedOut},
        {"11 12 18 18 ~", FrameDrop::kTimedOut},
        {"11 12 18 18 11 ~", FrameDrop::kTimedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        Fresh();
        Receive(std::string(c.script));
        EXPECT_EQ(theBoard.FramesDropped(c.cause), 1u);
        EXPECT_EQ(theBoard.FramesDropped(), 1u);
    }
    // Noise and an idle line between frames drop no frame.
    Fresh();
    EXPECT_EQ(Receive(std::string("~ ~ 00 FF 13 11 ~ 11 00 ") + kScanEnd),
              std::vector<std::string>{kScanEndLine});
    EXPECT_EQ(theBoard.FramesDropped(), 0u);
}

}  // namespace
