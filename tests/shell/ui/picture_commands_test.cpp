// Pictures on a page as an author and a reader use them: "Immagine/mappa..."
// places a picture file, two overlapping zones drawn with "Aggiungi zona"
// get their links through the link dialog, and in view mode a click on
// their overlap follows the zone on top. Also the picture menu's state, the
// 31st zone, a pasted bitmap, a picture that cannot be drawn and animated
// GIF delays.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QThread>

#include <cstdio>

#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PictureData.h"
#include "present/Zones.h"
#include "present/ui/PictureDialogs.h"
#include "present/ui/PictureView.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/PictureCommands.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell::ui;
using present::ui::TPictureObjects;

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseButtonPress, at);
    Mouse(w, QEvent::MouseButtonRelease, at);
}

void Flush() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string Gif(int w, int h, std::uint32_t rgba) {
    model::codecs::Image img;
    img.width = w;
    img.height = h;
    img.rgba.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), rgba);
    std::string out;
    EXPECT_TRUE(model::codecs::EncodeGif(img, out));
    return out;
}

class PictureCommandsTest : public testsupport::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        picture = dir / "mappa.gif";
        WriteFile(picture, Gif(200, 100, 0xFF3060C0u));
    }
    // Three pages: the first to edit, "Uno" and "Due" to link to.
    fs::path MakeNyx() {
        const fs::path p = dir / "mappe.nyx";
        model::TNYXset s;
        s.NewHypertext();
        while (s.Count(model::testoHtml) < 3) s.NewObject(model::testoHtml);
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 0))->SetText("<Z S0 >Cartina: ");
        s.ObjectAt(model::testoHtml, 1)->SetName("Uno");
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 1))->SetText("<Z S0 >Pagina uno");
        s.ObjectAt(model::testoHtml, 2)->SetName("Due");
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 2))->SetText("<Z S0 >Pagina due");
        EXPECT_TRUE(s.SaveToFile(p));
        return p;
    }
    // Shows the window at the tests' size on the three pages, the events of its opening handled.
    bool ShowAndOpen(TMainForm& form) {
        form.resize(900, 700);
        form.show();
        if (!form.OpenDocument(MakeNyx(), true)) return false;
        Flush();
        return true;
    }
    // Places the picture file at the end of the first paragraph through the dialog.
    richtext::TNYXembedded* Place(TMainForm& form) {
        richtext::ui::TNYXpageView* view = form.PageView();
        const std::int32_t para = view->Box().BodyBegin();
        view->Editing().SetCaret({para, static_cast<std::int32_t>(view->Box().paragraphs[para]->text.size())});
        SetDialogRunner([this](QDialog& d) {
            d.findChild<QRadioButton*>(QStringLiteral("daFile"))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("file"))->setText(QString::fromStdString(picture.string()));
            d.accept();
            return d.result();
        });
        form.Command("actImmagine")->trigger();
        Flush();
        for (const auto& p : view->Box().paragraphs)
            for (richtext::TNYXembedded* e : p->Objects())
                if (e && e->Record() && e->Record()->Type() == model::immagineNew) return e;
        return nullptr;
    }
    QPoint At(richtext::ui::TNYXpageView* view, const richtext::TNYXembedded* e, int x, int y) {
        return QPoint(e->left + x - view->horizontalScrollBar()->value(), e->top + y - view->verticalScrollBar()->value());
    }

    fs::path picture;
};

// The link dialog's answer: the page whose title holds `title`.
TDialogRunner ChoosePage(const char* title) {
    return [title](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("search"))->setText(QString::fromLatin1(title));
        d.accept();
        return d.result();
    };
}

}  // namespace

TEST_F(PictureCommandsTest, TwoOverlappingZonesLinkedThroughTheDialogAndTheTopmostFollowedInViewMode) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::ui::TNYXpageView* view = form.PageView();
    ASSERT_EQ(view->PageSlot(), 0);
    QMenu* menu = form.menuBar()->findChild<QMenu*>(QStringLiteral("mnImmagine"));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->isEnabled());

    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->width, 200);
    EXPECT_EQ(e->height, 100);
    TPictureObjects* pictures = TPictureObjects::Of(*view);
    ASSERT_NE(pictures, nullptr);

    // Zone one at (20, 20), zone two at (35, 30): they overlap around (45, 40).
    QWidget* vp = view->viewport();
    Click(vp, At(view, e, 20, 20));
    EXPECT_TRUE(menu->isEnabled());
    form.Command("actAggiungiZona")->trigger();
    Click(vp, At(view, e, 35, 30));
    form.Command("actAggiungiZona")->trigger();
    ASSERT_EQ(pictures->Zones().Size(), 2u);

    // Each gets its link: a click selects the zone on top there.
    Click(vp, At(view, e, 22, 22));
    ASSERT_EQ(pictures->SelectedZone(), 0);
    SetDialogRunner(ChoosePage("Uno"));
    form.Command("actCollegamentoZona")->trigger();
    Click(vp, At(view, e, 45, 40));
    ASSERT_EQ(pictures->SelectedZone(), 1);
    SetDialogRunner(ChoosePage("Due"));
    form.Command("actCollegamentoZona")->trigger();
    const present::TZoneList zones = pictures->Zones();
    ASSERT_GT(zones[0].link, 0);
    ASSERT_GT(zones[1].link, 0);
    EXPECT_NE(zones[0].link, zones[1].link);
    // Stored as the record holds them: the zone on top in slot 0.
    const present::TPictureData data(*e->Record());
    EXPECT_EQ(data.Zone(0).link, zones[1].link);
    EXPECT_EQ(data.Zone(1).link, zones[0].link);

    // A reader's click on the overlap follows the zone on top: page "Due".
    form.Command("actSoloLettura")->trigger();  // checkable: on
    Flush();
    view = form.PageView();
    ASSERT_TRUE(view->ReadOnly());
    e = nullptr;
    for (const auto& p : view->Box().paragraphs)
        for (richtext::TNYXembedded* o : p->Objects())
            if (o && o->Record() && o->Record()->Type() == model::immagineNew) e = o;
    ASSERT_NE(e, nullptr);
    Click(view->viewport(), At(view, e, 45, 40));
    Flush();
    EXPECT_EQ(form.PageView()->PageSlot(), 2);
    EXPECT_TRUE(scripted.ui.Texts(platform::testing::Message::Warning).empty());
}

// The pointer-over picture is drawn while the pointer is on a picture that
// is not selected; leaving it, or selecting the picture, brings its own back.
TEST_F(PictureCommandsTest, PointerOverPictureShownWhileThePointerIsOnThePicture) {
    TMainForm form(paths);
    form.resize(900, 700);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(form.OpenDocument(MakeNyx(), true));
    Flush();
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    const fs::path overFile = dir / "sopra.gif";
    WriteFile(overFile, Gif(200, 100, 0xFF20C020u));
    model::TNYXoggetto* over = form.Document().AddPicture(overFile);
    ASSERT_NE(over, nullptr);
    e->Record()->SetInt(model::placedrec::kRollover, static_cast<std::int32_t>(over->Index()));
    richtext::ui::TNYXpageView* view = form.PageView();
    TPictureObjects* pictures = TPictureObjects::Of(*view);
    ASSERT_NE(pictures, nullptr);
    pictures->Select(nullptr);
    QWidget* vp = view->viewport();
    auto move = [&](QPoint at) {
        QMouseEvent m(QEvent::MouseMove, QPointF(at), vp->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &m);
        Flush();
        return vp->grab().toImage().pixelColor(At(view, e, 100, 50));
    };
    const QPoint outside(vp->width() - 5, vp->height() - 5);
    const QColor own = move(outside);
    const QColor shown = move(At(view, e, 100, 50));
    EXPECT_NE(shown, own);
    EXPECT_GT(shown.green(), 150);
    EXPECT_LT(shown.red(), 80);
    EXPECT_EQ(move(outside), own);
    // A selected picture shows its own picture under the pointer.
    pictures->Select(e);
    EXPECT_EQ(move(At(view, e, 100, 50)), own);
}

// An animated GIF plays in view mode only: in the editor its first frame
// stays; in view mode the frames follow one another on the UI thread's timer.
TEST_F(PictureCommandsTest, AnimatedGifPlaysInViewModeOnly) {
    // Two 1 x 1 frames, white then black, 0 hundredths each (played at 100 ms).
    auto frame = [](char pixels) {
        return std::string("\x21\xF9\x04\x00\x00\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02", 20) + pixels +
               std::string("\x01\x00", 2);
    };
    WriteFile(picture, std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00", 19) +
                           std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19) + frame('\x44') + frame('\x4C') + "\x3B");
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    e->Record()->SetWord(19, 40);  // shown 40 x 40
    e->Record()->SetWord(21, 40);
    TPictureObjects::Of(*form.PageView())->Select(nullptr);
    auto placed = [&]() -> richtext::TNYXembedded* {
        for (const auto& p : form.PageView()->Box().paragraphs)
            for (richtext::TNYXembedded* o : p->Objects())
                if (o && o->Record() && o->Record()->Type() == model::immagineNew) return o;
        return nullptr;
    };
    auto shade = [&] {
        Flush();
        richtext::ui::TNYXpageView* v = form.PageView();
        richtext::TNYXembedded* p = placed();
        return p ? v->viewport()->grab().toImage().pixelColor(At(v, p, p->width / 2, p->height / 2)).lightness() : -1;
    };
    // Whether the picture changes within `ms`.
    auto changes = [&](int ms) {
        const int first = shade();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QThread::msleep(20);
            if (shade() != first) return true;
        }
        return false;
    };
    form.PageView()->viewport()->update();
    ASSERT_GE(shade(), 0);
    EXPECT_FALSE(changes(400));
    form.Command("actSoloLettura")->trigger();  // view mode
    Flush();
    ASSERT_TRUE(form.PageView()->ReadOnly());
    ASSERT_NE(placed(), nullptr);
    EXPECT_EQ(placed()->width, 40);
    EXPECT_TRUE(changes(3000));
    form.Command("actSoloLettura")->trigger();  // back to the editor
    Flush();
    ASSERT_FALSE(form.PageView()->ReadOnly());
    EXPECT_FALSE(changes(400));
}

TEST_F(PictureCommandsTest, ThirtyFirstZoneIsRefusedWithAMessageAndUndoTakesZonesBack) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    richtext::ui::TNYXpageView* view = form.PageView();
    TPictureObjects* pictures = TPictureObjects::Of(*view);
    Click(view->viewport(), At(view, e, 5, 5));
    for (int i = 0; i < present::kMaxZones; ++i) ASSERT_TRUE(pictures->AddZone()) << i;
    EXPECT_TRUE(scripted.ui.messages.empty());
    EXPECT_FALSE(pictures->AddZone());
    ASSERT_EQ(scripted.ui.Texts(platform::testing::Message::Warning),
              std::vector<std::string>{present::kTooManyZones});
    EXPECT_EQ(pictures->Zones().Size(), 30u);
    form.Command("actUndo")->trigger();
    EXPECT_EQ(pictures->Zones().Size(), 29u);
    // 100 % and 50 % from the menu, undone as one step each.
    form.Command("actImmagine50")->trigger();
    EXPECT_EQ(e->width, 100);
    EXPECT_EQ(e->height, 50);
    form.Command("actUndo")->trigger();
    Flush();
    EXPECT_EQ(e->width, 200);
}

TEST_F(PictureCommandsTest, ZoneDraggedMovesPastFourPixelsResizesByItsCornerAndIsCopiedToAnotherPicture) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    richtext::ui::TNYXpageView* view = form.PageView();
    TPictureObjects* pictures = TPictureObjects::Of(*view);
    QWidget* vp = view->viewport();
    Click(vp, At(view, e, 10, 10));
    form.Command("actAggiungiZona")->trigger();  // (10, 10, 30, 30)
    auto bounds = [&] {
        const present::TZone z = pictures->Zones()[0];
        return std::vector<int>{z.left, z.top, z.width, z.height};
    };
    // 3 pixels: still a click. 20 pixels right and 10 down: a move.
    Mouse(vp, QEvent::MouseButtonPress, At(view, e, 15, 15));
    Mouse(vp, QEvent::MouseMove, At(view, e, 18, 17));
    EXPECT_EQ(bounds(), (std::vector<int>{10, 10, 30, 30}));
    Mouse(vp, QEvent::MouseMove, At(view, e, 35, 25));
    Mouse(vp, QEvent::MouseButtonRelease, At(view, e, 35, 25));
    EXPECT_EQ(bounds(), (std::vector<int>{30, 20, 30, 30}));
    ASSERT_FALSE(form.UndoList().Labels().empty());
    EXPECT_EQ(form.UndoList().Labels().front(), "Muovi zona cliccabile");
    // The lower right corner makes it 10 pixels wider and higher.
    Mouse(vp, QEvent::MouseButtonPress, At(view, e, 58, 48));
    Mouse(vp, QEvent::MouseMove, At(view, e, 68, 58));
    Mouse(vp, QEvent::MouseButtonRelease, At(view, e, 68, 58));
    EXPECT_EQ(bounds(), (std::vector<int>{30, 20, 40, 40}));
    EXPECT_EQ(form.UndoList().Labels().front(), "Dimensiona zona cliccabile");

    // Copied, pasted on a second picture: 5 pixels right and down.
    SetDialogRunner(ChoosePage("Uno"));
    form.Command("actCollegamentoZona")->trigger();
    const std::int32_t link = pictures->Zones()[0].link;
    ASSERT_GT(link, 0);
    form.Command("actCopiaZona")->trigger();
    richtext::TNYXembedded* second = nullptr;
    Place(form);
    for (const auto& p : view->Box().paragraphs)
        for (richtext::TNYXembedded* o : p->Objects())
            if (o && o != e && o->Record() && o->Record()->Type() == model::immagineNew) second = o;
    ASSERT_NE(second, nullptr);
    Click(vp, At(view, second, 150, 80));
    ASSERT_EQ(pictures->Selected(), second);
    form.Command("actIncollaZona")->trigger();
    ASSERT_EQ(pictures->Zones().Size(), 1u);
    EXPECT_EQ(bounds(), (std::vector<int>{35, 25, 40, 40}));
    EXPECT_EQ(pictures->Zones()[0].link, link);
    // Delete on the selected zone takes it away.
    ASSERT_EQ(pictures->SelectedZone(), 0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view, &del);
    EXPECT_EQ(pictures->Zones().Size(), 0u);
    EXPECT_EQ(form.UndoList().Labels().front(), "Cancella zona cliccabile");
}

TEST_F(PictureCommandsTest, HandleResizeScalesTheZonesAndOneUndoPutsSizeAndZonesBack) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    richtext::ui::TNYXpageView* view = form.PageView();
    TPictureObjects* pictures = TPictureObjects::Of(*view);
    QWidget* vp = view->viewport();
    Click(vp, At(view, e, 10, 10));
    form.Command("actAggiungiZona")->trigger();  // (10, 10, 30, 30)
    auto bounds = [&] {
        // Read from the record: the undo may leave no picture selected.
        present::TZoneList zones;
        zones.Load(*e->Record());
        if (zones.Size() != 1) return std::vector<int>{};
        const present::TZone z = zones[0];
        return std::vector<int>{z.left, z.top, z.width, z.height};
    };
    ASSERT_EQ(pictures->Zones().Size(), 1u);
    ASSERT_EQ(bounds(), (std::vector<int>{10, 10, 30, 30}));
    // The lower right handle, just outside the 200 x 100 picture, dragged to
    // make it 300 x 150.
    Mouse(vp, QEvent::MouseButtonPress, At(view, e, 204, 104));
    Mouse(vp, QEvent::MouseMove, At(view, e, 254, 129));
    Mouse(vp, QEvent::MouseMove, At(view, e, 304, 154));
    Mouse(vp, QEvent::MouseButtonRelease, At(view, e, 304, 154));
    Flush();
    ASSERT_EQ(e->width, 300);
    ASSERT_EQ(e->height, 150);
    EXPECT_EQ(bounds(), (std::vector<int>{15, 15, 45, 45}));
    ASSERT_FALSE(form.UndoList().Labels().empty());
    EXPECT_EQ(form.UndoList().Labels().front(), "Dimensiona immagine");
    // One step takes back the size and the zones together.
    form.Command("actUndo")->trigger();
    Flush();
    EXPECT_EQ(e->width, 200);
    EXPECT_EQ(e->height, 100);
    EXPECT_EQ(bounds(), (std::vector<int>{10, 10, 30, 30}));
}

TEST_F(PictureCommandsTest, PastedBitmapNeverOverwritesAPictureSharedWithOtherPlacements) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* first = Place(form);
    ASSERT_NE(first, nullptr);
    richtext::ui::TNYXpageView* view = form.PageView();
    const std::int32_t shared = first->Record()->Int(0);
    model::TNYXoggetto* pic = form.Document().ObjectAt(model::immagine, shared);
    ASSERT_NE(pic, nullptr);
    std::string before;
    ASSERT_TRUE(pic->ReadFirstStream(before));
    // A second placement of the same picture file: the picture is shared.
    richtext::TNYXembedded* second = nullptr;
    Place(form);
    for (const auto& p : view->Box().paragraphs)
        for (richtext::TNYXembedded* o : p->Objects())
            if (o && o != first && o->Record() && o->Record()->Type() == model::immagineNew) second = o;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Record()->Int(0), shared);

    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    QApplication::clipboard()->setImage(red);
    Click(view->viewport(), At(view, second, 3, 3));
    ASSERT_TRUE(ReplacePictureFromClipboard(form));
    EXPECT_NE(second->Record()->Int(0), shared);
    EXPECT_EQ(first->Record()->Int(0), shared);
    std::string after;
    ASSERT_TRUE(pic->ReadFirstStream(after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(second->width, 40);
    EXPECT_EQ(second->height, 30);
}

TEST_F(PictureCommandsTest, CorruptPictureDataShowsAFramedPlaceholderAtTheStoredSize) {
    TMainForm form(paths);
    ASSERT_TRUE(ShowAndOpen(form));
    richtext::TNYXembedded* e = Place(form);
    ASSERT_NE(e, nullptr);
    model::TNYXoggetto* pic = form.Document().ObjectAt(model::immagine, e->Record()->Int(0));
    ASSERT_NE(pic, nullptr);
    // The picture's bytes damaged after its header.
    std::string bytes;
    ASSERT_TRUE(pic->ReadFirstStream(bytes));
    bytes.resize(20);
    pic->SetFirstStream(bytes);
    form.Document().ClearPictureCache();
    present::ui::TPictureCache::Instance().Clear();
    TPictureObjects* pictures = TPictureObjects::Of(*form.PageView());
    QImage canvas(260, 160, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        ASSERT_TRUE(pictures->Paint(p, *e, QRect(10, 10, e->width, e->height)));
    }
    EXPECT_EQ(e->width, 200);
    EXPECT_EQ(e->height, 100);
    // A grey frame at the stored size, a light inside, nothing outside.
    EXPECT_EQ(canvas.pixelColor(10, 50), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(canvas.pixelColor(209, 50), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(canvas.pixelColor(30, 12), QColor(0xF4, 0xF4, 0xF4));
    EXPECT_EQ(canvas.pixelColor(215, 50), QColor(Qt::white));
}

TEST(PictureCache, JpegShownAtAQuarterIsDecodedShrunkNeverWhole) {
    testsupport::QtApp();
    platform::testing::FixedEnv env;
    platform::testing::TempDir dir;
    model::codecs::Image img;
    img.width = 800;
    img.height = 600;
    img.rgba.assign(800u * 600u, 0xFF2040E0u);
    std::string jpg;
    ASSERT_TRUE(model::codecs::EncodeJpeg(img, 90, jpg));
    WriteFile(dir / "foto.jpg", jpg);
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* pic = set.AddPicture(dir / "foto.jpg");
    ASSERT_NE(pic, nullptr);
    set.ClearPictureCache();
    present::ui::TPictureCache& cache = present::ui::TPictureCache::Instance();
    cache.Clear();
    const int decodes = cache.Decodes();
    const QImage small = cache.Scaled(*pic, 190, 150);
    ASSERT_EQ(small.size(), QSize(190, 150));
    const QColor c = small.pixelColor(95, 75);
    EXPECT_NEAR(c.red(), 0xE0, 8);
    EXPECT_NEAR(c.green(), 0x40, 8);
    EXPECT_NEAR(c.blue(), 0x20, 8);
    EXPECT_EQ(set.CachedPicture(*pic), nullptr);  // the whole picture was never decoded
    // Painted again at that size: no decoding. At more than half: the whole picture.
    EXPECT_EQ(cache.Scaled(*pic, 190, 150).size(), QSize(190, 150));
    EXPECT_EQ(cache.Decodes(), decodes + 1);
    EXPECT_EQ(cache.Scaled(*pic, 500, 375).size(), QSize(500, 375));
    EXPECT_NE(set.CachedPicture(*pic), nullptr);
    EXPECT_EQ(cache.Decodes(), decodes + 2);
    cache.Clear();
}

TEST(PictureAnimation, AnimatedGifFramesAreReadWithShortDelaysClampedTo100Ms) {
    testsupport::QtApp();
    // Two 1 x 1 frames with delays of 0 and 5 hundredths of a second.
    auto frame = [](unsigned char delay) {
        return std::string("\x21\xF9\x04\x00", 4) + static_cast<char>(delay) +
               std::string("\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 18);
    };
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00", 19) +
                            std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19) + frame(0) + frame(5) +
                            "\x3B";
    auto a = present::ui::TAnimation::FromBytes(gif);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->FrameCount(), 2u);
    EXPECT_EQ(a->Delay(), 100);
    a->Advance();
    EXPECT_EQ(a->Delay(), 50);
    // A single picture is not an animation; nor are damaged bytes.
    EXPECT_EQ(present::ui::TAnimation::FromBytes(Gif(4, 4, 0xFF000000u)), nullptr);
    EXPECT_EQ(present::ui::TAnimation::FromBytes(gif.substr(0, 30)), nullptr);
    for (int ms : {0, 1, 10}) EXPECT_EQ(present::ui::TAnimation::ClampDelay(ms), 100) << ms;
    EXPECT_EQ(present::ui::TAnimation::ClampDelay(11), 11);
}

// The path typed in the dialog is UTF-8: the warning used to turn it into
// Windows-1252 bytes, so accented names reached the message box garbled.
TEST(PictureDialog, AnUnreadableFileWasNamedInTheWarningWithGarbledAccents) {
    testsupport::QtApp();
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
    set.NewHypertext();
    present::ui::TFimmagine dlg(nullptr, set);
    QRadioButton* fromFile = nullptr;
    for (QRadioButton* r : dlg.findChildren<QRadioButton*>())
        if (!fromFile) fromFile = r;
    ASSERT_NE(fromFile, nullptr);
    fromFile->setChecked(true);
    QLineEdit* file = dlg.findChild<QLineEdit*>();
    ASSERT_NE(file, nullptr);
    const std::string path = "/nessuna/cartella/perché.gif";
    file->setText(QString::fromStdString(path));
    dlg.accept();
    EXPECT_EQ(dlg.Picture(), nullptr);
    EXPECT_EQ(scripted.ui.Texts(platform::testing::Message::Warning),
              std::vector<std::string>{"Impossibile leggere l'immagine: " + path});
}
