// A process saving the site over and over is killed (SIGKILL) at random
// moments. Each time the file on disk is whole: the old one or one of the two
// saved versions byte for byte, and it opens with all its points.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "RobustSupport.h"

namespace fs = std::filesystem;

namespace {

void Fill(CApList& list, int points, int salt) {
    for (int i = 0; i < points; ++i)
        AddEntry(list, 5 * i + salt, 9, 6, -50 - salt, salt ? "second" : "first", "TEST",
                 static_cast<uint8_t>(i));
}

}  // namespace

TEST(SaveKill, FileIsWholeAfterASaverIsKilledAtRandomMoments) {
    ScratchDir dir;
    const fs::path path = OfficeCopyIn(dir);
    const Bytes original = ReadFileBytes(path);
    ASSERT_FALSE(original.empty());
    CSiteRecord site;
    {
        MemorySource src(original);
        ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    }
    CApList a, b;
    Fill(a, 40, 0);
    Fill(b, 300, 1);

    // The two versions a save can leave, made beforehand by clean saves.
    Bytes savedA, savedB;
    {
        CSiteRecord copy = site;
        ASSERT_TRUE(SaveSiteFile(path.string(), copy, NoInk, a, 4242).ok);
        savedA = ReadFileBytes(path);
        ASSERT_TRUE(SaveSiteFile(path.string(), copy, NoInk, b, 4242).ok);
        savedB = ReadFileBytes(path);
    }
    WriteFileBytes(path, original);

    std::mt19937 random(20240607);
    int sawOld = 0, sawA = 0, sawB = 0;
    std::set<std::string> leftovers;
    for (int round = 0; round < 50; ++round) {
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(done[0]);
            CSiteRecord mine = site;
            for (unsigned i = 0;; ++i) {
                // Killed at any moment: no save of the child is looked at.
                (void)SaveSiteFile(path.string(), mine, NoInk, (i & 1) ? b : a, 4242);
                (void)!::write(done[1], "s", 1);  // one byte per finished save
            }
        }
        ::close(done[1]);
        // Every fifth round waits for a finished save before the random
        // delay, so the kill also lands after complete saves however slow a
        // busy machine makes the saver.
        if (round % 5 == 0) {
            char c = 0;
            ASSERT_EQ(::read(done[0], &c, 1), 1) << round;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 30000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        ::close(done[0]);

        const Bytes now = ReadFileBytes(path);
        const bool isOld = now == original, isA = now == savedA, isB = now == savedB;
        ASSERT_TRUE(isOld || isA || isB)
            << "round " << round << ": a torn file, " << now.size() << " bytes";
        sawOld += isOld;
        sawA += isA;
        sawB += isB;
        std::vector<SurveyEntry> stored;
        ASSERT_TRUE(ReadStoredPoints(path, stored)) << round;
        if (isA || isB) {
            EXPECT_EQ(stored, AsStored(isA ? a : b)) << round;
        }
        // A killed save may leave its private temp copy; the site is never it.
        for (const auto& e : fs::directory_iterator(dir.Path()))
            if (e.path() != path) leftovers.insert(e.path().filename().string());
    }
    // The next successful save clears the copies that dead savers left.
    CSiteRecord last = site;
    ASSERT_TRUE(SaveSiteFile(path.string(), last, NoInk, a, 4242).ok);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);  // the site alone
    std::printf("[ figures  ] 50 kills: old %d, first %d, second %d; temp files left %d\n", sawOld,
                sawA, sawB, static_cast<int>(leftovers.size()));
    EXPECT_GE(sawA + sawB, 10);  // the rounds that waited for a finished save
}
