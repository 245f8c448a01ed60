#pragma once
// A fresh board for the link tests, and the fixture of the tests that run the
// real link and worker against a pseudo-terminal on which the test plays the
// board (link_tests' WorkerTest, robustness_tests' BoardFaults). The board's
// pseudo-terminal, frames, report messages, hex, scratch directories, a
// counting notifier and bounded waits come from tests/support.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "CountingNotifier.h"
#include "ScratchDir.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "link/BoardStartup.h"

inline std::unique_ptr<CScannerBoard> NewBoard() { return std::make_unique<CScannerBoard>(); }
// The texts the board answered the greeting with.
inline std::string Firmware(const CScannerBoard& board) {
    char text[33];
    board.GetFirmware(text);
    return text;
}
inline std::string Serial(const CScannerBoard& board) {
    char text[32];
    board.GetSerial(text);
    return text;
}

// `board` (theBoard unless the test brings its own) in its start state with
// empty lists before and after, the line in `pty`, and the start-up options
// that report into the fixture.
class LinkedBoardTest : public ::testing::Test {
protected:
    explicit LinkedBoardTest(std::unique_ptr<CScannerBoard> own = nullptr)
        : m_own(std::move(own)), board(m_own ? m_own.get() : &theBoard) {}
    void SetUp() override {
        ASSERT_TRUE(pty->Ok());
        board->Reset();
        board->SetNotifier(&draws);
        EmptyLists();
    }
    void TearDown() override {
        if (startup) startup->Stop();
        board->SetNotifier(nullptr);
        board->SetOutbox(nullptr);
        EmptyLists();
    }

    // Everything a started link needs on `port`, without pauses; the clock
    // stands still, so no keep-alive goes out unasked.
    BoardStartupOptions Options(const std::string& port) {
        BoardStartupOptions options;
        options.portOverride = port;
        options.board = board;
        options.notifier = &draws;
        options.message = [this](const std::string& text) { messages.push_back(text); };
        options.openPause = options.greetPause = options.closePause = std::chrono::milliseconds(0);
        options.worker.retryInterval = std::chrono::milliseconds(50);
        options.worker.clockSeconds = [this] { return clock.load(); };
        options.onConnectionChanged = [this](bool up) { (up ? ups : downs)++; };
        options.capturePath = capturePath;
        return options;
    }
    // Link and worker up, the firmware request read off the line.
    void StartWith(BoardStartupOptions options) {
        startup = std::make_unique<CBoardStartup>(std::move(options));
        while (startup->Step() >= 0) {
        }
        ASSERT_EQ(pty->Read(kFirmwareRequest.size()), kFirmwareRequest);
    }

private:
    void EmptyLists() {
        std::lock_guard<std::mutex> guard(board->m_reportLock);
        scanList.RemoveAll();
        surveyList.RemoveAll();
    }
    std::unique_ptr<CScannerBoard> m_own;

protected:
    CScannerBoard* board;
    std::unique_ptr<BoardPty> pty = std::make_unique<BoardPty>();
    CountingNotifier draws;
    std::atomic<uint32_t> clock{1000};
    std::atomic<int> ups{0}, downs{0};
    std::vector<std::string> messages;
    std::string capturePath;
    std::unique_ptr<CBoardStartup> startup;
};
