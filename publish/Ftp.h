// The FTP protocol over T_TcpIp: the control connection with its commands and
// replies, passive (or active) data connections, listings and transfers.
// Operations block; they run on a worker thread of TKyFtpComm. Cancel() is the
// only member that may be called from another thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "publish/FtpList.h"
#include "publish/TcpIp.h"

namespace publish {

// A reply with a code above 399 (or a malformed one, code 999).
class EFtpProtocol : public ENetError {
public:
    EFtpProtocol(int code, std::string text)
        : ENetError("FTP " + std::to_string(code) + " " + text), code_(code), text_(std::move(text)) {}
    int Code() const { return code_; }
    const std::string& Text() const { return text_; }

private:
    int code_;
    std::string text_;
};

struct TFtpReply {
    int code = 0;
    std::string text;                // the first line after the code and its separator
    std::vector<std::string> lines;  // every line of the reply
};

// The settings of a client, apart from its state and events.
struct TFtpSettings {
    std::string hostName;
    std::uint16_t port = 21;
    std::string userName;
    std::string password;
    bool passive = true;
    int timeoutMs = 30000;
};

enum TFtpMode { kFtpDownload = 0, kFtpUpload = 1, kFtpListing = 2 };

class T_Ftp : public T_TcpIp {
public:
    // Limits on what a server may send.
    static constexpr std::size_t kMaxReplyLine = 8192;
    static constexpr std::size_t kMaxReplyLines = 1000;
    static constexpr std::size_t kMaxListing = 64u << 20;
    static constexpr std::size_t kBufferSize = 0x7F00;

    T_Ftp();
    ~T_Ftp();
    T_Ftp(const T_Ftp&) = delete;
    T_Ftp& operator=(const T_Ftp&) = delete;

    // Settings (TimeoutMs and OnTrace come from T_TcpIp).
    std::string HostName;
    std::uint16_t Port = 21;
    std::string UserName = "ftp";
    std::string Password = "ospite@quor.invalid";
    bool Passive = true;
    std::string RemoteFileName;
    // Progress of a transfer: mode, expected size (-1 unknown), bytes so far.
    std::function<void(int mode, long long expected, long long soFar)> OnProgress;
    std::function<void()> OnTransferDone;

    TFtpSettings Settings() const;
    void ApplySettings(const TFtpSettings& settings);

    bool Connected() const { return connected_; }
    bool Busy() const { return busy_; }
    int LastCode() const { return lastCode_; }
    const std::string& LastText() const { return lastText_; }
    int Mode() const { return mode_; }
    long long ExpectedSize() const { return expected_; }
    long long BytesSoFar() const { return soFar_; }
    int ControlSocket() const { return control_.fd(); }
    int DataSocket() const { return data_.fd(); }

    // Log in (disconnecting first when connected).
    void Connect();
    // Abort a transfer in progress, QUIT, close.
    void Disconnect();
    // Closes both connections at once, without a word to the server.
    void CloseAll();

    void List(const std::string& argument);
    // The next parsed entry of the last listing, skipping "." and ".." and
    // lines that yield nothing; false at the end.
    bool NextEntry(T_Filedata& entry);
    const std::vector<std::string>& ListingLines() const { return listing_; }

    void Download(const std::string& remote, std::ostream& out);
    // Into a temporary file beside `local`, renamed over it only when the
    // whole file has arrived.
    void DownloadFile(const std::string& remote, const std::filesystem::path& local);
    void Upload(std::istream& in, const std::string& remote);
    void UploadFile(const std::filesystem::path& local, const std::string& remote);

    void Rename(const std::string& from, const std::string& to);
    void DeleteFile(const std::string& path);
    void RemoveFolder(const std::string& path);
    void MakeFolder(const std::string& path);
    void ChangeFolder(const std::string& path);
    // PWD; "/" when the reply names no folder.
    std::string CurrentFolder();

    // Any thread: makes the operation in progress stop at its next wait.
    void Cancel();
    // Before the next operation, after a Cancel.
    void ResetCancel();

    // Sends a command (refusing CR, LF and NUL) and reads its reply.
    TFtpReply Command(const std::string& command);
    void SendCommand(const std::string& command);
    TFtpReply ReadReply();

    // For tests and fuzzing: use an already connected socket as the control
    // connection.
    void AttachControl(TSocket socket);

    // True when text can go into a command.
    static bool SafeArgument(const std::string& text);

private:
    void EnsureConnected();
    void CheckNotBusy() const;
    // Runs an operation; on any failure but a server's refusal both
    // connections are closed, so the next operation starts afresh.
    void Guarded(const std::function<void()>& body);
    void Login();
    void Abort();
    // Opens the data connection and sends the transfer command; returns its
    // preliminary reply.
    TFtpReply OpenTransfer(const std::string& command);
    // Reads the completion reply when the preliminary one asked for it.
    void FinishTransfer(const TFtpReply& preliminary);
    void Progress();

    TSocket control_;
    TSocket data_;
    TSocket listener_;
    bool connected_ = false;
    bool busy_ = false;
    int lastCode_ = 0;
    std::string lastText_;
    int mode_ = kFtpDownload;
    long long expected_ = -1;
    long long soFar_ = 0;
    std::vector<std::string> listing_;
    std::size_t listPos_ = 0;
    std::vector<char> buffer_;
};

}  // namespace publish
