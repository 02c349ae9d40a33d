// The models a new hypertext can start from: the ones built into the
// program (an empty hypertext, a site with a contents page, a slide show)
// and the models the user saved with "Salva come modello...".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shell/StartLogic.h"

namespace model {
class TNYXset;
}

namespace shell {

enum TBuiltInModel { kModelEmpty = 0, kModelSite = 1, kModelSlides = 2, kBuiltInModels = 3 };

struct THypertextModel {
    std::string name;         // shown in the list (Windows-1252)
    std::string description;  // what it holds (Windows-1252)
    std::filesystem::path file;  // a saved model; empty for a built-in one
    int builtIn = -1;            // TBuiltInModel, -1 for a saved model
};

// The built-in models first, then the saved models of the user's templates
// folder sorted by name, described by their hypertext's title and information.
std::vector<THypertextModel> HypertextModels(const TProgramPaths& paths);

// Fills a new hypertext (just made with NewHypertext) with a built-in model;
// `title` (Windows-1252) becomes the hypertext's title and the cover page's
// heading. Marks nothing changed: the pages are the model's.
void BuildModel(model::TNYXset& set, int builtIn, std::string_view title);

}  // namespace shell
