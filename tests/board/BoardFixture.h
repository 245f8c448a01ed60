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
    void SetUp() override {
        theBoard.Reset();
        scanList.RemoveAll();
        theBoard.SetOutbox(&outbox);
        theBoard.SetNotifier(&notifier);
    }
    void TearDown() override {
        theBoard.SetOutbox(nullptr);
        theBoard.SetNotifier(nullptr);
        theBoard.SetFrameObserver(nullptr);
        scanList.RemoveAll();
        theBoard.Reset();
    }

    // Feeds a hex script ("~" = read time-out) like the worker; returns the
    // decode log of the frames it produced.
    std::vector<std::string> Receive(const std::string& script) {
        FrameLog log(theBoard, outbox, notifier);
        WorkerFeed feed(theBoard);
        feed.Script(script);
        feed.Finish();
        return log.lines;
    }
    std::vector<std::string> Receive(const Bytes& stream) {
        FrameLog log(theBoard, outbox, notifier);
        WorkerFeed feed(theBoard);
        feed.Stream(stream);
        feed.Finish();
        return log.lines;
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
