// The placed pictures of a page view on screen: painted at their displayed
// size from a cache of scaled pictures (one decoding per picture, however
// many times it is placed), with the pointer-over picture while the pointer
// is on them, animated GIF pictures played in view mode, and a framed
// placeholder with the name for a picture that cannot be drawn.
//
// In the editor a press selects a picture (its zones show their frames) and
// a zone on it; a zone dragged more than 4 pixels moves, dragged by its
// lower right corner it is resized; Delete deletes the selected zone. The
// commands of the "Immagine" menu act on the selected picture and zone.
// In view mode a click follows the topmost zone under the pointer, else the
// picture's own link.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "present/Zones.h"

class QMouseEvent;
class QPainter;

namespace richtext {
class TNYXembedded;
namespace ui {
class TNYXpageView;
}
}  // namespace richtext

namespace present::ui {

// Decoded pictures scaled to the sizes they are shown at, for every view.
class TPictureCache {
public:
    static TPictureCache& Instance();
    // The picture at a size; a null image when it does not decode.
    QImage Scaled(model::TNYXoggetto& picture, int width, int height);
    // How many times a picture's bytes were decoded.
    int Decodes() const { return decodes_; }
    void Clear();

private:
    // A picture object of a hypertext loaded since may sit at the address of
    // an old one: its name, stamp, size and byte count tell them apart.
    struct Key {
        const model::TNYXoggetto* picture;
        std::uint64_t bytes;
        std::string name;
        std::int32_t stamp;
        int naturalW, naturalH;
        int width, height;
        bool operator<(const Key& o) const;
    };
    std::map<Key, QImage> scaled_;
    std::vector<Key> order_;  // oldest first
    std::size_t pixels_ = 0;
    int decodes_ = 0;
};

// The frames of an animated GIF with their delays (0-10 ms become 100 ms).
class TAnimation {
public:
    // nullptr when the bytes are not an animation or it is too large.
    static std::unique_ptr<TAnimation> FromBytes(const std::string& bytes);
    static int ClampDelay(int ms) { return ms <= 10 ? 100 : ms; }
    const QImage& Frame() const { return frames_[current_]; }
    int Delay() const { return delays_[current_]; }
    std::size_t FrameCount() const { return frames_.size(); }
    void Advance() { current_ = (current_ + 1) % frames_.size(); }

private:
    std::vector<QImage> frames_;
    std::vector<int> delays_;
    std::size_t current_ = 0;
};

class TPictureObjects : public QObject {
public:
    explicit TPictureObjects(richtext::ui::TNYXpageView& view);
    ~TPictureObjects() override;
    // The pictures of a page view (nullptr when it has none).
    static TPictureObjects* Of(richtext::ui::TNYXpageView& view);
    // Told whenever a picture is selected or deselected in any view.
    static void SetSelectionListener(std::function<void(TPictureObjects&, bool)> fn);

    richtext::ui::TNYXpageView& View() { return view_; }

    // Paints a placed picture in r; false for other objects.
    bool Paint(QPainter& p, const richtext::TNYXembedded& e, const QRect& r);

    // --- selection ----------------------------------------------------------------
    richtext::TNYXembedded* Selected() const;
    model::TNYXoggetto* SelectedRecord() const;
    void Select(richtext::TNYXembedded* e);
    // The index of the selected zone in the selected picture's list, -1 none.
    int SelectedZone() const { return zone_; }
    void SelectZone(int i);
    // The zones of the selected picture as stored.
    TZoneList Zones() const;
    // The last press point, relative to the selected picture.
    QPoint PressPoint() const { return press_; }
    void SetPressPoint(const QPoint& p) { press_ = p; }

    // --- the commands (each an undo step; false when nothing was done) -----------
    bool AddZone();
    bool DeleteSelectedZone();
    bool BringZoneToFront();
    bool SendZoneToBack();
    bool SetZoneLink(std::int32_t key);
    bool ScaleTo(int percent);
    // A change to the selected picture's record made by `fn` as one undo step
    // with a caption; the page is relaid and marked changed.
    bool ChangePicture(const std::string& caption, const std::function<void(model::TNYXoggetto&)>& fn);
    // The selected zone in the clipboard's private form.
    bool CopyZone();
    // A zone from the clipboard onto the selected picture (5 pixels right
    // and down of the copied one); false when the data is not a zone.
    bool PasteZone();
    bool PasteZoneData(const std::string& data);

    // Follows a link key as the page does.
    void Follow(std::int32_t key);
    // The link of the text span that holds a picture, -1 none.
    std::int32_t PictureLink(const richtext::TNYXembedded& e) const;
    // The object under a point of the viewport, or nullptr.
    richtext::TNYXembedded* PictureAt(const QPoint& viewportPoint) const;
    // The hint shown over a picture, or over one of its zones.
    std::string HintAt(const richtext::TNYXembedded& e, const QPoint& inPicture) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool Press(QMouseEvent* m);
    bool Move(QMouseEvent* m);
    bool Release(QMouseEvent* m);
    bool DoubleClick(QMouseEvent* m);
    void Hover(const QPoint& viewportPoint);
    void Changed(bool relayout);
    void Repaint(const richtext::TNYXembedded* e);
    void NotifySelection();
    QRect BoxRect(const richtext::TNYXembedded& e) const;
    TAnimation* AnimationFor(const richtext::TNYXembedded& e, model::TNYXoggetto& picture);
    void Tick();

    // Ids name objects of one box only: what was kept for another box (a page
    // shown since) is forgotten.
    bool SameBox() const;
    void ForgetOtherBox();

    richtext::ui::TNYXpageView& view_;
    QWidget* viewport_;
    const void* box_ = nullptr;
    const void* registry_ = nullptr;
    std::int32_t selected_ = -1;  // instance id of the selected picture
    int zone_ = -1;
    QPoint press_;
    // A press on a zone: where, and whether it moves or resizes it now.
    bool armed_ = false, moving_ = false, resizing_ = false, swallowRelease_ = false;
    QPoint grab_;
    TZone grabbed_;
    std::int32_t hovered_ = -1;
    std::map<std::int32_t, std::unique_ptr<TAnimation>> animations_;
    std::map<std::int32_t, const model::TNYXoggetto*> animated_;
    QTimer timer_;
};

}  // namespace present::ui
