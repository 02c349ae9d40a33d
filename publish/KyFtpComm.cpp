#include "publish/KyFtpComm.h"

#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/Dispatch.h"
#include "platform/Ui.h"

namespace publish {

namespace {
const char* const kMissing = "Argomento mancante";
const char* const kUnsafe = "Argomento non valido: contiene un a capo o un carattere nullo";
}  // namespace

struct TKyFtpComm::Job {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool stopped = false;
    bool failed = false;
    int code = 0;
    std::string error;
    std::thread thread;
};

TKyFtpComm::TKyFtpComm() : ftp_(std::make_shared<T_Ftp>()), state_(std::make_shared<State>()) {
    // Pins the dispatcher to this (the user-interface) thread.
    (void)platform::dispatch();
    Wire();
}

TKyFtpComm::~TKyFtpComm() {
    if (busy_) Stop();
    ftp_->CloseAll();
}

void TKyFtpComm::Wire() {
    std::shared_ptr<State> state = state_;
    ftp_->OnProgress = [state](int, long long expected, long long soFar) {
        state->expected.store(expected);
        state->bytes.store(soFar);
    };
    ftp_->OnTrace = [state](const std::string& text, int level, long long) {
        if (level > 1) return;
        std::lock_guard<std::mutex> lock(state->mutex);
        state->status = text;
        ++state->statusSerial;
    };
}

std::string TKyFtpComm::StatusText() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->status;
}

int TKyFtpComm::Refuse(const std::string& why) {
    if (!busy_) {
        result_ = kFtpRefused;
        errorText_ = why;
        errorCode_ = 0;
    }
    return kFtpRefused;
}

int TKyFtpComm::Run(const std::function<void(T_Ftp&)>& body) {
    if (busy_) return Refuse("Busy");
    result_ = kFtpOk;
    errorText_.clear();
    errorCode_ = 0;
    failed_ = false;
    stopped_ = false;
    busy_ = true;
    state_->bytes.store(0);
    state_->expected.store(-1);
    ftp_->ResetCancel();
    settings_ = ftp_->Settings();
    auto job = std::make_shared<Job>();
    job_ = job;
    if (OnBegin) OnBegin();

    std::shared_ptr<T_Ftp> ftp = ftp_;
    job->thread = std::thread([job, ftp, body] {
        try {
            body(*ftp);
        } catch (const EStopped&) {
            job->stopped = true;
        } catch (const EFtpProtocol& e) {
            job->failed = true;
            job->code = e.Code();
            job->error = e.Text();
        } catch (const std::exception& e) {
            job->failed = true;
            job->error = e.what();
        } catch (...) {
            job->failed = true;
            job->error = "Errore sconosciuto";
        }
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            job->done = true;
        }
        job->cv.notify_all();
    });

    unsigned seen = 0;
    auto notifyStatus = [&] {
        if (!OnStatus) return;
        std::string text;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            if (state_->statusSerial == seen) return;
            seen = state_->statusSerial;
            text = state_->status;
        }
        OnStatus(text);
    };
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(job->mutex);
            if (job->done) break;
        }
        platform::ui().ProcessEvents(1);
        if (stopped_) break;
        notifyStatus();
        if (OnTick) OnTick();
        if (stopped_) break;
        std::unique_lock<std::mutex> lock(job->mutex);
        job->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return job->done; });
    }

    if (stopped_) {
        // Stop has ended (or let go of) the worker and set the result.
        job_.reset();
        busy_ = false;
        return result_;
    }
    job->thread.join();
    job_.reset();
    notifyStatus();
    if (job->failed) {
        result_ = kFtpFailed;
        failed_ = true;
        errorText_ = job->error;
        errorCode_ = job->code;
    } else if (job->stopped) {
        result_ = kFtpStopped;
        errorText_ = "Operazione interrotta";
    }
    busy_ = false;
    if (OnEnd) OnEnd();
    return result_;
}

void TKyFtpComm::Stop() {
    if (!busy_ || !job_ || stopped_) return;
    std::shared_ptr<Job> job = job_;
    {
        std::lock_guard<std::mutex> lock(job->mutex);
        if (job->done) return;  // finished on its own: its result stands
    }
    stopped_ = true;
    ftp_->Cancel();
    bool ended;
    {
        std::unique_lock<std::mutex> lock(job->mutex);
        ended = job->cv.wait_for(lock, std::chrono::milliseconds(1000), [&] { return job->done; });
    }
    if (ended) {
        job->thread.join();
        ftp_->CloseAll();
        ftp_->ResetCancel();
    } else {
        // A worker stuck outside the sockets (a name look-up): let it go with
        // its own protocol object, which stays cancelled, and go on with a
        // fresh one.
        job->thread.detach();
        auto fresh = std::make_shared<T_Ftp>();
        fresh->ApplySettings(settings_);
        ftp_ = fresh;
        state_ = std::make_shared<State>();
        Wire();
    }
    result_ = kFtpStopped;
    errorText_ = "Operazione interrotta";
    errorCode_ = 0;
    failed_ = false;
    if (OnEnd) OnEnd();
}

bool TKyFtpComm::NextEntry(T_Filedata& entry) {
    if (busy_) return false;
    return ftp_->NextEntry(entry);
}

// ---------------------------------------------------------------- operations

int TKyFtpComm::Rename(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(from) || !T_Ftp::SafeArgument(to)) return Refuse(kUnsafe);
    return Run([from, to](T_Ftp& f) { f.Rename(from, to); });
}

int TKyFtpComm::DeleteFile(const std::string& path) {
    if (path.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(path)) return Refuse(kUnsafe);
    return Run([path](T_Ftp& f) { f.DeleteFile(path); });
}

int TKyFtpComm::RemoveFolder(const std::string& path) {
    if (path.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(path)) return Refuse(kUnsafe);
    return Run([path](T_Ftp& f) { f.RemoveFolder(path); });
}

int TKyFtpComm::MakeFolder(const std::string& path) {
    if (path.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(path)) return Refuse(kUnsafe);
    return Run([path](T_Ftp& f) { f.MakeFolder(path); });
}

int TKyFtpComm::Connect() {
    return Run([](T_Ftp& f) { f.Connect(); });
}

int TKyFtpComm::Disconnect() {
    return Run([](T_Ftp& f) { f.Disconnect(); });
}

int TKyFtpComm::Download(const std::string& remote, const std::filesystem::path& local) {
    if (remote.empty() || local.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(remote)) return Refuse(kUnsafe);
    return Run([remote, local](T_Ftp& f) { f.DownloadFile(remote, local); });
}

int TKyFtpComm::Download(const std::string& remote, std::ostream& out) {
    if (remote.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(remote)) return Refuse(kUnsafe);
    return Run([remote, &out](T_Ftp& f) { f.Download(remote, out); });
}

int TKyFtpComm::Upload(const std::filesystem::path& local, const std::string& remote) {
    if (remote.empty() || local.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(remote)) return Refuse(kUnsafe);
    return Run([local, remote](T_Ftp& f) { f.UploadFile(local, remote); });
}

int TKyFtpComm::Upload(std::istream& in, const std::string& remote) {
    if (remote.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(remote)) return Refuse(kUnsafe);
    return Run([&in, remote](T_Ftp& f) { f.Upload(in, remote); });
}

int TKyFtpComm::List(const std::string& argument) {
    if (!T_Ftp::SafeArgument(argument)) return Refuse(kUnsafe);
    return Run([argument](T_Ftp& f) { f.List(argument); });
}

std::string TKyFtpComm::CurrentFolder() {
    auto folder = std::make_shared<std::string>("/");
    int r = Run([folder](T_Ftp& f) { *folder = f.CurrentFolder(); });
    return r == kFtpOk ? *folder : std::string("/");
}

int TKyFtpComm::ChangeFolder(const std::string& path) {
    if (path.empty()) return Refuse(kMissing);
    if (!T_Ftp::SafeArgument(path)) return Refuse(kUnsafe);
    return Run([path](T_Ftp& f) { f.ChangeFolder(path); });
}

}  // namespace publish
