#include "publish/Http.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>

#include "publish/FtpConfig.h"

namespace publish {

namespace {

bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

bool ParseHttpUrl(const std::string& url, THttpUrl& out) {
    out = THttpUrl{};
    if (HasControl(url)) return false;
    const std::size_t colon = url.find("://");
    if (colon == std::string::npos) return false;
    out.scheme = LowerAscii(url.substr(0, colon));
    if (out.scheme != "http") return false;
    std::string rest = url.substr(colon + 3);
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    out.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (out.path.find(' ') != std::string::npos) return false;
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        std::string cred = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const std::size_t c = cred.find(':');
        out.user = cred.substr(0, c);
        if (c != std::string::npos) out.password = cred.substr(c + 1);
    }
    std::string port = "80";
    if (const std::size_t c = authority.rfind(':'); c != std::string::npos) {
        port = authority.substr(c + 1);
        authority.resize(c);
    }
    const int p = IntOr(port, 1, 65535, -1);
    if (p < 0 || !ValidHostName(authority)) return false;
    out.host = authority;
    out.port = static_cast<std::uint16_t>(p);
    return true;
}

std::string THttpClient::RequestHead(const std::string& method, const THttpUrl& url, long long bodyLength,
                                     const std::string& contentType) const {
    std::string path = url.path;
    if (!proxyHost.empty())
        path = "http://" + url.host + ":" + std::to_string(url.port) + url.path;
    std::string head = method + " " + path + " HTTP/1.0\r\n";
    head += "User-Agent: " + agent + "\r\n";
    if (noCache) head += "Pragma: no-cache\r\n";
    head += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    if (method == "POST") {
        head += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
        head += "Content-Type: " + contentType + "\r\n";
        head += "Content-Encoding: binary\r\n";
    }
    head += "\r\n";
    return head;
}

THttpResponse THttpClient::Request(const std::string& method, const std::string& url, const std::string& params,
                                   std::istream* data, long long dataLength, std::ostream* out,
                                   const std::string& contentType) {
    THttpUrl u;
    if (!ParseHttpUrl(url, u)) throw EHttpError("Indirizzo non valido: " + url);
    const bool post = method == "POST";
    const long long bodyLength = post ? static_cast<long long>(params.size()) + (data ? dataLength : 0) : 0;
    TSocket s = proxyHost.empty() ? Connect(u.host, u.port) : Connect(proxyHost, proxyPort);
    Send(s, RequestHead(method, u, bodyLength, contentType));
    if (post) {
        Send(s, params);
        if (data) {
            std::vector<char> piece(kPiece);
            long long left = dataLength;
            while (left > 0) {
                const auto want = static_cast<std::streamsize>(std::min<long long>(left, kPiece));
                data->read(piece.data(), want);
                const std::streamsize got = data->gcount();
                if (got <= 0) throw EHttpError("Errore nella scrittura/lettura file");
                Send(s, piece.data(), static_cast<std::size_t>(got));
                left -= got;
            }
        }
    }
    return ReadResponse(s, method, out);
}

THttpResponse THttpClient::ReadResponse(TSocket& s, const std::string& method, std::ostream* out) {
    THttpResponse r;
    std::size_t headBytes = 0, lines = 0;
    for (;;) {
        bool closed = false;
        std::string line = ReadLine(s, kMaxHead, &closed);
        headBytes += line.size() + 2;
        if (++lines > kMaxHeadLines || headBytes > kMaxHead) throw EHttpError("Risposta del server troppo lunga");
        if (lines == 1) {
            if (line.compare(0, 7, "HTTP/1.") != 0 || line.size() < 12) throw EHttpError("Risposta del server non valida");
            r.status = 0;
            for (int i = 9; i < 12; ++i) {
                if (line[i] < '0' || line[i] > '9') throw EHttpError("Risposta del server non valida");
                r.status = r.status * 10 + (line[i] - '0');
            }
            r.statusText = line.size() > 13 ? line.substr(13) : "";
            if (r.status >= 400) return r;
            if (closed) throw EHttpError("Risposta del server interrotta");
            continue;
        }
        if (line.empty()) {
            if (closed) throw EHttpError("Risposta del server interrotta");
            break;
        }
        r.headers.push_back(line);
        const std::size_t c = line.find(':');
        if (c != std::string::npos) {
            const std::string name = LowerAscii(line.substr(0, c));
            std::string value = line.substr(c + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            if (name == "content-length") {
                r.contentLength = IntOr(value, 0, std::numeric_limits<int>::max(), -2);
                if (r.contentLength == -2 || r.contentLength > kMaxBody) throw EHttpError("Lunghezza della risposta non valida");
            } else if (name == "content-type") {
                r.contentType = value;
            } else if (name == "www-authenticate") {
                r.wwwAuthenticate = value;
            } else if (name == "location") {
                r.location = value;
            }
        }
        if (closed) throw EHttpError("Risposta del server interrotta");
    }
    if (method == "HEAD") return r;

    // The body: bytes the line reader took ahead first, then the socket.
    long long got = 0;
    auto take = [&](const char* p, std::size_t n) {
        got += static_cast<long long>(n);
        if (got > kMaxBody || (r.contentLength >= 0 && got > r.contentLength))
            throw EHttpError("Risposta del server troppo lunga");
        if (out) {
            out->write(p, static_cast<std::streamsize>(n));
            if (!*out) throw EHttpError("Errore nella scrittura/lettura file");
        } else {
            r.body.append(p, n);
        }
        if (OnProgress) OnProgress(got, r.contentLength);
    };
    if (s.HasPending()) {
        const std::string ahead = s.TakePending();
        take(ahead.data(), ahead.size());
    }
    std::vector<char> buf(kPiece);
    for (;;) {
        const std::size_t n = Receive(s, buf.data(), buf.size());
        if (n == 0) break;
        take(buf.data(), n);
    }
    Close(s);
    if (r.contentLength >= 0 && got < r.contentLength)
        throw EHttpError("Risposta del server incompleta: " + std::to_string(got) + " byte su " +
                         std::to_string(r.contentLength));
    return r;
}

THttpResponse THttpClient::Get(const std::string& url, std::ostream* out) {
    THttpResponse head = Request("HEAD", url);
    if (head.status >= 400) return head;
    return Request("GET", url, "", nullptr, 0, out);
}

}  // namespace publish
