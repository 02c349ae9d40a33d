// Object types of a hypertext and the fixed facts of each: record size in the
// native file, where its attached streams' position and size are kept, the
// subtype that marks it empty and the one a new object gets.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace model {

enum TOggettiHel : std::uint8_t {
    testoHtml = 0,
    internetLink = 1,
    zipLink = 2,
    genLink = 3,
    keyword = 4,
    immagine = 5,
    mappaClic = 6,
    programma = 7,
    tabellaHtml = 8,
    mappaFrame = 9,
    speclink = 10,
    shortObj = 11,
    custom = 12,
    dbloc = 13,
    spazio4 = 14,
    spazio5 = 15,
    immagineNew = 16,
    stileParagrafo = 17,
    fontFace = 18,
    formato = 19,
    inputStat = 20,
    inputDin = 21,
    bottoneCGI = 22,
    inizioForm = 23,
    multiMedia = 24,
    none = 25,
    testoHtmlRtf = 26,
};

constexpr int kTypeCount = 27;      // codes 0..26
constexpr int kLastStoredType = 25;  // written directory covers 0..25
constexpr int kDataSize = 668;       // every object's data block
constexpr int kHeaderSize = 1978;
constexpr std::int32_t kNoRef = -1;
constexpr std::uint32_t kMaxIndex = (1u << 24) - 1;

// Name of a type as the enumeration spells it.
std::string_view TypeName(int type);
// Type code from its name; -1 when unknown.
int TypeFromName(std::string_view name);

// Record size written by this version (0 for codes above 24).
int RecordSize(int type);

// Where the first or second attached stream keeps its position and size in the
// record; pos < 0 when the type has no such stream.
struct StreamField {
    int pos = -1;
    int size = -1;
    bool size16 = false;  // tables keep a 16-bit size, valid only when byte 81 is set
};
StreamField FirstStreamField(int type);
StreamField SecondStreamField(int type);

// Pictures and embedded files read their bytes from the open file on demand.
bool IsLazyStreamType(int type);

// Subtype given by "new", or -1 for types that have none.
int NewSubtype(int type);

// References: type in bits 24..31, slot index in bits 0..23.
constexpr std::int32_t MakeRef(int type, std::uint32_t index) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(type) << 24) | (index & kMaxIndex));
}
constexpr int RefType(std::int32_t ref) { return static_cast<int>(static_cast<std::uint32_t>(ref) >> 24); }
constexpr std::uint32_t RefIndex(std::int32_t ref) { return static_cast<std::uint32_t>(ref) & kMaxIndex; }
constexpr std::uint32_t kPageLocalBase = 0x6F000000u;
constexpr std::uint32_t kFragmentLocalBase = 0xFF000000u;

}  // namespace model
