// nyx ftp: the FTP client for scripts.
//   nyx ftp HOST[:PORT] [--user U] [--timeout S] [--active] ls|get|put|mkdir|rmdir|rm|mv ...
// The password comes from $QUOR_FTP_PASSWORD, else from a prompt on the
// terminal; stdin is never read when it is not a terminal.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/Command.h"
#include "cli/Password.h"
#include "publish/KyFtpComm.h"

namespace {

using publish::TKyFtpComm;

const char* const kUsage =
    "nyx ftp HOST[:PORTA] [--user UTENTE] [--timeout SECONDI] [--active] COMANDO ...\n"
    "  ls [CARTELLA]            elenca una cartella remota\n"
    "  get REMOTO [LOCALE]      scarica un file\n"
    "  put LOCALE [REMOTO]      invia un file\n"
    "  mkdir CARTELLA | rmdir CARTELLA | rm FILE | mv VECCHIO NUOVO\n"
    "La password si legge da QUOR_FTP_PASSWORD o si chiede sul terminale.";

const nyx::Command& Self();

char KindChar(int kind) {
    switch (kind) {
        case publish::kFtpDirectory: return 'd';
        case publish::kFtpFile: return '-';
        case publish::kFtpLink: return 'l';
        default: return '?';
    }
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Report(TKyFtpComm& comm) {
    if (comm.Result() == publish::kFtpOk) return nyx::kOk;
    if (comm.ErrorCode() > 0)
        std::fprintf(stderr, "nyx ftp: il server ha risposto %d: %s\n", comm.ErrorCode(), comm.ErrorText().c_str());
    else
        std::fprintf(stderr, "nyx ftp: %s\n", comm.ErrorText().c_str());
    return nyx::kFailed;
}

int Run(const nyx::Args& args) {
    std::string host, user;
    bool haveUser = false, active = false;
    int timeout = 30;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--user" || a == "--timeout") {
            if (i + 1 >= args.size()) return nyx::UsageError(Self(), a + " senza valore");
            const std::string& v = args[++i];
            if (a == "--user") {
                user = v;
                haveUser = true;
            } else {
                char* end = nullptr;
                long t = std::strtol(v.c_str(), &end, 10);
                if (!end || *end || t < 1 || t > 3600) return nyx::UsageError(Self(), "--timeout non valido: " + v);
                timeout = static_cast<int>(t);
            }
        } else if (a == "--active") {
            active = true;
        } else if (a.size() > 1 && a[0] == '-' && rest.empty()) {
            return nyx::UsageError(Self(), "opzione sconosciuta " + a);
        } else if (host.empty()) {
            host = a;
        } else {
            rest.push_back(a);
        }
    }
    if (host.empty() || rest.empty()) return nyx::UsageError(Self(), "");
    long port = 21;
    if (auto colon = host.rfind(':'); colon != std::string::npos) {
        char* end = nullptr;
        port = std::strtol(host.c_str() + colon + 1, &end, 10);
        if (!end || *end || port < 1 || port > 65535) return nyx::UsageError(Self(), "porta non valida in " + host);
        host.resize(colon);
    }
    const std::string verb = rest[0];
    const std::vector<std::string> ops(rest.begin() + 1, rest.end());
    struct Arity {
        const char* verb;
        std::size_t min, max;
    };
    const Arity arities[] = {{"ls", 0, 1},    {"get", 1, 2}, {"put", 1, 2}, {"mkdir", 1, 1},
                             {"rmdir", 1, 1}, {"rm", 1, 1},  {"mv", 2, 2}};
    bool known = false;
    for (const auto& ar : arities) {
        if (verb != ar.verb) continue;
        known = true;
        if (ops.size() < ar.min || ops.size() > ar.max)
            return nyx::UsageError(Self(), "numero di argomenti errato per " + verb);
    }
    if (!known) return nyx::UsageError(Self(), "comando sconosciuto " + verb);

    TKyFtpComm comm;
    publish::T_Ftp& ftp = comm.Ftp();
    ftp.HostName = host;
    ftp.Port = static_cast<std::uint16_t>(port);
    ftp.Passive = !active;
    ftp.TimeoutMs = timeout * 1000;
    if (haveUser) ftp.UserName = user;
    // Without a user the server's anonymous log-in needs no password asked.
    if (std::getenv("QUOR_FTP_PASSWORD") || haveUser) {
        if (!nyx::NetPassword("QUOR_FTP_PASSWORD", user + "@" + host, "ftp", ftp.Password)) return nyx::kFailed;
    }

    // Progress on stderr, only on a terminal.
    if (::isatty(STDERR_FILENO) && (verb == "get" || verb == "put")) {
        long long shown = -1;
        comm.OnTick = [&comm, &shown] {
            long long b = comm.Bytes();
            if (b == shown) return;
            shown = b;
            long long total = comm.ExpectedSize();
            if (total > 0)
                std::fprintf(stderr, "\r%lld / %lld byte (%lld%%)", b, total, b * 100 / total);
            else
                std::fprintf(stderr, "\r%lld byte", b);
        };
        comm.OnEnd = [&shown] {
            if (shown >= 0) std::fprintf(stderr, "\n");
        };
    }

    if (verb == "ls") {
        if (comm.List(ops.empty() ? std::string() : ops[0]) != publish::kFtpOk) return Report(comm);
        publish::T_Filedata e;
        while (comm.NextEntry(e))
            std::printf("%c %s %12lld %s\n", KindChar(e.kind), e.DateText().c_str(), e.size, e.name.c_str());
    } else if (verb == "get") {
        std::string local = ops.size() > 1 ? ops[1] : BaseName(ops[0]);
        if (local.empty()) return nyx::UsageError(Self(), "nome locale mancante");
        comm.Download(ops[0], std::filesystem::path(local));
    } else if (verb == "put") {
        std::string remote = ops.size() > 1 ? ops[1] : std::filesystem::path(ops[0]).filename().string();
        if (!std::filesystem::is_regular_file(ops[0])) {
            std::fprintf(stderr, "nyx ftp: non trovo il file %s\n", ops[0].c_str());
            return nyx::kFailed;
        }
        comm.Upload(std::filesystem::path(ops[0]), remote);
    } else if (verb == "mkdir") {
        comm.MakeFolder(ops[0]);
    } else if (verb == "rmdir") {
        comm.RemoveFolder(ops[0]);
    } else if (verb == "rm") {
        comm.DeleteFile(ops[0]);
    } else if (verb == "mv") {
        comm.Rename(ops[0], ops[1]);
    }
    int code = Report(comm);
    if (comm.Ftp().Connected()) comm.Disconnect();
    return code;
}

const nyx::Registrar registrar({"ftp", "elenca, scarica e invia file su un server FTP", kUsage, Run});

const nyx::Command& Self() {
    for (const auto& c : nyx::Commands())
        if (c.name == "ftp") return c;
    static nyx::Command none;
    return none;
}

}  // namespace
