// The object commands of the main window: "Inserisci" puts a button on the
// page, the "Bottone" menu opens its properties and deletes it, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "convert/Converter.h"
#include "convert/html/NYXtoHtml.h"
#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "present/ObjectInsert.h"
#include "present/ObjectProperties.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "present/ObjectMedia.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectDialogs.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/TextAttributes.h"
#include "richtext/ui/ObjectHandles.h"
#include "richtext/ui/PopupMenu.h"
#include "richtext/ui/RulerWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/LinkDialog.h"
#include "support/MainWindowFixture.h"
#include "support/Needs.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

class ObjectCommandsTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(OpenForm(CopySample()));
    }
};

TEST_F(ObjectCommandsTest, TheBottoneMenuEditsAndDeletesTheSelectedButton) {
    auto* menu = form->findChild<QMenu*>(QStringLiteral("mnBottone"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    v->Editing().SetCaret({v->Box().BodyBegin(), 0});
    ASSERT_TRUE(form->Command("actInsBottone")->isEnabled());
    form->Command("actInsBottone")->trigger();
    richtext::ui::TObjectHandles* handles = present::ui::HandlesOf(*v);
    ASSERT_NE(handles, nullptr);
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(handles->Select(*e));
    SetDialogRunner([](QDialog& d) {
        auto* dialog = qobject_cast<present::ui::TFproprietaOggetto*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        if (auto* caption = qobject_cast<QLineEdit*>(dialog->FieldWidget("etichetta")))
            caption->setText(QStringLiteral("Avanti"));
        dialog->accept();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(form->Command("actProprietaOggetto")->isEnabled());
    form->Command("actProprietaOggetto")->trigger();
    EXPECT_EQ(e->Record()->Str(97, 79), "Avanti");
    form->Command("actEliminaOggetto")->trigger();
    EXPECT_EQ(v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0), nullptr);
    form->Command("actUndo")->trigger();
    EXPECT_NE(v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0), nullptr);
}

TEST_F(ObjectCommandsTest, ASoundFromInserisciPlaysTheFileChosenInItsProperties) {
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    v->Editing().SetCaret({v->Box().BodyBegin(), 0});
    for (const char* c : {"actInsSuono", "actInsVideo", "actInsCornice"}) {
        SCOPED_TRACE(c);
        ASSERT_NE(form->Command(c), nullptr);
        EXPECT_TRUE(form->Command(c)->isEnabled());
    }
    form->Command("actInsSuono")->trigger();
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Record()->Type(), model::multiMedia);
    EXPECT_EQ(e->width, 141);  // the player bar
    ASSERT_TRUE(present::ui::HandlesOf(*v)->Select(*e));
    const fs::path wav = dir / "campana.wav";
    std::ofstream(wav, std::ios::binary) << "RIFF....WAVE";
    SetFileChooser([wav](QWidget*, const TFileRequest& r) -> std::optional<TFileAnswer> {
        if (r.caption != "File multimediale") return std::nullopt;
        return TFileAnswer{wav, 1};
    });
    SetDialogRunner([](QDialog& d) {
        auto* dialog = qobject_cast<present::ui::TFproprietaOggetto*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        auto* browse = dialog->findChild<QPushButton*>(QStringLiteral("sfogliaFile"));
        if (!browse) return int(QDialog::Rejected);
        browse->click();
        if (dialog->findChild<QLineEdit*>(QStringLiteral("fileMultimediale"))->text() != QStringLiteral("campana.wav"))
            return int(QDialog::Rejected);
        dialog->accept();
        return int(QDialog::Accepted);
    });
    form->Command("actProprietaOggetto")->trigger();
    SetFileChooser({});
    // The new record belongs to the hypertext, so the file it names is found.
    EXPECT_EQ(e->Record()->Set(), &form->Document());
    const model::TNYXoggetto* file = form->Document().ObjectByRef(e->Record()->Int(17));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetName(), "campana.wav");
    EXPECT_FALSE(present::MediaFilePath(*e->Record()).empty());
    form->Command("actUndo")->trigger();
    e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Record()->Int(17), -1);
}

void Mouse(QWidget& w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

TEST_F(ObjectCommandsTest, TheRulerFollowsTheCaretAndItsLeftMarkerIsOneUndoStep) {
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();
    auto* ruler = form->findChild<richtext::ui::TRulerWidget*>(QStringLiteral("righello"));
    ASSERT_NE(ruler, nullptr);
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    const std::int32_t para = v->Box().BodyBegin();
    v->Editing().SetCaret({para, 0});
    form->UpdateEditCommands();
    const richtext::TKyRuler& r = ruler->Ruler();
    EXPECT_EQ(r.WindowSize(), v->Box().layoutWidth);
    EXPECT_EQ(ruler->mapToGlobal(QPoint(r.WindowStart(), 0)).x(), v->viewport()->mapToGlobal(QPoint(0, 0)).x());
    const richtext::TNYXParaAttributes attrs(v->Box());
    const std::int32_t left = attrs.Value(richtext::pfLeft), indent = attrs.Value(richtext::pfIndent);
    EXPECT_EQ(r.LeftPos(), std::clamp(left, 0, r.WindowSize()));
    const fs::path shots = fs::path(QUOR_BINARY_DIR) / "artifacts";
    fs::create_directories(shots);
    EXPECT_TRUE(form->grab().toImage().save(QString::fromStdString((shots / "ruler.png").string())));

    // The left marker dragged 40 pixels right: the margin grows, the first line stays.
    const QPoint at(r.WindowStart() + r.LeftPos(), ruler->height() - richtext::TKyRuler::kSquareHeight - 3);
    ASSERT_EQ(r.MarkerAt(at.x(), at.y(), ruler->height()), richtext::TRulerMarker::kLeft);
    Mouse(*ruler, QEvent::MouseButtonPress, at);
    Mouse(*ruler, QEvent::MouseMove, at + QPoint(40, 0));
    Mouse(*ruler, QEvent::MouseButtonRelease, at + QPoint(40, 0));
    const richtext::TNYXParaAttributes after(v->Box());
    EXPECT_EQ(after.Value(richtext::pfLeft), left + 40);
    EXPECT_EQ(after.Value(richtext::pfLeft) + after.Value(richtext::pfIndent), left + indent);
    ASSERT_FALSE(form->UndoList().Labels().empty());
    EXPECT_EQ(form->UndoList().Labels().front().rfind("Margine sx ", 0), 0u);
    EXPECT_EQ(r.LeftPos(), std::clamp(left + 40, 0, r.WindowSize()));
    form->Command("actUndo")->trigger();
    EXPECT_EQ(richtext::TNYXParaAttributes(v->Box()).Value(richtext::pfLeft), left);
    EXPECT_EQ(richtext::TNYXParaAttributes(v->Box()).Value(richtext::pfIndent), indent);

    // In view mode the ruler does nothing.
    form->Command("actSoloLettura")->trigger();
    EXPECT_FALSE(ruler->isEnabled());
    form->Command("actSoloLettura")->trigger();
}

std::string RunTool(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// An author puts one object of every kind on a page through "Inserisci",
// gives the sound, the video and the floating frame what they show and the
// plain button a page to go to; the exported page opens in Chromium with
// every field there, and the button, clicked, lands on that page.
TEST_F(ObjectCommandsTest, APageOfEveryKindMadeInTheEditorWorksInChromium) {
    QUOR_NEEDS(Have("chromium"), "chromium non installato (scripts/install-deps)");
    model::TNYXset& set = form->Document();
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    const std::int32_t shown = form->FrameSet()->MainPageNumber();
    ASSERT_GE(shown, 0);
    // The page the button goes to: another page of the hypertext.
    std::int32_t target = -1;
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(set.Count(model::testoHtml)) && target < 0; ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, i);
        if (p && !p->IsEmpty() && i != shown && !p->GetName().empty()) target = static_cast<std::int32_t>(i);
    }
    ASSERT_GE(target, 0);
    const std::string title = set.ObjectAt(model::testoHtml, target)->GetName();

    const std::int32_t para = v->Box().BodyBegin();
    v->Editing().SetCaret({para, 0});
    for (const present::TInsertKind& k : present::InsertKinds()) {
        SCOPED_TRACE(k.command);
        ASSERT_TRUE(form->Command(k.command)->isEnabled());
        form->Command(k.command)->trigger();
    }
    const fs::path wav = dir / "suono.wav";
    std::ofstream(wav, std::ios::binary) << "RIFF....WAVEfmt ";
    richtext::TNYXembedded* button = nullptr;
    for (richtext::TNYXembedded* e : v->Box().paragraphs[static_cast<std::size_t>(para)]->Objects()) {
        model::TNYXoggetto& o = *e->Record();
        present::TObjectProperties p(o);
        if (o.Type() == model::multiMedia && p.FileKind() == present::TObjectFile::kMedia) {
            p.file = wav;
        } else if (o.Type() == model::inputStat && o.Subtype() == model::formrec::kFloating) {
            ASSERT_TRUE(p.SetValue("pagina", std::to_string(target)));
        } else if (o.Type() == model::inputStat || o.Type() == model::bottoneCGI) {
            ASSERT_TRUE(p.SetValue("nome", "campo" + std::to_string(o.Type()) + "_" + std::to_string(o.Subtype())));
        }
        if (o.Type() == model::bottoneCGI && o.Subtype() == model::buttonrec::kPlain) button = e;
        present::ApplyProperties(v->Box(), *e, p);
    }
    v->EditedOutside(true);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(present::ui::HandlesOf(*v)->Select(*button));
    SetDialogRunner([&title](QDialog& d) {
        if (!dynamic_cast<shell::ui::TFlink*>(&d)) return int(QDialog::Rejected);
        d.findChild<QLineEdit*>(QStringLiteral("search"))->setText(QString::fromStdString(platform::text::Cp1252ToUtf8(title)));
        d.accept();
        return d.result();
    });
    for (const char* c : {"actCollegamentoBottone", "actTogliCollegamentoBottone"}) {
        ASSERT_NE(form->Command(c), nullptr) << c;
        EXPECT_TRUE(form->Command(c)->isEnabled()) << c;
    }
    form->Command("actCollegamentoBottone")->trigger();
    ASSERT_NE(button->Record()->Int(181), -1);
    ASSERT_TRUE(form->CommitPageEdits());

    convert::html::TNYXtoHtml x(&set);
    x.ExportPath = dir / "sito";
    ASSERT_TRUE(x.Export(convert::AllPages(set))) << (x.Report().problems.empty() ? "" : x.Report().problems[0]);
    const std::string page = x.PageFileName(set.ObjectAt(model::testoHtml, shown), 0);
    // The page itself, or its frame set when it has one.
    const std::string goal = x.PageFileName(set.ObjectAt(model::testoHtml, target), 0);
    const std::string goalFrames = x.PageFileName(set.ObjectAt(model::testoHtml, target), 1);
    std::ofstream(x.ExportPath / "zz_oggetti.htm")
        << "<!DOCTYPE html><html><body><pre id=out></pre><iframe id=f></iframe><script>\n"
           "const out=document.getElementById('out');const f=document.getElementById('f');let clicked=false;\n"
           "f.onload=()=>{ const d=f.contentDocument;\n"
           " if(clicked){ out.textContent+='AT '+f.contentWindow.location.pathname.split('/').pop()+'\\nDONE\\n'; return; }\n"
           " for(const s of ['form','textarea','select','iframe','embed']) out.textContent+=s+' '+d.querySelectorAll(s).length+'\\n';\n"
           " for(const t of ['text','password','checkbox','radio','hidden','submit','reset','button','image'])\n"
           "  out.textContent+=t+' '+[...d.querySelectorAll('input')].filter(e=>e.type===t).length+'\\n';\n"
           " for(const b of d.querySelectorAll('base')) b.target='_self';\n"
           " const b=[...d.querySelectorAll('input')].find(e=>e.type==='button'); if(!b){out.textContent+='DONE\\n';return;}\n"
           " clicked=true; b.click(); setTimeout(()=>{ if(!out.textContent.includes('DONE')) out.textContent+='NOWHERE\\nDONE\\n'; },3000); };\n"
           "f.src='" << page << "';\n</script></body></html>\n";
    const std::string dom = RunTool("timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir='" +
                                (dir / "profile").string() + "' --dump-dom 'file://" +
                                (x.ExportPath / "zz_oggetti.htm").string() + "' 2>/dev/null");
    const std::size_t from = dom.find("<pre id=\"out\">"), to = dom.find("</pre>");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos && to > from) << dom;
    const std::string seen = dom.substr(from + 14, to - from - 14);
    for (const char* want : {"form 1", "text 1", "password 1", "checkbox 1", "radio 1", "hidden 1", "submit 1", "reset 1",
                             "button 1", "image 0", "textarea 1", "select 2", "iframe 1", "embed 2"})
        EXPECT_NE(seen.find(std::string(want) + "\n"), std::string::npos) << want << "\n" << seen;
    EXPECT_TRUE(seen.find("AT " + goal + "\n") != std::string::npos ||
                seen.find("AT " + goalFrames + "\n") != std::string::npos)
        << seen;

    // The HTML checker finds no parse errors in the page (obsolete elements
    // and attributes are what the pages are meant to use).
    const fs::path jar = fs::path(QUOR_SOURCE_DIR) / "build/tools/node_modules/vnu-jar/build/dist/vnu.jar";
    if (!fs::exists(jar) || !Have("java")) {
        std::fprintf(stderr, "vnu.jar o java mancanti: controllo HTML saltato\n");
        return;
    }
    const std::string out = RunTool("java -jar '" + jar.string() + "' --errors-only --format text '" +
                                    (x.ExportPath / page).string() + "' 2>&1");
    static const std::regex parse(
        "Stray (start|end) tag|End tag .* seen|Unclosed element|Saw .* when expecting|Duplicate attribute|No space between "
        "attributes|in an unquoted attribute value|End of file|Bogus comment|violates nesting|Attribute value missing|"
        "not allowed after|Garbage after|Cannot recover");
    std::istringstream lines(out);
    for (std::string l; std::getline(lines, l);)
        if (std::regex_search(l, parse)) ADD_FAILURE() << l;
}

TEST_F(ObjectCommandsTest, TheTextsPopupMenuInsertsEveryKindWhereThePointerWas) {
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    const std::int32_t para = v->Box().BodyBegin();
    v->Editing().SetCaret({para, 0});
    QMenu menu;
    richtext::ui::FillPopup(menu, richtext::ui::TPopupPlace::kBottom, {*v, QPoint(0, 0), -1, false});
    auto* sub = menu.findChild<QMenu*>(QStringLiteral("pmInserisciOggetto"));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->actions().size(), static_cast<qsizetype>(present::InsertKinds().size()));
    QAction* check = sub->findChild<QAction*>(QStringLiteral("pmactInsCheckBox"));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(), form->Command("actInsCheckBox")->text());
    check->trigger();
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(para)]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Record()->Type(), model::inputStat);
    EXPECT_EQ(e->Record()->Subtype(), 7);
    // In view mode the page offers nothing to insert.
    form->Command("actSoloLettura")->trigger();
    QMenu reading;
    richtext::ui::FillPopup(reading, richtext::ui::TPopupPlace::kBottom, {*form->FrameSet()->CurrentView(), QPoint(0, 0), -1, false});
    EXPECT_EQ(reading.findChild<QMenu*>(QStringLiteral("pmInserisciOggetto")), nullptr);
    form->Command("actSoloLettura")->trigger();
}

}  // namespace
