#include "model/Fields.h"

namespace model {

namespace {

using R = TSubtypeRule;

// One row per field and subtype rule. The same field may have two rows when
// its uses hold for different subtypes: a marker's value is made page-local
// and owned for every marker but anchors and catalogue links (whose value is
// a number), yet only a window launch leads anywhere through it.
//
// Working copies and the clipboard must see the same fields when they make a
// field page-local and when they make it global again, whatever the record's
// subtype became in between; so the luLocal rows do not depend on subtypes
// that an edit may change (a link stays a link whatever it does).
//
// Fields that are not page-local (a database connection's links, a floating
// frame's page) keep global references inside a working copy.
constexpr TLinkField kLinkFields[] = {
    //  type         rule       subtypes   off  n   step uses                                     follow reason
    {speclink,    R::Any,    {0, 0},    13,  1,  0,  luLocal,                                  false, 0},
    {speclink,    R::Only,   {1, 0},    13,  1,  0,  luRefers | luLeads,                       false, 10},
    {shortObj,    R::Except, {14, 15},  5,   1,  0,  luLocal | luOwned,                        true,  0},
    {shortObj,    R::Only,   {13, 0},   5,   1,  0,  luRefers | luLeads,                       true,  12},
    {dbloc,       R::Any,    {0, 0},    51,  4,  4,  luOwned | luRefers | luLeads,             true,  16},
    {immagineNew, R::Any,    {0, 0},    73,  30, 16, luLocal | luOwned | luRefers | luLeads,   true,  11},
    {inputStat,   R::Only,   {18, 0},   108, 1,  0,  luRefers | luLeads,                       true,  8},
    {bottoneCGI,  R::Any,    {0, 0},    181, 1,  0,  luLocal | luOwned | luRefers | luLeads,   true,  9},
};

// Picture fields. Only a placed picture's own three pictures travel with it
// through the clipboard.
constexpr TPictureField kPictureFields[] = {
    //  type         rule       subtypes  off  uses                   reason
    {testoHtml,   R::Any,    {0, 0},   85,  puRefers,              2},
    {dbloc,       R::Any,    {0, 0},   47,  puRefers,              16},
    {immagineNew, R::Any,    {0, 0},   0,   puCarried | puRefers,  1},
    {immagineNew, R::Any,    {0, 0},   5,   puCarried | puRefers,  1},
    {immagineNew, R::Any,    {0, 0},   9,   puCarried | puRefers,  1},
    {inputStat,   R::Only,   {18, 0},  112, puRefers,              8},
    {bottoneCGI,  R::Any,    {0, 0},   177, puRefers,              9},
    {multiMedia,  R::Except, {6, 6},   21,  puRefers,              7},
};

bool Matches(std::uint8_t type, TSubtypeRule rule, const std::uint8_t (&subtypes)[2], const TNYXoggetto& o) {
    if (o.Type() != type) return false;
    switch (rule) {
        case R::Any: return true;
        case R::Only: return o.Subtype() == subtypes[0];
        case R::Except: return o.Subtype() != subtypes[0] && o.Subtype() != subtypes[1];
    }
    return false;
}

}  // namespace

std::span<const TLinkField> LinkFieldTable() { return kLinkFields; }
std::span<const TPictureField> PictureFieldTable() { return kPictureFields; }

bool LinkFieldApplies(const TLinkField& row, const TNYXoggetto& o) {
    return Matches(row.type, row.rule, row.subtypes, o);
}

bool PictureFieldApplies(const TPictureField& row, const TNYXoggetto& o) {
    return Matches(row.type, row.rule, row.subtypes, o);
}

std::vector<std::size_t> LinkFields(const TNYXoggetto& o) {
    std::vector<std::size_t> f;
    ForEachLinkField(o, luLocal, [&](const TLinkField&, std::size_t off) { f.push_back(off); });
    return f;
}

std::int32_t PictureSlotOf(std::int32_t value) {
    if (value < 0) return kNoRef;
    if (static_cast<std::uint32_t>(value) <= kMaxIndex) return value;
    if (RefType(value) == immagine) return static_cast<std::int32_t>(RefIndex(value));
    return kNoRef;
}

std::vector<std::size_t> PictureFields(const TNYXoggetto& o) {
    std::vector<std::size_t> f;
    for (const TPictureField& row : kPictureFields)
        if ((row.uses & puCarried) && PictureFieldApplies(row, o)) f.push_back(row.offset);
    return f;
}

}  // namespace model
