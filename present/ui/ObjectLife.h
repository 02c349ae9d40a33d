// The objects of a page view as a reader uses them: what was typed into the
// form fields, check boxes and lists, reset buttons, and buttons that follow
// their link. Only the field being used owns a real widget; every other one
// is painted from its state.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <utility>
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
    // The players of the media that play by themselves in view mode, and
    // the floating frames' frame sets.
    const std::vector<QPointer<QWidget>>& Playing() const { return cyclic_; }
    // A reader clicked an anchor marker (shown by the anchor preview): its number.
    std::function<void(std::int32_t anchor)> onAnchorClicked;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Sync();
    void EndUse();
    // Starts (or stops) the media with the cyclic action of the page shown.
    void StartCyclic();
    void StopCyclic();
    // A floating frame in view mode: a read-only frame set nested in the
    // page, showing its page and passing its links to the outer frame set.
    void ShowFloating(richtext::TNYXembedded& e, const QRect& r);
    richtext::TNYXembedded* ObjectAt(const QPoint& boxPoint) const;
    // After the page was laid out again (the view resized): the floating
    // frames, videos and the field in use follow their objects.
    void Reposition();

    richtext::ui::TNYXpageView& view_;
    std::vector<const model::TNYXoggetto*> records_;
    TFormStates forms_;
    QPointer<QWidget> active_;
    QWidget* viewport_ = nullptr;
    std::vector<QPointer<QWidget>> cyclic_;
    // The object each of them stands for.
    std::vector<std::pair<QPointer<QWidget>, const richtext::TNYXembedded*>> placed_;
    const richtext::TNYXembedded* activeObject_ = nullptr;
    bool cyclicPending_ = false;
    bool repositionPending_ = false;
};

}  // namespace present::ui
