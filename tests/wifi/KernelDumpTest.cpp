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
        const std::string prefix = std::string("nl80211 scan dump for ") + name + ": ";
        EXPECT_EQ(scan.error.rfind(prefix, 0), 0u) << scan.error;
        EXPECT_GT(scan.error.size(), prefix.size()) << scan.error;
    }
}

TEST(KernelDumpTest, AGenericDumpIsReadWholeToItsEnd) {
    // Every kernel has the family controller; its list of families is a dump
    // of several messages with no BSS in them.
    Nl80211ScanDumpParser parser;
    EXPECT_EQ(RunGenericDump("nlctrl", CTRL_CMD_GETFAMILY, 0, 0, parser, std::chrono::seconds(10)),
              "");
    EXPECT_EQ(parser.GetState(), Nl80211ScanDumpParser::State::kDone);
    EXPECT_TRUE(parser.Entries().empty());
    EXPECT_EQ(parser.Dropped(), 0u);
}

}  // namespace
