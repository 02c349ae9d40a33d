// The server configurations of publishing, kept in the options store: FTP
// servers under "ftpnet\N", publishing servers under "quornet\N", with the
// global keys (count, last chosen per dialog mode) in "ftpnet" and "quornet".
// The options store belongs to a higher layer; it is reached through
// TConfigAccess, which the shell (and the command-line tool) provide.
#pragma once

#include <string>

namespace publish {

class TConfigAccess {
public:
    virtual ~TConfigAccess() = default;
    // "" when missing.
    virtual std::string Read(const std::string& section, const std::string& name) const = 0;
    virtual bool Write(const std::string& section, const std::string& name, const std::string& value) = 0;
    virtual bool Erase(const std::string& section, const std::string& name) = 0;
};

// A host name that may go into a connection and into a request line: not
// empty, at most 253 bytes, no blanks, control characters or bytes above 126.
bool ValidHostName(const std::string& host);
// Decimal integer in [lo, hi], else `fallback`.
int IntOr(const std::string& text, int lo, int hi, int fallback);

struct TFtpConfig {
    std::string nomeConf = "Default";
    std::string server = "ftp.esempio.invalid";
    int port = 21;
    int timeout = 30;  // seconds
    std::string user = "unknown";
    std::string baseDir = "/";
    std::string www;
    std::string script, scriptm;
    bool useScript = false;
    bool savePass = false;
    std::string pass;  // only meaningful with savePass
};

constexpr const char* kFtpSection = "ftpnet";

int FtpConfigCount(const TConfigAccess& access);
// Out-of-range numbers fall back to their defaults (port 21, time-out 30 s).
TFtpConfig ReadFtpConfig(const TConfigAccess& access, int index);
// Writes every key; the password only when savePass is on (and erases a
// stored one when it is off). Raises the count when index is past it.
bool WriteFtpConfig(TConfigAccess& access, int index, const TFtpConfig& config);
// The configuration last chosen in a dialog mode (0 when none or out of range).
int SelectedFtpConfig(const TConfigAccess& access, int mode);
void SetSelectedFtpConfig(TConfigAccess& access, int mode, int index);
bool AutoChooseChanged(const TConfigAccess& access);
void SetAutoChooseChanged(TConfigAccess& access, bool on);

// Publishing-server configurations.
struct TServerConfig {
    std::string nomeConf = "DefaultNT";
    std::string server = "www.esempio.invalid";
    int port = 80;
    int timeout = 30;
    std::string quorBaseDir = "/scripts/cgi-quor/";
    std::string quorBaseDir2 = "/scripts/cgi-quor/";
    std::string quorUpCGI = "quorupd.dll";
    std::string quorCGI = "quord.dll";
    std::string user = "unknown";
    int sezione = 0;
};

constexpr const char* kServerSection = "quornet";

int ServerConfigCount(const TConfigAccess& access);
TServerConfig ReadServerConfig(const TConfigAccess& access, int index);
bool WriteServerConfig(TConfigAccess& access, int index, const TServerConfig& config);
int SelectedServerConfig(const TConfigAccess& access);
void SetSelectedServerConfig(TConfigAccess& access, int index);

}  // namespace publish
