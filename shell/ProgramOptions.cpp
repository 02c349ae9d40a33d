#include "shell/ProgramOptions.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/text.h"

namespace shell {

namespace text = platform::text;

const char* const kDefaultWebServer = "www.example.com";
const char* const kDefaultFtpServer = "ftp.example.com";

namespace {
using K = TOptionKind;
constexpr const char* kOpt = "options";
}  // namespace

const std::vector<TOptionInfo>& OptionCatalogue() {
    static const std::vector<TOptionInfo> table = {
        // Simple options.
        {kOpt, "TipOfTheDay", K::FlagOnIfOneOrMissing, "1", 0, 0, "mostra il suggerimento del giorno alla partenza"},
        {kOpt, "AutoHideTip", K::FlagOnIfOne, "0", 0, 0, "chiudi automaticamente il suggerimento"},
        {kOpt, "AtStartBlank", K::FlagOnIfOne, "0", 0, 0, "parti con pagina vuota"},
        {kOpt, "LastFile", K::Text, "", 0, 0, "ultimo documento"},
        {kOpt, "DefaultLib", K::Text, "", 0, 0, "libreria prototipi da aprire (vuoto: Custom/default.cus)"},
        {kOpt, "maxCacheImg", K::Number, "20", 10, 200, "immagini nella cache"},
        {kOpt, "undoDeep", K::Number, "20", 5, 100, "livelli di undo"},
        {kOpt, "formLim", K::Number, "5", 3, 10, "cache finestre"},
        {kOpt, "PromemSave", K::FlagOnIfOne, "0", 0, 0, "promemoria salvataggio"},
        {kOpt, "TimeSave", K::Number, "5", 1, 1440, "minuti del promemoria salvataggio"},
        {kOpt, "Virgolette", K::FlagOnIfOne, "0", 0, 0, "virgolette tipografiche durante la scrittura"},
        {kOpt, "Alt", K::FlagOnIfOne, "0", 0, 0, "genera autom. \"alt\" in inserzione immagini"},
        {kOpt, "ElStili", K::FlagOnIfOne, "0", 0, 0, "elimina gli stili importando da file"},
        {kOpt, "ClipStili", K::FlagOnIfOne, "0", 0, 0, "elimina gli stili importando dagli appunti"},
        {kOpt, "ElForm", K::FlagOnIfOne, "0", 0, 0, "elimina parte della formattazione importando da file"},
        {kOpt, "ClipForm", K::FlagOnIfOne, "0", 0, 0, "elimina parte della formattazione importando dagli appunti"},
        {kOpt, "BordoSx", K::FlagOnIfOne, "0", 0, 0, "mostra il bordo sinistro dell'editor"},
        {kOpt, "Bak", K::FlagOnUnlessZero, "1", 0, 0, "copie .bak al salvataggio"},
        {kOpt, "NotSaveTool", K::Text, "", 0, 0, "\"0\": ripristina le posizioni delle toolbar"},
        {kOpt, "CercaTop", K::FlagOnIfOne, "0", 0, 0, "finestre di ricerca sempre in primo piano"},
        {kOpt, "SaveTxtHtml", K::FlagOnIfOne, "0", 0, 0, "salva .TXT in contemporanea a HTML"},
        {kOpt, "Cursors", K::Number, "0", 0, 99, "insieme di puntatori"},
        {kOpt, "dbDebug", K::FlagOnIfOne, "0", 0, 0, "aiuto al debug del database"},
        {kOpt, "dbDebugMap", K::FlagOnIfOne, "0", 0, 0, "aiuto al debug del database (mappa)"},
        {kOpt, "HcpPath", K::Text, "", 0, 0, "percorso del compilatore WinHelp"},
        {kOpt, "wholeword", K::Text, "", 0, 0, "ricerca: solo parole intere"},
        {kOpt, "ignorecaps", K::Text, "", 0, 0, "ricerca: ignora maiuscole/minuscole"},
        {kOpt, "conf1", K::Text, "", 0, 0, "ricerca: chiedi conferma per sostituire una"},
        {kOpt, "confAll", K::Text, "", 0, 0, "ricerca: chiedi conferma per sostituire tutte"},
        {kOpt, "startFrom", K::Text, "", 0, 0, "ricerca: parti da"},
        {kOpt, "finds", K::Text, "", 0, 0, "ricerca: ultimi termini"},
        // Spell checking.
        {"orto", "lang", K::Number, "1040", 1, 65535, "lingua del correttore"},
        {"orto", "userDic", K::FlagOnIfOne, "0", 0, 0, "dizionario utente"},
        {"orto", "roman", K::FlagOnIfOne, "0", 0, 0, "ignora numeri romani"},
        {"orto", "caps", K::FlagOnIfOne, "0", 0, 0, "ignora parole maiuscole"},
        {"orto", "repeat", K::FlagOnIfOne, "0", 0, 0, "segnala parole ripetute"},
        {"orto", "start", K::FlagOnIfOne, "0", 0, 0, "maiuscola a inizio frase"},
        {"orto", "point", K::FlagOnIfOne, "0", 0, 0, "spazi dopo il punto"},
        {"orto", "rate", K::FlagOnIfOne, "0", 0, 0, "suggerimenti rapidi"},
        {"orto", "auto", K::FlagOnUnlessZero, "1", 0, 0, "controllo durante la scrittura"},
        {"orto", "progr", K::FlagOnIfOne, "0", 0, 0, "mostra la finestra di avanzamento"},
        // HTML export.
        {"htmlexp", "expOrigName", K::FlagOnIfOne, "0", 0, 0, "nomi originali per img e files"},
        {"htmlexp", "expSepImage", K::FlagOnIfOne, "0", 0, 0, "immagini in dir separata"},
        {"htmlexp", "expAlt", K::FlagOnUnlessZero, "1", 0, 0, "genera autom. \"alt\" per zone"},
        {"htmlexp", "expTipoExt", K::Number, "0", 0, 1, "estensione delle pagine: 0 .htm, 1 .html"},
        // FTP publishing.
        {"ftpnet", "numConfTot", K::Number, "1", 1, 1000, "numero di configurazioni FTP"},
        {"ftpnet", "numSelectedConf", K::Number, "0", 0, 999, "configurazione scelta"},
        {"ftpnet", "numSelectedConf0", K::Number, "0", 0, 999, "configurazione scelta (modo 0)"},
        {"ftpnet", "numSelectedConf1", K::Number, "0", 0, 999, "configurazione scelta (modo 1)"},
        {"ftpnet", "numSelectedConf2", K::Number, "0", 0, 999, "configurazione scelta (modo 2)"},
        {"ftpnet", "autoChooseMod", K::FlagOnIfOne, "0", 0, 0, "scegli automaticamente le pagine cambiate"},
        {"ftpnet", "numMax", K::Text, "", 0, 0, "impostato dall'installazione"},
        {"ftpnet\\N", "nomeConf", K::Text, "", 0, 0, "nome della configurazione"},
        {"ftpnet\\N", "server", K::Text, "", 0, 0, "server FTP"},
        {"ftpnet\\N", "port", K::Number, "21", 1, 65535, "porta"},
        {"ftpnet\\N", "timeout", K::Number, "30", 1, 3600, "time-out in secondi"},
        {"ftpnet\\N", "user", K::Text, "unknown", 0, 0, "utente"},
        {"ftpnet\\N", "BaseDir", K::Text, "/", 0, 0, "cartella remota"},
        {"ftpnet\\N", "www", K::Text, "", 0, 0, "indirizzo web della cartella remota"},
        {"ftpnet\\N", "script", K::Text, "", 0, 0, "script dopo ogni file"},
        {"ftpnet\\N", "scriptm", K::Text, "", 0, 0, "script dopo ogni file (metodo)"},
        {"ftpnet\\N", "useScript", K::FlagOnIfOne, "0", 0, 0, "chiama lo script"},
        {"ftpnet\\N", "savePass", K::FlagOnIfOne, "0", 0, 0, "memorizza la password"},
        {"ftpnet\\N", "pass", K::Text, "", 0, 0, "password (solo con savePass)"},
        // Server publishing.
        {"quornet", "numConfTot", K::Number, "1", 1, 1000, "numero di configurazioni server"},
        {"quornet", "numSelectedConf", K::Number, "0", 0, 999, "configurazione scelta"},
        {"quornet", "directoryGet", K::Text, "c:\\temp", 0, 0, "cartella degli scaricamenti"},
        {"quornet\\N", "nomeConf", K::Text, "", 0, 0, "nome della configurazione"},
        {"quornet\\N", "server", K::Text, "", 0, 0, "server web"},
        {"quornet\\N", "port", K::Number, "80", 1, 65535, "porta HTTP"},
        {"quornet\\N", "timeout", K::Number, "30", 1, 3600, "time-out in secondi"},
        {"quornet\\N", "quorBaseDir", K::Text, "/scripts/cgi-quor/", 0, 0, "cartella del modello di sezione"},
        {"quornet\\N", "quorBaseDir2", K::Text, "/scripts/cgi-quor/", 0, 0, "cartella dei programmi CGI"},
        {"quornet\\N", "quorUpCGI", K::Text, "quorupd.dll", 0, 0, "programma di invio"},
        {"quornet\\N", "quorCGI", K::Text, "quord.dll", 0, 0, "programma di lettura"},
        {"quornet\\N", "user", K::Text, "unknown", 0, 0, "utente"},
        {"quornet\\N", "sezione", K::Number, "0", 0, 9999, "ultima sezione scelta"},
        {"quornet\\N", "directoryGet", K::Text, "c:\\temp", 0, 0, "cartella degli scaricamenti"},
    };
    return table;
}

const TOptionInfo* FindOptionInfo(std::string_view section, std::string_view name) {
    std::string sec = TKeyTree::NormalizePath(section);
    // "ftpnet\3" -> "ftpnet\N"
    if (std::size_t cut = sec.rfind('\\'); cut != std::string::npos && cut + 1 < sec.size()) {
        const std::string_view tail = std::string_view(sec).substr(cut + 1);
        if (std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; }))
            sec = sec.substr(0, cut + 1) + "N";
    }
    if (sec.empty()) sec = kOpt;
    for (const TOptionInfo& s : OptionCatalogue())
        if (text::EqualsNoCase(s.section, sec) && text::EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}

bool ParseInteger(std::string_view s, long long& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const bool negative = s.front() == '-';
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (ptr != s.data() + s.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Only digits, but too many: far out of any range, on its side.
        out = negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
        return true;
    }
    return ec == std::errc();
}

int ReadNumber(std::string_view stored, int fallback, int min, int max) {
    long long v;
    if (!ParseInteger(stored, v)) return fallback;
    return static_cast<int>(std::clamp<long long>(v, min, max));
}

bool FlagValue(const TOptionInfo& info, std::string_view stored) {
    switch (info.kind) {
        case K::FlagOnUnlessZero: return stored != "0";
        case K::FlagOnIfOneOrMissing: return stored == "1" || stored.empty();
        default: return stored == "1";
    }
}

int NumberValue(const TOptionInfo& info, std::string_view stored) {
    long long def = 0;
    ParseInteger(info.defaultValue, def);
    return ReadNumber(stored, static_cast<int>(def), info.min, info.max);
}

namespace {

const TOptionInfo& Info(std::string_view section, std::string_view name) {
    const TOptionInfo* s = FindOptionInfo(section, name);
    // The names below are all catalogued; a miss is a programming error
    // caught by the tests, never by users.
    static const TOptionInfo none{"", "", K::Text, "", 0, 0, ""};
    return s ? *s : none;
}

bool Flag(const TOptionsStore& st, std::string_view section, std::string_view name) {
    return ReadFlagOption(st, section, name);
}
int Number(const TOptionsStore& st, std::string_view section, std::string_view name) {
    return ReadNumberOption(st, section, name);
}

}  // namespace

int ReadNumberOption(const TOptionsStore& st, std::string_view section, std::string_view name) {
    return NumberValue(Info(section, name), st.ReadSectionOption(section, name));
}

bool ReadFlagOption(const TOptionsStore& st, std::string_view section, std::string_view name) {
    return FlagValue(Info(section, name), st.ReadSectionOption(section, name));
}

TProgramOptions ReadProgramOptions(const TOptionsStore& st) {
    TProgramOptions o;
    o.tipOfTheDay = Flag(st, kOpt, "TipOfTheDay");
    o.autoHideTip = Flag(st, kOpt, "AutoHideTip");
    o.atStartBlank = Flag(st, kOpt, "AtStartBlank");
    o.lastFile = st.ReadOption("LastFile");
    o.defaultLib = st.ReadOption("DefaultLib");
    o.maxCacheImg = Number(st, kOpt, "maxCacheImg");
    o.undoDeep = Number(st, kOpt, "undoDeep");
    o.formLim = Number(st, kOpt, "formLim");
    o.promemSave = Flag(st, kOpt, "PromemSave");
    o.timeSave = Number(st, kOpt, "TimeSave");
    o.virgolette = Flag(st, kOpt, "Virgolette");
    o.alt = Flag(st, kOpt, "Alt");
    o.elStili = Flag(st, kOpt, "ElStili");
    o.clipStili = Flag(st, kOpt, "ClipStili");
    o.elForm = Flag(st, kOpt, "ElForm");
    o.clipForm = Flag(st, kOpt, "ClipForm");
    o.bordoSx = Flag(st, kOpt, "BordoSx");
    o.bak = Flag(st, kOpt, "Bak");
    o.restoreToolbars = st.ReadOption("NotSaveTool") == "0";
    o.cercaTop = Flag(st, kOpt, "CercaTop");
    o.saveTxtHtml = Flag(st, kOpt, "SaveTxtHtml");
    o.cursors = Number(st, kOpt, "Cursors");
    o.dbDebug = Flag(st, kOpt, "dbDebug");
    o.dbDebugMap = Flag(st, kOpt, "dbDebugMap");
    o.hcpPath = st.ReadOption("HcpPath");
    return o;
}

bool WriteProgramOptions(TOptionsStore& st, const TProgramOptions& o) {
    st.BeginUpdate();
    st.WriteFlag("TipOfTheDay", o.tipOfTheDay);
    st.WriteFlag("AutoHideTip", o.autoHideTip);
    st.WriteFlag("AtStartBlank", o.atStartBlank);
    st.WriteOption("LastFile", o.lastFile);
    st.WriteOption("DefaultLib", o.defaultLib);
    st.WriteOption("maxCacheImg", std::to_string(std::clamp(o.maxCacheImg, 10, 200)));
    st.WriteOption("undoDeep", std::to_string(std::clamp(o.undoDeep, 5, 100)));
    st.WriteOption("formLim", std::to_string(std::clamp(o.formLim, 3, 10)));
    st.WriteFlag("PromemSave", o.promemSave);
    st.WriteOption("TimeSave", std::to_string(std::clamp(o.timeSave, 1, 1440)));
    st.WriteFlag("Virgolette", o.virgolette);
    st.WriteFlag("Alt", o.alt);
    st.WriteFlag("ElStili", o.elStili);
    st.WriteFlag("ClipStili", o.clipStili);
    st.WriteFlag("ElForm", o.elForm);
    st.WriteFlag("ClipForm", o.clipForm);
    st.WriteFlag("BordoSx", o.bordoSx);
    st.WriteFlag("Bak", o.bak);
    st.WriteFlag("NotSaveTool", !o.restoreToolbars);
    st.WriteFlag("CercaTop", o.cercaTop);
    st.WriteFlag("SaveTxtHtml", o.saveTxtHtml);
    st.WriteOption("Cursors", std::to_string(std::clamp(o.cursors, 0, 99)));
    st.WriteFlag("dbDebug", o.dbDebug);
    st.WriteFlag("dbDebugMap", o.dbDebugMap);
    st.WriteOption("HcpPath", o.hcpPath);
    return st.EndUpdate();
}

TSpellOptions ReadSpellOptions(const TOptionsStore& st) {
    TSpellOptions o;
    o.lang = Number(st, "orto", "lang");
    o.userDic = Flag(st, "orto", "userDic");
    o.roman = Flag(st, "orto", "roman");
    o.caps = Flag(st, "orto", "caps");
    o.repeat = Flag(st, "orto", "repeat");
    o.start = Flag(st, "orto", "start");
    o.point = Flag(st, "orto", "point");
    o.rate = Flag(st, "orto", "rate");
    o.autoCheck = Flag(st, "orto", "auto");
    o.progress = Flag(st, "orto", "progr");
    return o;
}

THtmlExportOptions ReadHtmlExportOptions(const TOptionsStore& st) {
    THtmlExportOptions o;
    o.expOrigName = Flag(st, "htmlexp", "expOrigName");
    o.expSepImage = Flag(st, "htmlexp", "expSepImage");
    o.expAlt = Flag(st, "htmlexp", "expAlt");
    o.expTipoExt = Number(st, "htmlexp", "expTipoExt");
    return o;
}

bool WriteHtmlExportOptions(TOptionsStore& st, const THtmlExportOptions& o) {
    st.BeginUpdate();
    st.WriteSectionFlag("htmlexp", "expOrigName", o.expOrigName);
    st.WriteSectionFlag("htmlexp", "expSepImage", o.expSepImage);
    st.WriteSectionFlag("htmlexp", "expAlt", o.expAlt);
    st.WriteSectionOption("htmlexp", "expTipoExt", o.expTipoExt == 1 ? "1" : "0");
    return st.EndUpdate();
}

std::vector<TBrowser> ReadBrowsers(const TOptionsStore& st) {
    const int n = ReadNumber(st.ReadSectionOption("Browser", "num"), 0, 0, kMaxBrowsers);
    std::vector<TBrowser> out;
    for (int i = 0; i < n; ++i) {
        const std::string sec = "Browser\\" + std::to_string(i);
        out.push_back({st.ReadSectionOption(sec, "Name"), st.ReadSectionOption(sec, "appPath")});
    }
    return out;
}

TExtensionHandling ReadExtension(const TOptionsStore& st, std::string_view extension) {
    std::string ext(extension);
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    const std::string sec = "ext\\" + ext;
    TExtensionHandling h;
    if (ext.empty() || !st.SectionExists(sec)) return h;  // comp 2: the system's program
    h.nam = st.ReadSectionOption(sec, "nam");
    h.appPath = st.ReadSectionOption(sec, "appPath");
    // Empty or not a number: 0 (ask the user); other values as stored.
    h.comp = ReadNumber(st.ReadSectionOption(sec, "comp"), 0, std::numeric_limits<int>::min(),
                        std::numeric_limits<int>::max());
    return h;
}

std::vector<std::string> ReadRecentFiles(const TOptionsStore& st) {
    std::vector<std::string> out;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        std::string f = st.ReadSectionOption("RecentFile", std::to_string(i));
        if (!f.empty()) out.push_back(std::move(f));
    }
    return out;
}

bool WriteRecentFiles(TOptionsStore& st, const std::vector<std::string>& files) {
    st.BeginUpdate();
    // The newest files are the last ones: keep those when given too many.
    const std::size_t skip = files.size() > kMaxRecentFiles ? files.size() - kMaxRecentFiles : 0;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const std::size_t k = skip + static_cast<std::size_t>(i);
        st.WriteSectionOption("RecentFile", std::to_string(i), k < files.size() ? files[k] : std::string());
    }
    return st.EndUpdate();
}

bool EnsureDefaultNetConfigurations(TOptionsStore& st) {
    bool created = false;
    st.BeginUpdate();
    if (st.ReadSectionOption("quornet", "numConfTot").empty()) {
        created = true;
        st.WriteSectionOption("quornet", "numConfTot", "1");
        st.WriteSectionOption("quornet", "numSelectedConf", "0");
        // The download folder is read from "quornet"; the configuration
        // carries it as well, as it always did.
        st.WriteSectionOption("quornet", "directoryGet", "c:\\temp");
        const char* q = "quornet\\0";
        st.WriteSectionOption(q, "directoryGet", "c:\\temp");
        st.WriteSectionOption(q, "quorBaseDir", "/scripts/cgi-quor/");
        st.WriteSectionOption(q, "quorBaseDir2", "/scripts/cgi-quor/");
        st.WriteSectionOption(q, "quorCGI", "quord.dll");
        st.WriteSectionOption(q, "quorUpCGI", "quorupd.dll");
        st.WriteSectionOption(q, "nomeConf", "DefaultNT");
        st.WriteSectionOption(q, "port", "80");
        st.WriteSectionOption(q, "server", kDefaultWebServer);
        st.WriteSectionOption(q, "sezione", "0");
        st.WriteSectionOption(q, "timeout", "30");
        st.WriteSectionOption(q, "user", "default");
    }
    if (st.ReadSectionOption("ftpnet", "numConfTot").empty()) {
        created = true;
        st.WriteSectionOption("ftpnet", "numConfTot", "1");
        for (const char* n : {"numSelectedConf", "numSelectedConf0", "numSelectedConf1", "numSelectedConf2"})
            st.WriteSectionOption("ftpnet", n, "0");
        const char* f = "ftpnet\\0";
        st.WriteSectionOption(f, "BaseDir", "/");
        st.WriteSectionOption(f, "nomeConf", "Default");
        st.WriteSectionOption(f, "port", "21");
        st.WriteSectionOption(f, "savePass", "0");
        st.WriteSectionOption(f, "server", kDefaultFtpServer);
        st.WriteSectionOption(f, "timeout", "30");
        st.WriteSectionOption(f, "user", "anonymous");
        st.WriteSectionOption(f, "useScript", "0");
    }
    st.EndUpdate();
    return created;
}

bool WriteInstallationDefaults(TOptionsStore& st) { return st.WriteSectionOption("ftpnet", "numMax", "222"); }

std::filesystem::path DefaultLibraryFile(std::string_view defaultLib, const std::filesystem::path& programFolder) {
    const std::string lower = text::Lower(defaultLib);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".cus") == 0)
        return std::filesystem::path(text::Cp1252ToUtf8(defaultLib));
    return programFolder / "Custom" / "default.cus";
}

void ApplyOptions(const TOptionsStore& st, TOptionsTarget& target) {
    const TProgramOptions o = ReadProgramOptions(st);
    target.SetPictureCacheSize(o.maxCacheImg);
    target.SetUndoDepth(o.undoDeep);
    target.SetSaveReminder(o.promemSave, o.timeSave);
    target.SetSpellOptions(ReadSpellOptions(st));
    target.SetTypographicQuotes(o.virgolette);
    target.SetAltFromPictureNames(o.alt);
    target.SetDebugAids(o.dbDebug, o.dbDebugMap);
    target.SetBackups(o.bak);
    target.SetLeftBorder(o.bordoSx);
    target.SetSearchWindowsOnTop(o.cercaTop);
    target.SetBrowsers(ReadBrowsers(st));
    target.SetPointerSet(o.cursors);
}

}  // namespace shell
