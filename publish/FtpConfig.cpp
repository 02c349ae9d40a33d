#include "publish/FtpConfig.h"

#include <cerrno>
#include <cstdlib>

namespace publish {

bool ValidHostName(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    for (unsigned char c : host)
        if (c <= 0x20 || c >= 0x7F) return false;
    return true;
}

int IntOr(const std::string& text, int lo, int hi, int fallback) {
    if (text.empty()) return fallback;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno || !end || *end || v < lo || v > hi) return fallback;
    return static_cast<int>(v);
}

namespace {

std::string Sub(const char* base, int index) { return std::string(base) + "\\" + std::to_string(index); }

std::string Or(const TConfigAccess& a, const std::string& section, const char* name, const std::string& fallback) {
    std::string v = a.Read(section, name);
    return v.empty() ? fallback : v;
}

int Count(const TConfigAccess& a, const char* base) { return IntOr(a.Read(base, "numConfTot"), 1, 1000, 1); }

void RaiseCount(TConfigAccess& a, const char* base, int index) {
    if (index + 1 > Count(a, base)) a.Write(base, "numConfTot", std::to_string(index + 1));
}

}  // namespace

int FtpConfigCount(const TConfigAccess& access) { return Count(access, kFtpSection); }

TFtpConfig ReadFtpConfig(const TConfigAccess& a, int index) {
    const std::string s = Sub(kFtpSection, index);
    TFtpConfig c;
    c.nomeConf = Or(a, s, "nomeConf", index == 0 ? "Default" : "Configurazione " + std::to_string(index));
    c.server = Or(a, s, "server", c.server);
    c.port = IntOr(a.Read(s, "port"), 1, 65535, 21);
    c.timeout = IntOr(a.Read(s, "timeout"), 1, 3600, 30);
    c.user = Or(a, s, "user", index == 0 && a.Read(s, "nomeConf").empty() ? "anonymous" : "unknown");
    c.baseDir = Or(a, s, "BaseDir", "/");
    c.www = a.Read(s, "www");
    c.script = a.Read(s, "script");
    c.scriptm = a.Read(s, "scriptm");
    c.useScript = a.Read(s, "useScript") == "1";
    c.savePass = a.Read(s, "savePass") == "1";
    if (c.savePass) c.pass = a.Read(s, "pass");
    return c;
}

bool WriteFtpConfig(TConfigAccess& a, int index, const TFtpConfig& c) {
    const std::string s = Sub(kFtpSection, index);
    bool ok = a.Write(s, "nomeConf", c.nomeConf);
    ok = a.Write(s, "server", c.server) && ok;
    ok = a.Write(s, "port", std::to_string(c.port)) && ok;
    ok = a.Write(s, "timeout", std::to_string(c.timeout)) && ok;
    ok = a.Write(s, "user", c.user) && ok;
    ok = a.Write(s, "BaseDir", c.baseDir) && ok;
    ok = a.Write(s, "www", c.www) && ok;
    ok = a.Write(s, "script", c.script) && ok;
    ok = a.Write(s, "scriptm", c.scriptm) && ok;
    ok = a.Write(s, "useScript", c.useScript ? "1" : "0") && ok;
    ok = a.Write(s, "savePass", c.savePass ? "1" : "0") && ok;
    // A password is kept only while the user asks for it.
    if (c.savePass)
        ok = a.Write(s, "pass", c.pass) && ok;
    else
        a.Erase(s, "pass");
    RaiseCount(a, kFtpSection, index);
    return ok;
}

int SelectedFtpConfig(const TConfigAccess& a, int mode) {
    int i = IntOr(a.Read(kFtpSection, "NumSelectedConf" + std::to_string(mode)), 0, 999, 0);
    return i < FtpConfigCount(a) ? i : 0;
}

void SetSelectedFtpConfig(TConfigAccess& a, int mode, int index) {
    a.Write(kFtpSection, "NumSelectedConf" + std::to_string(mode), std::to_string(index));
}

bool AutoChooseChanged(const TConfigAccess& a) { return a.Read(kFtpSection, "autoChooseMod") == "1"; }
void SetAutoChooseChanged(TConfigAccess& a, bool on) { a.Write(kFtpSection, "autoChooseMod", on ? "1" : "0"); }

int ServerConfigCount(const TConfigAccess& access) { return Count(access, kServerSection); }

TServerConfig ReadServerConfig(const TConfigAccess& a, int index) {
    const std::string s = Sub(kServerSection, index);
    TServerConfig c;
    c.nomeConf = Or(a, s, "nomeConf", index == 0 ? "DefaultNT" : "Configurazione " + std::to_string(index));
    c.server = Or(a, s, "server", c.server);
    c.port = IntOr(a.Read(s, "port"), 1, 65535, 80);
    c.timeout = IntOr(a.Read(s, "timeout"), 1, 3600, 30);
    c.quorBaseDir = Or(a, s, "quorBaseDir", c.quorBaseDir);
    c.quorBaseDir2 = Or(a, s, "quorBaseDir2", c.quorBaseDir2);
    c.quorUpCGI = Or(a, s, "quorUpCGI", c.quorUpCGI);
    c.quorCGI = Or(a, s, "quorCGI", c.quorCGI);
    c.user = Or(a, s, "user", index == 0 && a.Read(s, "nomeConf").empty() ? "default" : "unknown");
    c.sezione = IntOr(a.Read(s, "sezione"), 0, 9999, 0);
    return c;
}

bool WriteServerConfig(TConfigAccess& a, int index, const TServerConfig& c) {
    const std::string s = Sub(kServerSection, index);
    bool ok = a.Write(s, "nomeConf", c.nomeConf);
    ok = a.Write(s, "server", c.server) && ok;
    ok = a.Write(s, "port", std::to_string(c.port)) && ok;
    ok = a.Write(s, "timeout", std::to_string(c.timeout)) && ok;
    ok = a.Write(s, "quorBaseDir", c.quorBaseDir) && ok;
    ok = a.Write(s, "quorBaseDir2", c.quorBaseDir2) && ok;
    ok = a.Write(s, "quorUpCGI", c.quorUpCGI) && ok;
    ok = a.Write(s, "quorCGI", c.quorCGI) && ok;
    ok = a.Write(s, "user", c.user) && ok;
    ok = a.Write(s, "sezione", std::to_string(c.sezione)) && ok;
    RaiseCount(a, kServerSection, index);
    return ok;
}

int SelectedServerConfig(const TConfigAccess& a) {
    int i = IntOr(a.Read(kServerSection, "NumSelectedConf"), 0, 999, 0);
    return i < ServerConfigCount(a) ? i : 0;
}

void SetSelectedServerConfig(TConfigAccess& a, int index) {
    a.Write(kServerSection, "NumSelectedConf", std::to_string(index));
}

}  // namespace publish
