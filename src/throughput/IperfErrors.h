#pragma once
// The causes behind iperf3's error texts (its "error" member with --json,
// in the words of iperf3 3.12 under LC_ALL=C), and the reason the surveyor
// reads for each cause. No Qt.
//
//   iperf3 says                                          cause
//   the server is busy running a test. try again later   kBusy
//   unable to connect to server: Connection refused      kRefused
//   unable to connect to server: <any other reason>      kUnreachable
//   the server has terminated; control socket has
//   closed unexpectedly; unable to read from / write to
//   stream socket; unable to receive / send control
//   message; ... Connection reset by peer, Broken pipe   kGone
//   anything else                                        kFailed

#include <string>
#include <string_view>

#include "throughput/ThroughputResult.h"

ThroughputFault ClassifyIperfError(std::string_view text);

// The reason of an outcome, after "throughput not measured: ". `server` is
// HOST:PORT, `detail` iperf3's or the reader's words, `boundSeconds` how
// long a test that stopped answering was given.
std::string FaultReason(ThroughputFault fault, const std::string& server, const std::string& detail,
                        int boundSeconds = 0);
