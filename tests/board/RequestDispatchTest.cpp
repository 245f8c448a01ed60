// Requests the handheld sends and what each board message does.

#include <cstdio>

#include "BoardFixture.h"

namespace {

// The requests' bytes are checked where they go out (ScanSession, the
// recorded conversations, link_tests); without an outbox nothing goes out.
TEST_F(BoardTest, WithoutAnOutboxNothingIsSentAndTheModeIsStillRemembered) {
    theBoard.SetOutbox(nullptr);
    EXPECT_EQ(theBoard.SendFrame(MSG_FIRMWARE, nullptr, 0), 0);
    theBoard.SendKeepAlive();
    theBoard.SelectScanMode(3);
    EXPECT_EQ(theBoard.m_requestedMode, 3);
    EXPECT_TRUE(outbox.queued.empty());
}

// The greeting's answers as the board sends them (firmware stored, the
// serial asked for, cut at 8) are in the recorded startup.bin.
struct DispatchCase {
    const char* behaviour;
    int selectedMode;  // SelectScanMode before the frames; -1: none
    std::vector<Bytes> frames;
    std::vector<std::string> log;
};

const Bytes kFiller = ReportMessage({{{1, 2, 3, 4, 5, 6}, -50}}, {});
const char* kSerialRequest = " | sent 11 12 02 00 11 13";

const std::vector<DispatchCase> kDispatchCases = {
    // Without its own NUL a text ends with the message, not with the zeros
    // behind the checksum byte ('2' ^ 0x01 = 0x33, a printable '3').
    {"texts are bounded and never take the checksum byte",
     -1,
     {BoardFrame(MSG_FIRMWARE, Text(std::string(40, 'F'))), BoardFrame(MSG_FIRMWARE, Text("2")),
      BoardFrame(MSG_SERIAL, Text("AB"))},
     {"01 FIRMWARE len=41 ok | firmware=\"" + std::string(32, 'F') + "\"" + kSerialRequest,
      std::string("01 FIRMWARE len=2 ok | firmware=\"2\"") + kSerialRequest,
      "02 SERIAL len=3 ok | serial=\"AB\""}},
    {"a text is cleared whole before it is stored",
     -1,
     {BoardFrame(MSG_SERIAL, Text("LONGER")),
      BoardFrame(MSG_SERIAL, Text(std::string("S1\0ZZZZ", 7)))},
     {"02 SERIAL len=7 ok | serial=\"LONGER\"", "02 SERIAL len=8 ok | serial=\"S1\""}},
    {"a damaged firmware answer changes nothing and asks for nothing",
     -1,
     {BoardFrame(MSG_FIRMWARE, Text("9.99"), 0x00)},
     {"01 FIRMWARE len=5 bad | -"}},
    {"the acknowledgement of another mode starts no scan",
     2,
     {BoardFrame(MSG_MODE, {kSurveyScanMode})},
     {"03 MODE len=2 ok | -"}},
    {"the acknowledgement of survey mode starts the scan; its payload is not read",
     kSurveyScanMode,
     {BoardFrame(MSG_MODE, {})},
     {"03 MODE len=1 ok | survey-mode=1 | sent 11 12 16 00 11 13"}},
    {"a scan end without start is cleared by the next scan report, not by a plain report",
     -1,
     {BoardFrame(MSG_SCAN_END, {}), BoardFrame(MSG_SCAN_REPORT, kFiller),
      BoardFrame(MSG_SCAN_END, {}), BoardFrame(MSG_REPORT, kFiller)},
     {"18 SCAN_END len=1 ok | scan-complete=1 | draw",
      "17 SCAN_REPORT len=11 ok | scan-complete=0 | draw",
      "18 SCAN_END len=1 ok | scan-complete=1 | draw", "10 REPORT len=11 ok | draw"}},
};

TEST_F(BoardTest, BoardMessagesChangeWhatTheyShouldAndAnswerAsTheyShould) {
    for (const DispatchCase& c : kDispatchCases) {
        SCOPED_TRACE(c.behaviour);
        Fresh();
        if (c.selectedMode >= 0) theBoard.SelectScanMode(static_cast<uint8_t>(c.selectedMode));
        std::vector<std::string> log;
        for (const Bytes& frame : c.frames)
            for (const std::string& line : Receive(frame)) log.push_back(line);
        EXPECT_EQ(log, c.log);
    }
}

// An outbox that feeds a frame back into the dispatcher while it is queued,
// as a careless transport might.
class ReenteringOutbox : public RecordingOutbox {
public:
    int QueueTx(const uint8_t* bytes, size_t length) override {
        const uint8_t channel[] = {9, 0x11 ^ 9};
        theBoard.DispatchFrame(MSG_CHANNEL, channel, 2);
        return RecordingOutbox::QueueTx(bytes, length);
    }
};

TEST_F(BoardTest, FrameArrivingDuringADispatchIsDropped) {
    ReenteringOutbox reentering;
    theBoard.SetOutbox(&reentering);
    Receive(BoardFrame(MSG_FIRMWARE, Text(std::string("1.0\0", 4))));
    EXPECT_EQ(reentering.queued.size(), 1u);  // the serial request went out
    EXPECT_EQ(theBoard.m_scanChannel, 0);     // the nested channel frame did not count
    // That dispatches go on afterwards, every other test shows.
}

TEST_F(BoardTest, ResetRestoresTheStartValues) {
    const auto state = [] {
        char text[80];
        std::snprintf(text, sizeof text, "%d %d %d %d %d", theBoard.m_bSurveyMode.load(),
                      theBoard.m_bScanStarted.load(), theBoard.m_bScanComplete.load(),
                      theBoard.m_scanChannel.load(), theBoard.m_requestedMode.load());
        return std::string(text);
    };
    theBoard.SelectScanMode(kSurveyScanMode);
    for (const Bytes& f :
         {BoardFrame(MSG_FIRMWARE, Text("3.1")), BoardFrame(MSG_SERIAL, Text("12345678")),
          BoardFrame(MSG_MODE, {}), BoardFrame(MSG_SCAN_START, {}), BoardFrame(MSG_CHANNEL, {4}),
          BoardFrame(MSG_SCAN_END, {}), Hex("11")})  // the receiver left inside a frame
        Receive(f);
    ASSERT_EQ(state(), "1 1 1 4 7");
    ASSERT_EQ(theBoard.GetRxState(), kRxExpectStart);

    theBoard.Reset();
    char firmware[33], serial[32];
    theBoard.GetFirmware(firmware);
    theBoard.GetSerial(serial);
    EXPECT_EQ(std::string(firmware) + " " + serial, "0.00 XXXXXX");
    EXPECT_EQ(state(), "0 0 0 0 0");
    EXPECT_EQ(theBoard.GetRxState(), kRxRestart);
    // The outbox stays attached.
    outbox.queued.clear();
    theBoard.RequestScan();
    EXPECT_EQ(outbox.queued.size(), 1u);
}

}  // namespace
