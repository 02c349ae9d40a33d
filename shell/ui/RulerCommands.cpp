#include "shell/ui/RulerCommands.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QToolBar>

#include "richtext/Attributes.h"
#include "richtext/TextAttributes.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/RulerWidget.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The ruler with its unit menu; it follows the page being edited.
class TMainRuler : public richtext::ui::TRulerWidget {
public:
    TMainRuler(TMainForm& form, QWidget* parent) : TRulerWidget(parent), form_(form) {
        onGetTarget = [this]() -> QWidget* {
            richtext::ui::TNYXpageView* v = form_.PageView();
            return v ? v->viewport() : nullptr;
        };
        onMoveStart = [this] { moving_ = true; };
        onMoveStop = [this] {
            moving_ = false;
            Sync();
        };
        onChanged = [this](richtext::TRulerChange c) { Apply(c); };
    }

    // The window over the box's text, the markers on the caret paragraph.
    void Sync() {
        if (moving_) return;
        richtext::ui::TNYXpageView* v = form_.PageView();
        if (!v || !v->isVisible()) {
            Ruler().SetWindow(0, 0);
            update();
            return;
        }
        QWidget* vp = v->viewport();
        const int start = mapFromGlobal(vp->mapToGlobal(QPoint(-v->horizontalScrollBar()->value(), 0))).x();
        Ruler().SetWindow(start, v->Box().layoutWidth);
        const richtext::TNYXParaAttributes para(v->Box());
        const int unit = Ruler().Unit();
        Ruler().SetValues(richtext::FromPixels(para.Value(richtext::pfIndent), unit),
                          richtext::FromPixels(para.Value(richtext::pfLeft), unit),
                          richtext::FromPixels(para.Value(richtext::pfRight), unit));
        setEnabled(!v->ReadOnly());
        update();
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        TRulerWidget::resizeEvent(e);
        Sync();
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        QMenu menu(this);
        for (int u = richtext::kCm; u <= richtext::kPixel; ++u) {
            QAction* a = menu.addAction(Q(richtext::UnitName(u)));
            a->setObjectName(QStringLiteral("unita%1").arg(u));
            a->setCheckable(true);
            a->setChecked(u == Ruler().Unit());
            connect(a, &QAction::triggered, this, [this, u] {
                Ruler().SetUnit(u);
                Sync();
            });
        }
        menu.exec(e->globalPos());
    }

private:
    void Apply(richtext::TRulerChange c) {
        richtext::ui::TNYXpageView* v = form_.PageView();
        if (!v || v->ReadOnly() || form_.Busy()) return;
        const richtext::TKyRuler& r = Ruler();
        const int unit = r.Unit();
        v->Format([&](richtext::TNYXTextAttributes&, richtext::TNYXParaAttributes& p) {
            // The paragraph takes the ruler's unit, so the values go in as they are shown.
            p.SetUnit(unit);
            switch (c) {
                case richtext::TRulerChange::kIndent: p.SetIndent(r.Indent()); break;
                case richtext::TRulerChange::kIndentAndLeft: p.SetLeftMarginAndIndent(r.MargLeft(), r.Indent()); break;
                case richtext::TRulerChange::kLeft: p.SetLeftMargin(r.MargLeft()); break;
                case richtext::TRulerChange::kRight: p.SetRightMargin(r.MargRight()); break;
                case richtext::TRulerChange::kNone: break;
            }
        });
        form_.UpdateEditCommands();
    }

    TMainForm& form_;
    bool moving_ = false;
};

}  // namespace

richtext::ui::TRulerWidget* AddRuler(TMainForm& form) {
    form.addToolBarBreak();
    auto* bar = form.addToolBar(QStringLiteral("Righello"));
    bar->setObjectName(QStringLiteral("tbRighello"));
    bar->setMovable(false);
    auto* ruler = new TMainRuler(form, bar);
    ruler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bar->addWidget(ruler);
    form.AddEditStateListener([ruler] { ruler->Sync(); });
    return ruler;
}

}  // namespace shell::ui
