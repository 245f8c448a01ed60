#include "sources/wifi/Nl80211Dump.h"

#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A dump larger than this many datagrams is not a scan answer.
constexpr int kMaxDatagrams = 10000;

struct SocketFree {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct MessageFree {
    void operator()(nl_msg* m) const { nlmsg_free(m); }
};

std::string LibnlError(int code) { return nl_geterror(code); }  // static texts: thread-safe

}  // namespace

std::string RunGenericDump(const char* family, uint8_t command, uint16_t attribute, uint32_t value,
                           std::chrono::milliseconds bound, Nl80211ScanDumpParser& parser,
                           std::vector<std::vector<uint8_t>>& datagrams) {
    std::unique_ptr<nl_sock, SocketFree> sock(nl_socket_alloc());
    if (!sock) return "no memory for a netlink socket";
    if (int e = genl_connect(sock.get()); e < 0) return LibnlError(e);
    timeval timeout{};
    timeout.tv_sec = bound.count() / 1000;
    timeout.tv_usec = (bound.count() % 1000) * 1000;
    setsockopt(nl_socket_get_fd(sock.get()), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int id = genl_ctrl_resolve(sock.get(), family);
    if (id < 0)
        return std::string("the kernel has no ") + family + " family (" + LibnlError(id) + ")";

    std::unique_ptr<nl_msg, MessageFree> request(nlmsg_alloc());
    if (!request ||
        genlmsg_put(request.get(), NL_AUTO_PORT, NL_AUTO_SEQ, id, 0, NLM_F_DUMP, command, 0) ==
            nullptr ||
        (attribute != 0 && nla_put_u32(request.get(), attribute, value) < 0))
        return "could not build the request";
    if (int e = nl_send_auto(sock.get(), request.get()); e < 0) return LibnlError(e);

    // Datagrams of any size are read whole (peek first, then a buffer that fits).
    nl_socket_enable_msg_peek(sock.get());
    for (int i = 0; i < kMaxDatagrams && parser.GetState() == Nl80211ScanDumpParser::State::kMore;
         ++i) {
        sockaddr_nl peer{};
        unsigned char* buffer = nullptr;
        const int n = nl_recv(sock.get(), &peer, &buffer, nullptr);
        if (n <= 0) {
            std::free(buffer);
            return n == 0 ? "the kernel closed the socket" : "no answer (" + LibnlError(n) + ")";
        }
        parser.Feed(buffer, static_cast<size_t>(n));
        datagrams.emplace_back(buffer, buffer + n);
        std::free(buffer);
    }
    return parser.GetState() == Nl80211ScanDumpParser::State::kMore ? "the answer did not end"
                                                                    : std::string();
}

namespace {

KernelDumpAnswer TakeDump(uint8_t command, unsigned index, std::chrono::milliseconds bound) {
    return TakeAgainIfInterrupted([&] {
        KernelDumpAnswer answer;
        // Any of the dump parsers tells where an answer ends; the scan's
        // serves all three (the survey's messages it does not read).
        Nl80211ScanDumpParser parser;
        answer.failure = RunGenericDump("nl80211", command, NL80211_ATTR_IFINDEX, index, bound,
                                        parser, answer.datagrams);
        return answer;
    });
}

}  // namespace

KernelDumps TakeKernelDumps(const std::string& interfaceName, std::chrono::milliseconds bound) {
    KernelDumps dumps;
    dumps.interfaceName = interfaceName;
    // The ages of the answer are counted from no earlier than this.
    dumps.dumpBoottimeNs = BoottimeNowNs();
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0) {
        dumps.scan.failure = dumps.station.failure = dumps.survey.failure =
            "no network interface of that name";
        return dumps;
    }
    dumps.scan = TakeDump(NL80211_CMD_GET_SCAN, index, bound);
    dumps.station = TakeDump(NL80211_CMD_GET_STATION, index, bound);
    // After the scan's results: the noise of the channels just scanned.
    dumps.survey = TakeDump(NL80211_CMD_GET_SURVEY, index, bound);
    return dumps;
}

KernelScan DumpKernelScan(const std::string& interfaceName, std::chrono::milliseconds bound) {
    return ReadKernelDumps(TakeKernelDumps(interfaceName, bound));
}
