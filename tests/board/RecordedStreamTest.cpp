// Replays every recorded board conversation in tests/data/board (NAME.bin)
// and compares the decode with NAME.golden; see tests/data/board/README.md.
// PELLORIN_UPDATE_GOLDEN=1 rewrites the goldens (their # header is kept).

#include <cstdlib>
#include <fstream>

#include "BoardFixture.h"
#include "ScratchDir.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = fs::path(PELLORIN_TEST_DATA) / "board";

TEST_F(BoardTest, RecordedConversationsDecodeAsTheirGoldenFiles) {
    const bool update = std::getenv("PELLORIN_UPDATE_GOLDEN") != nullptr;
    int replayed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kDataDir)) {
        if (entry.path().extension() != ".bin") continue;
        SCOPED_TRACE(entry.path().filename().string());
        fs::path goldenPath = entry.path();
        goldenPath.replace_extension(".golden");
        ASSERT_TRUE(fs::exists(goldenPath)) << "every capture needs its .golden";
        std::vector<std::string> header, expected;  // the # lines, the decode
        std::ifstream in(goldenPath);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) (line[0] == '#' ? header : expected).push_back(line);
        EXPECT_FALSE(header.empty()) << "the golden must say where the capture came from";

        // As after start-up: firmware requested, survey mode 7 selected.
        Fresh();
        theBoard.RequestFirmware();
        theBoard.SelectScanMode(kSurveyScanMode);
        outbox.queued.clear();
        std::vector<std::string> actual = Receive(ReadFileBytes(entry.path()));
        actual.push_back("end frames=" + std::to_string(actual.size()) +
                         " draws=" + std::to_string(notifier.Count()) +
                         " aps=" + std::to_string(scanList.Count()));
        if (update) {
            std::ofstream out(goldenPath);
            for (const std::string& l : header) out << l << '\n';
            for (const std::string& l : actual) out << l << '\n';
        } else {
            EXPECT_EQ(actual, expected);
        }
        ++replayed;
    }
    EXPECT_GE(replayed, 4);
}

}  // namespace
