// pellorin-boardsim: a simulated scanner board on a pseudo-terminal.
//
//   pellorin-boardsim [--aps FILE] [--seed N] [--scan-ms N] [--pos X,Y]
//                     [--firmware TEXT] [--serial TEXT] [--link PATH]
//
// Prints the device path, then serves it until interrupted. Lines "X Y" on
// standard input move the surveyor (world pixels).

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boardsim/PtyBoardSim.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;
void OnSignal(int) { g_interrupted = 1; }

int Usage() {
    std::fprintf(stderr,
                 "usage: pellorin-boardsim [--aps FILE] [--seed N] [--scan-ms N] [--pos X,Y]\n"
                 "                         [--firmware TEXT] [--serial TEXT] [--link PATH]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    SimBoardOptions options;
    std::string linkPath;
    double x = 400, y = 280;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--aps" && hasValue) {
            std::string error;
            if (!LoadSimSite(argv[++i], options.site, &error)) {
                std::fprintf(stderr, "pellorin-boardsim: %s\n", error.c_str());
                return 1;
            }
        } else if (arg == "--seed" && hasValue) {
            options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--scan-ms" && hasValue) {
            options.scanMs = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "--pos" && hasValue) {
            if (std::sscanf(argv[++i], "%lf,%lf", &x, &y) != 2) return Usage();
        } else if (arg == "--firmware" && hasValue) {
            options.firmware = argv[++i];
        } else if (arg == "--serial" && hasValue) {
            options.serial = argv[++i];
        } else if (arg == "--link" && hasValue) {
            linkPath = argv[++i];
        } else {
            return Usage();
        }
    }

    CPtyBoardSim sim(std::move(options));
    sim.SetSurveyorPosition(x, y);
    sim.SetLog(stderr);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "pellorin-boardsim: %s\n", error.c_str());
        return 1;
    }
    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
        if (::symlink(sim.DevicePath().c_str(), linkPath.c_str()) != 0)
            std::perror("pellorin-boardsim: symlink");
    }
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    std::string line;
    bool stdinOpen = true;
    while (!g_interrupted) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, stdinOpen ? 1 : 0, 500) <= 0 || !stdinOpen) continue;
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        line.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = line.find('\n')) != std::string::npos; line.erase(0, end + 1)) {
            if (std::sscanf(line.c_str(), "%lf %lf", &x, &y) == 2) {
                sim.SetSurveyorPosition(x, y);
                std::fprintf(stderr, "boardsim: surveyor at %.0f,%.0f\n", x, y);
            }
        }
    }
    sim.Stop();
    const SimBoardStats stats = sim.Stats();
    std::fprintf(stderr,
                 "boardsim: %llu frames received, %llu malformed, %llu unknown, %llu keep-alive "
                 "bytes, %llu scans, %llu frames sent\n",
                 static_cast<unsigned long long>(stats.framesReceived),
                 static_cast<unsigned long long>(stats.malformed),
                 static_cast<unsigned long long>(stats.unknownTypes),
                 static_cast<unsigned long long>(stats.keepAliveBytes),
                 static_cast<unsigned long long>(stats.scans),
                 static_cast<unsigned long long>(stats.framesSent));
    if (!linkPath.empty()) ::unlink(linkPath.c_str());
    return 0;
}
