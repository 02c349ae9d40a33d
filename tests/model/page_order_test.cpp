#include <gtest/gtest.h>

#include <random>

#include "model/NYXset.h"
#include "model/Page.h"
#include "model/PageOrder.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/NyxBuilder.h"

using namespace model;
using platform::testing::FixedEnv;
using platform::testing::Message;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
using testsupport::AddPage;
using testsupport::NyxBuilder;
namespace fs = std::filesystem;

namespace {

using Kind = TNYXtreeNode::Kind;
const std::vector<std::string> kNoErrors;

// One line per node: level, kind letter, text; object nodes show their slot.
std::string Outline(const TNYXorderedTree& tree) {
    std::string out;
    for (const TNYXtreeNode* n : tree.NodesInOrder()) {
        if (!out.empty()) out += " | ";
        out += std::to_string(n->Level());
        switch (n->kind) {
            case Kind::Root: out += "R "; break;
            case Kind::Chapter: out += "C "; break;
            case Kind::Object: out += "O "; break;
            case Kind::None: out += "- "; break;
        }
        out += n->text;
        if (const TNYXoggetto* o = tree.NodeObject(*n)) out += "#" + std::to_string(o->Index());
    }
    return out;
}

class PageOrder : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;
    TNYXset set;

    // guida.nyx: pages P0..P6 with P3 empty; with a stored tree when `stored` is given.
    void Load(const std::string* stored, std::uint8_t holderSubtype = 10) {
        NyxBuilder b;
        testsupport::AddDefaultStyles(b);
        for (int i = 0; i < 7; ++i) {
            auto& e = AddPage(b, "P" + std::to_string(i), "<Z S0 >testo");
            if (i == 3) e.rec.U8(4, 3);
        }
        if (stored) {
            auto& m = b.Add(shortObj);
            m.rec.U8(4, holderSubtype).I32(20, -1).I32(24, -1);
            m.first = *stored;
            b.header().I32(hdr::kPageTreeHolder, MakeRef(shortObj, 0));
        }
        b.Write(dir / "guida.nyx");
        ASSERT_TRUE(set.LoadFromFile(dir / "guida.nyx"));
    }
    std::string HolderStream() {
        std::string s;
        set.PageTreeHolder()->ReadFirstStream(s);
        return s;
    }
    TNYXtreeNode* Find(TNYXorderedTree& tree, const std::string& text) {
        for (TNYXtreeNode* n : tree.NodesInOrder())
            if (n->text == text) return n;
        return nullptr;
    }
};

}  // namespace

TEST_F(PageOrder, StoredFormIsReadAndWrittenByteForByte) {
    // Chapters nested and climbed out of, a node without data, texts with
    // commas, accents and control bytes, the hypertext not first.
    const std::string stored = std::string(
        "a0,-3,Premessa, breve\r\n"
        "a1,2,x\r\n"
        "a0,-2,guida.nyx\r\n"
        "a1,-3,Capitolo \xE8 uno\r\n"
        "a2,5,x\r\n"
        "a2,-3,Sezione\r\n"
        "a3,1,x\r\n"
        "a3,-1,perduta\x01\x1F\r\n"
        "a1,0,x\r\n"
        "a1,-3,\r\n");
    Load(&stored);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    EXPECT_EQ(Outline(tree),
              "0C Premessa, breve | 1O P2#2 | 0R guida.nyx | 1C Capitolo \xE8 uno | 2O P5#5 | 2C Sezione | 3O P1#1 | "
              "3- perduta\x01\x1F | 1O P0#0 | 1C ");
    ASSERT_TRUE(tree.Store());
    EXPECT_EQ(testsupport::FirstDiff(HolderStream(), stored), "");
    // It travels in the native file unchanged.
    ASSERT_TRUE(set.SaveToFile(dir / "copia.nyx"));
    TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(dir / "copia.nyx"));
    std::string s;
    again.PageTreeHolder()->ReadFirstStream(s);
    EXPECT_EQ(s, stored);
    EXPECT_EQ(ui.ui.AllTexts(), kNoErrors);
}

TEST_F(PageOrder, ReadingTheStoredForm) {
    struct Case {
        const char* name;
        std::string stored;
        std::string outline;
        std::vector<std::string> errors;
    } cases[] = {
        {"three lines", "a0,-2,guida.nyx\r\na1,-3,Capitolo\r\na2,5,x\r\n", "0R guida.nyx | 1C Capitolo | 2O P5#5", {}},
        {"climbing", "a0,-2,r\r\na1,-3,A\r\na2,-3,B\r\na3,1,x\r\na1,-3,C\r\na2,2,x\r\n",
         "0R r | 1C A | 2C B | 3O P1#1 | 1C C | 2O P2#2", {}},
        {"level 3 after level 1", "a0,-2,r\r\na1,-3,A\r\na3,1,x\r\na2,2,x\r\n", "0R r | 1C A | 2O P2#2",
         {"error loading nodes"}},
        {"first line deep", "a4,-2,r\r\na1,1,x\r\na5,2,x\r\n", "0R r | 1O P1#1", {"error loading nodes"}},
        {"negative level", "a0,-2,r\r\na1,-3,A\r\na-5,-3,B\r\n", "0R r | 1C A | 0C B", {}},
        {"not beginning with a", "a0,-2,r\r\nb1,2,x\r\n\r\n a1,2,x\r\na1,4,x\r\n", "0R r | 1O P4#4",
         {"error decoding nodes"}},
        {"not numbers read as 1", "a0,-2,r\r\naZ,Q,testo\r\na1,+2,x\r\n", "0R r | 1O P1#1 | 1O P2#2", {}},
        {"missing commas", "a0,-2,r\r\na1\r\na1,-3\r\na,-3,Z\r\n", "0R r | 1O P1#1 | 1C  | 1C Z", {}},
        {"number beyond 32 bits", "a0,-2,r\r\na1,4294967296,x\r\na99999999999,-3,C\r\n", "0R r | 1O P1#1 | 1C C", {}},
        {"level beyond the bound", "a0,-2,r\r\na1,-3,A\r\na2147483647,2,x\r\n", "0R r | 1C A",
         {"error loading nodes"}},
        {"no CR LF at the end, bare LF and CR", "a0,-2,r\na1,1,x\ra1,2,x", "0R r | 1O P1#1 | 1O P2#2", {}},
        {"references without a page", "a0,-2,r\r\na1,3,x\r\na1,99,x\r\na1,16777217,x\r\na1,-7,y\r\na1,-1,z\r\n",
         "0R r | 1- x | 1- x | 1- x | 1- y | 1- z", {}},
    };
    Load(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.ui.ClearMessages();
        TNYXorderedTree tree(&set, testoHtml);
        EXPECT_EQ(tree.ReadStoredForm(c.stored), c.errors.empty());
        EXPECT_EQ(Outline(tree), c.outline);
        EXPECT_EQ(ui.ui.Texts(Message::Error), c.errors);
    }
}

TEST_F(PageOrder, DefaultTreeWhenNothingIsStored) {
    Load(nullptr);
    ASSERT_EQ(set.HInt(hdr::kPageTreeHolder), 0);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    EXPECT_EQ(Outline(tree), "0R guida.nyx | 1O P0#0 | 1O P1#1 | 1O P2#2 | 1O P4#4 | 1O P5#5 | 1O P6#6");
    EXPECT_EQ(tree.TopNodes()[0]->icon, ".nyx");
    EXPECT_EQ(tree.TopNodes()[0]->Children()[0]->icon, ".txt");
    // The holder was made and the default tree stored in it.
    const TNYXoggetto* holder = set.ObjectByRef(set.HInt(hdr::kPageTreeHolder));
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->Type(), shortObj);
    EXPECT_EQ(holder->Subtype(), 10);
    EXPECT_EQ(HolderStream(), "a0,-2,guida.nyx\r\na1,0,x\r\na1,1,x\r\na1,2,x\r\na1,4,x\r\na1,5,x\r\na1,6,x\r\n");

    // An empty stored stream, or a header that names something else, also gives the default tree.
    for (std::uint8_t subtype : {std::uint8_t(10), std::uint8_t(14)}) {
        const std::string empty;
        Load(&empty, subtype);
        TNYXorderedTree t(&set, testoHtml);
        ASSERT_TRUE(t.Reload());
        EXPECT_EQ(Outline(t), "0R guida.nyx | 1O P0#0 | 1O P1#1 | 1O P2#2 | 1O P4#4 | 1O P5#5 | 1O P6#6");
    }

    // Prototype trees use their own holder and leave the page order alone.
    TNYXoggetto* proto = set.NewObject(custom);
    proto->SetName("Orologio");
    TNYXorderedTree protos(&set, custom);
    ASSERT_TRUE(protos.Reload());
    EXPECT_EQ(Outline(protos), "0R guida.nyx | 1O Orologio#0");
    std::string s;
    set.PrototypeTreeHolder()->ReadFirstStream(s);
    EXPECT_EQ(s, "a0,-2,guida.nyx\r\na1,201326592,x\r\n");
    EXPECT_NE(set.PrototypeTreeHolder(), set.PageTreeHolder());
}

TEST_F(PageOrder, MovesAndRefusals) {
    const std::string stored =
        "a0,-2,R\r\na1,-3,A\r\na2,1,x\r\na2,2,x\r\na2,4,x\r\na1,-3,B\r\na2,5,x\r\na1,6,x\r\n";
    enum Op { Up, Down, Under, Delete };
    struct Case {
        Op op;
        const char* node;
        const char* target;
        bool editable;
        int result;  // bool for Up/Down/Delete, MoveResult for Under
        const char* outline;
    };
    using MR = TNYXorderedTree::MoveResult;
    const char* same = "0R R | 1C A | 2O P1#1 | 2O P2#2 | 2O P4#4 | 1C B | 2O P5#5 | 1O P6#6";
    const Case cases[] = {
        {Up, "P1", "", true, false, same},
        {Up, "P2", "", true, true, "0R R | 1C A | 2O P2#2 | 2O P1#1 | 2O P4#4 | 1C B | 2O P5#5 | 1O P6#6"},
        {Up, "P4", "", true, true, "0R R | 1C A | 2O P1#1 | 2O P4#4 | 2O P2#2 | 1C B | 2O P5#5 | 1O P6#6"},
        {Up, "B", "", true, true, "0R R | 1C B | 2O P5#5 | 1C A | 2O P1#1 | 2O P2#2 | 2O P4#4 | 1O P6#6"},
        {Down, "P4", "", true, false, same},
        {Down, "P2", "", true, true, "0R R | 1C A | 2O P1#1 | 2O P4#4 | 2O P2#2 | 1C B | 2O P5#5 | 1O P6#6"},
        {Down, "P1", "", true, true, "0R R | 1C A | 2O P2#2 | 2O P1#1 | 2O P4#4 | 1C B | 2O P5#5 | 1O P6#6"},
        {Down, "P5", "", true, false, same},
        {Up, "P2", "", false, false, same},
        {Under, "A", "B", true, int(MR::Moved), "0R R | 1C B | 2O P5#5 | 2C A | 3O P1#1 | 3O P2#2 | 3O P4#4 | 1O P6#6"},
        {Under, "P6", "A", true, int(MR::Moved),
         "0R R | 1C A | 2O P1#1 | 2O P2#2 | 2O P4#4 | 2O P6#6 | 1C B | 2O P5#5"},
        {Under, "P5", "P6", true, int(MR::Moved),
         "0R R | 1C A | 2O P1#1 | 2O P2#2 | 2O P4#4 | 1C B | 1O P6#6 | 2O P5#5"},
        {Under, "A", "P1", true, int(MR::IntoOwnSubtree), same},
        {Under, "A", "A", true, int(MR::IntoOwnSubtree), same},
        {Under, "R", "B", true, int(MR::IsRoot), same},
        {Under, "P1", "B", false, int(MR::NotEditable), same},
        {Delete, "R", "", true, false, same},
        {Delete, "P2", "", false, false, same},
        {Delete, "A", "", true, true, "0R R | 1C B | 2O P5#5 | 1O P6#6"},
    };
    Load(&stored);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + std::to_string(c.op) + " " + c.target);
        TNYXorderedTree tree(&set, testoHtml);
        ASSERT_TRUE(tree.Reload());
        tree.Editable = c.editable;
        TNYXtreeNode* node = Find(tree, c.node);
        ASSERT_NE(node, nullptr);
        tree.Select(node);
        switch (c.op) {
            case Up: EXPECT_EQ(tree.MoveUp(), bool(c.result)); break;
            case Down: EXPECT_EQ(tree.MoveDown(), bool(c.result)); break;
            case Under: EXPECT_EQ(int(tree.MoveNode(node, Find(tree, c.target))), c.result); break;
            case Delete: EXPECT_EQ(tree.DeleteNode(node), bool(c.result)); break;
        }
        EXPECT_EQ(Outline(tree), c.outline);
    }

    // A node of another tree is neither moved nor deleted; the root is also
    // kept inside a chapter that holds it.
    TNYXorderedTree a(&set, testoHtml), b(&set, testoHtml);
    ASSERT_TRUE(a.Reload());
    ASSERT_TRUE(b.ReadStoredForm("a0,-3,C\r\na1,-2,R\r\n"));
    EXPECT_EQ(a.MoveNode(Find(a, "P1"), Find(b, "C")), MR::NotInTree);
    EXPECT_FALSE(a.DeleteNode(Find(b, "C")));
    EXPECT_FALSE(b.DeleteNode(Find(b, "C")));
    EXPECT_EQ(b.MoveNode(Find(b, "C"), Find(b, "R")), MR::IsRoot);
    EXPECT_EQ(Outline(b), "0C C | 1R R");
}

TEST_F(PageOrder, LevelsAreBounded) {
    std::string deep = "a0,-2,r\r\n";
    for (int l = 1; l <= TNYXorderedTree::kMaxLevel; ++l)
        deep += "a" + std::to_string(l) + ",-3,c" + std::to_string(l) + "\r\n";
    const std::string tooDeep = deep + "a" + std::to_string(TNYXorderedTree::kMaxLevel + 1) + ",-3,oltre\r\n";
    TNYXorderedTree tree(&set, testoHtml);
    EXPECT_TRUE(tree.ReadStoredForm(deep));
    EXPECT_FALSE(tree.ReadStoredForm(tooDeep));
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"error loading nodes"});
    EXPECT_EQ(tree.StoredForm(), deep);
    // Nothing goes below the deepest level by editing either.
    TNYXtreeNode* last = Find(tree, "c" + std::to_string(TNYXorderedTree::kMaxLevel));
    tree.Select(last);
    EXPECT_EQ(tree.AddChapter("oltre"), nullptr);
    EXPECT_EQ(tree.MoveNode(Find(tree, "c99"), Find(tree, "c98")), TNYXorderedTree::MoveResult::Moved);
    EXPECT_EQ(tree.MoveNode(Find(tree, "c98"), Find(tree, "c99")), TNYXorderedTree::MoveResult::IntoOwnSubtree);
    EXPECT_EQ(tree.MoveNode(Find(tree, "c50"), Find(tree, "c60")), TNYXorderedTree::MoveResult::IntoOwnSubtree);
    std::string wide = "a0,-2,r\r\na1,-3,x\r\na2,-3,y\r\n" + deep.substr(9);
    ASSERT_TRUE(tree.ReadStoredForm(wide));
    EXPECT_EQ(tree.MoveNode(Find(tree, "x"), Find(tree, "c100")), TNYXorderedTree::MoveResult::TooDeep);
}

TEST_F(PageOrder, CorruptStoredStreamsNeverBreakTheTree) {
    std::vector<std::string> streams = {
        std::string("\0\0\0\0", 4), "a", ",,,,", "a,", "a0", "a0,", "\r\n\r\n", std::string("a0,-2,\0r\r\n", 10),
        "a0,-3,\x01\x02\x03\r\na1,0,\x7F\r\n", std::string(100000, 'a'), "a1,-3,x\r\na0,-2,r\r\na-2147483648,5,x",
    };
    std::string climb;
    for (int i = 0; i < 5000; ++i) climb += "a" + std::to_string(i % 150) + ",-3,c\r\n";
    streams.push_back(climb);
    std::mt19937 rng(1234);
    for (int k = 0; k < 200; ++k) {
        std::string s;
        const int n = static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) {
            const char alphabet[] = "a0123-,,\r\n\x01xX9";
            s += (rng() % 7 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)];
        }
        streams.push_back(s);
    }
    Load(nullptr);
    for (const std::string& s : streams) {
        TNYXorderedTree tree(&set, testoHtml);
        tree.ReadStoredForm(s);
        for (TNYXtreeNode* n : tree.NodesInOrder()) ASSERT_LE(n->Level(), TNYXorderedTree::kMaxLevel);
        // What is written reads back as the same tree.
        const std::string written = tree.StoredForm();
        TNYXorderedTree again(&set, testoHtml);
        ui.ui.ClearMessages();
        EXPECT_TRUE(again.ReadStoredForm(written));
        EXPECT_EQ(again.StoredForm(), written);
    }
}

TEST_F(PageOrder, DeletedPageKeepsItsNodeWithoutData) {
    Load(nullptr);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    set.ObjectAt(testoHtml, 2)->Reset();
    EXPECT_EQ(Outline(tree), "0R guida.nyx | 1O P0#0 | 1O P1#1 | 1O P2 | 1O P4#4 | 1O P5#5 | 1O P6#6");
    std::vector<TNYXoggetto*> order;
    tree.ObjectsInOrder(order);
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[2]->Index(), 4u);
    ASSERT_TRUE(tree.Store());
    EXPECT_EQ(HolderStream(), "a0,-2,guida.nyx\r\na1,0,x\r\na1,1,x\r\na1,-1,P2\r\na1,4,x\r\na1,5,x\r\na1,6,x\r\n");
    // A new page taking the freed slot does not take over the node.
    TNYXoggetto* fresh = set.NewObject(testoHtml);
    ASSERT_EQ(fresh->Index(), 2u);
    EXPECT_EQ(Outline(tree), "0R guida.nyx | 1O P0#0 | 1O P1#1 | 1- P2 | 1O P4#4 | 1O P5#5 | 1O P6#6");
    EXPECT_EQ(tree.SelectObject(fresh->Reference()), nullptr);
}

TEST_F(PageOrder, SelectingAndAdding) {
    const std::string stored = "a0,-2,R\r\na1,-3,A\r\na2,1,x\r\na1,5,x\r\n";
    Load(&stored);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    EXPECT_EQ(tree.SelectObject(MakeRef(testoHtml, 5)), set.ObjectAt(testoHtml, 5));
    EXPECT_EQ(tree.SelectedChapterName(), "");
    EXPECT_EQ(tree.SelectedObject(), set.ObjectAt(testoHtml, 5));
    EXPECT_EQ(tree.AddChapter("sotto una pagina"), nullptr);  // only under the root or a chapter
    EXPECT_EQ(tree.SelectObject(MakeRef(testoHtml, 3)), nullptr);
    tree.Select(Find(tree, "A"));
    EXPECT_EQ(tree.SelectedChapterName(), "A");
    TNYXtreeNode* sub = tree.AddChapter("Sotto");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->icon, ".hlp");
    EXPECT_NE(tree.AddObject(MakeRef(testoHtml, 6)), nullptr);
    EXPECT_EQ(tree.AddObject(MakeRef(testoHtml, 3)), nullptr);    // empty page
    EXPECT_EQ(tree.AddObject(MakeRef(internetLink, 0)), nullptr); // another type
    EXPECT_TRUE(tree.AcceptsForeignDrop(sub));
    EXPECT_FALSE(tree.AcceptsForeignDrop(Find(tree, "P1")));
    EXPECT_EQ(Outline(tree), "0R R | 1C A | 2O P1#1 | 2C Sotto | 2O P6#6 | 1O P5#5");
    // Texts with line breaks would split their line.
    tree.Select(Find(tree, "R"));
    tree.AddChapter("due\r\nrighe");
    std::vector<TNYXoggetto*> order;
    tree.ObjectsInOrder(order);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[1]->Index(), 6u);
    ASSERT_TRUE(tree.Store());
    EXPECT_EQ(HolderStream(),
              "a0,-2,R\r\na1,-3,A\r\na2,1,x\r\na2,-3,Sotto\r\na2,6,x\r\na1,5,x\r\na1,-3,due  righe\r\n");
    // Renaming in place tells the owner.
    std::string renamed;
    tree.OnRenameItem = [&](TNYXtreeNode&, const std::string& text) { renamed = text; };
    EXPECT_TRUE(tree.RenameNode(sub, "Appendice"));
    EXPECT_EQ(renamed, "Appendice");
    tree.Editable = false;
    EXPECT_FALSE(tree.RenameNode(sub, "altro"));
    EXPECT_EQ(sub->text, "Appendice");
}

TEST_F(PageOrder, PrototypeTreesAskBeforeDeleting) {
    Load(nullptr);
    set.NewObject(custom);
    TNYXorderedTree tree(&set, custom);
    ASSERT_TRUE(tree.Reload());
    std::vector<std::string> asked;
    bool allow = false;
    tree.OnDel = [&](TNYXtreeNode& n) {
        asked.push_back(n.text);
        return allow;
    };
    TNYXtreeNode* proto = tree.TopNodes()[0]->Children()[0].get();
    EXPECT_FALSE(tree.DeleteNode(proto));
    allow = true;
    EXPECT_FALSE(tree.DeleteNode(tree.TopNodes()[0].get()));  // the root: not even asked
    EXPECT_TRUE(tree.DeleteNode(proto));
    EXPECT_EQ(asked, (std::vector<std::string>{"Nuovo prototipo", "Nuovo prototipo"}));
    EXPECT_EQ(Outline(tree), "0R guida.nyx");
}

TEST_F(PageOrder, PreviousAndNextPagesFollowChapterAndPosition) {
    Load(nullptr);
    auto number = [&](int slot, int chapter, int position) {
        TNYXoggetto* p = set.ObjectAt(testoHtml, slot);
        p->SetWord(77, static_cast<std::uint16_t>(chapter));
        p->SetWord(79, static_cast<std::uint16_t>(position));
    };
    // Order: P1 (0,5), P4 (0,5, later slot), P6 (1,0), P0 (1,2); P2 is out
    // of the order, P3 is empty, P5 has chapter -1 and position -3.
    number(0, 1, 2);
    number(1, 0, 5);
    number(2, 1, -1);
    number(3, 0, 0);
    number(4, 0, 5);
    number(5, -1, -3);
    number(6, 1, 0);
    struct Case {
        int slot, previous, next;
    } cases[] = {{1, -1, 4}, {4, 1, 6}, {6, 4, 0}, {0, 6, -1}, {2, -1, -1}, {3, -1, -1}, {5, -1, -1}};
    auto slot = [](const TNYXoggetto* p) { return p ? static_cast<int>(p->Index()) : -1; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        const TNYXoggetto& page = *set.ObjectAt(testoHtml, c.slot);
        EXPECT_EQ(slot(PreviousPage(set, page)), c.previous);
        EXPECT_EQ(slot(NextPage(set, page)), c.next);
    }
}

TEST_F(PageOrder, StoringTheOrderNumbersThePages) {
    // Pages as read from a file keep their numbers, also when the default
    // tree is made for a file without a stored one.
    Load(nullptr);
    set.ObjectAt(testoHtml, 1)->SetWord(79, 4);
    {
        TNYXorderedTree tree(&set, testoHtml);
        ASSERT_TRUE(tree.Reload());
    }
    EXPECT_EQ(set.ObjectAt(testoHtml, 1)->SWord(79), 4);
    EXPECT_EQ(set.ObjectAt(testoHtml, 2)->SWord(79), 0);

    const std::string stored =
        "a0,-2,guida.nyx\r\n"
        "a1,5,x\r\n"
        "a1,-3,Uno\r\n"
        "a2,2,x\r\n"
        "a2,0,x\r\n"
        "a1,-3,Vuoto\r\n"
        "a1,-3,Due\r\n"
        "a2,2,x\r\n"
        "a2,6,x\r\n";
    Load(&stored);
    set.ObjectAt(testoHtml, 4)->SetWord(79, 0xFFFF);  // out of the order
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    set.SetModified(false);
    ASSERT_TRUE(tree.Store());
    EXPECT_TRUE(set.Modified());
    // slot: chapter, position. P2 keeps its first node's numbers; P1 is not
    // in the tree but was in the order, P4 stays out, P3 is empty.
    auto numbers = [&](int slot) {
        const TNYXoggetto* p = set.ObjectAt(testoHtml, slot);
        return std::to_string(p->SWord(77)) + "," + std::to_string(p->SWord(79));
    };
    EXPECT_EQ(numbers(5), "0,0");
    EXPECT_EQ(numbers(2), "1,0");
    EXPECT_EQ(numbers(0), "1,1");
    EXPECT_EQ(numbers(6), "2,0");
    EXPECT_EQ(numbers(1), "2,1");
    EXPECT_EQ(set.ObjectAt(testoHtml, 4)->SWord(79), -1);
    std::string order;
    for (const TNYXoggetto* p : PagesInNumberOrder(set)) order += p->GetName() + " ";
    EXPECT_EQ(order, "P5 P2 P0 P6 P1 ");
    EXPECT_EQ(NextPage(set, *set.ObjectAt(testoHtml, 0))->GetName(), "P6");
    EXPECT_EQ(ui.ui.AllTexts(), kNoErrors);
}

TEST_F(PageOrder, AddedPagesJoinTheEndOfTheOrder) {
    set.NewHypertext();
    auto numbers = [](const TNYXoggetto* p) { return std::to_string(p->SWord(77)) + "," + std::to_string(p->SWord(79)); };
    TNYXoggetto* a = set.NewObject(testoHtml);
    TNYXoggetto* b = set.NewObject(testoHtml);
    EXPECT_EQ(numbers(a), "0,0");
    EXPECT_EQ(numbers(b), "0,1");
    b->SetWord(77, 3);
    b->SetWord(79, 32767);  // a full chapter: the next page opens the next one
    EXPECT_EQ(numbers(set.NewObject(testoHtml)), "4,0");
    // A page out of the order stays out when its working copy is stored back.
    TNYXoggetto* out = set.NewObject(testoHtml);
    out->SetWord(79, 0xFFFF);
    const std::uint32_t outSlot = out->Index();
    ASSERT_NE(StorePage(set, BuildWorkingCopy(set, out), outSlot, true), nullptr);
    EXPECT_EQ(set.ObjectAt(testoHtml, outSlot)->SWord(79), -1);
    // A new text stored as a page, and a page in the slot of a deleted one.
    TNYXtesto* fresh = StorePage(set, BuildWorkingCopy(set, nullptr), -1, true);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(numbers(fresh), "4,1");
    a->Reset();
    TNYXoggetto* reused = set.NewObject(testoHtml);
    EXPECT_EQ(reused->Index(), 0u);
    EXPECT_EQ(numbers(reused), "4,2");
    EXPECT_EQ(PreviousPage(set, *reused), fresh);
}

namespace {

// Random drags, moves after a node and moves up and down never lose or
// double a page, and after each stored move the number order the previous
// and next links follow is the tree's order.
TEST_F(PageOrder, RandomMovesKeepTreeAndTableInAgreement) {
    Load(nullptr);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    tree.Select(tree.RootNode());
    tree.AddChapter("Uno");
    tree.Select(tree.RootNode());
    tree.AddChapter("Due");
    std::vector<TNYXoggetto*> pages;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i)
        if (TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i)); p && !p->IsEmpty()) pages.push_back(p);
    std::mt19937 rng(77);
    for (int step = 0; step < 400; ++step) {
        std::vector<TNYXtreeNode*> nodes = tree.NodesInOrder();
        TNYXtreeNode* a = nodes[rng() % nodes.size()];
        TNYXtreeNode* b = nodes[rng() % nodes.size()];
        switch (rng() % 4) {
            case 0: tree.MoveNode(a, b); break;
            case 1: tree.MoveAfter(a, b); break;
            case 2: tree.MoveUp(a); break;
            default: tree.MoveDown(a); break;
        }
        ASSERT_TRUE(tree.Store());
        std::vector<TNYXoggetto*> inTree;
        tree.ObjectsInOrder(inTree);
        std::erase(inTree, nullptr);
        std::erase_if(inTree, [](TNYXoggetto* o) { return o->Type() != testoHtml; });
        ASSERT_EQ(inTree.size(), pages.size()) << "step " << step;
        ASSERT_EQ(PagesInNumberOrder(set), inTree) << "step " << step;
        ASSERT_EQ(tree.RootNode()->Parent(), nullptr);
    }
    // The stored order reads back as it was.
    TNYXorderedTree again(&set, testoHtml);
    ASSERT_TRUE(again.Reload());
    EXPECT_EQ(Outline(again), Outline(tree));
}

TEST_F(PageOrder, MoveAfterPlacesTheNodeBesideItsSibling) {
    Load(nullptr);
    TNYXorderedTree tree(&set, testoHtml);
    ASSERT_TRUE(tree.Reload());
    EXPECT_EQ(tree.MoveAfter(Find(tree, "P0"), Find(tree, "P4")), TNYXorderedTree::MoveResult::Moved);
    EXPECT_EQ(Outline(tree), "0R guida.nyx | 1O P1#1 | 1O P2#2 | 1O P4#4 | 1O P0#0 | 1O P5#5 | 1O P6#6");
    EXPECT_EQ(tree.MoveAfter(tree.RootNode(), Find(tree, "P4")), TNYXorderedTree::MoveResult::IsRoot);
    EXPECT_EQ(tree.MoveAfter(Find(tree, "P4"), tree.RootNode()), TNYXorderedTree::MoveResult::NotInTree);
}

}  // namespace

namespace {

// The end of the number order as NumberNewPage found it before pages were
// added in runs: every page looked at for each page added. Gives the numbers
// the next page added gets.
std::pair<int, int> OldScanNextNumbers(const TNYXset& set) {
    bool any = false;
    int chapter = 0, position = 0;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty() || p->SWord(79) < 0) continue;
        if (!any || p->SWord(77) > chapter || (p->SWord(77) == chapter && p->SWord(79) > position)) {
            chapter = p->SWord(77);
            position = p->SWord(79);
        }
        any = true;
    }
    if (!any) return {0, 0};
    if (position < 32767) return {chapter, position + 1};
    return {chapter < 32767 ? chapter + 1 : chapter, chapter < 32767 ? 0 : position};
}

// Every page's slot and numbers, in slot order.
std::string NumberTable(const TNYXset& set) {
    std::string out;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        out += std::to_string(i) + ":" + std::to_string(p->SWord(77)) + "," + std::to_string(p->SWord(79)) + " ";
    }
    return out;
}

TNYXoggetto* LastInOrder(const TNYXset& set) {
    const auto pages = PagesInNumberOrder(set);
    return pages.empty() ? nullptr : pages.back();
}

// Runs a script of steps on a new hypertext; "[" and "]" open and close a
// run of added pages unless `runs` is false. Every page added must get what
// the old scan gives. Returns the number table at the end.
std::string RunNumberingScript(const std::string& script, bool runs, const TempDir& dir) {
    TNYXset set;
    set.NewHypertext();
    std::vector<std::unique_ptr<TNYXset::TPageRun>> open;
    int saves = 0;
    for (const char step : script) {
        SCOPED_TRACE(std::string("step ") + step);
        switch (step) {
            case '[':
                if (runs) open.push_back(std::make_unique<TNYXset::TPageRun>(set));
                break;
            case ']':
                if (runs) open.pop_back();
                break;
            case 'a': {  // add a page
                const auto want = OldScanNextNumbers(set);
                TNYXoggetto* p = set.NewObject(testoHtml);
                EXPECT_EQ(std::make_pair(int{p->SWord(77)}, int{p->SWord(79)}), want);
                break;
            }
            case 'd':  // delete the last page of the order
                if (TNYXoggetto* p = LastInOrder(set)) p->Reset();
                break;
            case 'f': {  // delete the first page in use
                const auto pages = PagesInNumberOrder(set);
                if (!pages.empty()) pages.front()->Reset();
                break;
            }
            case 'x':  // clear the slot of the last page of the order
                if (TNYXoggetto* p = LastInOrder(set)) set.ClearSlot(testoHtml, p->Index());
                break;
            case 'o':  // take the last page out of the order
                if (TNYXoggetto* p = LastInOrder(set)) p->SetWord(79, 0xFFFF);
                break;
            case 's':    // store the order tree as it is
            case 'm': {  // move the last page to the top, then store
                TNYXorderedTree tree(&set, testoHtml);
                tree.Reload();
                if (step == 'm' && tree.RootNode() && !tree.RootNode()->Children().empty()) {
                    TNYXtreeNode* last = tree.RootNode()->Children().back().get();
                    while (tree.MoveUp(last)) {
                    }
                }
                tree.Store();
                break;
            }
            case 'w': {  // store a working copy of the last page back
                if (TNYXoggetto* p = LastInOrder(set)) StorePage(set, BuildWorkingCopy(set, p), p->Index(), true);
                break;
            }
            case 'h': {  // a copy of the first page stored back with numbers past the end
                const auto pages = PagesInNumberOrder(set);
                if (pages.empty()) break;
                auto copy = BuildWorkingCopy(set, pages.front());
                copy->SetWord(77, static_cast<std::uint16_t>(LastInOrder(set)->SWord(77) + 2));
                copy->SetWord(79, 5);
                StorePage(set, std::move(copy), pages.front()->Index(), true);
                break;
            }
            case 'r':  // save, which reloads the hypertext from the file
                EXPECT_TRUE(set.SaveToFile(dir / ("n" + std::to_string(saves++) + ".nyx")));
                break;
            case 'F': {  // a full chapter at the end
                if (TNYXoggetto* p = LastInOrder(set)) p->SetWord(79, 32767);
                break;
            }
        }
    }
    return NumberTable(set);
}

}  // namespace

// Adding pages in a run remembers the end of the number order between pages;
// whatever happens in between, each page gets what looking at every page gives.
TEST_F(PageOrder, PagesAddedInARunGetTheNumbersOfTheFullScan) {
    const std::vector<std::string> scripts = {
        "[aaaaa]",            // a run on an empty hypertext
        "aaa[aaa]aa",         // a run after pages added one by one
        "[aaa[aa]aa]",        // nested runs
        "[aaadaa]",           // the last page deleted inside a run
        "[aaaddda]",          // every page but one deleted
        "[aadddaa]",          // all of them: back to 0,0
        "[aaafaa]",           // the first page deleted
        "[aaaxaa]",           // the last page's slot cleared
        "[aaaoaa]",           // the last page taken out of the order
        "[aaamaa]",           // the order stored after a move
        "[aaasaa]",           // stored as it is
        "aaa[m]aa[a]",        // stored in one run, added in the next
        "[aaawaa]",           // a working copy stored back in the end's slot
        "[aaahaa]",           // a page stored back with numbers past the end
        "[aaaFaa]",           // a full chapter at the end
        "[aaaraa]",           // saved and reloaded inside a run
        "aaamr[aadaa]",       // stored, reloaded, then a run
        "[aamdaxahawaraFa]",  // all of it
    };
    for (const std::string& script : scripts) {
        SCOPED_TRACE(script);
        TempDir a, b;
        EXPECT_EQ(RunNumberingScript(script, true, a), RunNumberingScript(script, false, b));
    }
}
