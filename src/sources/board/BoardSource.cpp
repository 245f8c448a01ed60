#include "sources/board/BoardSource.h"

#include "board/ScannerBoard.h"

void CBoardSource::SetNotifier(IDrawNotifier* notifier) { m_board.SetNotifier(notifier); }

void CBoardSource::StartScan(int32_t, int32_t, ScanTrigger trigger) {
    // The request waits while the board is busy with an earlier scan or
    // away, and only this scan's frames count (ScanSession.cpp).
    m_board.StartSurveyScan(trigger == ScanTrigger::kTap);
}

void CBoardSource::CancelScan() { m_board.CancelScan(); }

bool CBoardSource::TakeFinishedScan() {
    if (m_board.m_bScanStarted.load() == 0 || m_board.m_bScanComplete.load() == 0) return false;
    m_board.m_bScanStarted = 0;
    m_board.m_bScanComplete = 0;
    return true;
}

bool CBoardSource::ScanGivenUp() const { return m_board.Gate() == ScanGate::kGivenUp; }

SourceState CBoardSource::State() const {
    if (m_board.Presence() != BoardPresence::kPresent) return SourceState::kGone;
    return m_board.ScanWanted() ? SourceState::kScanning : SourceState::kConnected;
}

SourceTexts CBoardSource::StartupTexts() const {
    char firmware[33] = {};
    char serial[32] = {};
    m_board.GetFirmware(firmware);
    m_board.GetSerial(serial);
    firmware[sizeof firmware - 1] = '\0';
    serial[sizeof serial - 1] = '\0';
    return {std::string("(Firmware ") + firmware + ")", std::string("(SN ") + serial + ")"};
}

std::string CBoardSource::NoticeText() const { return m_board.PresenceText(); }

uint16_t CBoardSource::ChannelCells() const { return ChannelCellBit(m_board.m_scanChannel.load()); }

void CSimulatedBoardSource::StartScan(int32_t x, int32_t y, ScanTrigger trigger) {
    if (m_standAt) m_standAt(x, y);  // before the request goes out
    CBoardSource::StartScan(x, y, trigger);
}

std::unique_ptr<IMeasurementSource> MakeBoardSource() {
    return std::make_unique<CBoardSource>(theBoard);
}
