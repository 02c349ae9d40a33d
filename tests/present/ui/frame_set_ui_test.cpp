// The frame set on screen, driven with the mouse and the keys as an author
// would: dividing by dragging a create bar out, deleting a frame by dragging
// its bar away, layouts saved and loaded, links in view mode into a named
// frame, back, and the slide show's timed advance.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "present/FrameData.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/Editing.h"
#include "richtext/ui/BoxWidget.h"
#include "support/LinkTag.h"

using namespace present;
using namespace present::ui;
using platform::testing::Message;
namespace fs = std::filesystem;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "uitest_present";
    static char* argv[] = {name, nullptr};
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves by `by` in a few steps and lets go, all on one widget.
void Drag(QWidget* w, QPoint from, QPoint by) {
    Mouse(w, QEvent::MouseButtonPress, from);
    for (int step = 1; step <= 4; ++step) Mouse(w, QEvent::MouseMove, from + by * step / 4);
    Mouse(w, QEvent::MouseButtonRelease, from + by, Qt::NoButton);
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
}

using testsupport::Tag;

std::int32_t PageRef(int slot) { return model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(slot)); }

void Flush() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

class FrameSetUi : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        set.NewHypertext();
        for (int i = 0; i < 3; ++i) {
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            std::string lines;
            for (int k = 0; k < 40; ++k) lines += "<Z S0 >riga " + std::to_string(k) + " della pagina " + std::to_string(i);
            p->SetText(lines);
        }
        set.SetModified(false);
    }
    std::unique_ptr<TInsiemeCornici> Shown() {
        auto f = std::make_unique<TInsiemeCornici>();
        f->resize(600, 400);
        f->SetLinkedNYXset(&set);
        f->show();
        Flush();
        return f;
    }
    platform::testing::TempDir dir;
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
};

TEST_F(FrameSetUi, DraggingTheTopCreateBarDownMakesTwoFrames) {
    auto f = Shown();
    ASSERT_TRUE(f->ShowPage(0));
    TNonVisCornice* top = f->Top();
    TTigerSplit* bar = f->CreateBarOf(*top, TFrameSide::kTop);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(f->CreateBarOf(*top, TFrameSide::kLeft), nullptr);
    // Not far enough: nothing happens.
    Drag(bar, {100, 5}, {0, 30});
    EXPECT_TRUE(top->IsLeaf());
    Drag(bar, {100, 5}, {0, 100});
    ASSERT_EQ(top->children.size(), 2u);
    EXPECT_NEAR(top->children[0]->rect.height, 105, 3);
    const auto views = f->Views();
    ASSERT_EQ(views.size(), 2u);
    EXPECT_TRUE(views[0]->isVisible() && views[1]->isVisible());
    EXPECT_LT(views[0]->Session().PageSlot(), 0);  // a new page above
    EXPECT_EQ(views[1]->Session().PageSlot(), 0);  // the page itself below
    EXPECT_LT(views[0]->geometry().bottom(), views[1]->geometry().top());
    // A divided top frame keeps only the create bar of its direction.
    EXPECT_NE(f->CreateBarOf(*top, TFrameSide::kTop), nullptr);
    EXPECT_EQ(f->CreateBarOf(*top, TFrameSide::kLeft), nullptr);
    EXPECT_NE(f->CreateBarOf(*top->children[1], TFrameSide::kLeft), nullptr);
    const fs::path shots = fs::path(QUOR_BINARY_DIR) / "artifacts";
    fs::create_directories(shots);
    EXPECT_TRUE(f->grab().save(QString::fromStdString((shots / "frames-divided.png").string())));
}

TEST_F(FrameSetUi, ABarDraggedUntilItsFrameVanishesAsksForTheFramesPage) {
    auto f = Shown();
    ASSERT_TRUE(f->ShowPage(0));
    ASSERT_EQ(f->Divide(*f->Top(), TFrameSide::kTop, 150), TDivideResult::kDivided);
    richtext::ui::TNYXpageView* upper = f->ViewOf(*f->Top()->children[0]);
    ASSERT_NE(upper, nullptr);
    for (char c : std::string("Testata")) upper->Editing().InsertChar(static_cast<unsigned char>(c));
    // Dragged within the frame set, the frame only gets smaller.
    TNYXSplit* bar = f->BarOf(*f->Top(), 0);
    ASSERT_NE(bar, nullptr);
    Mouse(bar, QEvent::MouseButtonPress, {50, 1});
    Mouse(bar, QEvent::MouseMove, {50, -100});
    EXPECT_EQ(f->Top()->children.size(), 2u);
    EXPECT_LT(f->Top()->children[0]->rect.height, 60);
    scripted.ui.answers = {platform::Answer::Yes};
    Mouse(bar, QEvent::MouseMove, {50, -160});
    Mouse(bar, QEvent::MouseButtonRelease, {50, -160}, Qt::NoButton);
    EXPECT_TRUE(f->Top()->IsLeaf());
    ASSERT_EQ(scripted.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo)[0].rfind("Salvo in lista pagine la cornice cancellata?", 0), 0u);
    // Kept: the frame's page is a page of the hypertext now.
    ASSERT_EQ(set.Count(model::testoHtml), 4u);
    EXPECT_NE(static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 3))->Text().find("Testata"),
              std::string::npos);
    ASSERT_EQ(f->Views().size(), 1u);
    EXPECT_EQ(f->Views()[0]->Session().PageSlot(), 0);
}

TEST_F(FrameSetUi, ALayoutSavedToAFrmFileLoadsIntoAnotherPage) {
    auto f = Shown();
    ASSERT_TRUE(f->ShowPage(0));
    ASSERT_EQ(f->Divide(*f->Top(), TFrameSide::kLeft, 180), TDivideResult::kDivided);
    ASSERT_EQ(f->Divide(*f->Top()->children[1], TFrameSide::kTop, 90), TDivideResult::kDivided);
    const fs::path frm = dir / "tre.frm";
    ASSERT_TRUE(f->SaveLayoutFile(frm));
    EXPECT_EQ(fs::file_size(frm), 8u + 5 * 58);
    ASSERT_TRUE(f->ShowPage(1));
    EXPECT_TRUE(f->Top()->IsLeaf());
    ASSERT_TRUE(f->LoadLayoutFile(frm, kCopyMode));
    EXPECT_EQ(f->Top()->CountFrames(), 5u);
    EXPECT_EQ(f->Views().size(), 3u);
    ASSERT_TRUE(f->ShowPage(2));  // page 1 keeps the layout
    const model::TNYXoggetto* map = PageMap(set, *set.ObjectAt(model::testoHtml, 1));
    ASSERT_NE(map, nullptr);
    auto tree = ReadFrameMap(*map);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->CountFrames(), 5u);
    EXPECT_EQ(tree->children[1]->children.size(), 2u);
    // A file that is not a layout keeps the layout there is.
    std::FILE* bad = std::fopen((dir / "rotto.frm").c_str(), "wb");
    std::fputs("non un layout", bad);
    std::fclose(bad);
    ASSERT_TRUE(f->ShowPage(1));
    EXPECT_FALSE(f->LoadLayoutFile(dir / "rotto.frm", kCopyMode));
    EXPECT_EQ(f->Top()->CountFrames(), 5u);
    EXPECT_EQ(scripted.ui.Texts(Message::Error), std::vector<std::string>{"Formato file errato!"});
}

TEST_F(FrameSetUi, ALinkClickedInViewModeOpensInTheNamedFrameAndBackUndoesIt) {
    // Page 0: an index frame on the left and the page itself on the right,
    // whose first line links to page 2 in the index frame.
    model::TNYXoggetto* link = set.NewObject(model::speclink);
    link->SetSubtype(1);
    link->SetInt(model::linkrec::kTarget, PageRef(2));
    link->SetInt(model::linkrec::kAnchor, -1);
    link->SetByte(model::linkrec::kOpenMode, 1);
    link->SetStr(model::linkrec::kWindowName, model::linkrec::kWindowNameCap, "Indice");
    auto* p0 = static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 0));
    p0->SetText("<Z S0 >" + Tag(link->Reference()) + "Vai all'indice<%>" + p0->Text());
    {
        TFrameLayout layout(&set);
        ASSERT_TRUE(layout.ShowPage(0));
        layout.Layout(600, 400);
        ASSERT_EQ(layout.Divide(*layout.Top(), TFrameSide::kLeft, 200), TDivideResult::kDivided);
        layout.Top()->children[0]->rec.SetName("Indice");
        layout.Top()->children[0]->rec.SetPageRef(PageRef(1));
        StorePageMap(set, *p0, layout.Top());
    }
    set.SetModified(false);
    auto f = Shown();
    ASSERT_TRUE(f->ShowPage(0));
    f->SetReadOnly(true);
    EXPECT_EQ(f->CreateBarOf(*f->Top(), TFrameSide::kLeft), nullptr);  // no create bars in view mode
    richtext::ui::TNYXpageView* index = f->ViewOf(*f->Top()->children[0]);
    richtext::ui::TNYXpageView* right = f->ViewOf(*f->Top()->children[1]);
    ASSERT_EQ(index->Session().PageSlot(), 1);
    ASSERT_EQ(right->Session().PageSlot(), 0);
    ASSERT_TRUE(right->ReadOnly());

    // The arrows scroll the page under the reader.
    QScrollBar* v = right->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    Key(right, Qt::Key_Down);
    EXPECT_EQ(v->value(), f->lineStep);
    Key(right, Qt::Key_Up);
    EXPECT_EQ(v->value(), 0);

    right->Editing().SetCaret({right->Box().BodyBegin(), 2});
    const QPoint onLink = right->CaretRect().center() + QPoint(4, 0);
    Mouse(right->viewport(), QEvent::MouseButtonPress, onLink);
    Mouse(right->viewport(), QEvent::MouseButtonRelease, onLink, Qt::NoButton);
    EXPECT_EQ(index->Session().PageSlot(), 1);  // followed on the next turn of the event loop
    Flush();
    EXPECT_EQ(f->ViewOf(*f->Top()->children[0])->Session().PageSlot(), 2);
    EXPECT_EQ(f->MainPageNumber(), 0);
    EXPECT_EQ(f->History(), std::vector<std::int32_t>{0});
    EXPECT_TRUE(f->GoBack());
    EXPECT_EQ(f->ViewOf(*f->Top()->children[0])->Session().PageSlot(), 1);
    EXPECT_FALSE(set.Modified());
}

TEST_F(FrameSetUi, TheSlideShowAdvancesInViewMode) {
    platform::testing::ManualTimers timers;
    set.ObjectAt(model::testoHtml, 0)->SetInt(model::pagerec::kNextSlide, PageRef(1));
    set.ObjectAt(model::testoHtml, 1)->SetInt(model::pagerec::kNextSlide, PageRef(2));
    auto f = Shown();
    f->activePreview = true;
    ASSERT_TRUE(f->ShowPage(0));
    EXPECT_FALSE(f->PreviewPending());  // only in view mode
    f->SetReadOnly(true);
    EXPECT_TRUE(f->PreviewPending());
    timers.Advance(5000);
    Flush();
    EXPECT_EQ(f->MainPageNumber(), 1);
    timers.Advance(5000);
    Flush();
    EXPECT_EQ(f->MainPageNumber(), 2);
    EXPECT_EQ(f->History(), (std::vector<std::int32_t>{0, 1}));
    EXPECT_TRUE(f->GoBack());
    EXPECT_EQ(f->MainPageNumber(), 1);
}

}  // namespace
