#include "model/Types.h"

namespace model {

namespace {

constexpr std::array<std::string_view, kTypeCount> kNames = {
    "testoHtml",   "internetLink", "zipLink",        "genLink",  "keyword",   "immagine",   "mappaClic",
    "programma",   "tabellaHtml",  "mappaFrame",     "speclink", "shortObj",  "custom",     "dbloc",
    "spazio4",     "spazio5",      "immagineNew",    "stileParagrafo", "fontFace", "formato", "inputStat",
    "inputDin",    "bottoneCGI",   "inizioForm",     "multiMedia", "none",    "testoHtmlRtf",
};

constexpr std::array<int, kTypeCount> kRecordSize = {
    292, 133, 93, 93, 80, 667, 667, 465, 220, 112, 47, 28, 80, 67, 0, 0, 553, 103, 38, 75, 192, 460, 203, 364, 46, 0, 0,
};

constexpr std::array<int, kTypeCount> kNewSubtype = {
    0, 4, -1, 4, -1, 0, -1, -1, 2, 2, 1, 1, 1, 7, -1, -1, 1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1,
};

}  // namespace

std::string_view TypeName(int type) {
    if (type < 0 || type >= kTypeCount) return "?";
    return kNames[type];
}

int TypeFromName(std::string_view name) {
    for (int i = 0; i < kTypeCount; ++i)
        if (kNames[i] == name) return i;
    return -1;
}

int RecordSize(int type) {
    if (type < 0 || type > 24) return 0;
    return kRecordSize[type];
}

StreamField FirstStreamField(int type) {
    switch (type) {
        case testoHtml: return {0, 185};
        case zipLink: case genLink: case mappaFrame: return {0, 85};
        case immagine: case mappaClic: return {0, 174};
        case tabellaHtml: return {0, 85, true};
        case speclink: return {0, 5};
        case shortObj: case custom: case dbloc: case inputStat: case inputDin: case multiMedia: return {0, 13};
        default: return {};
    }
}

StreamField SecondStreamField(int type) {
    switch (type) {
        case testoHtml: return {239, 243};
        case tabellaHtml: return {58, 62};
        case speclink: return {39, 43};
        case shortObj: return {20, 24};
        case custom: return {72, 76};
        case dbloc: case multiMedia: return {38, 42};
        case immagineNew: return {61, 65};
        case inputStat: return {184, 188};
        case inputDin: return {452, 456};
        case bottoneCGI: return {195, 199};
        case inizioForm: return {356, 360};
        default: return {};
    }
}

bool IsLazyStreamType(int type) {
    return type == zipLink || type == genLink || type == immagine || type == mappaClic;
}

int NewSubtype(int type) {
    if (type < 0 || type >= kTypeCount) return -1;
    return kNewSubtype[type];
}

}  // namespace model
