// nyx publish: publishes a hypertext from scripts.
//   nyx publish [ftp] FILE HOST[:PORT] --user U --dir D [--all | --changed] [--page N] [--timeout S]
//               [--script "PROGRAM ARGS"]
//   nyx publish server FILE HOST[:PORT] --user U [--section N] [--title T] [--timeout S]
// FTP: the pages are exported into a private temporary folder and sent with
// the version page; --changed (the default) sends what changed since the
// version found in D. The FTP password comes from $QUOR_FTP_PASSWORD, the
// server's from $QUOR_SERVER_PASSWORD, else from a prompt on the terminal.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "cli/Command.h"
#include "cli/Password.h"
#include "cli/Util.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/AfterScript.h"
#include "publish/FtpConfig.h"
#include "publish/FtpPublish.h"
#include "publish/KyFtpComm.h"
#include "publish/Quor3Comm.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace nyx {
namespace {

namespace fs = std::filesystem;

const char* const kUsageText =
    "nyx publish [ftp] FILE HOST[:PORTA] --user UTENTE --dir CARTELLA [--all | --changed] [--page N]\n"
    "            [--timeout SECONDI] [--script \"PROGRAMMA ARGOMENTI\"]\n"
    "  esporta l'ipertesto e lo invia per FTP con la pagina di versione; --changed (predefinito)\n"
    "  invia solo le pagine cambiate dalla versione presente sul server; --script chiama il programma\n"
    "  (senza shell) dopo ogni file inviato, con gli argomenti, il percorso remoto e quello locale\n"
    "nyx publish server FILE HOST[:PORTA] --user UTENTE [--section N] [--title TITOLO] [--timeout SECONDI]\n"
    "            [--yes]\n"
    "  pubblica il file nativo nella sezione N (predefinita 0) del server di pubblicazione;\n"
    "  --yes sovrascrive un ipertesto gi\xC3\xA0 presente e procede oltre la quota\n"
    "La password si legge da QUOR_FTP_PASSWORD (FTP) o QUOR_SERVER_PASSWORD (server),\n"
    "o si chiede sul terminale.";

const Command& Self() {
    static const Command self{"publish", "", kUsageText, {}};
    return self;
}

// The command line answers the questions of a publication: it never
// overwrites or exceeds a quota without being told.
class TNoUi : public platform::Ui {
public:
    void Information(std::string_view t) override { std::fprintf(stderr, "%.*s\n", int(t.size()), t.data()); }
    void Warning(std::string_view t) override { Information(t); }
    void Error(std::string_view t) override { Information(t); }
    platform::Answer AskYesNo(std::string_view t) override {
        std::fprintf(stderr, "%.*s %s\n", int(t.size()), t.data(), yes ? "S\xC3\xAC" : "No");
        return yes ? platform::Answer::Yes : platform::Answer::No;
    }
    platform::Answer AskYesNoCancel(std::string_view t) override { return AskYesNo(t); }
    void ShowErrorList(std::string_view, const std::vector<std::string>& m) override {
        for (auto& s : m) Information(s);
    }
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessEvents(int) override {}
    bool yes = false;
};

struct TOptions {
    std::string file, host, user, dir, title, script;
    long port = 0;
    int timeout = 30;
    bool all = false;
    int section = 0;
    std::int32_t page = -1;
    bool yes = false;
};

int RunFtp(const TOptions& o) {
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(o.file)) {
        std::fprintf(stderr, "nyx publish: impossibile leggere %s\n", o.file.c_str());
        return kFailed;
    }
    publish::TKyFtpComm comm;
    publish::T_Ftp& ftp = comm.Ftp();
    ftp.HostName = o.host;
    ftp.Port = static_cast<std::uint16_t>(o.port ? o.port : 21);
    ftp.UserName = o.user;
    ftp.TimeoutMs = o.timeout * 1000;
    if (!NetPassword("QUOR_FTP_PASSWORD", o.user + "@" + o.host, "publish", ftp.Password)) return kFailed;

    std::string remote = o.dir;
    if (remote.empty() || remote[0] != '/') {
        const std::string cwd = comm.CurrentFolder();
        if (comm.Result() != publish::kFtpOk) {
            std::fprintf(stderr, "nyx publish: Impossibile connettersi: %s\n", comm.ErrorText().c_str());
            return kFailed;
        }
        remote = cwd + remote;
    }
    if (remote.back() != '/') remote += '/';

    convert::html::TNYXtoHtml x(&set);
    x.options = shell::ReadHtmlExportOptions(shell::TOptionsStore(shell::TOptionsStore::DefaultFile()));
    publish::TFtpPublisher p(comm);
    const fs::path folder = set.WorkFolder() / "TmpExpHtml";
    if (!p.Export(x, set, folder, o.page))
        for (const std::string& s : x.Report().problems) std::fprintf(stderr, "%s\n", Out(s).c_str());
    std::map<std::string, long long> listed;
    if (publish::ListRemote(comm, remote, listed) != publish::kFtpOk) {
        std::fprintf(stderr, "nyx publish: Impossibile connettersi: %s\n", comm.ErrorText().c_str());
        return kFailed;
    }
    p.ReadServerVersion(remote, publish::Names(listed));
    std::fprintf(stderr, "%s\n", Out(p.versionLabel).c_str());
    if (o.all) p.ChooseAll(true);
    else p.ChooseChanged(listed);
    if (!o.script.empty()) {
        const std::vector<std::string> words = publish::SplitScriptArguments(o.script);
        p.script.program = words.front();
        p.script.arguments.assign(words.begin() + 1, words.end());
        p.script.timeoutS = o.timeout;
    }
    if (::isatty(STDERR_FILENO)) p.OnFile = [](const std::string& n) { std::fprintf(stderr, "  %s\n", n.c_str()); };
    const int r = p.Publish(remote, set.SaveCounter(), set.NYXFileName());
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (comm.Ftp().Connected()) comm.Disconnect();
    std::printf("%s file inviati: %zu\n", p.status.c_str(), p.uploads);
    if (r != publish::kFtpOk) {
        if (!p.detail.empty()) std::fprintf(stderr, "nyx publish: %s\n", p.detail.c_str());
        return kFailed;
    }
    return kOk;
}

int RunServer(const TOptions& o, TNoUi& ui) {
    model::TNYXset set;
    if (!set.LoadFromFile(o.file)) {
        std::fprintf(stderr, "nyx publish: impossibile leggere %s\n", o.file.c_str());
        return kFailed;
    }
    publish::TServerConfig c;
    c.server = o.host;
    c.port = static_cast<int>(o.port ? o.port : 80);
    c.user = o.user;
    c.timeout = o.timeout;
    publish::TQuor3Comm comm;
    if (!comm.Configure(c)) {
        std::fprintf(stderr, "nyx publish: %s\n", comm.Message().c_str());
        return kUsage;
    }
    if (!NetPassword("QUOR_SERVER_PASSWORD", o.user + "@" + o.host, "publish", comm.password)) return kFailed;
    ui.yes = o.yes;
    auto fail = [&](const std::string& what) {
        std::fprintf(stderr, "nyx publish: %s%s\n", Out(what).c_str(), Out(comm.Message()).c_str());
        return kFailed;
    };
    if (comm.GetRights() != publish::kSrvOk) return fail("");
    if (!comm.ChooseSection(o.section)) return fail(comm.status + "\n");
    if (comm.GetIndex() != publish::kSrvOk) return fail("Problemi a contattare il server.\n");
    const std::string title = o.title.empty() ? set.Title() : platform::text::Utf8ToCp1252(o.title);
    const int r = comm.PublishHypertext(set.NYXFileName(), title, set.SaveCounter());
    if (r != publish::kSrvOk) return fail(r == publish::kSrvCancelled ? "Pubblicazione annullata" : "");
    std::printf("Ipertesto pubblicato.\n");
    return kOk;
}

int CmdPublish(const Args& args) {
    if (WantsHelp(args)) {
        std::printf("%s\n", kUsageText);
        return kOk;
    }
    Args a = args;
    bool server = false;
    if (!a.empty() && (a[0] == "ftp" || a[0] == "server")) {
        server = a[0] == "server";
        a.erase(a.begin());
    }
    TOptions o;
    bool changed = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string& s = a[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= a.size()) return false;
            out = a[++i];
            return true;
        };
        std::string v;
        if (s == "--user") {
            if (!value(o.user)) return UsageError(Self(), "--user senza valore");
        } else if (s == "--dir" && !server) {
            if (!value(o.dir)) return UsageError(Self(), "--dir senza valore");
        } else if (s == "--script" && !server) {
            if (!value(o.script)) return UsageError(Self(), "--script senza valore");
            const std::vector<std::string> words = publish::SplitScriptArguments(o.script);
            if (words.empty() || words.front().empty()) return UsageError(Self(), "--script senza programma");
        } else if (s == "--title" && server) {
            if (!value(o.title)) return UsageError(Self(), "--title senza valore");
        } else if (s == "--timeout" || s == "--page" || s == "--section") {
            if (!value(v)) return UsageError(Self(), s + " senza valore");
            auto n = ParseInt(v);
            if (s == "--timeout" && (!n || *n < 1 || *n > 3600)) return UsageError(Self(), "--timeout non valido: " + v);
            if (s != "--timeout" && (!n || *n < 0 || *n > 0xFFFFFF)) return UsageError(Self(), s + " non valido: " + v);
            if (s == "--timeout") o.timeout = static_cast<int>(*n);
            else if (s == "--page") o.page = static_cast<std::int32_t>(*n);
            else o.section = static_cast<int>(*n);
        } else if (s == "--all" && !server) {
            o.all = true;
        } else if (s == "--changed" && !server) {
            changed = true;
        } else if (s == "--yes" && server) {
            o.yes = true;
        } else if (s.size() > 1 && s[0] == '-') {
            return UsageError(Self(), "opzione sconosciuta " + s);
        } else if (o.file.empty()) {
            o.file = s;
        } else if (o.host.empty()) {
            o.host = s;
        } else {
            return UsageError(Self(), "argomento in pi\xC3\xB9: " + s);
        }
    }
    if (o.all && changed) return UsageError(Self(), "--all e --changed insieme");
    if (o.file.empty() || o.host.empty() || o.user.empty()) return UsageError(Self(), "argomenti mancanti");
    if (!server && o.dir.empty()) return UsageError(Self(), "--dir mancante");
    if (auto colon = o.host.rfind(':'); colon != std::string::npos) {
        o.port = publish::IntOr(o.host.substr(colon + 1), 1, 65535, -1);
        if (o.port < 0) return UsageError(Self(), "porta non valida in " + o.host);
        o.host.resize(colon);
    }
    if (!publish::ValidHostName(o.host)) return UsageError(Self(), "nome host non valido: " + o.host);
    if (!fs::is_regular_file(o.file)) {
        std::fprintf(stderr, "nyx publish: Errore: %s\n", o.file.c_str());
        return kFailed;
    }
    TNoUi ui;
    platform::ScopedUi scope(ui);
    return server ? RunServer(o, ui) : RunFtp(o);
}

const Registrar reg{{"publish", "pubblica un ipertesto per FTP o sul server di pubblicazione", kUsageText, CmdPublish}};

}  // namespace
}  // namespace nyx
