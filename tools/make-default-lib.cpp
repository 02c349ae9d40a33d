// Makes the prototype library shipped in data/Custom/default.cus: an empty
// hypertext in the native container, titled as a library. The desktop
// program copies it to the user's data folder on first use.
#include <cstdio>
#include <filesystem>

#include "model/NYXset.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "uso: make-default-lib FILE.cus\n");
        return 2;
    }
    const std::filesystem::path out(argv[1]);
    model::TNYXset set;
    set.NewHypertext();
    set.SetTitle("Libreria di prototipi");
    // Not the name of whoever ran the build.
    set.SetHStr(model::hdr::kAuthors, model::hdr::kNameCap, "Quor");
    std::error_code ec;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    if (!set.SaveToFile(out, 2)) {
        std::fprintf(stderr, "Salvataggio non riuscito: %s\n", out.c_str());
        return 1;
    }
    return 0;
}
