// Printing through the main window's commands into PDF files, read back with
// poppler (pdfinfo, pdftotext, pdftoppm at 254 dpi: 1 mm = 10 pixels), and
// nyx print on the same hypertext.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PrintSetup.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/PrintDialog.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/OptionsStore.h"
#include "shell/StartLogic.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/PrintCommands.h"
#include "support/LinkTag.h"
#include "support/MainWindowFixture.h"
#include "support/Needs.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace model;
using namespace shell;
using namespace shell::ui;
using platform::testing::Message;

namespace {

std::string Shell(const std::string& cmd, int* rc = nullptr) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int r = pclose(p);
    if (rc) *rc = WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    return out;
}

bool HavePoppler() { return std::system("command -v pdfinfo >/dev/null && command -v pdftoppm >/dev/null") == 0; }

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

std::map<std::string, std::string> Info(const fs::path& pdf) {
    std::map<std::string, std::string> m;
    std::istringstream in(Shell("pdfinfo " + Q(pdf) + " 2>/dev/null"));
    for (std::string l; std::getline(in, l);) {
        const auto c = l.find(':');
        if (c == std::string::npos) continue;
        std::string v = l.substr(c + 1);
        v.erase(0, v.find_first_not_of(' '));
        m[l.substr(0, c)] = v;
    }
    return m;
}

std::string SheetText(const fs::path& pdf, int sheet) {
    const std::string n = std::to_string(sheet);
    return Shell("pdftotext -layout -f " + n + " -l " + n + " " + Q(pdf) + " - 2>/dev/null");
}

// A sheet as a grey image at 254 dpi (10 pixels per millimetre).
struct Gray {
    int width = 0, height = 0;
    std::vector<unsigned char> px;
    unsigned char At(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
};
struct Rgb {
    int width = 0, height = 0;
    std::vector<unsigned char> px;
    const unsigned char* At(int x, int y) const { return &px[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

std::string Raster(const fs::path& pdf, int sheet, const fs::path& out, bool gray) {
    const std::string n = std::to_string(sheet);
    Shell("pdftoppm -r 254 " + std::string(gray ? "-gray" : "") + " -f " + n + " -l " + n + " -singlefile " + Q(pdf) + " " +
        Q(out) + " 2>/dev/null");
    std::ifstream f(out.string() + (gray ? ".pgm" : ".ppm"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

template <class Img>
bool ReadPnm(const std::string& bytes, Img& img, const char* magic) {
    std::istringstream in(bytes);
    std::string m;
    int maxv = 0;
    in >> m >> img.width >> img.height >> maxv;
    if (m != magic || img.width <= 0 || img.height <= 0) return false;
    in.get();
    const std::size_t size = static_cast<std::size_t>(img.width) * img.height * (m == "P6" ? 3 : 1);
    img.px.resize(size);
    in.read(reinterpret_cast<char*>(img.px.data()), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

// A 1 x 1 black GIF (no transparency).
const char kBlackGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00;";

using testsupport::Tag;

class PrintPdf : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ForcePdfOutput(true);
        MakeHypertext(dir / "stampa.nyx");
        ASSERT_TRUE(OpenForm(dir / "stampa.nyx"));
        SetFileChooser([this](QWidget*, const TFileRequest&) -> std::optional<TFileAnswer> {
            TFileAnswer a;
            a.file = pdf;
            return a;
        });
    }
    void TearDown() override {
        SetDialogRunner({});
        SetFileChooser({});
        ForcePdfOutput(false);
        form.reset();
        MainWindowFixture::TearDown();
    }

    // Pages: 0 "Lunga" (80 numbered lines, lists, a button), 1 "Figura" (a
    // black square displayed 100 x 100, then text), 2 "Tabella" (one green cell),
    // 3 "Vecchia" (text in the first markup version). Every page has a red background.
    void MakeHypertext(const fs::path& file) {
        TNYXset set;
        set.NewHypertext();
        auto page = [&](const std::string& name, const std::string& text) {
            auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
            p->SetName(name);
            p->SetText(text);
            p->SetInt(pagerec::kBackColour, 0x0000FF);
            return p;
        };
        while (set.Count(testoHtml) > 0 && !set.ObjectAt(testoHtml, 0)->IsEmpty()) set.ObjectAt(testoHtml, 0)->Reset();
        TNYXoggetto* button = set.NewObject(bottoneCGI);
        button->SetStr(97, 79, "Pulsante");
        std::string longText = "<Z S0 N6 >primo<Z S0 N6 >secondo<Z S0 >in mezzo<Z S0 N6 >ancora" + Tag(button->Reference());
        for (int i = 1; i <= 80; ++i) {
            char b[32];
            std::snprintf(b, sizeof b, "<Z S0 >riga %02d", i);
            longText += b;
        }
        page("Lunga", longText);
        const fs::path gif = dir / "nero.gif";
        std::ofstream(gif, std::ios::binary).write(kBlackGif, sizeof kBlackGif - 1);
        TNYXoggetto* pic = set.AddPicture(gif);
        TNYXoggetto* placed = set.NewPlacedPicture(pic);
        if (placed && !placed->Registered()) set.RegisterObject(immagineNew, -1, placed);
        placed->SetWord(19, 100);
        placed->SetWord(21, 100);
        page("Figura", "<Z S0 l0 >" + Tag(placed->Reference()) + "<Z S0 l0 >MMMM");
        TNYXoggetto* table = set.NewObject(tabellaHtml);
        table->SetByte(93, 1);
        table->SetByte(94, 1);
        table->SetByte(55, 0);
        table->SetWord(56, 300);
        table->SetByte(5, 2);
        table->SetFirstStream(std::string("\x00\xFF\x00\x00", 4));  // green
        // The same picture once more: the PDF holds it once.
        TNYXoggetto* again = set.NewPlacedPicture(pic);
        if (again && !again->Registered()) set.RegisterObject(immagineNew, -1, again);
        page("Tabella", "<Z S0 >" + Tag(table->Reference()) + "<Z S1 >cella verde<T><Z S0 >sotto" + Tag(again->Reference()));
        TNYXtesto* old = page("Vecchia", "testo vecchio<P>seconda riga");
        old->SetByte(pagerec::kMarkupVersion, 1);
        set.SetHInt(hdr::kCoverPage, 0);
        ASSERT_TRUE(set.SaveToFile(file));
    }

    void Show(std::int32_t slot) { ASSERT_TRUE(form->ShowPageSlot(slot)); }

    fs::path pdf = dir / "uscita.pdf";
};

TEST_F(PrintPdf, CurrentPageOfALongPageOnTwoSheetsWithEveryLineOnce) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    Show(0);
    QAction* a = form->Command("actStampaPagina");
    ASSERT_TRUE(a && a->isEnabled());
    a->trigger();
    ASSERT_TRUE(fs::exists(pdf)) << (scripted.ui.Texts(Message::Error).empty() ? "" : scripted.ui.Texts(Message::Error)[0]);
    auto info = Info(pdf);
    EXPECT_EQ(info["Title"], "Quor, pag: Lunga");
    const int sheets = std::stoi(info["Pages"]);
    ASSERT_EQ(sheets, 2);
    std::map<std::string, int> seen;
    std::vector<std::string> texts;
    for (int s = 1; s <= sheets; ++s) {
        texts.push_back(SheetText(pdf, s));
        std::istringstream in(texts.back());
        for (std::string l; std::getline(in, l);)
            for (std::size_t at = l.find("riga "); at != std::string::npos; at = l.find("riga ", at + 1))
                ++seen[l.substr(at, 7)];
    }
    EXPECT_EQ(seen.size(), 80u);
    for (const auto& [line, n] : seen) EXPECT_EQ(n, 1) << line;
    EXPECT_NE(texts[0].find("riga 01"), std::string::npos);
    EXPECT_NE(texts[1].find("riga 80"), std::string::npos);
    // Numbers restart after a paragraph without a list mark.
    const std::size_t one = texts[0].find("1. primo"), two = texts[0].find("2. secondo"), again = texts[0].find("1. ancora");
    EXPECT_NE(one, std::string::npos) << texts[0];
    EXPECT_NE(two, std::string::npos);
    EXPECT_NE(again, std::string::npos);
    EXPECT_EQ(texts[0].find("Pulsante"), std::string::npos) << "buttons print nothing";
    EXPECT_TRUE(scripted.ui.Texts(Message::Error).empty());
}

TEST_F(PrintPdf, PictureAtTheScaleTextAtTheMarginAndTheBackgroundWhereAsked) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    // "Imposta margini...": 20 mm on every side, kept in the printer profile.
    SetDialogRunner([](QDialog& d) {
        // The platform's dialog for a real printer, ours for PDF output.
        if (auto* setup = qobject_cast<QPageSetupDialog*>(&d)) {
            setup->printer()->setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
            return static_cast<int>(QDialog::Accepted);
        }
        const auto boxes = d.findChildren<QDoubleSpinBox*>();
        if (boxes.size() != 4) return static_cast<int>(QDialog::Rejected);
        for (QDoubleSpinBox* b : boxes) b->setValue(20);
        return static_cast<int>(QDialog::Accepted);
    });
    form->Command("actImpostaMargini")->trigger();
    EXPECT_EQ(CurrentMargins(*form), (present::TMargins{2000, 2000, 2000, 2000}));
    EXPECT_EQ(store->ReadKey(present::ProfileKey(present::kDefaultProfile), "Left").value_or(""), "2000");
    EXPECT_EQ(store->ReadKey(present::ProfileKey(present::kDefaultProfile), "PrnParsSaved").value_or(""), "1");

    Show(1);
    form->Command("actStampaPagina")->trigger();
    ASSERT_TRUE(fs::exists(pdf));
    Rgb img;
    ASSERT_TRUE(ReadPnm(Raster(pdf, 1, dir / "figura", false), img, "P6"));
    EXPECT_NEAR(img.width, 2100, 2);
    // The black square: 100 picture pixels at scale 2500 print 25 mm.
    auto black = [&](int x, int y) {
        const unsigned char* p = img.At(x, y);
        return p[0] < 40 && p[1] < 40 && p[2] < 40;
    };
    int left = -1, top = -1;
    for (int y = 0; y < img.height / 2 && top < 0; ++y)
        for (int x = 0; x < img.width && top < 0; ++x)
            if (black(x, y)) {
                left = x;
                top = y;
            }
    ASSERT_GE(top, 0) << "no black square";
    int width = 0, height = 0;
    while (left + width < img.width && black(left + width, top + 10)) ++width;
    while (top + height < img.height && black(left + 10, top + height)) ++height;
    const int bottom = top + height - 1;
    EXPECT_NEAR(left, 200, 2) << "at the 20 mm left margin";
    EXPECT_NEAR(top, 200, 2);
    EXPECT_NEAR(width, 250, 3);
    EXPECT_NEAR(height, 250, 3);
    // The text below it starts at the left margin too (a glyph's side bearing aside).
    int textLeft = img.width;
    for (int y = bottom + 5; y < bottom + 150 && y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (img.At(x, y)[0] < 100 && img.At(x, y)[2] < 100) textLeft = std::min(textLeft, x);
    EXPECT_GE(textLeft, 200);
    EXPECT_LE(textLeft, 210);
    // "Stampa pagina corrente" paints the page background over the whole
    // sheet, bottom margin included.
    const unsigned char* margin = img.At(100, img.height - 50);
    EXPECT_GT(margin[0], 200);
    EXPECT_LT(margin[1], 60);

    // "Stampa tutte" prints no backgrounds.
    fs::remove(pdf);
    form->Command("actStampaTutte")->trigger();
    ASSERT_TRUE(fs::exists(pdf));
    Rgb all;
    ASSERT_TRUE(ReadPnm(Raster(pdf, 1, dir / "tutte", false), all, "P6"));
    const unsigned char* white = all.At(100, all.height - 50);
    EXPECT_GT(white[1], 240);
}

TEST_F(PrintPdf, StampaTutteKeepsEveryPageInOneDocument) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    form->Command("actStampaTutte")->trigger();
    ASSERT_TRUE(fs::exists(pdf));
    // 2 sheets for the long page and one for each of the three others.
    EXPECT_EQ(Info(pdf)["Pages"], "5");
    const std::string all = Shell("pdftotext -layout " + Q(pdf) + " - 2>/dev/null");
    for (const char* text : {"riga 80", "MMMM", "cella verde", "testo vecchio", "seconda riga"})
        EXPECT_NE(all.find(text), std::string::npos) << text;
    EXPECT_FALSE(form->Document().Modified()) << "the order did not change: the hypertext did not either";
    // Each picture is embedded once, however often it is drawn.
    std::istringstream images(Shell("pdfimages -list " + Q(pdf) + " 2>/dev/null"));
    std::set<std::string> objects;
    int drawn = 0;
    for (std::string l; std::getline(images, l);) {
        std::istringstream cols(l);
        std::vector<std::string> c{std::istream_iterator<std::string>(cols), {}};
        if (c.size() < 12 || c[2] != "image") continue;
        ++drawn;
        objects.insert(c[10]);
    }
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(objects.size(), 1u);
}

TEST_F(PrintPdf, StampaTutteStopsAfterThePageBeingPrintedOnFermaOrClosing) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    struct Case {
        const char* name;
        bool byClosing;
    };
    for (const Case c : {Case{"Ferma", false}, Case{"closing the dialog", true}}) {
        pdf = dir / (std::string(c.byClosing ? "chiusa" : "ferma") + ".pdf");
        scripted.ui.ClearMessages();
        bool seen = false;
        // Runs at the first progress step, after the first page.
        QTimer::singleShot(0, [&] {
            for (auto* d : form->findChildren<present::ui::TFprint*>()) {
                if (!d->Printing()) continue;
                seen = true;
                EXPECT_TRUE(d->isVisible() && d->isModal()) << c.name;
                EXPECT_FALSE(d->findChild<QPushButton*>("btStampa")->isEnabled()) << c.name;
                if (c.byClosing) d->close();
                else d->findChild<QPushButton*>("btFerma")->click();
                EXPECT_TRUE(d->isVisible()) << c.name << ": it closes once the page is done";
            }
        });
        form->Command("actStampaTutte")->trigger();
        EXPECT_TRUE(seen) << c.name;
        ASSERT_TRUE(fs::exists(pdf)) << c.name;
        EXPECT_EQ(Info(pdf)["Pages"], "2") << c.name << ": the long page only";
        EXPECT_EQ(scripted.ui.Texts(Message::Information),
                  std::vector<std::string>{"Stampa interrotta: 1 di 4 pagine stampate."}) << c.name;
        EXPECT_TRUE(scripted.ui.Texts(Message::Error).empty()) << c.name;
        for (auto* d : form->findChildren<present::ui::TFprint*>()) EXPECT_FALSE(d->isVisible()) << c.name;
    }
}

TEST_F(PrintPdf, CellColoursOnlyWithTheirFlag) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    auto greenPixels = [&](const fs::path& file) {
        Rgb img;
        EXPECT_TRUE(ReadPnm(Raster(file, 1, dir / file.stem(), false), img, "P6"));
        int n = 0;
        for (int y = 0; y < img.height; y += 2)
            for (int x = 0; x < img.width; x += 2) {
                const unsigned char* p = img.At(x, y);
                n += p[1] > 200 && p[0] < 60 && p[2] < 60;
            }
        return n;
    };
    Show(2);
    form->Command("actStampaPagina")->trigger();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(greenPixels(pdf), 0);
    pdf = dir / "con_celle.pdf";
    SetDialogRunner([this](QDialog& d) {
        auto* dlg = qobject_cast<present::ui::TFprint*>(&d);
        if (!dlg) return static_cast<int>(QDialog::Rejected);
        present::TPrintOptions o;
        o.tableBackgrounds = true;
        dlg->SetOptions(o);
        dlg->SetPdfFile(pdf, false);
        dlg->findChild<QPushButton*>("btStampa")->click();
        return dlg->result();
    });
    form->Command("actStampa")->trigger();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_GT(greenPixels(pdf), 100);
}

TEST_F(PrintPdf, DialogListOperationsAndAnEmptyListPrintsThePreviewPage) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    Show(1);
    present::ui::TFprint dlg(form->Document(), 1, false, form.get());
    auto click = [&](const char* name) { dlg.findChild<QPushButton*>(name)->click(); };
    auto* list = dlg.findChild<QTreeWidget*>("lvPagine");
    click("btTutte");
    EXPECT_EQ(dlg.List().Pages(), (std::vector<std::int32_t>{0, 1, 2, 3}));
    dlg.SelectRow(2);
    click("btPrima");
    EXPECT_EQ(dlg.List().Pages(), (std::vector<std::int32_t>{0, 2, 1, 3}));
    click("btDopo");
    click("btDopo");
    EXPECT_EQ(dlg.List().Pages(), (std::vector<std::int32_t>{0, 1, 3, 2}));
    dlg.SelectRow(0);
    click("btCestina");
    EXPECT_EQ(dlg.List().Pages(), (std::vector<std::int32_t>{1, 3, 2}));
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Figura");
    click("btCorrente");
    EXPECT_EQ(dlg.List().Pages().size(), 3u) << "a page at most once";
    // Emptied, the list prints the page shown in the preview.
    while (!dlg.List().Empty()) {
        dlg.SelectRow(0);
        click("btCestina");
    }
    dlg.ShowInPreview(2);
    EXPECT_EQ(dlg.PreviewPage(), 2);
    dlg.SetPdfFile(pdf, false);
    form->Document().SetModified(false);
    click("btStampa");
    ASSERT_TRUE(fs::exists(pdf));
    auto info = Info(pdf);
    EXPECT_EQ(info["Title"], "Quor, pag: Tabella");
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_FALSE(form->Document().Modified());
}

TEST_F(PrintPdf, PrintingMarksTheHypertextChangedOnlyWhenTheOrderChanged) {
    present::ui::TFprint dlg(form->Document(), 0, true, form.get());
    form->Document().SetModified(false);
    EXPECT_FALSE(dlg.StoreOrder());
    EXPECT_FALSE(form->Document().Modified());
    dlg.OrderTree().Select(dlg.OrderTree().RootNode());
    ASSERT_TRUE(dlg.AddChapter());
    EXPECT_TRUE(dlg.StoreOrder());
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_EQ(dlg.windowTitle(), "Ordine predefinito pagine; Capitoli;");
}

TEST_F(PrintPdf, PrinterSetUpKeepsTheProfileAndCopiesOfZeroPrintOne) {
    SetDialogRunner([](QDialog& d) {
        auto* dlg = qobject_cast<QPrintDialog*>(&d);
        if (!dlg) return static_cast<int>(QDialog::Rejected);
        dlg->printer()->setCopyCount(0);
        dlg->printer()->setPageOrientation(QPageLayout::Landscape);
        return static_cast<int>(QDialog::Accepted);
    });
    ASSERT_TRUE(SetUpPrinter(*form));
    const std::string key = present::ProfileKey(present::kDefaultProfile);
    EXPECT_EQ(store->ReadKey(key, "dmCopies").value_or(""), "1");
    EXPECT_EQ(store->ReadKey(key, "dmOrientation").value_or(""), "2");
    EXPECT_EQ(store->ReadKey(key, "Top").value_or(""), "2500");
    EXPECT_EQ(store->ReadKey(key, "PrnParsSaved").value_or(""), "1");
    // The next set-up starts from the stored profile.
    WindowPrinter(*form).setPageOrientation(QPageLayout::Portrait);
    SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    EXPECT_FALSE(SetUpPrinter(*form));
    EXPECT_EQ(WindowPrinter(*form).pageLayout().orientation(), QPageLayout::Landscape);
}

TEST_F(PrintPdf, MarginsAsLargeAsThePaperAreRefusedAndNoFileIsWritten) {
    SetCurrentMargins(*form, {10500, 2500, 10500, 2500});
    Show(1);
    form->Command("actStampaPagina")->trigger();
    EXPECT_FALSE(fs::exists(pdf));
    const auto errors = scripted.ui.Texts(Message::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], present::kNoPrintableArea);
}

TEST_F(PrintPdf, PrintSwitchOpensThePrintDialog) {
    fs::copy_file(dir / "stampa.nyx", dir / "avvio.nyx");
    auto second = std::make_unique<TMainForm>(paths);
    bool opened = false, started = false;
    SetDialogRunner([&](QDialog& d) {
        if (qobject_cast<present::ui::TFprint*>(&d)) opened = true;
        return static_cast<int>(QDialog::Rejected);
    });
    second->onStarted = [&] { started = true; };
    second->Start(ParseCommandLine({"/PRINT", (dir / "avvio.nyx").string()}));
    // The start action runs from the one-shot start timer.
    for (int i = 0; i < 1000 && !started; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    ASSERT_TRUE(started);
    EXPECT_TRUE(opened);
}

TEST_F(PrintPdf, NyxPrintWritesOneDocumentOrNumberedFiles) {
    QUOR_NEEDS(HavePoppler(), "poppler-utils");
    const std::string nyx = std::string(QUOR_BINARY_DIR) + "/nyx";
    const fs::path file = dir / "stampa.nyx";
    int rc = -1;
    Shell(nyx + " print " + Q(file) + " --pdf " + Q(dir / "cli.pdf") + " --pages 1,2 --margins 20,20,20,20 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Info(dir / "cli.pdf")["Pages"], "2");
    Shell(nyx + " print " + Q(file) + " --pdf " + Q(dir / "num.pdf") + " --all --numbered 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(fs::exists(dir / ("num-" + std::to_string(n) + ".pdf"))) << n;
    EXPECT_EQ(Info(dir / "num-1.pdf")["Title"], "Quor, pag: Lunga");
    const std::string out = Shell(nyx + " print " + Q(file) + " --pdf " + Q(dir / "no.pdf") + " --margins 0,110,0,110 2>&1", &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(out.find("margini"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir / "no.pdf"));
    Shell(nyx + " print " + Q(file) + " --pdf x.pdf --margins 1,2 2>&1", &rc);
    EXPECT_EQ(rc, 2);
}

// The order tab's tree item showing a text ("[Nuovo capitolo]", a page name).
QTreeWidgetItem* OrderItem(present::ui::TFprint& dlg, const QString& text) {
    auto* tree = dlg.findChild<QTreeWidget*>("tvOrdine");
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text) return *it;
    return nullptr;
}

std::string StoredOrder(TNYXset& set) {
    TNYXorderedTree tree(&set, testoHtml);
    EXPECT_TRUE(tree.Reload());
    return tree.StoredForm();
}

TEST_F(PrintPdf, EveryPrintCommandIsEnabledAndStampaIsOnTheToolbar) {
    for (const char* id : {"actImpostaStampante", "actImpostaMargini", "actStampa", "actStampaPagina", "actStampaTutte",
                           "actOrdinePagine"}) {
        QAction* a = form->Command(id);
        ASSERT_TRUE(a) << id;
        EXPECT_TRUE(a->isEnabled()) << id;
    }
    auto* bar = form->findChild<QToolBar*>("tbStandard");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->actions().contains(form->Command("actStampa")));
    EXPECT_EQ(form->Command("actStampa")->iconText(), "Stampa");
}

TEST_F(PrintPdf, OrderCommandOpensThePrintDialogOnItsOrderTabAndOkIsUndone) {
    Show(1);
    TNYXset& set = form->Document();
    form->Document().SetModified(false);
    const std::string before = StoredOrder(set);
    QAction* a = form->Command("actOrdinePagine");
    ASSERT_TRUE(a && a->isEnabled());
    bool opened = false;
    SetDialogRunner([&](QDialog& d) {
        auto* dlg = qobject_cast<present::ui::TFprint*>(&d);
        if (!dlg) return static_cast<int>(QDialog::Rejected);
        opened = true;
        EXPECT_EQ(dlg->windowTitle(), "Ordine predefinito pagine; Capitoli;");
        auto* tabs = dlg->findChild<QTabWidget*>("tabs");
        EXPECT_EQ(tabs->count(), 1);
        EXPECT_EQ(tabs->tabText(0), "Ordine predefinito");
        EXPECT_FALSE(dlg->findChild<QPushButton*>("btStampa"));
        // The page being edited is selected and shown beside the tree.
        EXPECT_EQ(dlg->OrderPreviewPage(), 1);
        auto* tree = dlg->findChild<QTreeWidget*>("tvOrdine");
        EXPECT_EQ(tree->currentItem(), OrderItem(*dlg, "Figura"));
        // A chapter under the root, the page of the preview into it.
        tree->setCurrentItem(tree->topLevelItem(0));
        dlg->findChild<QPushButton*>("btCapitolo")->click();
        EXPECT_EQ(tree->currentItem(), OrderItem(*dlg, "[Nuovo capitolo]"));
        dlg->ShowInOrderPreview(2);
        dlg->findChild<QPushButton*>("btAggiungiPagina")->click();
        QTreeWidgetItem* chapter = OrderItem(*dlg, "[Nuovo capitolo]");
        EXPECT_EQ(chapter->childCount(), 1);
        EXPECT_EQ(chapter->child(0)->text(0), "Tabella");
        dlg->findChild<QPushButton*>("btOk")->click();
        return dlg->result();
    });
    a->trigger();
    ASSERT_TRUE(opened) << "the print dialog, not another window";
    EXPECT_TRUE(set.Modified());
    const std::string after = StoredOrder(set);
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("Nuovo capitolo"), std::string::npos);
    ASSERT_TRUE(form->UndoList().CanUndo());
    EXPECT_EQ(form->UndoList().Labels().front(), "Ordine pagine");
    form->UndoList().UndoOnce();
    EXPECT_EQ(StoredOrder(set), before);
    // Cancelled, the dialog leaves the order and the undo list alone.
    const std::size_t steps = form->UndoList().Labels().size();
    SetDialogRunner([&](QDialog& d) {
        if (auto* dlg = qobject_cast<present::ui::TFprint*>(&d)) {
            dlg->OrderTree().Select(dlg->OrderTree().RootNode());
            dlg->AddChapter();
        }
        return static_cast<int>(QDialog::Rejected);
    });
    a->trigger();
    EXPECT_EQ(StoredOrder(set), before);
    EXPECT_EQ(form->UndoList().Labels().size(), steps);
}

TEST_F(PrintPdf, OrderTabPreviewFollowsTheTreeAndAddingNeedsTheRootOrAChapter) {
    present::ui::TFprint dlg(form->Document(), 0, false, form.get());
    dlg.runDialog = [](QDialog& d) {
        // "Scegli pagine": the last two pages.
        auto* list = d.findChild<QListWidget*>("lbPagine");
        for (int i = list->count() - 2; i < list->count(); ++i) list->item(i)->setSelected(true);
        return static_cast<int>(QDialog::Accepted);
    };
    auto* tree = dlg.findChild<QTreeWidget*>("tvOrdine");
    auto* add = dlg.findChild<QPushButton*>("btAggiungiPagina");
    auto* chapter = dlg.findChild<QPushButton*>("btCapitolo");
    auto* choose = dlg.findChild<QPushButton*>("btScegli");
    struct Case {
        const char* item;
        std::int32_t shown;  // in the order preview afterwards
        bool canAdd;
    } cases[] = {{"Tabella", 2, false}, {"Vecchia", 3, false}, {"Lunga", 0, false}};
    for (const Case& c : cases) {
        QTreeWidgetItem* item = OrderItem(dlg, c.item);
        ASSERT_TRUE(item) << c.item;
        tree->setCurrentItem(item);
        EXPECT_EQ(dlg.OrderPreviewPage(), c.shown) << c.item;
        for (QPushButton* b : {add, chapter, choose}) EXPECT_EQ(b->isEnabled(), c.canAdd) << c.item;
    }
    // On the root: a chapter, and into it the pages chosen in "Scegli pagine".
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_TRUE(add->isEnabled());
    EXPECT_EQ(dlg.OrderPreviewPage(), 0) << "a chapter or the root keeps the page shown";
    chapter->click();
    choose->click();
    QTreeWidgetItem* ch = OrderItem(dlg, "[Nuovo capitolo]");
    ASSERT_TRUE(ch);
    ASSERT_EQ(ch->childCount(), 2);
    EXPECT_EQ(ch->child(0)->text(0), "Tabella");
    EXPECT_EQ(ch->child(1)->text(0), "Vecchia");
    // "Elimina" takes the chapter out with its pages; the root stays.
    tree->setCurrentItem(ch);
    dlg.findChild<QPushButton*>("btElimina")->click();
    EXPECT_FALSE(OrderItem(dlg, "[Nuovo capitolo]"));
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_FALSE(dlg.RemoveFromOrder());
    EXPECT_EQ(dlg.OrderTree().StoredForm(), StoredOrder(form->Document()));
}

TEST_F(PrintPdf, NextSlideEntryInThePreviewPopupShowsTheNextSlidePage) {
    TNYXset& set = form->Document();
    set.ObjectAt(testoHtml, 0)->SetInt(pagerec::kNextSlide, set.ObjectAt(testoHtml, 2)->Reference());
    present::ui::TFprint dlg(set, 0, false, form.get());
    struct Case {
        present::ui::TInsiemeCornici* preview;
        std::int32_t from, to;  // -1: the entry is disabled
    } cases[] = {{dlg.Preview(), 0, 2}, {dlg.Preview(), 1, -1}, {dlg.OrderPreview(), 0, 2}};
    for (const Case& c : cases) {
        if (c.preview == dlg.Preview()) dlg.ShowInPreview(c.from);
        else dlg.ShowInOrderPreview(c.from);
        ASSERT_EQ(c.preview->MainPageNumber(), c.from);
        richtext::ui::TNYXpageView* view = c.preview->CurrentView();
        ASSERT_TRUE(view);
        QMenu menu;
        ASSERT_TRUE(richtext::ui::FillPopup(menu, richtext::ui::TPopupPlace::kTop, {*view, QPoint(5, 5), -1, false}));
        auto* next = menu.findChild<QAction*>("pmProssimaSlide");
        ASSERT_TRUE(next);
        EXPECT_EQ(next->text(), "Prossima slide...");
        EXPECT_EQ(next->isEnabled(), c.to >= 0) << c.from;
        if (c.to < 0) continue;
        next->trigger();
        EXPECT_EQ(c.preview->MainPageNumber(), c.to);
    }
    // The main window's own text has no such entry.
    Show(0);
    richtext::ui::TNYXpageView* own = form->FrameSet()->CurrentView();
    ASSERT_TRUE(own);
    QMenu menu;
    richtext::ui::FillPopup(menu, richtext::ui::TPopupPlace::kTop, {*own, QPoint(5, 5), -1, false});
    EXPECT_FALSE(menu.findChild<QAction*>("pmProssimaSlide"));
}

}  // namespace
