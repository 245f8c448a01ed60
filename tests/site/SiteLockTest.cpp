// One Pellorin per site: the lock beside the site file, between two real
// processes (the holder killed with SIGKILL, as a crash or a flat battery
// ends it) and between two locks of one process, which conflict just the same.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ScratchDir.h"
#include "site/SiteLock.h"

namespace fs = std::filesystem;

namespace {

std::string Text(const fs::path& path) {
    const Bytes bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// A child process that takes the lock of `site`, says so through a pipe and
// then waits to be killed. The read ends when the child writes or is gone.
pid_t StartHolder(const std::string& site) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that failed
        CSiteLock lock;
        const char taken = lock.Take(site).kind == SiteLockResult::Kind::Taken ? 'y' : 'n';
        (void)!::write(ready[1], &taken, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    const bool taken = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    if (!taken && pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    return taken ? pid : -1;
}

}  // namespace

TEST(SiteLock, ASecondPellorinIsToldTheHoldersProcessAndTheLockGoesWithAKilledHolder) {
    ScratchDir dir;
    const std::string site = (dir.Path() / "office.hss").string();
    const fs::path lockFile = LockPathFor(site);
    EXPECT_EQ(lockFile.filename(), "office.hss.lock");
    const pid_t holder = StartHolder(site);
    ASSERT_GT(holder, 0);
    EXPECT_EQ(Text(lockFile), std::to_string(holder) + "\n");

    CSiteLock second;
    const SiteLockResult refused = second.Take(site);
    EXPECT_TRUE(refused.kind == SiteLockResult::Kind::HeldByOther && !second.Held());
    EXPECT_EQ(refused.Message(),
              "This site is open in another Pellorin (process " + std::to_string(holder) + ").");
    EXPECT_EQ(Text(lockFile), std::to_string(holder) + "\n");  // the holder's file untouched

    ASSERT_EQ(::kill(holder, SIGKILL), 0);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    EXPECT_EQ(second.Take(site).kind, SiteLockResult::Kind::Taken);
    EXPECT_EQ(Text(lockFile), std::to_string(::getpid()) + "\n");
    second.Release();
    EXPECT_FALSE(fs::exists(lockFile));
}

// Taking the open site again keeps its lock; taking another site gives the
// first one up, but only once the new one is held; a stale lock file is
// locked again; a folder where no lock file can be made says why.
TEST(SiteLock, ALockFollowsTheOpenSiteAndIsGivenUpOnlyForAnother) {
    ScratchDir dir;
    const std::string a = (dir.Path() / "a.hss").string();
    const std::string b = (dir.Path() / "b.hss").string();
    CSiteLock mine, other;
    ASSERT_EQ(mine.Take(a).kind, SiteLockResult::Kind::Taken);
    EXPECT_EQ(mine.Take(a).kind, SiteLockResult::Kind::Taken);
    ASSERT_EQ(other.Take(b).kind, SiteLockResult::Kind::Taken);

    EXPECT_EQ(mine.Take(b).kind, SiteLockResult::Kind::HeldByOther);
    EXPECT_EQ(other.Take(a).kind, SiteLockResult::Kind::HeldByOther);  // a is still mine
    other.Release();
    EXPECT_EQ(mine.Take(b).kind, SiteLockResult::Kind::Taken);
    EXPECT_EQ(other.Take(a).kind, SiteLockResult::Kind::Taken);  // given up for b
    EXPECT_EQ(mine.LockPath(), LockPathFor(b));

    // A stale lock file left by a killed holder is simply locked again.
    other.Release();
    WriteFileBytes(LockPathFor(a), {'7', '\n'});
    EXPECT_EQ(other.Take(a).kind, SiteLockResult::Kind::Taken);

    if (::geteuid() != 0) {  // root writes anywhere
        const std::string ro = (dir.Path() / "ro" / "c.hss").string();
        fs::create_directory(dir.Path() / "ro");
        fs::permissions(dir.Path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        const SiteLockResult none = CSiteLock().Take(ro);
        fs::permissions(dir.Path() / "ro", fs::perms::owner_all);
        EXPECT_EQ(none.Message(),
                  "This site cannot be locked against another Pellorin: Permission denied");
    }
}
