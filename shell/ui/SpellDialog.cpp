#include "shell/ui/SpellDialog.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Navigation.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"

namespace shell::ui {
namespace {

QString Q(std::string_view cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string Cp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

// --- TFspell ------------------------------------------------------------------------------------

static QString LanguageName(const std::string& code) {
    // The dictionary's language in its own words ("italiano (Italia)"); the
    // code itself when the locale tables do not know it.
    const QLocale locale(QString::fromStdString(code));
    if (locale.language() == QLocale::C) return QString::fromStdString(code);
    QString name = locale.nativeLanguageName();
    const QString territory = locale.nativeTerritoryName();
    if (!territory.isEmpty() && code.find('_') != std::string::npos) name += QStringLiteral(" (") + territory + QStringLiteral(")");
    return name;
}

TFspell::TFspell(TSpellSession& session, const std::string& language, std::function<void()> select, bool hypertext,
                 QWidget* parent)
    : QDialog(parent), session_(session), select_(std::move(select)) {
    setObjectName("TFspell");
    setWindowTitle(QString::fromUtf8("Controllo ortografico %1").arg(LanguageName(language)));
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    layout->addWidget(status_);
    context_ = new QLabel(this);
    context_->setObjectName("context");
    context_->setTextFormat(Qt::RichText);
    layout->addWidget(context_);
    word_ = new QLineEdit(this);
    word_->setObjectName("word");
    layout->addWidget(word_);
    hint_ = new QLabel(this);
    layout->addWidget(hint_);
    suggestions_ = new QListWidget(this);
    suggestions_->setObjectName("suggestions");
    // The hint's "&suggerimenti" takes the user to the list (without a buddy the '&' would show).
    hint_->setBuddy(suggestions_);
    layout->addWidget(suggestions_);
    auto* grid = new QGridLayout;
    change_ = Button(this, "&Cambia", "change");
    changeAll_ = Button(this, "Cambia &tutto", "changeAll");
    ignore_ = Button(this, "&Ignora", "ignore");
    ignoreAll_ = Button(this, "Ignora t&utto", "ignoreAll");
    add_ = Button(this, "A&ggiungi", "add");
    delete_ = Button(this, "Ca&ncella", "delete");
    undo_ = Button(this, "&Undo", "undo");
    // The program's own texts give Alt+S to both the suggestions and this
    // button: pressing it again moves between the two.
    QPushButton* skip = Button(this, "&Salta la pagina", "skipPage");
    QPushButton* cancel = Button(this, "&Annulla", "cancel");
    skip->setVisible(hypertext);
    undo_->hide();
    QPushButton* all[] = {change_, changeAll_, ignore_, ignoreAll_, add_, delete_, undo_, skip, cancel};
    for (int i = 0; i < 9; ++i) grid->addWidget(all[i], i / 3, i % 3);
    layout->addLayout(grid);

    connect(change_, &QPushButton::clicked, this, [this] { After(session_.Change(ChosenWord())); });
    connect(changeAll_, &QPushButton::clicked, this, [this] { After(session_.ChangeAll(ChosenWord())); });
    connect(ignore_, &QPushButton::clicked, this, [this] { After(session_.Ignore()); });
    connect(ignoreAll_, &QPushButton::clicked, this, [this] { After(session_.IgnoreAll()); });
    connect(add_, &QPushButton::clicked, this, [this] { After(session_.Add()); });
    connect(delete_, &QPushButton::clicked, this, [this] { After(session_.Delete()); });
    connect(skip, &QPushButton::clicked, this, [this] {
        session_.SkipPage();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        session_.Cancel();
        reject();
    });
    connect(undo_, &QPushButton::clicked, this, [this] {
        word_->setText(Q(original_));
        if (suggestions_->count() > 0) suggestions_->setCurrentRow(0);
        UpdateButtons();
    });
    connect(word_, &QLineEdit::textEdited, this, [this] { UpdateButtons(); });
    connect(suggestions_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            QSignalBlocker b(word_);
            word_->setText(suggestions_->item(row)->text());
        }
        UpdateButtons();
    });
    connect(suggestions_, &QListWidget::itemDoubleClicked, this, [this] { change_->click(); });
}

bool TFspell::Begin() {
    if (!session_.Next()) return false;
    ShowProblem();
    return true;
}

void TFspell::ShowProblem() {
    const TSpellProblem& p = session_.Problem();
    status_->setText(Q(SpellStatusText(p.status)));
    const std::string& text = session_.ParagraphText();
    const std::size_t from = p.pos > 40 ? p.pos - 40 : 0;
    const QString before = Q(text.substr(from, p.pos - from)).toHtmlEscaped();
    const QString wrong = Q(text.substr(p.pos, p.len)).toHtmlEscaped();
    const QString after = Q(text.substr(std::min(text.size(), p.pos + p.len), 40)).toHtmlEscaped();
    context_->setText(before + "<span style=\"color:red\">" + wrong + "</span>" + after);
    original_ = session_.Word();
    {
        QSignalBlocker b(suggestions_);
        suggestions_->clear();
        for (const std::string& s : session_.Suggestions()) suggestions_->addItem(Q(s));
        if (suggestions_->count() > 0) suggestions_->setCurrentRow(0);
    }
    word_->setText(suggestions_->count() > 0 ? suggestions_->item(0)->text() : Q(original_));
    hint_->setText(suggestions_->count() > 0
                       ? QString::fromUtf8("Correggi la parola in rosso o scegli uno dei &suggerimenti:")
                       : QString::fromUtf8("Correggi la parola in rosso."));
    if (select_) select_();
    UpdateButtons();
}

std::string TFspell::ChosenWord() const { return Cp(word_->text()); }

void TFspell::UpdateButtons() {
    const bool edited = suggestions_->currentRow() < 0 ||
                        word_->text() != suggestions_->item(suggestions_->currentRow())->text();
    const bool editedWord = word_->text() != Q(original_) && (suggestions_->count() == 0 || edited);
    undo_->setVisible(editedWord);
    const bool hasChoice = suggestions_->currentRow() >= 0 || editedWord;
    change_->setEnabled(session_.CanChange() && hasChoice);
    changeAll_->setEnabled(session_.CanChangeAll() && suggestions_->currentRow() == 0 && !edited);
    ignoreAll_->setEnabled(session_.CanIgnoreAll());
    add_->setEnabled(session_.CanAdd());
    delete_->setEnabled(session_.CanDelete());
}

void TFspell::After(bool more) {
    if (more) ShowProblem();
    else accept();
}

// --- TSpellMarker --------------------------------------------------------------------------------

TSpellMarker::TSpellMarker(TKySpellChecker& checker, richtext::ui::TNYXpageView& view)
    : QObject(&view), checker_(checker), view_(&view) {
    setObjectName("spellMarker");
    connect(&timer_, &QTimer::timeout, this, [this] {
        timer_.setInterval(kPaceMs);
        if (StepNow()) timer_.stop();
    });
}

void TSpellMarker::Start(bool force, int delayMs) {
    Stop();
    if (!checker_.IsOpen()) return;
    QPointer<richtext::ui::TNYXpageView> view = view_;
    job_ = std::make_unique<TSpellMarkingJob>(
        checker_,
        [view]() -> richtext::TNYXbox* { return view && view->WorkingCopy() ? &view->Box() : nullptr; }, force);
    job_->onMarked = [view](richtext::TNYXbox& box, std::int32_t para) {
        if (!view) return;
        if (&box == &view->Box()) {
            const richtext::TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(para)];
            view->Invalidate(p.top, p.bottom);
        } else {
            view->viewport()->update();
        }
    };
    timer_.start(delayMs);
}

void TSpellMarker::Stop() {
    timer_.stop();
    job_.reset();
}

bool TSpellMarker::StepNow() {
    if (!job_) return true;
    QElapsedTimer t;
    t.start();
    const bool done = job_->Step(std::chrono::milliseconds(kStepMs));
    longest_ = std::max<std::int64_t>(longest_, t.nsecsElapsed() / 1000);
    if (done) job_.reset();
    return done;
}

TSpellMarker* MarkerOf(TKySpellChecker& checker, richtext::ui::TNYXpageView* view) {
    if (!view) return nullptr;
    if (auto* m = view->findChild<TSpellMarker*>("spellMarker", Qt::FindDirectChildrenOnly)) return m;
    return new TSpellMarker(checker, *view);
}

// --- the pop-up menu ----------------------------------------------------------------------------

int AddSpellPopup(TKySpellChecker& checker, std::function<void(richtext::ui::TNYXpageView&)> checkFrom) {
    TKySpellChecker* k = &checker;
    return richtext::ui::AddPopupContributor(
        richtext::ui::TPopupPlace::kTop,
        [k, checkFrom](QMenu& menu, const richtext::ui::TPopupContext& ctx) {
            if (!k->IsOpen() || ctx.selection) return;
            richtext::TNYXbox& box = ctx.box.Box();
            const richtext::TTextPos at = richtext::HitTest(box, ctx.at.x(), ctx.at.y());
            if (at.para < box.BodyBegin() || at.para >= box.BodyEnd()) return;
            const richtext::TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(at.para)];
            auto marked = [&p](std::int32_t i) {
                return i >= 0 && static_cast<std::size_t>(i) < p.spell.size() &&
                       static_cast<std::size_t>(i) < p.text.size() && p.spell[static_cast<std::size_t>(i)] == '!';
            };
            std::int32_t c = marked(at.ch) ? at.ch : marked(at.ch - 1) ? at.ch - 1 : -1;
            if (c < 0) return;
            std::int32_t a = c, b = c + 1;
            while (marked(a - 1)) --a;
            while (marked(b)) ++b;
            const std::string word = p.text.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
            richtext::ui::TNYXboxWidget* widget = &ctx.box;
            const std::int32_t para = at.para;
            auto* view = qobject_cast<richtext::ui::TNYXpageView*>(widget);
            QPointer<richtext::ui::TNYXboxWidget> guard(widget);
            // "Ignora tutti" and "Aggiungi" change what is right: the page is
            // marked again, every paragraph.
            auto again = [guard, view, k] {
                if (guard && view) MarkerOf(*k, view)->Start(true);
            };
            const std::vector<std::string> suggestions = k->Suggestions(word);
            for (const std::string& s : suggestions) {
                QAction* act = menu.addAction(Q(s));
                QObject::connect(act, &QAction::triggered, widget, [guard, para, a, b, s, word] {
                    if (!guard) return;
                    richtext::TNYXbox& bx = guard->Box();
                    if (para >= bx.BodyEnd() || bx.paragraphs[static_cast<std::size_t>(para)]->text.substr(
                                                    static_cast<std::size_t>(a), word.size()) != word)
                        return;  // the text changed since the menu was made
                    guard->Editing().Select({para, a}, {para, b});
                    if (guard->Editing().ReplaceSelection(s)) guard->EditedOutside(true);
                });
            }
            if (suggestions.empty()) menu.addAction(QString::fromUtf8("(nessun suggerimento)"))->setEnabled(false);
            menu.addSeparator();
            QAction* ignore = menu.addAction(QString::fromUtf8("&Ignora tutti"));
            ignore->setObjectName("spellIgnoreAll");
            QObject::connect(ignore, &QAction::triggered, widget, [k, word, again] {
                k->IgnoreAlways(word);
                again();
            });
            QAction* add = menu.addAction(QString::fromUtf8("&Aggiungi"));
            add->setObjectName("spellAdd");
            QObject::connect(add, &QAction::triggered, widget, [k, word, again] {
                if (!k->AddToUserDictionary(word)) {
                    platform::ui().Warning(platform::text::Cp1252ToUtf8("Impossibile aggiungere \"" + word +
                                                                         "\" al dizionario utente."));
                    return;
                }
                again();
            });
            menu.addSeparator();
            QAction* check = menu.addAction(QString::fromUtf8("&Controllo ortografia"));
            check->setShortcut(QKeySequence(Qt::Key_F7));
            if (view && checkFrom) {
                QObject::connect(check, &QAction::triggered, widget, [guard, view, para, a, checkFrom] {
                    if (!guard) return;
                    view->Editing().SetCaret({para, a});
                    checkFrom(*view);
                });
            } else {
                check->setEnabled(false);
            }
        });
}

}  // namespace shell::ui
