// The objects of a page view as a reader uses them: what was typed into the
// form fields, check boxes and lists, reset buttons, and buttons that follow
// their link. Only the field being used owns a real widget; every other one
// is painted from its state.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

#include "present/ObjectKinds.h"

namespace richtext {
class TNYXembedded;
namespace ui {
class TNYXpageView;
}
}  // namespace richtext

namespace present::ui {

class TViewObjects : public QObject {
public:
    explicit TViewObjects(richtext::ui::TNYXpageView& view);
    // The reader's state of a form field; nullptr in edit mode and for other objects.
    TFieldState* StateOf(const model::TNYXoggetto& o);
    // Uses the object at a point of the view's viewport as a reader would;
    // false when no object takes the click.
    bool Use(const QPoint& at);
    // The real widget of the field being used, if any.
    QWidget* Active() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Sync();
    void EndUse();
    richtext::TNYXembedded* ObjectAt(const QPoint& boxPoint) const;

    richtext::ui::TNYXpageView& view_;
    std::vector<const model::TNYXoggetto*> records_;
    TFormStates forms_;
    QPointer<QWidget> active_;
    QWidget* viewport_ = nullptr;
};

}  // namespace present::ui
