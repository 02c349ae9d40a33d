#include "publish/Ftp.h"

#include "publish/FtpConfig.h"

#include <arpa/inet.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <system_error>

namespace publish {

namespace {

// Resets the busy flag however a transfer ends.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

std::string Joined(const char* verb, const std::string& argument) {
    return argument.empty() ? std::string(verb) : std::string(verb) + " " + argument;
}

}  // namespace

T_Ftp::T_Ftp() : buffer_(kBufferSize) { SetCancelToken(std::make_shared<TCancelToken>()); }

T_Ftp::~T_Ftp() = default;

TFtpSettings T_Ftp::Settings() const { return {HostName, Port, UserName, Password, Passive, TimeoutMs}; }

void T_Ftp::ApplySettings(const TFtpSettings& s) {
    HostName = s.hostName;
    Port = s.port;
    UserName = s.userName;
    Password = s.password;
    Passive = s.passive;
    TimeoutMs = s.timeoutMs;
}

bool T_Ftp::SafeArgument(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void T_Ftp::Cancel() { CancelToken()->Cancel(); }
void T_Ftp::ResetCancel() { CancelToken()->Reset(); }

void T_Ftp::AttachControl(TSocket socket) {
    control_ = std::move(socket);
    connected_ = control_.IsOpen();
}

void T_Ftp::CloseAll() {
    Close(data_);
    Close(listener_);
    Close(control_);
    connected_ = false;
    busy_ = false;
}

void T_Ftp::CheckNotBusy() const {
    if (busy_) throw ENetError("Protocollo occupato");
}

void T_Ftp::Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const EFtpProtocol& e) {
        // A refusal leaves the session usable; a garbled reply or a server
        // that is going away does not.
        Close(data_);
        Close(listener_);
        busy_ = false;
        if (e.Code() == 999 || e.Code() == 421) CloseAll();
        throw;
    } catch (...) {
        CloseAll();
        throw;
    }
}

// ---------------------------------------------------------------- replies

void T_Ftp::SendCommand(const std::string& command) {
    if (!SafeArgument(command)) throw ENetError("Argomento non valido: contiene un a capo o un carattere nullo");
    if (!control_.IsOpen()) throw ENetError("Connessione chiusa");
    bool secret = command.compare(0, 5, "PASS ") == 0;
    Trace(secret ? "PASS ******" : command, 0);
    Send(control_, command + "\r\n");
}

TFtpReply T_Ftp::ReadReply() {
    TFtpReply reply;
    bool closed = false;
    std::string first = ReadLine(control_, kMaxReplyLine, &closed);
    if (closed && first.empty()) throw ENetError("Connessione chiusa dal server");
    reply.lines.push_back(first);
    reply.code = FtpReplyCode(first);
    reply.text = first.size() > 4 ? first.substr(4) : std::string();
    // A multi-line reply "ddd-..." goes on until a line "ddd ..." with the
    // same code; lines in between may hold anything.
    if (reply.code != 999 && first.size() >= 4 && first[3] == '-') {
        for (;;) {
            if (closed) throw ENetError("Connessione chiusa dal server");
            std::string line = ReadLine(control_, kMaxReplyLine, &closed);
            if (closed && line.empty()) throw ENetError("Connessione chiusa dal server");
            if (reply.lines.size() >= kMaxReplyLines) throw ENetError("Risposta del server troppo lunga");
            reply.lines.push_back(line);
            if (line.compare(0, 3, first, 0, 3) == 0 && (line.size() == 3 || line[3] == ' ')) break;
        }
    }
    lastCode_ = reply.code;
    lastText_ = reply.text;
    for (const auto& l : reply.lines) Trace(l, 1, reply.code);
    if (reply.code > 399) throw EFtpProtocol(reply.code, reply.text);
    return reply;
}

TFtpReply T_Ftp::Command(const std::string& command) {
    SendCommand(command);
    return ReadReply();
}

// ---------------------------------------------------------------- session

void T_Ftp::Login() {
    if (!SafeArgument(UserName) || !SafeArgument(Password))
        throw ENetError("Argomento non valido: contiene un a capo o un carattere nullo");
    Trace("connessione a " + HostName, 1);
    control_ = T_TcpIp::Connect(HostName, Port);
    TFtpReply greeting = ReadReply();
    // "120 ready in n minutes" comes before the real greeting.
    for (int i = 0; greeting.code < 200 && i < 4; ++i) greeting = ReadReply();
    if (greeting.code < 200) throw EFtpProtocol(greeting.code, greeting.text);
    TFtpReply user = Command("USER " + UserName);
    if (user.code >= 300) Command("PASS " + Password);
    Command("TYPE I");
    connected_ = true;
}

void T_Ftp::Connect() {
    CheckNotBusy();
    if (connected_ && control_.IsOpen()) Disconnect();
    CloseAll();
    // A host name with blanks or control characters is nobody's: refused
    // before any look-up.
    if (!ValidHostName(HostName)) throw ENetError("Nome host non valido: " + HostName);
    try {
        Login();
    } catch (...) {
        CloseAll();
        throw;
    }
}

void T_Ftp::EnsureConnected() {
    if (connected_ && control_.IsOpen()) {
        // Anything the server said unasked (a "421 time-out", the end of the
        // connection) means the session is gone: start a new one.
        pollfd p{control_.fd(), POLLIN, 0};
        if (!control_.HasPending() && ::poll(&p, 1, 0) == 0) return;
        Trace("connessione di controllo chiusa dal server", 3);
        CloseAll();
    }
    Connect();
}

void T_Ftp::Abort() {
    SendCommand("ABOR");
    try {
        ReadReply();
    } catch (const EFtpProtocol& e) {
        if (e.Code() != 426) throw;
        ReadReply();
    }
    busy_ = false;
}

void T_Ftp::Disconnect() {
    try {
        if (busy_ && control_.IsOpen()) Abort();
        if (connected_ && control_.IsOpen()) Command("QUIT");
    } catch (const EStopped&) {
        CloseAll();
        throw;
    } catch (const ENetError&) {
        // The session ends anyway.
    }
    CloseAll();
}

// ---------------------------------------------------------------- transfers

void T_Ftp::Progress() {
    Trace("byte", 2, soFar_);
    if (OnProgress) OnProgress(mode_, expected_, soFar_);
}

TFtpReply T_Ftp::OpenTransfer(const std::string& command) {
    if (!SafeArgument(command)) throw ENetError("Argomento non valido: contiene un a capo o un carattere nullo");
    if (Passive) {
        TFtpReply pasv = Command("PASV");
        if (pasv.code != 227) throw EFtpProtocol(pasv.code, pasv.text);
        auto port = ParsePasvPort(pasv.text);
        if (!port) throw ENetError("Risposta PASV non valida: " + pasv.text);
        // Only the port is taken from the reply: the data connection goes to
        // the host the control connection already talks to.
        sockaddr_in peer = PeerAddress(control_);
        peer.sin_port = htons(*port);
        data_ = T_TcpIp::Connect(peer);
        SendCommand(command);
        return ReadReply();
    }
    sockaddr_in local = LocalAddress(control_);
    local.sin_port = 0;
    listener_ = Listen(local);
    sockaddr_in bound = LocalAddress(listener_);
    std::uint32_t a = ntohl(bound.sin_addr.s_addr);
    std::uint16_t p = ntohs(bound.sin_port);
    Command("PORT " + std::to_string(a >> 24) + "," + std::to_string((a >> 16) & 255) + "," +
            std::to_string((a >> 8) & 255) + "," + std::to_string(a & 255) + "," + std::to_string(p >> 8) + "," +
            std::to_string(p & 255));
    SendCommand(command);
    TFtpReply reply = ReadReply();
    if (reply.code < 200) data_ = Accept(listener_);
    Close(listener_);
    return reply;
}

void T_Ftp::FinishTransfer(const TFtpReply& preliminary) {
    if (preliminary.code < 200) ReadReply();
}

void T_Ftp::List(const std::string& argument) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        BusyScope busy(busy_);
        TFtpReply reply = OpenTransfer(Joined("LIST", argument));
        mode_ = kFtpListing;
        expected_ = -1;
        soFar_ = 0;
        std::string received;
        if (data_.IsOpen()) {
            for (;;) {
                std::size_t n = Receive(data_, buffer_.data(), buffer_.size());
                if (n == 0) break;
                if (received.size() + n > kMaxListing) throw ENetError("Elenco del server troppo lungo");
                received.append(buffer_.data(), n);
                soFar_ += static_cast<long long>(n);
                Progress();
            }
            ShutdownSend(data_);
            Close(data_);
        }
        FinishTransfer(reply);
        listing_.clear();
        std::size_t start = 0;
        while (start < received.size()) {
            std::size_t lf = received.find('\n', start);
            std::size_t end = lf == std::string::npos ? received.size() : lf;
            std::string line = received.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            listing_.push_back(std::move(line));
            start = end + 1;
        }
        listPos_ = 0;
        if (OnTransferDone) OnTransferDone();
    });
}

bool T_Ftp::NextEntry(T_Filedata& entry) {
    TFtpToday today = TFtpToday::Now();
    while (listPos_ < listing_.size()) {
        T_Filedata e = ParseListLine(listing_[listPos_++], today);
        if (e.Empty() || e.name == "." || e.name == "..") continue;
        entry = std::move(e);
        return true;
    }
    return false;
}

void T_Ftp::Download(const std::string& remote, std::ostream& out) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        BusyScope busy(busy_);
        RemoteFileName = remote;
        TFtpReply reply = OpenTransfer(Joined("RETR", remote));
        expected_ = ParseAnnouncedSize(reply.text);
        mode_ = kFtpDownload;
        soFar_ = 0;
        if (data_.IsOpen()) {
            for (;;) {
                std::size_t n = Receive(data_, buffer_.data(), buffer_.size());
                if (n == 0) break;
                out.write(buffer_.data(), static_cast<std::streamsize>(n));
                if (!out) throw ENetError("Errore di scrittura del file locale");
                soFar_ += static_cast<long long>(n);
                Progress();
            }
            Close(data_);
        }
        FinishTransfer(reply);
        if (OnTransferDone) OnTransferDone();
    });
}

void T_Ftp::DownloadFile(const std::string& remote, const std::filesystem::path& local) {
    namespace fs = std::filesystem;
    CheckNotBusy();
    fs::path folder = local.parent_path().empty() ? fs::path(".") : local.parent_path();
    std::string name = ".";
    name += local.filename().string();
    name += ".part-XXXXXX";
    std::string temp = (folder / name).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw ENetError("Non riesco a creare il file " + local.string());
    ::close(fd);
    try {
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!out) throw ENetError("Non riesco a creare il file " + local.string());
            Download(remote, out);
            out.flush();
            if (!out) throw ENetError("Errore di scrittura del file " + local.string());
        }
        // The new file gets the mode the old one had, or the usual one.
        struct stat st{};
        mode_t mode = ::stat(local.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
        ::chmod(temp.c_str(), mode);
        std::error_code ec;
        fs::rename(temp, local, ec);
        if (ec) throw ENetError("Non riesco a scrivere il file " + local.string() + ": " + ec.message());
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw;
    }
}

void T_Ftp::Upload(std::istream& in, const std::string& remote) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        BusyScope busy(busy_);
        RemoteFileName = remote;
        TFtpReply reply = OpenTransfer(Joined("STOR", remote));
        mode_ = kFtpUpload;
        soFar_ = 0;
        expected_ = -1;
        in.clear();
        if (in.seekg(0, std::ios::end)) {
            auto end = in.tellg();
            expected_ = end < 0 ? -1 : static_cast<long long>(end);
        }
        in.clear();
        in.seekg(0, std::ios::beg);
        in.clear();
        if (!data_.IsOpen()) throw ENetError("Connessione dati non aperta");
        for (;;) {
            in.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
            std::size_t n = static_cast<std::size_t>(in.gcount());
            if (n == 0) break;
            Send(data_, buffer_.data(), n);
            soFar_ += static_cast<long long>(n);
            Progress();
        }
        if (in.bad()) throw ENetError("Errore di lettura del file locale");
        ShutdownSend(data_);
        Close(data_);
        FinishTransfer(reply);
        if (OnTransferDone) OnTransferDone();
    });
}

void T_Ftp::UploadFile(const std::filesystem::path& local, const std::string& remote) {
    std::ifstream in(local, std::ios::binary);
    if (!in) throw ENetError("Non riesco ad aprire il file " + local.string());
    Upload(in, remote);
}

// ---------------------------------------------------------------- commands

void T_Ftp::Rename(const std::string& from, const std::string& to) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        Command("RNFR " + from);
        Command("RNTO " + to);
    });
}

void T_Ftp::DeleteFile(const std::string& path) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        Command("DELE " + path);
    });
}

void T_Ftp::RemoveFolder(const std::string& path) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        Command("RMD " + path);
    });
}

void T_Ftp::MakeFolder(const std::string& path) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        Command("MKD " + path);
    });
}

void T_Ftp::ChangeFolder(const std::string& path) {
    CheckNotBusy();
    Guarded([&] {
        EnsureConnected();
        Command("CWD " + path);
    });
}

std::string T_Ftp::CurrentFolder() {
    CheckNotBusy();
    std::string folder = "/";
    Guarded([&] {
        EnsureConnected();
        TFtpReply reply = Command("PWD");
        if (auto f = ParsePwdFolder(reply.text)) folder = *f;
    });
    return folder;
}

}  // namespace publish
