// Runs one FTP operation at a time on a worker thread while the user-interface
// thread keeps handling events, and turns the outcome into a result code:
// 200 success, -1 refused (busy, missing or unsafe argument), -6 failed (the
// message is in ErrorText), 0 stopped by the user.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>

#include "publish/Ftp.h"

namespace publish {

constexpr int kFtpOk = 200;
constexpr int kFtpRefused = -1;
constexpr int kFtpFailed = -6;
constexpr int kFtpStopped = 0;

class TKyFtpComm {
public:
    TKyFtpComm();
    ~TKyFtpComm();
    TKyFtpComm(const TKyFtpComm&) = delete;
    TKyFtpComm& operator=(const TKyFtpComm&) = delete;

    // The protocol object, for its settings (host, port, user, password,
    // passive, time-out). Not to be touched while an operation runs.
    T_Ftp& Ftp() { return *ftp_; }

    int Rename(const std::string& from, const std::string& to);  // 0
    int DeleteFile(const std::string& path);                      // 1
    int RemoveFolder(const std::string& path);                    // 2
    int MakeFolder(const std::string& path);                      // 3
    int Connect();                                                // 4
    int Disconnect();                                             // 5
    int Download(const std::string& remote, const std::filesystem::path& local);  // 6
    int Download(const std::string& remote, std::ostream& out);
    int Upload(const std::filesystem::path& local, const std::string& remote);  // 7
    int Upload(std::istream& in, const std::string& remote);
    int List(const std::string& argument);  // 8
    // 9: the folder, "/" when PWD fails (Result() tells).
    std::string CurrentFolder();
    int ChangeFolder(const std::string& path);  // 10

    // UI thread, while an operation runs (from the stop button): ends it at
    // once, closing both connections; the next operation reconnects.
    void Stop();
    bool NextEntry(T_Filedata& entry);

    int Result() const { return result_; }
    const std::string& ErrorText() const { return errorText_; }
    // Reply code of a refusal by the server, 0 for local failures.
    int ErrorCode() const { return errorCode_; }
    bool Busy() const { return busy_; }
    bool Failed() const { return failed_; }
    bool Connected() const { return !busy_ && ftp_->Connected(); }

    // Progress, readable from the UI thread while an operation runs.
    std::string StatusText() const;
    long long Bytes() const { return state_->bytes.load(); }
    long long ExpectedSize() const { return state_->expected.load(); }

    // Called on the UI thread when an operation starts and when it ends
    // (the progress bar shows and hides itself with them).
    std::function<void()> OnBegin;
    std::function<void()> OnEnd;
    // Called on the UI thread from the waiting loop when the status text has
    // changed.
    std::function<void(const std::string&)> OnStatus;
    // Called on the UI thread at every round of the waiting loop (about every
    // 10 ms), for progress shown without a toolkit timer.
    std::function<void()> OnTick;

private:
    struct State {
        std::atomic<long long> bytes{0};
        std::atomic<long long> expected{-1};
        mutable std::mutex mutex;
        std::string status;
        unsigned statusSerial = 0;
    };
    struct Job;

    int Run(const std::function<void(T_Ftp&)>& body);
    int Refuse(const std::string& why);
    void Wire();

    std::shared_ptr<T_Ftp> ftp_;
    std::shared_ptr<State> state_;
    std::shared_ptr<Job> job_;
    TFtpSettings settings_;  // of the operation running, for a fresh client
    bool busy_ = false;
    bool failed_ = false;
    bool stopped_ = false;
    int result_ = kFtpOk;
    int errorCode_ = 0;
    std::string errorText_;
};

}  // namespace publish
