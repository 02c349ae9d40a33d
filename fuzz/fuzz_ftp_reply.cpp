// Fuzz target: the FTP reply reader on the control connection. The input is
// what a server sends; it is fed through a socket pair and read reply after
// reply until the reader gives up. Nothing may crash, hang or grow unbounded.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "publish/Ftp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return 0;
    // What fits into the socket buffer at once is the server's message.
    std::size_t sent = 0;
    while (sent < size) {
        ssize_t n = ::send(sv[1], data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    ::close(sv[1]);
    publish::T_Ftp ftp;
    ftp.TimeoutMs = 1000;
    ftp.AttachControl(publish::TSocket(sv[0]));
    for (int i = 0; i < 2000; ++i) {
        try {
            publish::TFtpReply r = ftp.ReadReply();
            if (r.lines.empty() || r.lines.size() > publish::T_Ftp::kMaxReplyLines) __builtin_trap();
            for (const auto& l : r.lines)
                if (l.size() > publish::T_Ftp::kMaxReplyLine) __builtin_trap();
        } catch (const publish::EFtpProtocol& e) {
            if (e.Code() < 400 || e.Code() > 999) __builtin_trap();
            if (e.Code() == 999) break;  // the client ends a garbled session
        } catch (const publish::ENetError&) {
            break;  // the end of the connection, or a reply over the limits
        }
    }
    return 0;
}
