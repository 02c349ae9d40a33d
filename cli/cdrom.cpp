// nyx cdrom: builds the folder of a self-installing CD from a settings file
// (".wzz") made in the desktop program, for scripts.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cdrom/CdBuilder.h"
#include "cdrom/CdSettings.h"
#include "cdrom/IniFile.h"
#include "cli/Command.h"
#include "shell/StartLogic.h"

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "nyx cdrom build IMPOSTAZIONI.wzz DESTINAZIONE [--utils CARTELLA]\n"
    "  Crea in DESTINAZIONE la cartella del CD: programma di installazione, f/install.lst e i file elencati.\n"
    "  --utils: la cartella dei file del programma di installazione (predefinita: Utils dei dati del programma).";

const nyx::Command& Self();

fs::path DefaultUtils() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return shell::TProgramPaths::Find(ec ? fs::path("nyx") : exe).dataFolder / "Utils";
}

int Build(const nyx::Args& args) {
    std::vector<std::string> rest;
    fs::path utils;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--utils") {
            if (i + 1 >= args.size()) return nyx::UsageError(Self(), "--utils senza cartella");
            utils = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return nyx::UsageError(Self(), "opzione sconosciuta " + args[i]);
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.size() != 2) return nyx::UsageError(Self(), "servono il file di impostazioni e la destinazione");
    if (utils.empty()) utils = DefaultUtils();

    std::string error;
    const auto ini = cdrom::TIniFile::LoadFromFile(rest[0], &error);
    if (!ini) {
        std::fprintf(stderr, "nyx cdrom: %s\n", error.c_str());
        return nyx::kFailed;
    }
    std::error_code ec;
    const fs::path dest = fs::absolute(rest[1], ec).lexically_normal();
    cdrom::TReadResult r = cdrom::ReadSettings(*ini, utils, dest.string());
    if (!r.refused.empty()) {
        // A settings file that asks for what cannot be built builds nothing.
        std::fprintf(stderr, "nyx cdrom: voci non ammesse in %s:\n", rest[0].c_str());
        for (const std::string& line : r.refused) std::fprintf(stderr, "  %s\n", line.c_str());
        return nyx::kFailed;
    }
    r.settings.destPath = cdrom::WithTrailingSlash(rest[1].empty() ? std::string() : dest.string());

    cdrom::TBuildOptions o;
    o.utils = utils;
    const bool tty = ::isatty(STDERR_FILENO);
    o.progress = [tty](const cdrom::TBuildProgress& p) {
        if (tty) std::fprintf(stderr, "\r%zu/%zu %-60.60s", p.done, p.total, p.file.c_str());
        return true;
    };
    const cdrom::TBuildReport report = cdrom::BuildCd(r.settings, o);
    if (tty) std::fprintf(stderr, "\r%80s\r", "");
    if (!report.refused.empty()) {
        std::fprintf(stderr, "nyx cdrom: %s\n", report.refused.c_str());
        return nyx::kFailed;
    }
    for (const std::string& line : report.ReportLines()) std::fprintf(stderr, "%s\n", line.c_str());
    for (std::size_t g = 0; g < r.settings.groups.size() && g < report.groupBytes.size(); ++g)
        std::printf("gruppo %zu \"%s\": %s MB\n", g, r.settings.groups[g].c_str(), cdrom::Megabytes(report.groupBytes[g]).c_str());
    if (!report.Done()) return nyx::kFailed;
    std::printf("CD creato in %s (%zu file)\n", r.settings.destPath.c_str(), r.settings.entries.size());
    return nyx::kOk;
}

int Run(const nyx::Args& args) {
    if (args.empty()) return nyx::UsageError(Self(), "manca il comando (build)");
    if (args[0] == "build") return Build(nyx::Args(args.begin() + 1, args.end()));
    return nyx::UsageError(Self(), "comando sconosciuto \"" + args[0] + "\"");
}

const nyx::Registrar registrar({"cdrom", "crea la cartella di un CD-ROM autoinstallante da un file .wzz", kUsage, Run});

const nyx::Command& Self() {
    for (const auto& c : nyx::Commands())
        if (c.name == "cdrom") return c;
    static const nyx::Command fallback{"cdrom", "", kUsage, Run};
    return fallback;
}

}  // namespace
