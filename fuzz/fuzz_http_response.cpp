// Fuzz target: the HTTP answer reader of the publishing client. The input is
// what a server sends after a request; it is fed through a socket pair and
// read as the answer to a GET and to a HEAD. Nothing may crash, hang or keep
// more than the limits allow, and a body is never shorter or longer than the
// length the head announced.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "publish/Http.h"

namespace {

void ReadAs(const char* method, const std::uint8_t* data, std::size_t size) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return;
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(sv[1], data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    ::close(sv[1]);
    publish::THttpClient http;
    http.TimeoutMs = 1000;
    publish::TSocket s(sv[0]);
    try {
        const publish::THttpResponse r = http.ReadResponse(s, method);
        if (r.status < 0 || r.status > 999) __builtin_trap();
        if (r.headers.size() > publish::THttpClient::kMaxHeadLines) __builtin_trap();
        if (static_cast<long long>(r.body.size()) > publish::THttpClient::kMaxBody) __builtin_trap();
        if (r.status < 400 && r.contentLength >= 0 && std::string_view(method) == "GET" &&
            static_cast<long long>(r.body.size()) != r.contentLength)
            __builtin_trap();
        if (r.body.size() > sent) __builtin_trap();
    } catch (const publish::ENetError&) {
        // refused: too long, cut short, malformed, or the end of the connection
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadAs("GET", data, size);
    ReadAs("HEAD", data, size);
    return 0;
}
