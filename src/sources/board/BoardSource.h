#pragma once
// The scanner board as a measurement source: the scan session of a
// CScannerBoard (theBoard in the program), whose link and worker the
// start-up sequence brings up. Nothing here touches the wire: a scan is
// StartSurveyScan, a cancel CancelScan, exactly as the view used them.

#include <functional>
#include <memory>

#include "sources/MeasurementSource.h"

class CScannerBoard;

class CBoardSource : public IMeasurementSource {
public:
    explicit CBoardSource(CScannerBoard& board) : m_board(board) {}

    void SetNotifier(IDrawNotifier* notifier) override;
    // A tap keeps the survey mode the board has acknowledged; the centre
    // press selects mode 7 again.
    void StartScan(int32_t x, int32_t y, ScanTrigger trigger) override;
    void CancelScan() override;
    // Both scan flags set: they are cleared and the point is recorded.
    bool TakeFinishedScan() override;
    bool ScanGivenUp() const override;
    SourceState State() const override;
    // "(Firmware %s)" and "(SN %s)" of the board's answers.
    SourceTexts StartupTexts() const override;
    std::string NoticeText() const override;
    // The channel the board reports scanning.
    uint16_t ChannelCells() const override;

protected:
    CScannerBoard& m_board;
};

// The simulated board: the board's source, and before each scan is asked for
// the simulated surveyor stands where the point is taken, so each reading
// comes from the tapped place.
class CSimulatedBoardSource : public CBoardSource {
public:
    using StandAt = std::function<void(int32_t x, int32_t y)>;
    CSimulatedBoardSource(CScannerBoard& board, StandAt standAt)
        : CBoardSource(board), m_standAt(std::move(standAt)) {}

    void StartScan(int32_t x, int32_t y, ScanTrigger trigger) override;

private:
    StandAt m_standAt;
};

// The source of the program's one board, theBoard (before the start-up has
// chosen one, and in tests that play theBoard directly).
std::unique_ptr<IMeasurementSource> MakeBoardSource();
