// The live scan dump, on a machine that may have no Wi-Fi at all.

#include <gtest/gtest.h>
#include <linux/genetlink.h>

#include <cstring>

#include "sources/wifi/Nl80211Dump.h"

namespace {

TEST(KernelDumpTest, InterfacesWithoutScanResultsFailWithAReason) {
    for (const char* name : {"pellorin-none0", "lo", ""}) {
        const KernelScan scan = DumpKernelScan(name);
        EXPECT_FALSE(scan.answered) << name;
        EXPECT_TRUE(scan.entries.empty()) << name;
        for (const auto& [what, error] :
             {std::pair{"scan", scan.error}, {"station", scan.stationError}}) {
            const std::string prefix = std::string("nl80211 ") + what + " dump for " + name + ": ";
            EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
            EXPECT_GT(error.size(), prefix.size()) << error;
        }
    }
}

TEST(KernelDumpTest, AGenericDumpIsReadWholeToItsEnd) {
    // Every kernel has the family controller; its list of families is a dump
    // of several messages with no BSS in them.
    Nl80211ScanDumpParser parser;
    std::vector<std::vector<uint8_t>> datagrams;
    EXPECT_EQ(RunGenericDump("nlctrl", CTRL_CMD_GETFAMILY, 0, 0, std::chrono::seconds(10), parser,
                             datagrams),
              "");
    EXPECT_EQ(parser.GetState(), Nl80211ScanDumpParser::State::kDone);
    EXPECT_TRUE(parser.Entries().empty());
    EXPECT_EQ(parser.Dropped(), 0u);
    // What was read is what a capture keeps: the same datagrams read again say the same.
    Nl80211ScanDumpParser again;
    for (const auto& d : datagrams) again.Feed(d.data(), d.size());
    EXPECT_EQ(again.GetState(), Nl80211ScanDumpParser::State::kDone);
}

}  // namespace
