#pragma once
// Every board test starts from the program-start state of theBoard and an
// empty scanList, with a recording outbox and a counting notifier attached.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "aplist/ApList.h"

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void TearDown() override {
        theBoard.SetOutbox(nullptr);
        theBoard.SetNotifier(nullptr);
        theBoard.SetFrameObserver(nullptr);
        scanList.RemoveAll();
        theBoard.Reset();
    }
    // Back to the start state, for tests that run several cases.
    void Fresh() {
        theBoard.Reset();
        scanList.RemoveAll();
        outbox.queued.clear();
        notifier.Reset();
        theBoard.SetOutbox(&outbox);
        theBoard.SetNotifier(&notifier);
    }

    // Feeds bytes, or a hex script ("~" = read time-out), like the worker;
    // returns the decode log of the frames it produced.
    std::vector<std::string> Receive(const Bytes& stream) {
        return Decode([&](WorkerFeed& feed) { feed.Stream(stream); });
    }
    std::vector<std::string> Receive(const std::string& script) {
        return Decode([&](WorkerFeed& feed) { feed.Script(script); });
    }
    template <class FeedAll>
    std::vector<std::string> Decode(FeedAll feedAll) {
        FrameLog log(theBoard, outbox, notifier);
        WorkerFeed feed(theBoard);
        feedAll(feed);
        feed.Finish();
        return log.lines;
    }

    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const Bytes& f : outbox.queued) out.push_back(HexText(f));
        return out;
    }
    std::string Firmware() const {
        char text[33];
        theBoard.GetFirmware(text);
        return text;
    }
    std::string Serial() const {
        char text[32];
        theBoard.GetSerial(text);
        return text;
    }

    RecordingOutbox outbox;
    CountingNotifier notifier;
};

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
