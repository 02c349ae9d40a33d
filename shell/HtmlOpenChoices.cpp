#include "shell/HtmlOpenChoices.h"

#include "convert/Converter.h"
#include "convert/html/HtmlImport.h"
#include "platform/Ui.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

// The hypertext a marker names: the path as written when it is there, else a
// file of that name (compared without case) beside the HTML file. Names
// written on Windows ("C:\siti\guida.nyx") count by their last part.
fs::path FindNative(const fs::path& html, const std::string& name) {
    std::error_code ec;
    const fs::path asWritten(name);
    if (asWritten.is_absolute() && fs::is_regular_file(asWritten, ec)) return asWritten;
    const std::string leaf = convert::SafeLeafName(name);
    if (leaf.empty()) return {};
    const fs::path folder = html.parent_path().empty() ? fs::path(".") : html.parent_path();
    if (fs::is_regular_file(folder / leaf, ec)) return folder / leaf;
    const std::string want = Lower(leaf);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (Lower(it->path().filename().string()) == want && it->is_regular_file(ec)) return it->path();
    return {};
}

}  // namespace

THtmlOpenChoices::THtmlOpenChoices(fs::path file) : file_(std::move(file)) {
    const convert::html::TPageMarker m = convert::html::THtmlImport::ReadPageMarker(file_);
    nativeName_ = m.nyxName;
    page_ = m.page;
    if (Marked()) native_ = FindNative(file_, nativeName_);
}

void THtmlOpenChoices::SetNativeFile(const fs::path& file) {
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) native_ = file;
}

std::string THtmlOpenChoices::Message() const {
    if (!Marked()) return {};
    std::string s = "Questa pagina html deriva dall'ipertesto  \"" + nativeName_ + "\"";
    if (Found())
        s += ": Quor utilizzer\xC3\xA0 la pagina in formato nativo, prelevandola dall'ipertesto. ";
    else
        s += ", che Quor non riesce a trovare: \xC3\xA8 consigliabile scegliere Cerca per cercarlo. Editando l'Html per conto "
             "suo vanno perse alcune caratteristiche di formattazione.";
    return s;
}

std::vector<std::string> THtmlOpenChoices::Texts() const {
    if (Marked())
        return {"editare questa pagina nel corrispondente ipertesto in formato nativo",
                "aprire una copia del corrispondente ipertesto",
                "aprire un nuovo ipertesto in cui la pagina scelta sar\xC3\xA0 copiata come prima pagina",
                "inserire la pagina scelta nel corrente ipertesto"};
    return {"inserire la pagina nel corrente ipertesto, importandola", "aprire un nuovo ipertesto di cui questa sar\xC3\xA0 la prima pagina",
            "editare un insieme di pagine (ipertesto) di cui questa pagina \xC3\xA8 l'indice"};
}

std::vector<THtmlOpenAction> THtmlOpenChoices::Actions() const {
    using A = THtmlOpenAction;
    if (Marked()) return {A::EditNative, A::OpenCopy, A::NewWithPage, A::InsertPage};
    return {A::InsertPage, A::NewWithPage, A::ImportIndex};
}

std::optional<THtmlOpenAction> THtmlOpenChoices::Confirm(std::size_t index) const {
    const auto actions = Actions();
    if (index >= actions.size()) return std::nullopt;
    const THtmlOpenAction a = actions[index];
    if ((a == THtmlOpenAction::EditNative || a == THtmlOpenAction::OpenCopy) && !Found()) {
        const platform::Answer answer = platform::ui().AskYesNo(
            "L'ipertesto Quor corrispondente alla pagina Html non \xC3\xA8 stato trovato. Per cercare l'ipertesto, scegliere No e poi "
            "Cerca. Per cercare di importare in qualche modo l'ipertesto dall'Html, scegliere S\xC3\xAC.");
        if (answer != platform::Answer::Yes) return std::nullopt;
        return THtmlOpenAction::ImportIndex;
    }
    return a;
}

}  // namespace shell
