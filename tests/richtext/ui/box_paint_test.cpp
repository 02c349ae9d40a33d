#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QEventLoop>
#include <QMimeData>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Clipboard.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"

using namespace richtext;
using namespace richtext::ui;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "uitest_richtext";
    static char* argv[] = {name, nullptr};
    // Another test file of this program may have made it first.
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

// A hypertext whose style 0 has no margins, and a box widget over it.
struct AppFirst {
    AppFirst() { App(); }
};

struct Fixture : AppFirst {
    Fixture() {
        set.NewHypertext();
        model::TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, 0);
        s->SetWord(86, 0);
        s->SetWord(88, 0);
        widget.resize(320, 240);
        widget.ResetBox(&set);
        widget.Look().background = Qt::white;
    }
    void Load(std::string_view body, int width = 300) {
        widget.Box().layoutWidth = width;
        widget.LoadText(Z(body));
        ResizeBox(widget.Box(), width);
    }
    // Paints box area [0, w) x [0, h) into an image, as the widget's paint
    // handler would with the view scrolled to `scroll`.
    QImage Paint(int w, int h, QPoint scroll = {}) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        widget.Look().scroll = scroll;
        p.translate(-scroll);
        PaintBox(p, widget.Box(), widget.Metrics(), widget.Look(), QRect(scroll, QSize(w, h)));
        return img;
    }
    model::TNYXset set;
    TNYXboxWidget widget;
};

bool IsBackground(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }

TEST(BoxPaintTest, PinnedFontsAreTheLiberationFaces) {
    App();
    EXPECT_EQ(QFontInfo(QtFont({"Times New Roman", 0, 0, 12, 0})).family(), "Liberation Serif");
    EXPECT_EQ(QFontInfo(QtFont({"Arial", 0, 0, 12, 0})).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(QtFont({"Courier New", 0, 0, 12, 0})).family(), "Liberation Mono");
    // 12 points at 96 pixels per inch.
    EXPECT_EQ(QtFont({"Arial", 0, 0, 12, 0}).pixelSize(), 16);
}

TEST(BoxPaintTest, MetricsAreCachedPerFont) {
    App();
    TQtTextMetrics m;
    const TMyFont serif{"Times New Roman", 0, 0, 12, 0};
    TMyFont red = serif;
    red.colour = 0xFF;
    const TCharMetrics a = m.Measure(serif, 'A');
    EXPECT_GT(a.width, 0);
    EXPECT_EQ(a.height, QFontMetrics(QtFont(serif)).height());
    m.Measure(red, 'b');  // the colour does not make another font
    EXPECT_EQ(m.CachedFonts(), 1u);
    // "AV" kerns in Liberation Serif: the pair is narrower than the two apart.
    const std::int32_t v = m.PairWidth(serif, 'A', 'V');
    EXPECT_EQ(v, QFontMetrics(QtFont(serif)).horizontalAdvance("AV") - a.width);
}

TEST(BoxPaintTest, TextStaysWithinItsMargins) {
    Fixture f;
    f.Load("<Z S0 l30 r40 >Questo paragrafo e' abbastanza lungo da andare a capo piu' volte dentro i suoi "
           "margini, a sinistra e a destra, senza mai uscirne.<Z S0 A1 l30 r40 >a destra",
           300);
    ASSERT_GT(f.widget.Box().paragraphs[0]->lines.size(), 2u);
    const QImage img = f.Paint(300, 200);
    int inked = 0, minX = 300, maxX = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!IsBackground(img.pixel(x, y))) {
                ++inked;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    EXPECT_GT(inked, 200);
    EXPECT_GE(minX, 30);
    EXPECT_LT(maxX, 300 - 40);
    EXPECT_GT(maxX, 300 - 40 - 12);  // the right-aligned line reaches the right margin
}

QImage Checker() {
    QImage t(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) t.setPixel(x, y, (x < 8) == (y < 8) ? qRgb(200, 0, 0) : qRgb(0, 0, 200));
    return t;
}

TEST(BoxPaintTest, TilesAlignToTheBoxOrStayStillInTheWindow) {
    Fixture f;
    f.Load("<Z S0 >");
    f.widget.Look().picture = Checker();
    for (bool fixed : {false, true}) {
        f.widget.Look().fixedBackground = fixed;
        const QPoint scroll(5, 37);
        const QImage img = f.Paint(64, 64, scroll);
        // Box point (x, y) is image point (x - 5, y - 37).
        int wrong = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                // Without the flag tiles sit on multiples of 16 in the box;
                // with it, on multiples of 16 in the window.
                const int bx = fixed ? x : x + scroll.x(), by = fixed ? y : y + scroll.y();
                if (img.pixel(x, y) != Checker().pixel(bx % 16, by % 16)) ++wrong;
            }
        // The text's own pixels are the only exceptions (there is none here).
        EXPECT_EQ(wrong, 0) << (fixed ? "fixed" : "scrolling");
    }
}

TEST(BoxPaintTest, SelectionIsPainted) {
    Fixture f;
    f.Load("<Z S0 >uno due tre");
    const QColor hi(0, 120, 0);
    f.widget.Look().highlight = hi;
    TNYXbox& box = f.widget.Box();
    box.selStart = {0, 4};
    box.selEnd = {0, 7};  // "due"
    const QImage img = f.Paint(300, 60);
    const TNYXparag& p = *box.paragraphs[0];
    int x0 = p.lines[0].startX;
    for (int k = 0; k < 4; ++k) x0 += p.recs[static_cast<std::size_t>(k)].width;
    int x1 = x0;
    for (int k = 4; k < 7; ++k) x1 += p.recs[static_cast<std::size_t>(k)].width;
    const int y = TextTop(p) + p.lines[0].height - 2;  // below the letters
    EXPECT_EQ(QColor(img.pixel(x0 + 1, y)), hi);
    EXPECT_EQ(QColor(img.pixel(x1 - 1, y)), hi);
    EXPECT_NE(QColor(img.pixel(x0 - 2, y)), hi);
    EXPECT_NE(QColor(img.pixel(x1 + 2, y)), hi);
    f.widget.Look().showSelection = false;
    EXPECT_NE(QColor(f.Paint(300, 60).pixel(x0 + 1, y)), hi);
}

TEST(BoxPaintTest, ARunThatDisagreesWithItsWidthsIsMeasuredAgain) {
    Fixture f;
    f.Load("<Z S0 >parola<Y y1 >nera");
    TNYXparag& p = *f.widget.Box().paragraphs[0];
    std::vector<std::int32_t> good;
    for (const auto& r : p.recs) good.push_back(r.width);
    for (std::size_t k = 0; k < 6; ++k) p.recs[k].width += 2;  // 12 pixels too wide in all
    p.recs[6].width += 1;                                        // 4 too wide: within the tolerance
    p.recs[7].width += 3;
    f.Paint(300, 60);
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(p.recs[k].width, good[k]) << k;
    EXPECT_EQ(p.recs[6].width, good[6] + 1);
    EXPECT_EQ(p.recs[7].width, good[7] + 3);
}

TEST(BoxPaintTest, HeaderAndFooterTextIsHatchedWhenEditable) {
    Fixture f;
    f.widget.Box().layoutWidth = 300;
    f.widget.LoadText(Z("<Z S0 >corpo"), Z("<Z S0 >testa"), {});
    const TNYXparag& head = *f.widget.Box().paragraphs[0];
    ASSERT_EQ(head.kind, pkHeader);
    // Right of the text: only the hatching can mark the header's rows.
    auto dark = [&](const QImage& img) {
        int n = 0;
        for (int x = 200; x < 300; ++x)
            if (!IsBackground(img.pixel(x, head.top + 2))) ++n;
        return n;
    };
    EXPECT_GT(dark(f.Paint(300, 60)), 10);
    f.widget.Look().editable = false;
    EXPECT_EQ(dark(f.Paint(300, 60)), 0);
}

TEST(BoxPaintTest, CellAndTableBorders) {
    App();
    TBoxLook look;
    look.buttonShadow = QColor(0x80, 0x80, 0x80);
    look.buttonHighlight = QColor(0xFF, 0xFF, 0xFF);
    auto paint = [&](BorderOf kind, int width, bool show, bool readOnly) {
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(QColor(0, 200, 0));
        QPainter p(&img);
        PaintBorder(p, look, QSize(20, 20), kind, width, show, readOnly);
        return img;
    };
    const QColor green(0, 200, 0), shadow = look.buttonShadow, light = look.buttonHighlight;
    // A cell with border 2: two sunken rings, the inside untouched.
    QImage cell = paint(BorderOf::Cell, 2, true, false);
    EXPECT_EQ(QColor(cell.pixel(5, 0)), shadow);
    EXPECT_EQ(QColor(cell.pixel(5, 1)), shadow);
    EXPECT_EQ(QColor(cell.pixel(5, 19)), light);
    EXPECT_EQ(QColor(cell.pixel(18, 5)), light);
    EXPECT_EQ(QColor(cell.pixel(5, 2)), green);
    // A table: one raised ring.
    QImage table = paint(BorderOf::Table, 3, true, false);
    EXPECT_EQ(QColor(table.pixel(5, 0)), light);
    EXPECT_EQ(QColor(table.pixel(19, 5)), shadow);
    EXPECT_EQ(QColor(table.pixel(5, 1)), green);
    // A cell without border: a dotted outline, gone when read-only or hidden.
    QImage dotted = paint(BorderOf::Cell, 0, true, false);
    EXPECT_EQ(QColor(dotted.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(dotted.pixel(1, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(paint(BorderOf::Cell, 0, true, true).pixel(0, 0)), green);
    EXPECT_EQ(QColor(paint(BorderOf::Cell, 2, false, false).pixel(0, 0)), green);
    EXPECT_EQ(QColor(paint(BorderOf::Table, 0, true, false).pixel(0, 0)), green);
}

std::filesystem::path Sample() { return std::filesystem::path(QUOR_SOURCE_DIR) / "examples" / "sample.nyx"; }

TEST(PageViewTest, ShowsTheSampleCoverPageLaidOut) {
    App();
    model::TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(Sample()));
    TNYXpageView view;
    view.resize(640, 480);
    std::vector<QRect> placed;
    view.onPlaceObject = [&](TNYXembedded&, const QRect& r) { placed.push_back(r); };
    ASSERT_TRUE(view.ShowCoverPage(set));
    TNYXbox& box = view.Box();
    ASSERT_GE(box.paragraphs.size(), 2u);
    EXPECT_EQ(box.layoutWidth, view.viewport()->width());
    EXPECT_EQ(box.paragraphs[box.BodyBegin()]->top, 8);
    for (auto& p : box.paragraphs) EXPECT_FALSE(p->lines.empty());
    // The title is centred.
    const TNYXparag& title = *box.paragraphs[box.BodyBegin()];
    EXPECT_GT(title.lines[0].alignOffset, 0);

    // Another page: the one with the picture, whose place is given after layout.
    ASSERT_TRUE(view.ShowPage(set, 2));
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].size(), QSize(64, 48));
    EXPECT_GE(placed[0].left(), 0);

    // The picture is drawn at its place.
    const QImage shot = view.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QPoint mid = view.viewport()->mapTo(&view, placed[0].center());
    EXPECT_NE(QColor(shot.pixel(mid)), view.Look().background);
    const char* bin = std::getenv("QUOR_BINARY_DIR");
    const std::filesystem::path dir(bin ? bin : ".");
    shot.save(QString::fromStdString((dir / "page_view_picture.png").string()));
    ASSERT_TRUE(view.ShowCoverPage(set));
    view.grab().save(QString::fromStdString((dir / "page_view_sample.png").string()));
}

TEST(PageViewTest, TextIsExposedToAccessibilityWithObjects) {
    App();
    model::TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(Sample()));
    TNYXpageView view;
    view.resize(400, 300);
    ASSERT_TRUE(view.ShowPage(set, 2));
    QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(acc, nullptr);
    QAccessibleTextInterface* text = acc->textInterface();
    ASSERT_NE(text, nullptr);
    const QString all = text->text(0, text->characterCount());
    EXPECT_TRUE(all.startsWith("Il logo della guida:\n")) << all.toStdString();
    EXPECT_EQ(all.count(QChar(0xFFFC)), 1);
    const int obj = static_cast<int>(all.indexOf(QChar(0xFFFC)));
    text->setSelection(0, obj, obj + 1);
    EXPECT_EQ(view.Box().selStart, (TTextPos{1, 0}));
    EXPECT_EQ(view.Box().selEnd, (TTextPos{1, 1}));
    int s = 0, e = 0;
    text->selection(0, &s, &e);
    EXPECT_EQ(s, obj);
    EXPECT_EQ(e, obj + 1);
}

TEST(PageViewTest, ScrollingRepaintsOnlyWhatScrolledIn) {
    Fixture f;
    std::string body;
    for (int i = 0; i < 200; ++i) body += "<Z S0 >riga " + std::to_string(i);
    f.widget.resize(320, 240);
    f.widget.show();
    f.widget.LoadText(Z(body));
    QApplication::processEvents();
    QScrollBar* v = f.widget.verticalScrollBar();
    ASSERT_GT(v->maximum(), 100);
    v->setValue(16);
    QApplication::processEvents();
    const QRect r = f.widget.LastPaintedRect();
    EXPECT_EQ(r.height(), 16);
    EXPECT_EQ(r.bottom(), f.widget.viewport()->height() - 1);
    // With fixed tiles the text moves against them: all of it is painted.
    f.widget.Look().picture = Checker();
    f.widget.Look().fixedBackground = true;
    v->setValue(32);
    QApplication::processEvents();
    EXPECT_EQ(f.widget.LastPaintedRect(), f.widget.viewport()->rect());
}

// --- editing in the widget ------------------------------------------------------------

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Focus(QWidget& w) {
    w.show();
    w.activateWindow();
    w.setFocus();
    QApplication::processEvents();
}

TEST(BoxEditTest, CaretIsDrawnInvertedAndBlinks) {
    Fixture f;
    f.Load("<Z S0 >abc");
    f.widget.Editing().SetCaret({0, 3});
    Focus(f.widget);
    ASSERT_TRUE(f.widget.hasFocus());
    const QRect caret = f.widget.CaretRect();
    EXPECT_EQ(caret.width(), 3);
    EXPECT_EQ(caret.height(), f.widget.Box().paragraphs[0]->lines[0].height);
    const QPoint inside = caret.center();  // the view is not scrolled
    auto shade = [&] { return qGray(f.widget.viewport()->grab().toImage().pixel(inside)); };
    ASSERT_TRUE(f.widget.CaretDrawn());
    EXPECT_LT(shade(), 40);  // white under it turned black
    Wait(650);               // one blink later the caret is off
    EXPECT_FALSE(f.widget.CaretDrawn());
    EXPECT_GT(shade(), 215);
    // A selection hides the caret.
    f.widget.SelectAll();
    EXPECT_FALSE(f.widget.CaretDrawn());
}

TEST(BoxEditTest, ClipboardTakesPlainTextAndRefusesABrokenContainer) {
    platform::testing::ScriptedUiScope ui;
    Fixture f;
    TNYXundoList undo(&f.set);
    f.widget.SetUndoList(&undo);
    f.Load("<Z S0 >abc");
    const std::string before = BoxText(f.widget.Box());
    f.widget.Editing().SetCaret({0, 1});
    QApplication::clipboard()->setText(QStringLiteral("uno\ndue è"));
    ASSERT_TRUE(f.widget.Paste());
    ASSERT_EQ(f.widget.Box().paragraphs.size(), 2u);
    EXPECT_EQ(f.widget.Box().paragraphs[0]->text, "auno");
    EXPECT_EQ(f.widget.Box().paragraphs[1]->text, "due \xE8" "bc");
    // Copying gives both forms back.
    f.widget.SelectAll();
    ASSERT_TRUE(f.widget.Copy());
    const QMimeData* data = QApplication::clipboard()->mimeData();
    EXPECT_EQ(data->text(), QStringLiteral("auno\r\ndue èbc"));
    EXPECT_TRUE(data->hasFormat(QString::fromLatin1(kClipboardMime)));
    undo.UndoSteps(undo.Count());
    EXPECT_EQ(BoxText(f.widget.Box()), before);

    // A container cut short is refused whole.
    std::string bytes = data->data(QString::fromLatin1(kClipboardMime)).toStdString();
    ASSERT_GT(bytes.size(), 8u);
    auto* broken = new QMimeData;
    broken->setData(QString::fromLatin1(kClipboardMime), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size() - 3)));
    QApplication::clipboard()->setMimeData(broken);
    f.widget.Editing().SetCaret({0, 1});
    EXPECT_FALSE(f.widget.Paste());
    EXPECT_EQ(BoxText(f.widget.Box()), before);
    EXPECT_EQ(undo.Count(), 0u);
    f.widget.SetUndoList(nullptr);  // the list goes first
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

void Mouse(QWidget* viewport, QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent e(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
}

TEST(BoxEditTest, KeysAndTheMouseThroughTheWidget) {
    platform::testing::ScriptedUiScope ui;
    Fixture f;
    TNYXundoList undo(&f.set);
    f.widget.SetUndoList(&undo);
    f.Load("<Z S0 >una parola qui");
    Focus(f.widget);
    const std::string before = BoxText(f.widget.Box());
    for (const char* t : {"a", "b"}) Key(&f.widget, Qt::Key_A, Qt::NoModifier, QString::fromLatin1(t));
    Key(&f.widget, Qt::Key_Left, Qt::ShiftModifier);
    Key(&f.widget, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f.widget.Editing().SelectedPlainText(), "ab");
    Key(&f.widget, Qt::Key_Delete);
    EXPECT_EQ(BoxText(f.widget.Box()), before);
    Key(&f.widget, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f.widget.Box().caret, (TTextPos{0, 4}));
    Key(&f.widget, Qt::Key_End);
    EXPECT_EQ(f.widget.Box().caret, (TTextPos{0, 14}));

    // Pressing and dragging selects; a double click takes the word.
    QWidget* vp = f.widget.viewport();
    const TNYXparag& p = *f.widget.Box().paragraphs[0];
    const int y = TextTop(p) + p.lines[0].height / 2;
    auto xOf = [&](int ch) {
        int x = p.lines[0].startX;
        for (int k = 0; k < ch; ++k) x += p.recs[static_cast<std::size_t>(k)].width;
        return x + 1;
    };
    Mouse(vp, QEvent::MouseButtonPress, QPoint(xOf(4), y));
    Mouse(vp, QEvent::MouseMove, QPoint(xOf(10), y));
    Mouse(vp, QEvent::MouseButtonRelease, QPoint(xOf(10), y), Qt::NoButton);
    EXPECT_EQ(f.widget.Editing().SelectedPlainText(), "parola");
    Mouse(vp, QEvent::MouseButtonDblClick, QPoint(xOf(1), y));
    EXPECT_EQ(f.widget.Editing().SelectedPlainText(), "una ");
    // Undoing the keystrokes gives the text back.
    undo.UndoSteps(undo.Count());
    EXPECT_EQ(BoxText(f.widget.Box()), before);
    f.widget.SetUndoList(nullptr);
}

TEST(BoxEditTest, TextFromAnInputMethodIsTyped) {
    Fixture f;
    f.Load("<Z S0 >citta");
    f.widget.Editing().SetCaret({0, 5});
    QInputMethodEvent composing(QStringLiteral("`"), {});
    QApplication::sendEvent(&f.widget, &composing);
    EXPECT_EQ(f.widget.Box().paragraphs[0]->text, "citta");  // still being composed
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("\u00E0!"));
    QApplication::sendEvent(&f.widget, &committed);
    EXPECT_EQ(f.widget.Box().paragraphs[0]->text, "citta\xE0!");
}

TEST(BoxEditTest, TheCaretIsScrolledIntoView) {
    Fixture f;
    std::string body;
    for (int i = 0; i < 100; ++i) body += "<Z S0 >riga " + std::to_string(i);
    f.Load(body);
    Focus(f.widget);
    Key(&f.widget, Qt::Key_End, Qt::ControlModifier);
    QScrollBar* v = f.widget.verticalScrollBar();
    EXPECT_EQ(v->value(), v->maximum());
    const QRect caret = f.widget.CaretRect();
    EXPECT_GE(caret.top(), v->value());
    EXPECT_LE(caret.bottom(), v->value() + f.widget.viewport()->height());
    Key(&f.widget, Qt::Key_PageUp);
    EXPECT_EQ(f.widget.Box().caret.para, 88);  // eleven lines up
    Key(&f.widget, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(v->value(), 0);
}

}  // namespace
