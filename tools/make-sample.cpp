// Makes the sample hypertext shipped in examples/: a few linked pages in a
// page order with a chapter, previous-page and next-page links, an embedded
// file and a picture drawn here, all by our own code.
#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/text.h"

namespace fs = std::filesystem;
using namespace model;

namespace {

// A 64x48 GIF with a simple pattern, written through giflib.
bool WriteGif(const fs::path& path) {
    const int w = 64, h = 48;
    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
    if (!gif) return false;
    GifColorType colours[4] = {{255, 255, 255}, {30, 90, 160}, {230, 170, 40}, {40, 40, 40}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    bool ok = EGifPutScreenDesc(gif, w, h, 2, 0, map) == GIF_OK && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(w);
    for (int y = 0; ok && y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int dx = x - 32, dy = y - 24;
            line[x] = static_cast<GifPixelType>(dx * dx + dy * dy < 300 ? 2 : ((x / 8 + y / 8) % 2 ? 1 : 0));
            if (y == 0 || y == h - 1 || x == 0 || x == w - 1) line[x] = 3;
        }
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &err) == GIF_OK && ok;
}

std::string Ref(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

std::string B(const std::string& utf8) { return platform::text::Utf8ToCp1252(utf8); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "uso: make-sample FILE.nyx\n");
        return 2;
    }
    const fs::path out = argv[1];
    TNYXset set;
    set.NewHypertext();
    set.SetTitle(B("Guida di esempio"));
    set.SetHStr(hdr::kAuthors, hdr::kNameCap, "Redazione Quor");
    set.SetHStr(hdr::kCompany, hdr::kNameCap, "Quor");
    set.SetHStr(hdr::kCopyright, hdr::kNameCap, B("© 2026 Redazione Quor"));
    set.SetExpPrefix("guida");
    set.SetHWord(hdr::kLanguage, 1040);  // Italian
    set.SetInfo(B("Un piccolo ipertesto per provare il programma."));

    auto page = [&](const std::string& title) {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetName(B(title));
        return p;
    };
    TNYXtesto* cover = page("Copertina");
    TNYXtesto* about = page("Che cos'è un ipertesto");
    TNYXtesto* pictures = page("Immagini e file");

    auto linkTo = [&](TNYXoggetto* target) {
        TNYXoggetto* l = set.NewObject(speclink);
        l->SetInt(linkrec::kTarget, target->Reference());
        l->SetInt(linkrec::kAnchor, -1);
        l->SetByte(linkrec::kShows, 0);
        l->SetByte(linkrec::kOpenMode, 0);
        return l;
    };
    // Previous and next page by the page order, each link a record of its own.
    auto step = [&](std::uint8_t kind, const char* text) {
        TNYXoggetto* l = set.NewObject(speclink);
        l->SetSubtype(kind);
        l->SetInt(linkrec::kAnchor, -1);
        return Ref(l->Reference()) + B(text) + "<%>";
    };
    auto previous = [&] { return step(linkrec::kPreviousPage, "pagina precedente"); };
    auto next = [&] { return step(linkrec::kNextPage, "pagina seguente"); };

    // The picture: data object plus its placement on a page.
    const fs::path gifPath = fs::temp_directory_path() / "quor-sample-logo.gif";
    if (!WriteGif(gifPath)) {
        std::fprintf(stderr, "make-sample: non riesco a scrivere la GIF\n");
        return 1;
    }
    std::ifstream in(gifPath, std::ios::binary);
    std::string gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(gifPath);
    TNYXoggetto* pic = set.NewObject(immagine);
    pic->SetFileName("logo.gif");
    pic->SetName("logo");
    pic->SetSubtype(0);
    pic->SetInt(170, -2);
    pic->SetFirstStream(gif);
    pic->SetInt(174, static_cast<std::int32_t>(gif.size()));
    pic->SetWord(85, 64);
    pic->SetWord(87, 48);
    TNYXoggetto* placed = set.NewObject(immagineNew);
    placed->Assign(*pic);

    TNYXoggetto* file = set.NewObject(genLink);
    const std::string notes = B("Note di lavoro\r\nQuesto file è incorporato nell'ipertesto.\r\n");
    file->SetName("note.txt");
    file->SetFirstStream(notes);
    file->SetInt(85, static_cast<std::int32_t>(notes.size()));

    cover->SetText(B("<Z S0 A2 ><Y c0000FF s18 y1 >Benvenuti nella guida di esempio<Z S0 ><Y y0 >Questa guida mostra ") +
                   B("pagine collegate, un'immagine e un file incorporato. Leggete ") + Ref(linkTo(about)->Reference()) +
                   B("che cos'è un ipertesto<%>, oppure passate alle ") + Ref(linkTo(pictures)->Reference()) +
                   B("immagini<%>.<Z S0 >") + next());
    about->SetText(B("<Z S0 >Un ipertesto è un insieme di pagine unite da collegamenti. Ogni pagina contiene testo ") +
                   B("formattato e oggetti: immagini con zone cliccabili, tabelle, pulsanti.<Z S0 >Torna alla ") +
                   Ref(linkTo(cover)->Reference()) + B("copertina<%>.<Z S0 >") + previous() + " - " + next());
    pictures->SetText(B("<Z S0 >Il logo della guida:<Z S0 >") + Ref(placed->Reference()) +
                      B("<Z S0 >E qui il file di note incorporato.<Z S0 >") + previous());

    // The page order: the cover, then a chapter with the other pages. Storing
    // it gives the pages the numbers the previous and next links follow.
    TNYXorderedTree order(&set, testoHtml);
    auto node = [](int level, std::int32_t number, const std::string& text) {
        return "a" + std::to_string(level) + "," + std::to_string(number) + "," + text + "\r\n";
    };
    order.ReadStoredForm(node(0, -2, platform::text::Utf8ToCp1252(out.filename().string())) +
                         node(1, cover->Reference(), "x") + node(1, -3, B("Guida")) + node(2, about->Reference(), "x") +
                         node(2, pictures->Reference(), "x"));
    order.Store();

    set.backups = false;
    if (!set.SaveToFile(out)) {
        std::fprintf(stderr, "make-sample: salvataggio non riuscito\n");
        return 1;
    }
    std::printf("%s: %zu pagine\n", out.c_str(), set.Count(testoHtml));
    return 0;
}
