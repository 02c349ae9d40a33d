// The reader of one RTF text: the group-state stack and the control words
// (RtfReader.cpp), paragraphs, tables and pictures written as stored markup
// (RtfOutput.cpp), and the pages, WinHelp topics and clipboard container an
// import makes of them (RtfImport.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/rtf/NYXtortf.h"
#include "convert/rtf/RtfTokens.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::rtf {

struct TCharFmt {
    int font = -1;
    int halfPoints = 24;
    int colour = 0;
    std::uint8_t bits = 0;
    std::uint8_t pos = 0;
    bool hidden = false;
    int hot = 0;  // WinHelp: 1 popup (single underline), 2 jump (double underline)
};

struct TParaFmt {
    int style = 0;  // RTF style number
    int align = 0, numbering = 0;
    std::int32_t fi = 0, li = 0, ri = 0, sb = 0, sa = 0;  // twips
    std::int32_t sl = 0;
    bool slGiven = false;
    // Which values the RTF gave: the others stay the paragraph style's.
    enum : unsigned { gAlign = 1, gNumbering = 2, gFi = 4, gLi = 8, gRi = 16, gSb = 32, gSa = 64 };
    unsigned given = 0;
    bool inTable = false;
};

enum class TDest : std::uint8_t {
    Normal, Skip, FontTable, ColourTable, StyleSheet, StyleEntry, ListTable, ListLevel, ListOverride, Info, InfoTitle,
    Pict, Footnote, Annotation, AtnAuthor, Frame, Pn, NoText
};

struct TRtfState {
    TCharFmt ch;
    TParaFmt pa;
    TDest dest = TDest::Normal;
    int uc = 1;
    int out = 0;
};

struct TFontEntry {
    std::string face;
    int codePage = 0;
};

// A control word as the style sheet gave it, kept so that a style can be
// read again on top of the style it is based on.
struct TStyleWord {
    std::string word;
    bool has = false;
    std::int32_t param = 0;
};

struct TStyleEntry {
    std::string name;
    TCharFmt ch;
    TParaFmt pa;
    int basedOn = -1;
    std::vector<TStyleWord> words;  // its own formatting words, in order
    int slot = -1;  // the hypertext's style
};

// A table being read: its object, its column edges and rows.
struct TTableBuild {
    model::TNYXoggetto* obj = nullptr;
    std::vector<std::int32_t> edges;        // right edges in twips of the current row definition
    std::vector<std::int32_t> rowBacks;     // backgrounds of the current row definition
    std::vector<std::int32_t> backs;        // every row's backgrounds
    bool anyBack = false;
    int columns = 0;
    int rows = 0;
    int cellsLeft = 0;
    bool rowOpen = false;
    bool defining = false;  // between "\trowd" and the row's first text
    bool lastCellOpen = false;  // the row's last cell waits for "\row"
    std::int32_t pendingBack = -1;
    std::int32_t border = 0;  // widest border of the current row definition, twips
};

// One text being written: a page body, a header or footer page, or the
// plain text of a footnote or annotation.
struct TOut {
    enum Kind { kBody, kFrame, kPlain } kind = kBody;
    std::string markup;
    std::string para;       // the open paragraph's characters and run tags
    bool paraOpen = false;
    TCharFmt first, run;    // the paragraph's first and current run formats
    std::size_t paraChars = 0;
    int paragraphs = 0;     // in the page so far
    int sinceSplit = 0;
    std::string plain;      // kPlain
    TTableBuild table;
    bool haveTable = false;
    int cellParas = 0;      // paragraphs of the current cell
    std::size_t hotStart = std::string::npos;  // WinHelp: where the hot spot's text began in `para`
    std::string hidden;     // WinHelp: hidden jump text met after a hot spot
    int hotKind = 0;
};

class TRtfReader {
public:
    TRtfReader(TNYXtortf& x, model::TNYXset& set, bool clipboard, bool severalPages, const std::filesystem::path& file);
    ~TRtfReader();

    // Reads the whole text; false when it is no RTF at all.
    bool Read(std::string_view rtf);

    // Clipboard mode: the objects made, in the order of their "<$FF" ids.
    std::vector<std::unique_ptr<model::TNYXoggetto>> clipObjects;
    std::string clipMarkup;
    int clipParagraphs = 0;
    std::vector<std::int32_t> pages;  // pages made
    std::vector<std::string> problems;

    static constexpr int kMaxDepth = 256;
    static constexpr int kMaxColumns = 50;
    static constexpr int kMaxRows = 255;
    int defaultStyle = 0;  // clipboard: the caret paragraph's style

private:
    // --- control words and groups (RtfReader.cpp) -----------------------------------------
    void Group(const TRtfToken& first);
    void Word(const TRtfToken& t);
    void Symbol(char c);
    void CharWord(std::string_view w, bool has, std::int32_t v, TRtfState& s);
    bool ParaWord(std::string_view w, bool has, std::int32_t v, TRtfState& s);
    void EndGroup(const TRtfState& closed);
    void HeaderText(std::string_view text);
    void ResolveStyles();
    bool BorderWord(std::string_view w, bool has, std::int32_t v);
    void CommitBorderSide();
    TRtfState& S() { return stack_.back(); }

    // --- output (RtfOutput.cpp) -----------------------------------------------------------------
    void Char(char c);                 // one Windows-1252 character of the text
    void TextBytes(std::string_view bytes);
    void Byte(std::uint8_t b);         // a "\'hh" byte in the current font's code page
    void Unicode(std::int32_t u);
    void EndParagraph(bool force = false);
    void WriteParagraph(TOut& o);
    std::string ParaTag(const TOut& o) const;
    std::string RunTag(const TCharFmt& f, const TOut& o) const;
    std::string FaceOf(int font) const;
    int StyleSlot(int rtfStyle);
    std::string PlainText(std::string_view markup) const;
    std::uint32_t ColourOf(int index) const;
    model::TNYXoggetto* NewObj(int type, std::unique_ptr<model::TNYXoggetto>& owner);
    void RowDefinition();
    void CellX(std::int32_t edge);
    void Cell();
    void Row();
    void FinishTable(TOut& o);
    void StartTable(TOut& o);
    void CommitRow(TOut& o);
    void OpenPara(TOut& o);
    void Picture();
    void Comment(const std::string& text);
    void HotSpotDone(TOut& o);
    void Bitmap(std::string_view name);

    // --- pages (RtfImport.cpp) ---------------------------------------------------------------------
    void PageBreak();
    void MaybeSplit(TOut& o);
    void HeadingSplit(TOut& o, int level, const std::string& title);
    std::int32_t MakePage(std::string markup, const std::string& title);
    std::int32_t TopicPage(const std::string& id, bool create);
    void Footnote(const std::string& text);
    void FinishBody();
    void ClosePage(TOut& o);
    std::int32_t IndexPage();

    friend class TNYXtortf;
    TNYXtortf& x_;
    model::TNYXset& set_;
    bool clip_;
    bool several_;
    std::filesystem::path file_;
    TRtfScanner sc_{{}};
    std::vector<TRtfState> stack_;
    std::vector<TOut> outs_;
    int depthSkipped_ = 0;
    int unicodeSkip_ = 0;
    int codePage_ = 1252;
    int deff_ = 0;
    std::map<int, TFontEntry> fonts_;
    std::vector<std::uint32_t> colours_;  // index 0 the automatic colour
    std::map<int, TStyleEntry> styles_;
    std::map<int, int> listNfc_;       // list id -> level-0 number format
    std::map<int, int> overrides_;     // \ls number -> list id
    int curList_ = 0, curNfc_ = -1, curLs_ = 0;
    int entryFont_ = 0;
    std::string entryText_;
    std::uint32_t entryColour_ = 0;
    bool entryHasRed_ = false;
    int styleEntryNo_ = 0;
    int styleEntryBase_ = -1;
    std::vector<TStyleWord> styleEntryWords_;
    // The border side of a row definition being read ("\trbrdrt", "\clbrdrl", ...).
    bool sideOpen_ = false;
    int sideStyle_ = 0;       // 0 none given, -1 none, 1 a line, 2 a thick line
    std::int32_t sideWidth_ = -1;  // "\brdrw", twips; -1 not given
    std::string atnAuthor_;
    std::string infoTitle_;
    // pictures
    std::string pictHex_, pictBin_;
    std::string pictKind_;
    std::int32_t picw_ = 0, pich_ = 0, picwgoal_ = 0, pichgoal_ = 0, scalex_ = 100, scaley_ = 100;
    bool pictBad_ = false;
    // pages
    model::TNYXoggetto* curPage_ = nullptr;
    std::int32_t curPageNo_ = -1;
    std::string title_;
    std::string topicId_;
    std::vector<std::string> keywords_;
    int splitCount_ = 0;
    int objectsMade_ = 0;
    std::int32_t indexPage_ = -1;  // this file's own index page
};

}  // namespace convert::rtf
