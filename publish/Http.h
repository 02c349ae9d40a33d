// A small HTTP/1.0 client on T_TcpIp for the publishing server: one
// connection per request, the request bytes written exactly as the server
// extension expects them, the answer bounded before anything is kept.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "publish/TcpIp.h"

namespace publish {

// An address split into its parts; the path keeps its query.
struct THttpUrl {
    std::string scheme, user, password, host, path = "/";
    std::uint16_t port = 80;
};

// False when the address is not "http://host[:port][/path]" or its host or
// path hold a blank in the host, a control character, CR or LF.
bool ParseHttpUrl(const std::string& url, THttpUrl& out);

struct THttpResponse {
    int status = 0;                    // 0: no status line read
    std::string statusText;
    std::vector<std::string> headers;  // as received
    long long contentLength = -1;
    std::string contentType, location, wwwAuthenticate;
    std::string body;                  // unless the body went to a stream
};

// An answer the client refuses (too long, cut short, malformed).
class EHttpError : public ENetError {
public:
    using ENetError::ENetError;
};

class THttpClient : public T_TcpIp {
public:
    static constexpr std::size_t kMaxHead = 64 * 1024;
    static constexpr std::size_t kMaxHeadLines = 200;
    static constexpr long long kMaxBody = 16ll << 20;
    static constexpr std::size_t kPiece = 0x7F00;

    std::string agent = "Quor3.0";
    bool noCache = false;
    // A proxy: the connection goes there and the request names the whole address.
    std::string proxyHost;
    std::uint16_t proxyPort = 8080;
    // Progress of a body: bytes so far, announced length (-1 unknown).
    std::function<void(long long soFar, long long expected)> OnProgress;

    // The request bytes (head and, for POST, the parameter block), for tests.
    std::string RequestHead(const std::string& method, const THttpUrl& url, long long bodyLength,
                            const std::string& contentType) const;

    // method "GET", "HEAD" or "POST". For POST the body is `params` followed
    // by `data` (when given, `dataLength` bytes). The answer's body goes to
    // `out` when given, else into the response. A status of 400 or more ends
    // the reading at the status line.
    THttpResponse Request(const std::string& method, const std::string& url, const std::string& params = "",
                          std::istream* data = nullptr, long long dataLength = 0, std::ostream* out = nullptr,
                          const std::string& contentType = "application/octet-stream");
    // Reads the answer to a request sent on `s`: the head (bounded), then,
    // unless the method is "HEAD" or the status is 400 or more, the body up
    // to the end of the connection (bounded, and as long as announced).
    THttpResponse ReadResponse(TSocket& s, const std::string& method, std::ostream* out = nullptr);
    // HEAD, then GET of the same address.
    THttpResponse Get(const std::string& url, std::ostream* out = nullptr);
};

}  // namespace publish
