#pragma once
// One Pellorin per site: an advisory lock on a small file beside the site
// ("office.hss" -> "office.hss.lock") that holds the holder's process id.
// The lock is an open-file-description lock (F_OFD_SETLK), which the kernel
// drops when the holder's descriptor goes, so a program that is killed or
// crashes never leaves a site locked: the lock file it leaves behind is
// locked again by the next Pellorin. A lock file that was removed and made
// anew while a second program waited is noticed and locked afresh, so two
// programs never both believe they hold a site.

#include <sys/types.h>

#include <string>

inline constexpr const char* kSiteInUseCaption = "Site In Use";

struct SiteLockResult {
    enum class Kind {
        Taken,        // this program holds the site now
        HeldByOther,  // another program holds it; `holder` is its process id (0: unknown)
        Unavailable,  // no lock can be had here (a read-only folder): `why`
    };
    Kind kind = Kind::Taken;
    pid_t holder = 0;
    std::string why;
    // "This site is open in another Pellorin (process 4242)."
    std::string Message() const;
};

// Where the lock of the site file `sitePath` lives.
std::string LockPathFor(const std::string& sitePath);

class CSiteLock {
public:
    CSiteLock() = default;
    ~CSiteLock() { Release(); }
    CSiteLock(const CSiteLock&) = delete;
    CSiteLock& operator=(const CSiteLock&) = delete;

    // Takes the lock of `sitePath` without waiting. A lock this object
    // holds already for the same file is kept (Taken). Once the new lock is
    // taken, the lock of the site held before is given up; when it cannot be
    // taken, the old one is kept. Nothing is written while another program
    // holds the lock.
    SiteLockResult Take(const std::string& sitePath);
    // Gives the lock up and removes the lock file.
    void Release();
    bool Held() const { return m_fd >= 0; }
    // This object holds the lock of the site file `sitePath` (any path of it).
    bool Holds(const std::string& sitePath) const;
    const std::string& LockPath() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};
