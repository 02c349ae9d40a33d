#include "present/ui/ObjectLife.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTimer>

#include "model/Fields.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ObjectMedia.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/MediaPlayer.h"
#include "present/ui/ObjectPainter.h"
#include "richtext/ui/BoxWidget.h"

namespace present::ui {
namespace {

// The password box in use shows "#" for every character, as it is painted.
class THashPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '#';
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string Cp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

}  // namespace

TViewObjects::TViewObjects(richtext::ui::TNYXpageView& view) : QObject(&view), view_(view) {
    viewport_ = view_.viewport();
    viewport_->installEventFilter(this);
}

void TViewObjects::Sync() {
    if (!view_.ReadOnly()) {
        EndUse();
        StopCyclic();
        records_.clear();
        forms_ = TFormStates{};
        return;
    }
    std::vector<const model::TNYXoggetto*> now;
    for (const auto& p : view_.Box().paragraphs)
        for (const richtext::TNYXembedded* e : p->Objects())
            if (e && e->Record()) now.push_back(e->Record());
    if (now == records_) return;
    EndUse();
    StopCyclic();
    records_ = std::move(now);
    forms_ = TFormStates{};
    for (const model::TNYXoggetto* o : records_) forms_.Add(*o);
    // Players are made on the next turn of the event loop, never while painting.
    if (!cyclicPending_) {
        cyclicPending_ = true;
        QTimer::singleShot(0, this, [this] { StartCyclic(); });
    }
}

void TViewObjects::StopCyclic() {
    for (const QPointer<QWidget>& w : cyclic_)
        if (w) {
            w->hide();
            w->deleteLater();
        }
    cyclic_.clear();
    placed_.clear();
}

void TViewObjects::Reposition() {
    repositionPending_ = false;
    if (!view_.ReadOnly()) return;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    auto place = [&](QWidget* w, const richtext::TNYXembedded* e) {
        if (!w || !e) return;
        if (e->left == richtext::kOutOfSight || e->width <= 0) {
            w->hide();
            return;
        }
        w->setGeometry(QRect(QPoint(e->left, e->top) - off, QSize(e->width, e->height)));
    };
    for (const auto& [w, e] : placed_) place(w, e);
    if (active_) place(active_, activeObject_);
}

// The frame set that shows the view, and how deep it is nested in others.
static TInsiemeCornici* OuterFrameSet(QWidget* w, int& depth) {
    TInsiemeCornici* outer = nullptr;
    depth = 0;
    for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (auto* f = qobject_cast<TInsiemeCornici*>(p)) {
            if (!outer) outer = f;
            ++depth;
        }
    return outer;
}

void TViewObjects::ShowFloating(richtext::TNYXembedded& e, const QRect& r) {
    int depth = 0;
    TInsiemeCornici* outer = OuterFrameSet(&view_, depth);
    if (!outer) return;
    const model::TNYXoggetto& o = *e.Record();
    // A frame set that shows itself, or an ancestor, is cut off at the
    // deepest nesting: beyond it the frame stays empty.
    auto* inner = new TInsiemeCornici(view_.viewport(), depth);
    inner->setObjectName(QStringLiteral("cornice indipendente"));
    inner->saveOnExit = false;
    inner->activePreview = outer->ReadOnly() && outer->activePreview;
    inner->SetLinkedNYXset(outer->LinkedNYXset());
    inner->SetShowNested(o.Byte(model::floatrec::kShowFrames) == 1);
    inner->SetReadOnly(true);
    inner->setGeometry(r);
    inner->show();
    inner->ShowPage(o.Int(model::floatrec::kPageNumber));
    placed_.emplace_back(inner, &e);
    // Links followed inside go to the outer frame set, as references of the hypertext.
    QPointer<TInsiemeCornici> to(outer);
    for (richtext::ui::TNYXpageView* v : inner->Views())
        v->onFollowLink = [to, v](std::int32_t key) {
            const model::TNYXoggetto* link = v->LinkRecord(key);
            if (!to || !link) return;
            if (link->Registered()) to->DoLinkFromFrameSet(link->Reference());
            else if (link->Type() == model::speclink && link->Subtype() == model::linkrec::kGoTo)
                to->DoLinkFromFrameSet(link->Int(model::linkrec::kTarget));
        };
    cyclic_.emplace_back(inner);
}

void TViewObjects::StartCyclic() {
    cyclicPending_ = false;
    if (!view_.ReadOnly()) return;
    StopCyclic();
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    for (const auto& p : view_.Box().paragraphs)
        for (richtext::TNYXembedded* e : p->Objects()) {
            if (!e || !e->Record() || e->PlacedIn() != p.get()) continue;
            model::TNYXoggetto& o = *e->Record();
            if (ControlKindOf(o) == TControlKind::kFloating && e->left != richtext::kOutOfSight) {
                ShowFloating(*e, QRect(QPoint(e->left, e->top) - off, QSize(e->width, e->height)));
                continue;
            }
            if ((!IsSound(o) && !IsVideo(o)) || !CyclicAction(o)) continue;
            auto* c = new TMediaControl(o, MediaFilePath(o), view_.viewport());
            // A sound plays unseen; a video in the object's place.
            if (IsVideo(o) && e->left != richtext::kOutOfSight) {
                c->setGeometry(QRect(QPoint(e->left, e->top) - off, QSize(e->width, e->height)));
                c->show();
                placed_.emplace_back(c, e);
            } else {
                c->hide();
            }
            c->SetReadOnly(true);
            cyclic_.emplace_back(c);
        }
}

TFieldState* TViewObjects::StateOf(const model::TNYXoggetto& o) {
    Sync();
    return view_.ReadOnly() ? forms_.Find(o) : nullptr;
}

void TViewObjects::EndUse() {
    if (active_) active_->deleteLater();
    if (active_) active_->hide();
    active_ = nullptr;
    activeObject_ = nullptr;
}

richtext::TNYXembedded* TViewObjects::ObjectAt(const QPoint& pt) const {
    for (const auto& p : view_.Box().paragraphs)
        for (richtext::TNYXembedded* e : p->Objects()) {
            if (!e || e->PlacedIn() != p.get() || e->left == richtext::kOutOfSight || e->width <= 0) continue;
            if (QRect(e->left, e->top, e->width, e->height).contains(pt)) return e;
        }
    return nullptr;
}

bool TViewObjects::Use(const QPoint& at) {
    Sync();
    if (!view_.ReadOnly()) return false;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    richtext::TNYXembedded* e = ObjectAt(at + off);
    if (!e) return false;
    const model::TNYXoggetto& o = *e->Record();
    const QRect r(QPoint(e->left, e->top) - off, QSize(e->width, e->height));
    TFieldState* st = forms_.Find(o);
    EndUse();
    QWidget* vp = view_.viewport();
    switch (ControlKindOf(o)) {
        case TControlKind::kEdit: {
            auto* w = new QLineEdit(vp);
            if (o.Type() == model::inputStat && o.Subtype() == 2) {
                auto* style = new THashPasswordStyle;
                style->setParent(w);
                w->setStyle(style);
                w->setEchoMode(QLineEdit::Password);
            }
            w->setMaxLength(79);
            w->setText(Q(st->Text()));
            QObject::connect(w, &QLineEdit::textChanged, this, [this, &o](const QString& t) {
                if (TFieldState* s = forms_.Find(o)) s->SetValue(Cp(t));
            });
            active_ = w;
            break;
        }
        case TControlKind::kMemo: {
            auto* w = new QPlainTextEdit(vp);
            w->setPlainText(Q(st->Text()));
            QObject::connect(w, &QPlainTextEdit::textChanged, this, [this, w, &o] {
                if (TFieldState* s = forms_.Find(o)) s->SetValue(Cp(w->toPlainText()));
            });
            active_ = w;
            break;
        }
        case TControlKind::kCombo: {
            auto* w = new QComboBox(vp);
            for (const TListItem& i : st->Items()) w->addItem(Q(i.text));
            w->setCurrentIndex(st->Current());
            QObject::connect(w, &QComboBox::currentIndexChanged, this, [this, &o](int i) {
                if (TFieldState* s = forms_.Find(o)) s->Choose(i);
            });
            active_ = w;
            break;
        }
        case TControlKind::kList: {
            const std::int32_t line = WindowMetrics().listLine;
            const std::int32_t i = (at.y() - r.top() - 2) / std::max(1, line);
            if (i >= 0 && i < static_cast<std::int32_t>(st->Items().size())) st->Choose(i);
            break;
        }
        case TControlKind::kCheck: st->SetValue(st->Checked() ? "" : "checked"); break;
        case TControlKind::kRadio: forms_.CheckRadio(o); break;
        case TControlKind::kMultimedia: {
            // A sound or video with the player's buttons gets its player while used.
            model::TNYXoggetto& media = *e->Record();
            if ((!IsSound(media) && !IsVideo(media)) || CyclicAction(media)) return false;
            auto* c = new TMediaControl(media, MediaFilePath(media), vp);
            active_ = c;
            break;
        }
        case TControlKind::kMarker:
            if (o.Type() != model::shortObj || o.Subtype() != model::markerrec::kAnchor || !onAnchorClicked) return false;
            onAnchorClicked(o.Int(model::markerrec::kValue));
            return true;
        case TControlKind::kButton:
            if (o.Subtype() == 3) {
                forms_.ResetFormOf(o);
            } else if (o.Int(181) != -1 && view_.onFollowLink) {
                const std::int32_t key = o.Int(181);
                view_.onFollowLink(key);
                return true;
            }
            break;
        default: return false;
    }
    if (active_) {
        activeObject_ = e;
        active_->setGeometry(r);
        active_->show();
        active_->setFocus(Qt::MouseFocusReason);
    }
    vp->update();
    return true;
}

bool TViewObjects::eventFilter(QObject* watched, QEvent* e) {
    // The view lays its page out again after its viewport was resized.
    if (e->type() == QEvent::Resize && watched == viewport_ && view_.ReadOnly() && !repositionPending_ &&
        (!placed_.empty() || active_)) {
        repositionPending_ = true;
        QTimer::singleShot(0, this, [this] { Reposition(); });
    }
    // Only the viewport's presses are looked at: other events may come while
    // the view is being taken down.
    if (e->type() == QEvent::MouseButtonPress && watched == viewport_ && view_.ReadOnly()) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton && Use(m->position().toPoint())) return true;
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace present::ui
