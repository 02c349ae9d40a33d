#include "publish/Quor3Comm.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/Dispatch.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/ServerCrypto.h"

namespace publish {

namespace fs = std::filesystem;

namespace {

bool StartsNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && platform::text::EqualsNoCase(std::string_view(s).substr(0, prefix.size()), prefix);
}

bool HasLineBreak(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

std::string NowText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d/%m/%Y %H.%M.%S", &tm);
    return buf;
}

}  // namespace

// ------------------------------------------------------------- the index

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        std::string line = text.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

std::vector<std::string> DefaultIndexLines() {
    return {"<HEAD><TITLE>List</TITLE></HEAD>",
            "<!-- The text between !listaipertesti and !/listaipertesti is needed by the server extensions;"
            " the rest of this page may be customised. Il testo tra !listaipertesti e !/listaipertesti serve"
            " alle estensioni del server; il resto della pagina si pu\xF2 personalizzare. -->",
            "<BODY><UL>",
            "<!listaipertesti>",
            "",
            "<!/listaipertesti>",
            "</UL>",
            "<P>"};
}

std::vector<TIndexEntry> IndexEntries(const std::vector<std::string>& lines) {
    std::vector<TIndexEntry> out;
    for (const std::string& l : lines) {
        if (StartsNoCase(l, "<!/")) break;
        if (l.size() <= 3 || !StartsNoCase(l, "<!=")) continue;
        const std::size_t close = l.find('>');
        std::string inner = l.substr(3, close == std::string::npos ? std::string::npos : close - 3);
        TIndexEntry e;
        std::vector<std::string> parts;
        std::size_t p = 0;
        for (;;) {
            std::size_t q = inner.find('"', p);
            parts.push_back(inner.substr(p, q == std::string::npos ? std::string::npos : q - p));
            if (q == std::string::npos) break;
            p = q + 1;
        }
        e.name = parts[0];
        if (parts.size() > 1) e.size = IntOr(parts[1], 0, 2147483647, 0);
        if (parts.size() > 2) e.version = parts[2];
        if (parts.size() > 3) e.date = parts[3];
        out.push_back(std::move(e));
    }
    return out;
}

int FindIndexEntry(const std::vector<std::string>& lines, const std::string& name) {
    const std::string exact = "<!=" + name + ">";
    const std::string start = "<!=" + name + "\"";
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (platform::text::EqualsNoCase(lines[i], exact) || StartsNoCase(lines[i], start)) return static_cast<int>(i);
    return -1;
}

bool RemoveIndexEntry(std::vector<std::string>& lines, const std::string& name) {
    const int at = FindIndexEntry(lines, name);
    if (at < 0) return false;
    std::size_t end = static_cast<std::size_t>(at) + 1;
    while (end < lines.size() && !StartsNoCase(lines[end], "<!=") && !StartsNoCase(lines[end], "<!/")) ++end;
    lines.erase(lines.begin() + at, lines.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

std::string CleanIndexText(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) continue;
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

void AddIndexEntry(std::vector<std::string>& lines, const std::string& rawName, long long size, int version,
                   const std::string& date, const std::string& parseUrl, const std::string& sectionPath,
                   const std::string& title) {
    const std::string name = CleanIndexText(platform::text::Lower(rawName));
    const std::vector<std::string> add = {
        "<!=" + name + "\"" + std::to_string(size) + "\"" + std::to_string(version) + "\"" + CleanIndexText(date) + ">",
        "<LI><A HREF=\"" + parseUrl + "/" + sectionPath + name + "/0/0/Z/\">", CleanIndexText(title) + "</A>"};
    std::size_t at = lines.size();
    bool found = false;
    const bool home = name.compare(0, 8, "homepage") == 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (home ? StartsNoCase(lines[i], "<!=") : StartsNoCase(lines[i], "<!/")) {
            at = i;
            found = true;
            break;
        }
    }
    if (!found && home)
        for (std::size_t i = 0; i < lines.size() && !found; ++i)
            if (StartsNoCase(lines[i], "<!/")) at = i, found = true;
    if (!found) at = lines.empty() ? 0 : lines.size() - 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
}

std::string RedirectPageText(const std::string& title, const std::string& address) {
    return "<HTML>\r\n<HEAD><TITLE>" + CleanIndexText(title) + "</TITLE>\r\n<META HTTP-EQUIV=\"refresh\" CONTENT=\"0;URL=" +
           address + "\">\r\n</HEAD><BODY>\r\n<!H1><A HREF=\"" + address + "\">\r\nCLIC!\r\n</A><!/H1></BODY>";
}

std::vector<TSection> ParseRights(const std::string& body, const std::string& user) {
    std::vector<TSection> out;
    if (user.empty()) return out;
    for (const std::string& line : SplitLines(body)) {
        if (line.compare(0, user.size(), user) != 0) continue;
        std::size_t p = user.size();
        auto skip = [&] {
            while (p < line.size() && line[p] == ' ') ++p;
        };
        auto word = [&] {
            std::size_t q = line.find(' ', p);
            std::string w = line.substr(p, q == std::string::npos ? std::string::npos : q - p);
            p = q == std::string::npos ? line.size() : q;
            return w;
        };
        if (p >= line.size() || line[p] != ' ') continue;  // another account's name beginning the same
        skip();
        TSection s;
        s.base = word();
        skip();
        s.path = word();
        skip();
        std::string rest = line.substr(p, 254);
        if (s.base.empty() || s.path.empty() || HasLineBreak(s.path) || HasLineBreak(s.base) ||
            s.path.find("..") != std::string::npos)
            continue;
        if (const std::size_t q = rest.find(";;"); q != std::string::npos) {
            s.quotaKb = IntOr(rest.substr(q + 2, 10), 0, 2147483647, 0);
            rest.resize(q);
        }
        s.description = rest;
        out.push_back(std::move(s));
    }
    return out;
}

// ------------------------------------------------------------- the runner

struct TQuor3Comm::Job {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false, failed = false, stopped = false;
    std::string error;
    std::thread thread;
};

TQuor3Comm::TQuor3Comm() : http_(std::make_shared<THttpClient>()), progress_(std::make_shared<Progress>()) {
    (void)platform::dispatch();
    http_->SetCancelToken(std::make_shared<TCancelToken>());
}

TQuor3Comm::~TQuor3Comm() {
    if (busy_) Stop();
}

bool TQuor3Comm::Configure(const TServerConfig& c) {
    if (busy_) Stop();
    sections_.clear();
    section_ = -1;
    index_.clear();
    indexState_ = kIndexUnknown;
    server_ = c.server;
    port_ = c.port;
    user_ = c.user;
    timeoutS_ = c.timeout;
    const std::string root = "http://" + c.server + ":" + std::to_string(c.port) + "/";
    uploadUrl_ = root + c.quorBaseDir2 + c.quorUpCGI;
    parseUrl_ = root + c.quorBaseDir2 + c.quorCGI;
    templateUrl_ = root + c.quorBaseDir + "template.htm";
    THttpUrl u;
    if (!ValidHostName(c.server) || !ParseHttpUrl(uploadUrl_, u) || !ParseHttpUrl(parseUrl_, u) ||
        !ParseHttpUrl(templateUrl_, u) || HasLineBreak(c.user)) {
        Fail(kSrvError, "Configurazione non valida: il server, le cartelle o l'utente contengono spazi o caratteri di controllo");
        uploadUrl_.clear();
        return false;
    }
    return true;
}

std::string TQuor3Comm::SectionAddress() const {
    if (section_ < 0 || section_ >= static_cast<int>(sections_.size())) return "";
    return "http://" + server_ + ":" + std::to_string(port_) + "/" + sections_[static_cast<std::size_t>(section_)].path;
}

int TQuor3Comm::Fail(int code, const std::string& message) {
    result_ = code;
    message_ = message;
    return code;
}

int TQuor3Comm::Run(const std::function<void(THttpClient&)>& body) {
    if (busy_) {
        platform::ui().Information("Sto completando un'operazione, occorre attendere...");
        return kSrvBusy;
    }
    result_ = kSrvOk;
    message_.clear();
    busy_ = true;
    stopped_ = false;
    progress_->bytes.store(0);
    progress_->expected.store(-1);
    http_->CancelToken()->Reset();
    http_->TimeoutMs = timeoutS_ * 1000;
    std::shared_ptr<Progress> progress = progress_;
    http_->OnProgress = [progress](long long soFar, long long expected) {
        progress->bytes.store(soFar);
        progress->expected.store(expected);
    };
    auto job = std::make_shared<Job>();
    job_ = job;
    if (OnBegin) OnBegin();
    std::shared_ptr<THttpClient> http = http_;
    job->thread = std::thread([job, http, body] {
        try {
            body(*http);
        } catch (const EStopped&) {
            job->stopped = true;
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
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            if (job->done) break;
        }
        platform::ui().ProcessEvents(1);
        if (stopped_) break;
        if (OnTick) OnTick();
        if (stopped_) break;
        std::unique_lock<std::mutex> lock(job->mutex);
        job->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return job->done; });
    }
    job_.reset();
    if (stopped_) {
        busy_ = false;
        return result_;
    }
    job->thread.join();
    busy_ = false;
    if (job->failed) Fail(kSrvError, job->error);
    else if (job->stopped) Fail(kSrvCancelled, "Interrotto dall'utente");
    if (OnEnd) OnEnd();
    return result_;
}

void TQuor3Comm::Stop() {
    if (!busy_ || !job_ || stopped_) return;
    std::shared_ptr<Job> job = job_;
    {
        std::lock_guard<std::mutex> lock(job->mutex);
        if (job->done) return;
    }
    stopped_ = true;
    http_->CancelToken()->Cancel();
    bool ended;
    {
        std::unique_lock<std::mutex> lock(job->mutex);
        ended = job->cv.wait_for(lock, std::chrono::milliseconds(1000), [&] { return job->done; });
    }
    if (ended) {
        job->thread.join();
    } else {
        // Stuck outside the sockets (a name look-up): let it go with its own
        // client and go on with a fresh one.
        job->thread.detach();
        auto fresh = std::make_shared<THttpClient>();
        fresh->SetCancelToken(std::make_shared<TCancelToken>());
        http_ = fresh;
        progress_ = std::make_shared<Progress>();
    }
    Fail(kSrvCancelled, "Interrotto dall'utente");
    if (OnEnd) OnEnd();
}

// ------------------------------------------------------------- requests

int TQuor3Comm::Post(const std::string& action, const std::string& pass, const std::string& base,
                     const std::string& argument, const std::string* data, const fs::path* file,
                     THttpResponse& response) {
    if (uploadUrl_.empty()) return Fail(kSrvError, "Configurazione del server non valida");
    if (HasLineBreak(argument) || HasLineBreak(base)) return Fail(kSrvError, "Argomento non valido: " + argument);
    long long length = 0;
    if (data) length = static_cast<long long>(data->size());
    if (file) {
        std::error_code ec;
        const auto n = fs::file_size(*file, ec);
        if (ec) return Fail(kSrvError, "Errore leggendo file: " + file->string());
        length = static_cast<long long>(n);
    }
    std::string params = "user=" + user_ + "\r\npass=" + pass + "\r\nbase=" + base + "\r\nactn=" + action + "\r\n" +
                         argument + "\r\n";
    if (action == "MPUT") params += std::to_string(length) + "\r\n";
    trace.push_back("POST " + action + " " + (action == "CHPASS" ? std::string("******") : argument));
    const std::string url = uploadUrl_;
    auto out = std::make_shared<THttpResponse>();
    const std::string* d = data;
    const fs::path f = file ? *file : fs::path();
    int r = Run([out, url, params, d, f, length](THttpClient& http) {
        if (!f.empty()) {
            std::ifstream in(f, std::ios::binary);
            if (!in) throw ENetError("Errore leggendo file: " + f.string());
            *out = http.Request("POST", url, params, &in, length);
        } else if (d) {
            std::istringstream in(*d);
            *out = http.Request("POST", url, params, &in, length);
        } else {
            *out = http.Request("POST", url, params);
        }
    });
    if (r != kSrvOk) return r;
    response = *out;
    if (response.status >= 400) return Fail(response.status, response.statusText);
    return kSrvOk;
}

int TQuor3Comm::Login(std::string& answer) {
    if (password.size() > kMaxServerPassword)
        return Fail(kSrvError, "La password non pu\xF2 superare i 16 caratteri");
    THttpResponse r;
    int code = Post("AUTHINI", "", "", "dummy", nullptr, nullptr, r);
    if (code != kSrvOk) return code;
    std::string challenge = r.body.substr(0, r.body.find('\n'));
    if (!challenge.empty() && challenge.back() == '\r') challenge.pop_back();
    if (challenge.size() != 32) return Fail(kSrvChallenge, challenge + "\nChallenge KO.");
    answer = LoginResponse(challenge, password);
    return kSrvOk;
}

int TQuor3Comm::Command(const std::string& action, const std::string& argument, const std::string* data,
                        const fs::path* file) {
    std::string pass;
    int code = Login(pass);
    if (code != kSrvOk) return code;
    const std::string base = section_ >= 0 ? sections_[static_cast<std::size_t>(section_)].base : "";
    THttpResponse r;
    code = Post(action, pass, base, argument, data, file, r);
    if (code != kSrvOk) return code;
    if (r.body.empty()) return Fail(kSrvEmpty, "Superamento quota o Password errata");
    if (r.body[0] != 'Y') return Fail(kSrvRefused, r.body);
    return Fail(kSrvOk, "");
}

int TQuor3Comm::GetRights() {
    THttpResponse r;
    status = "Richiesta diritti utente al server in corso.";
    const int code = Post("GETMYRIGHTS", "", "", "dummy", nullptr, nullptr, r);
    if (code != kSrvOk) {
        status = (code >= 400 ? "Problemi nel rintracciare la lista utenti sul server.\n" : "Problemi a contattare il server.\n") +
                 message_;
        return code;
    }
    sections_ = ParseRights(r.body, user_);
    section_ = -1;
    index_.clear();
    indexState_ = kIndexUnknown;
    status = sections_.empty()
                 ? "Sul sistema remoto l'utente selezionato non ha diritto di accesso. Controllare la configurazione."
                 : "Lista diritti ricevuta.";
    return code;
}

bool TQuor3Comm::ChooseSection(int index) {
    if (index < 0 || index >= static_cast<int>(sections_.size())) return false;
    section_ = index;
    index_.clear();
    indexState_ = kIndexUnknown;
    return true;
}

int TQuor3Comm::GetIndex() {
    if (section_ < 0) return Fail(kSrvNoSection, "Nessuna sezione scelta");
    std::ostringstream body;
    const int code = Download(SectionAddress() + "lista.html", body);
    if (code == kSrvOk) {
        index_ = SplitLines(body.str());
        indexState_ = kIndexLoaded;
        status = IndexEntries(index_).empty() ? "Non ci sono ipertesti disponibili per questa sezione.\nLista ipertesti ricevuta."
                                              : "Lista ipertesti ricevuta.";
    } else if (code == 404) {
        // Only a section that has no index yet may start from the template.
        index_.clear();
        indexState_ = kIndexMissing;
        status = "Non ci sono ipertesti disponibili per questa sezione.\nLista ipertesti ricevuta.";
        return Fail(kSrvOk, "");
    } else {
        index_.clear();
        indexState_ = kIndexUnknown;
        status = "Problemi a contattare il server.\n" + message_;
    }
    return code;
}

long long TQuor3Comm::QuotaBytes() const {
    if (section_ < 0) return 0;
    return sections_[static_cast<std::size_t>(section_)].quotaKb * 1024;
}

long long TQuor3Comm::FreeBytes() const {
    long long used = 0;
    for (const TIndexEntry& e : Entries()) used += e.size;
    return QuotaBytes() - used;
}

int TQuor3Comm::Put(const std::string& name, const std::string& data) { return Command("MPUT", name, &data); }
int TQuor3Comm::PutFile(const std::string& name, const fs::path& file) { return Command("MPUT", name, nullptr, &file); }
int TQuor3Comm::Delete(const std::string& name) { return Command("DEL", name); }

int TQuor3Comm::PutIndex(const std::vector<std::string>& lines) { return Put("lista.html", JoinLines(lines)); }

int TQuor3Comm::Download(const std::string& url, std::ostream& out) {
    auto resp = std::make_shared<THttpResponse>();
    std::ostream* o = &out;
    trace.push_back("GET " + url);
    int r = Run([resp, url, o](THttpClient& http) { *resp = http.Get(url, o); });
    if (r != kSrvOk) return r;
    if (resp->status >= 400) return Fail(resp->status, resp->statusText);
    return kSrvOk;
}

int TQuor3Comm::Download(const std::string& url, const fs::path& local) {
    const fs::path folder = local.parent_path().empty() ? fs::path(".") : local.parent_path();
    std::string tmpl = (folder / ".quor-download-XXXXXX").string();
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return Fail(kSrvError, "Errore nella scrittura file " + local.string());
    ::close(fd);
    const fs::path tmp = tmpl;
    int r;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        r = Download(url, out);
        if (r == kSrvOk && !out.flush()) r = Fail(kSrvError, "Errore nella scrittura/lettura file");
    }
    std::error_code ec;
    if (r == kSrvOk) {
        fs::rename(tmp, local, ec);
        if (ec) r = Fail(kSrvError, "Errore nella scrittura file " + local.string());
    }
    if (r != kSrvOk) fs::remove(tmp, ec);
    return r;
}

int TQuor3Comm::PublishHypertext(const fs::path& file, const std::string& title, int version) {
    if (section_ < 0) return Fail(kSrvNoSection, "Nessuna sezione scelta");
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) return Fail(kSrvError, "Errore leggendo file: " + file.string());
    if (QuotaBytes() > 0 && FreeBytes() < static_cast<long long>(size) &&
        platform::ui().AskYesNo("Probabilmente supererai la quota. Procedo lo stesso?") != platform::Answer::Yes)
        return Fail(kSrvCancelled, "");
    const std::string name = platform::text::Lower(platform::text::Utf8ToCp1252(file.filename().string()));
    if (name.empty() || HasLineBreak(name) || name.find_first_of("/\\\"<>&") != std::string::npos)
        return Fail(kSrvError, "Nome di file non adatto alla pubblicazione: " + file.filename().string());
    {
        std::ifstream probe(file, std::ios::binary);
        if (!probe) return Fail(kSrvError, "Errore leggendo file: " + file.string());
    }
    if (indexState_ == kIndexUnknown) {
        const int r = GetIndex();
        // An index that could not be read must never be replaced: that
        // would drop every other hypertext of the section.
        if (r != kSrvOk || indexState_ == kIndexUnknown) return result_ == kSrvOk ? Fail(kSrvIndexFailed, status) : r;
    }
    if (indexState_ == kIndexMissing) {
        std::ostringstream tpl;
        const int r = Download(templateUrl_, tpl);
        if (r == kSrvCancelled) return r;
        index_ = r == kSrvOk ? SplitLines(tpl.str()) : DefaultIndexLines();
        if (r == kSrvOk && std::none_of(index_.begin(), index_.end(), [](const std::string& l) { return StartsNoCase(l, "<!/"); }))
            index_ = DefaultIndexLines();
    }
    const std::vector<std::string> kept = index_;
    std::vector<std::string> next = index_;
    if (FindIndexEntry(next, name) >= 0) {
        if (platform::ui().AskYesNo("Sovrascrivo l'ipertesto gi\xC3\xA0 presente?") != platform::Answer::Yes)
            return Fail(kSrvCancelled, "");
        RemoveIndexEntry(next, name);
    }
    const std::string secPath = sections_[static_cast<std::size_t>(section_)].path;
    AddIndexEntry(next, name, static_cast<long long>(size), version, NowText(), parseUrl_, secPath, title);
    int r = PutIndex(next);
    if (r != kSrvOk) return r;
    index_ = next;
    indexState_ = kIndexLoaded;
    const std::string address = parseUrl_ + "/" + secPath + CleanIndexText(name) + "/0/0/Z/";
    const std::string stem = name.substr(0, name.rfind('.')) + ".htm";
    r = Put(stem, RedirectPageText(title, address));
    if (r == kSrvOk) r = PutFile(name, file);
    if (r == kSrvOk) return r;
    // Put the previous index back: the server must not list what it lacks.
    const int failed = r;
    const std::string why = message_;
    if (PutIndex(kept) == kSrvOk) {
        index_ = kept;
        return Fail(failed, why);
    }
    indexState_ = kIndexUnknown;
    return Fail(kSrvIndexFailed, why + "\nNon \xE8 stato possibile ripristinare l'indice \"lista.html\": potrebbe essere incoerente.");
}

int TQuor3Comm::DeleteHypertext(const std::string& name) {
    if (section_ < 0) return Fail(kSrvNoSection, "Nessuna sezione scelta");
    if (indexState_ != kIndexLoaded) {
        const int r = GetIndex();
        if (r != kSrvOk) return r;
    }
    std::vector<std::string> next = index_;
    if (RemoveIndexEntry(next, name)) {
        if (PutIndex(next) != kSrvOk) return Fail(kSrvIndexFailed, message_);
        index_ = next;
    }
    return Delete(name);
}

int TQuor3Comm::ChangePassword(const std::string& newPassword) {
    if (newPassword.size() > kMaxServerPassword || password.size() > kMaxServerPassword)
        return Fail(kSrvError, "La password non pu\xF2 superare i 16 caratteri");
    std::string argument, error;
    if (!PasswordChangeArgument(password, newPassword, argument, error)) return Fail(kSrvError, error);
    const int r = Command("CHPASS", argument);
    if (r == kSrvOk) password = newPassword;
    return r;
}

}  // namespace publish
