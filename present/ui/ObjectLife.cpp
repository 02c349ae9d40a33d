#include "present/ui/ObjectLife.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "model/Types.h"
#include "platform/text.h"
#include "present/ui/ObjectPainter.h"
#include "richtext/ui/BoxWidget.h"

namespace present::ui {
namespace {

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
    records_ = std::move(now);
    forms_ = TFormStates{};
    for (const model::TNYXoggetto* o : records_) forms_.Add(*o);
}

TFieldState* TViewObjects::StateOf(const model::TNYXoggetto& o) {
    Sync();
    return view_.ReadOnly() ? forms_.Find(o) : nullptr;
}

void TViewObjects::EndUse() {
    if (active_) active_->deleteLater();
    if (active_) active_->hide();
    active_ = nullptr;
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
            if (o.Type() == model::inputStat && o.Subtype() == 2) w->setEchoMode(QLineEdit::Password);
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
        active_->setGeometry(r);
        active_->show();
        active_->setFocus(Qt::MouseFocusReason);
    }
    vp->update();
    return true;
}

bool TViewObjects::eventFilter(QObject* watched, QEvent* e) {
    // Only the viewport's presses are looked at: other events may come while
    // the view is being taken down.
    if (e->type() == QEvent::MouseButtonPress && watched == viewport_ && view_.ReadOnly()) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton && Use(m->position().toPoint())) return true;
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace present::ui
