// The client of the publishing server's extension: every command is a POST
// of a parameter block to the upload program, preceded by a log-in with the
// server's challenge; sections come from the account's rights, and each
// section lists its hypertexts in an index page, "lista.html".
//
// Requests run on a worker thread while the user-interface thread keeps
// handling events (as the FTP runner does); Stop ends the one running.
// Result codes: 200 success, 0 cancelled, -1 busy, -4 no section, -5 the
// index could not be updated, -6 an error (Message() tells), -7 refused by the
// server (its text), -8 empty answer, -9 challenge refused, or an HTTP
// status of 400 or more.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "publish/FtpConfig.h"
#include "publish/Http.h"

namespace publish {

constexpr int kSrvOk = 200;
constexpr int kSrvCancelled = 0;
constexpr int kSrvBusy = -1;
constexpr int kSrvNoSection = -4;
constexpr int kSrvIndexFailed = -5;
constexpr int kSrvError = -6;
constexpr int kSrvRefused = -7;
constexpr int kSrvEmpty = -8;
constexpr int kSrvChallenge = -9;

// Passwords longer than this are cut by the server: they are refused here.
constexpr std::size_t kMaxServerPassword = 16;

struct TSection {
    std::string base, path, description;
    long long quotaKb = 0;
};

struct TIndexEntry {
    std::string name;
    long long size = 0;
    std::string version, date;
};

// --- the section index ("lista.html") as lines ------------------------------
std::vector<std::string> SplitLines(const std::string& text);
std::string JoinLines(const std::vector<std::string>& lines);  // CR LF after each
std::vector<std::string> DefaultIndexLines();
std::vector<TIndexEntry> IndexEntries(const std::vector<std::string>& lines);
// Line of the entry for `name` (case ignored), -1 when none.
int FindIndexEntry(const std::vector<std::string>& lines, const std::string& name);
bool RemoveIndexEntry(std::vector<std::string>& lines, const std::string& name);
// Title and name lose their control characters and are escaped for HTML.
void AddIndexEntry(std::vector<std::string>& lines, const std::string& name, long long size, int version,
                   const std::string& date, const std::string& parseUrl, const std::string& sectionPath,
                   const std::string& title);
std::string RedirectPageText(const std::string& title, const std::string& address);
// Sections from a GETMYRIGHTS answer; lines whose path holds a control
// character are left out.
std::vector<TSection> ParseRights(const std::string& body, const std::string& user);
std::string CleanIndexText(const std::string& text);

class TQuor3Comm {
public:
    TQuor3Comm();
    ~TQuor3Comm();
    TQuor3Comm(const TQuor3Comm&) = delete;
    TQuor3Comm& operator=(const TQuor3Comm&) = delete;

    // Takes server, port, user, the program folders and the time-out, and
    // resets the client (rights and index forgotten). False when the host or
    // a folder is not usable in an address (Message tells).
    bool Configure(const TServerConfig& config);
    std::string password;

    const std::string& UploadAddress() const { return uploadUrl_; }
    const std::string& ParseAddress() const { return parseUrl_; }
    const std::string& TemplateAddress() const { return templateUrl_; }
    std::string SectionAddress() const;

    int GetRights();
    const std::vector<TSection>& Sections() const { return sections_; }
    bool ChooseSection(int index);
    int Section() const { return section_; }
    int GetIndex();
    const std::vector<std::string>& IndexLines() const { return index_; }
    bool IndexKnown() const { return indexState_ != kIndexUnknown; }
    std::vector<TIndexEntry> Entries() const { return IndexEntries(index_); }

    // Asks through platform::Ui (quota, overwrite).
    int PublishHypertext(const std::filesystem::path& file, const std::string& title, int version);
    int DeleteHypertext(const std::string& name);
    int ChangePassword(const std::string& newPassword);
    int Put(const std::string& name, const std::string& data);
    int PutFile(const std::string& name, const std::filesystem::path& file);
    int Delete(const std::string& name);
    // Into a temporary file beside `local`, renamed over it on success.
    int Download(const std::string& url, const std::filesystem::path& local);
    int Download(const std::string& url, std::ostream& out);
    long long QuotaBytes() const;
    long long FreeBytes() const;

    void Stop();
    bool Busy() const { return busy_; }
    int Result() const { return result_; }
    const std::string& Message() const { return message_; }
    std::string status;

    // Progress of the request running (UI thread).
    long long Bytes() const { return progress_->bytes.load(); }
    long long ExpectedSize() const { return progress_->expected.load(); }
    std::function<void()> OnBegin, OnEnd, OnTick;

    // Every request made, without passwords (for tests and traces).
    std::vector<std::string> trace;

private:
    enum { kIndexUnknown, kIndexMissing, kIndexLoaded };
    struct Progress {
        std::atomic<long long> bytes{0}, expected{-1};
    };
    struct Job;

    int Run(const std::function<void(THttpClient&)>& body);
    int Fail(int code, const std::string& message);
    // Log-in, then the command; the answer must begin with "Y".
    int Command(const std::string& action, const std::string& argument, const std::string* data = nullptr,
                const std::filesystem::path* file = nullptr);
    int Post(const std::string& action, const std::string& pass, const std::string& base, const std::string& argument,
             const std::string* data, const std::filesystem::path* file, THttpResponse& response);
    int Login(std::string& response);
    int PutIndex(const std::vector<std::string>& lines);

    std::shared_ptr<THttpClient> http_;
    std::shared_ptr<Progress> progress_;
    std::shared_ptr<Job> job_;
    std::string server_, user_ = "user unknown";
    int port_ = 80, timeoutS_ = 30;
    std::string uploadUrl_, parseUrl_, templateUrl_;
    std::vector<TSection> sections_;
    int section_ = -1;
    std::vector<std::string> index_;
    int indexState_ = kIndexUnknown;
    bool busy_ = false;
    bool stopped_ = false;
    int result_ = kSrvOk;
    std::string message_;
};

}  // namespace publish
