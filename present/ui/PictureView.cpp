#include "present/ui/PictureView.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <tuple>

#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/PictureChoices.h"
#include "present/PictureData.h"
#include "present/PictureUndo.h"
#include "richtext/Box.h"
#include "richtext/ui/BoxWidget.h"

namespace present::ui {

namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

constexpr int kHandle = 6;                     // the corner that resizes a zone
constexpr std::size_t kCachePixels = 48u << 20;  // scaled pictures kept, in pixels
constexpr std::size_t kMaxFrames = 512;
constexpr std::uint64_t kAnimationPixels = 64ull << 20;

std::function<void(TPictureObjects&, bool)>& Listener() {
    static std::function<void(TPictureObjects&, bool)> fn;
    return fn;
}

bool IsPicture(const richtext::TNYXembedded* e) {
    return e && e->Record() && e->Record()->Type() == model::immagineNew;
}


// A decoded picture at its shown size, in the format painted fastest.
QImage ToShown(const QImage& whole, int width, int height) {
    if (whole.width() == width && whole.height() == height)
        return whole.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return whole.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A JPEG kept in the hypertext and shown at half its size or less is decoded
// shrunk (libjpeg scales while decoding) and scaled the rest of the way; the
// whole picture is never decoded for it. A null image for every other case,
// which decodes the whole picture as before.
QImage DecodeShrunk(const model::TNYXoggetto& picture, int width, int height) {
    const int naturalW = picture.Word(model::picturerec::kWidth), naturalH = picture.Word(model::picturerec::kHeight);
    if (naturalW <= 0 || naturalH <= 0 || width * 2 > naturalW || height * 2 > naturalH) return {};
    if (!picture.HasFirstStream()) return {};
    std::string bytes;
    if (!picture.ReadFirstStream(bytes) || model::codecs::Sniff(bytes) != model::codecs::Format::Jpeg) return {};
    model::codecs::Image image;
    if (!model::codecs::DecodeAtLeast(bytes, width, height, image) || image.width <= 0 || image.height <= 0 ||
        image.rgba.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return {};
    const QImage shrunk(reinterpret_cast<const uchar*>(image.rgba.data()), image.width, image.height, image.width * 4,
                        QImage::Format_RGBA8888);
    return ToShown(shrunk, width, height);
}

}  // namespace

// --- TPictureCache ------------------------------------------------------------------------

TPictureCache& TPictureCache::Instance() {
    static TPictureCache c;
    return c;
}

bool TPictureCache::Key::operator<(const Key& o) const {
    return std::tie(picture, bytes, name, stamp, naturalW, naturalH, width, height) <
           std::tie(o.picture, o.bytes, o.name, o.stamp, o.naturalW, o.naturalH, o.width, o.height);
}

void TPictureCache::Clear() {
    scaled_.clear();
    order_.clear();
    pixels_ = 0;
}

QImage TPictureCache::Scaled(model::TNYXoggetto& picture, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const Key key{&picture,
                  picture.FirstStreamSize(),
                  picture.GetFileName(),
                  picture.GetStamp(),
                  picture.Word(model::picturerec::kWidth),
                  picture.Word(model::picturerec::kHeight),
                  width,
                  height};
    if (auto it = scaled_.find(key); it != scaled_.end()) return it->second;
    std::shared_ptr<const model::TNYXpicture> decoded;
    model::TNYXset* set = picture.Set();
    if (set) decoded = set->CachedPicture(picture);
    QImage out;
    if (!decoded) {
        ++decodes_;
        out = DecodeShrunk(picture, width, height);
        if (out.isNull()) decoded = picture.GetPicture();
    }
    if (out.isNull() && decoded && decoded->width > 0 && decoded->height > 0 &&
        decoded->rgba.size() >= static_cast<std::size_t>(decoded->width) * static_cast<std::size_t>(decoded->height)) {
        const QImage whole(reinterpret_cast<const uchar*>(decoded->rgba.data()), decoded->width, decoded->height,
                           decoded->width * 4, QImage::Format_RGBA8888);
        out = ToShown(whole, width, height);
    }
    // A failed picture is remembered too: it is not decoded again at every paint.
    const std::size_t px = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    while (!order_.empty() && pixels_ + px > kCachePixels) {
        auto it = scaled_.find(order_.front());
        if (it != scaled_.end()) {
            pixels_ -= static_cast<std::size_t>(it->first.width) * static_cast<std::size_t>(it->first.height);
            scaled_.erase(it);
        }
        order_.erase(order_.begin());
    }
    if (px <= kCachePixels) {
        scaled_.emplace(key, out);
        order_.push_back(key);
        pixels_ += px;
    }
    return out;
}

// --- TAnimation ---------------------------------------------------------------------------

std::unique_ptr<TAnimation> TAnimation::FromBytes(const std::string& bytes) {
    model::codecs::Info info;
    if (model::codecs::Sniff(bytes) != model::codecs::Format::Gif || !model::codecs::ReadInfo(bytes, info)) return nullptr;
    if (info.width <= 0 || info.height <= 0) return nullptr;
    const std::uint64_t framePixels = static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height);
    if (framePixels > model::codecs::kMaxPixels) return nullptr;
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    if (!reader.supportsAnimation() || reader.imageCount() == 1) return nullptr;
    auto a = std::make_unique<TAnimation>();
    std::uint64_t total = 0;
    while (a->frames_.size() < kMaxFrames) {
        QImage frame = reader.read();
        if (frame.isNull()) break;
        total += framePixels;
        if (total > kAnimationPixels) break;
        a->frames_.push_back(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        a->delays_.push_back(ClampDelay(reader.nextImageDelay()));
        if (!reader.canRead()) break;
    }
    if (a->frames_.size() < 2) return nullptr;
    return a;
}

// --- TPictureObjects ----------------------------------------------------------------------

TPictureObjects::TPictureObjects(richtext::ui::TNYXpageView& view)
    : QObject(&view), view_(view), viewport_(view.viewport()) {
    setObjectName(QStringLiteral("immaginiPagina"));
    ScaleZonesOnResize();
    viewport_->setMouseTracking(true);
    viewport_->installEventFilter(this);
    view_.installEventFilter(this);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

TPictureObjects::~TPictureObjects() = default;

TPictureObjects* TPictureObjects::Of(richtext::ui::TNYXpageView& view) {
    return view.findChild<TPictureObjects*>(QStringLiteral("immaginiPagina"), Qt::FindDirectChildrenOnly);
}

void TPictureObjects::SetSelectionListener(std::function<void(TPictureObjects&, bool)> fn) { Listener() = std::move(fn); }

QRect TPictureObjects::BoxRect(const richtext::TNYXembedded& e) const { return {e.left, e.top, e.width, e.height}; }

richtext::TNYXembedded* TPictureObjects::PictureAt(const QPoint& pt) const {
    const QPoint at = pt + QPoint(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    for (const auto& p : view_.Box().paragraphs)
        for (richtext::TNYXembedded* e : p->Objects()) {
            if (!IsPicture(e) || e->PlacedIn() != p.get() || e->left == richtext::kOutOfSight || e->width <= 0) continue;
            if (BoxRect(*e).contains(at)) return e;
        }
    return nullptr;
}

bool TPictureObjects::SameBox() const { return box_ == &view_.Box() && registry_ == view_.Box().Registry(); }

void TPictureObjects::ForgetOtherBox() {
    if (SameBox()) return;
    const bool had = selected_ >= 0;
    box_ = &view_.Box();
    registry_ = view_.Box().Registry();
    selected_ = hovered_ = zone_ = -1;
    armed_ = moving_ = resizing_ = swallowRelease_ = false;
    animations_.clear();
    animated_.clear();
    if (had) NotifySelection();
}

richtext::TNYXembedded* TPictureObjects::Selected() const {
    if (selected_ < 0 || !SameBox() || !view_.Box().Registry()) return nullptr;
    richtext::TNYXembedded* e = view_.Box().Registry()->Find(selected_);
    return IsPicture(e) && e->PlacedIn() ? e : nullptr;
}

model::TNYXoggetto* TPictureObjects::SelectedRecord() const {
    richtext::TNYXembedded* e = Selected();
    return e ? e->Record() : nullptr;
}

TZoneList TPictureObjects::Zones() const {
    TZoneList z;
    if (const model::TNYXoggetto* o = SelectedRecord()) z.Load(*o);
    return z;
}

void TPictureObjects::NotifySelection() {
    if (Listener()) Listener()(*this, Selected() != nullptr);
}

void TPictureObjects::Repaint(const richtext::TNYXembedded* e) {
    if (!e) return;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    viewport_->update(BoxRect(*e).translated(-off).adjusted(-3, -3, 3, 3));
}

void TPictureObjects::Select(richtext::TNYXembedded* e) {
    ForgetOtherBox();
    richtext::TNYXembedded* before = Selected();
    if (!IsPicture(e)) e = nullptr;
    selected_ = e ? e->Id() : -1;
    if (before != e) zone_ = -1;
    Repaint(before);
    Repaint(e);
    if (before != e) NotifySelection();
}

void TPictureObjects::SelectZone(int i) {
    const TZoneList z = Zones();
    zone_ = i >= 0 && static_cast<std::size_t>(i) < z.Size() ? i : -1;
    Repaint(Selected());
}

void TPictureObjects::Changed(bool relayout) {
    richtext::TNYXembedded* e = Selected();
    if (relayout && e && e->PlacedIn()) {
        richtext::TNYXbox& box = view_.Box();
        for (std::size_t i = 0; i < box.paragraphs.size(); ++i)
            if (box.paragraphs[i].get() == e->PlacedIn()) {
                const auto p = static_cast<std::int32_t>(i);
                box.Layout(p, p);
                break;
            }
        view_.viewport()->update();
    }
    Repaint(e);
    view_.EditedOutside(true);
}

bool TPictureObjects::ChangePicture(const std::string& caption, const std::function<void(model::TNYXoggetto&)>& fn) {
    richtext::TNYXembedded* e = Selected();
    if (!e || view_.ReadOnly()) return false;
    const TPictureSize before = ShownSize(*e->Record());
    SnapshotPicture(view_.UndoList(), view_.Box(), e->Id(), caption);
    fn(*e->Record());
    const TPictureSize after = ShownSize(*e->Record());
    Changed(!(before == after));
    return true;
}

bool TPictureObjects::AddZone() {
    richtext::TNYXembedded* e = Selected();
    if (!e || view_.ReadOnly()) return false;
    TZoneList z = Zones();
    if (z.Full()) {
        platform::ui().Warning(kTooManyZones);
        return false;
    }
    int at = -1;
    ChangePicture("Aggiungi zona cliccabile", [&](model::TNYXoggetto& o) {
        at = z.AddAt(press_.x(), press_.y(), e->width, e->height);
        z.Store(o);
    });
    zone_ = at;
    Repaint(e);
    return at >= 0;
}

bool TPictureObjects::DeleteSelectedZone() {
    TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return false;
    const bool done = ChangePicture("Cancella zona cliccabile", [&](model::TNYXoggetto& o) {
        z.Delete(static_cast<std::size_t>(zone_));
        z.Store(o);
    });
    zone_ = -1;
    Repaint(Selected());
    return done;
}

bool TPictureObjects::BringZoneToFront() {
    TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return false;
    std::size_t now = 0;
    const bool done = ChangePicture("Poni zona in primo piano", [&](model::TNYXoggetto& o) {
        now = z.BringToFront(static_cast<std::size_t>(zone_));
        z.Store(o);
    });
    if (done) zone_ = static_cast<int>(now);
    return done;
}

bool TPictureObjects::SendZoneToBack() {
    TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return false;
    std::size_t now = 0;
    const bool done = ChangePicture("Poni zona in secondo piano", [&](model::TNYXoggetto& o) {
        now = z.SendToBack(static_cast<std::size_t>(zone_));
        z.Store(o);
    });
    if (done) zone_ = static_cast<int>(now);
    return done;
}

bool TPictureObjects::SetZoneLink(std::int32_t key) {
    TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return false;
    return ChangePicture("Collegamento zona cliccabile", [&](model::TNYXoggetto& o) {
        z[static_cast<std::size_t>(zone_)].link = key == model::kNoRef ? 0 : key;
        z.Store(o);
    });
}

bool TPictureObjects::ScaleTo(int percent) {
    return ChangePicture("Dimensiona immagine", [&](model::TNYXoggetto& o) { present::ScaleTo(o, percent); });
}

bool TPictureObjects::CopyZone() {
    const TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return false;
    const std::string data = ZoneToClipboard(z[static_cast<std::size_t>(zone_)]);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kZoneMime), QByteArray(data.data(), static_cast<qsizetype>(data.size())));
    QApplication::clipboard()->setMimeData(mime);
    return true;
}

bool TPictureObjects::PasteZoneData(const std::string& data) {
    TZone pasted;
    if (!Selected() || !ZoneFromClipboard(data, pasted)) return false;
    TZoneList z = Zones();
    if (z.Full()) {
        platform::ui().Warning(kTooManyZones);
        return false;
    }
    int at = -1;
    ChangePicture("Inserimento da Cartella appunti", [&](model::TNYXoggetto& o) {
        at = z.Insert(pasted);
        z.Store(o);
    });
    zone_ = at;
    Repaint(Selected());
    return at >= 0;
}

bool TPictureObjects::PasteZone() {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasFormat(QString::fromLatin1(kZoneMime))) return false;
    const QByteArray b = m->data(QString::fromLatin1(kZoneMime));
    return PasteZoneData(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

void TPictureObjects::Follow(std::int32_t key) {
    if (key == model::kNoRef || key == 0 || !view_.onFollowLink) return;
    view_.onFollowLink(key);
}

std::int32_t TPictureObjects::PictureLink(const richtext::TNYXembedded& e) const {
    const richtext::TNYXparag* para = e.PlacedIn();
    if (!para) return -1;
    // The link of the picture's own character.
    for (std::size_t i = 0; i < para->text.size() && i < para->recs.size(); ++i)
        if (para->ObjectAt(i) == &e) return para->recs[i].link;
    return -1;
}

std::string TPictureObjects::HintAt(const richtext::TNYXembedded& e, const QPoint& inPicture) const {
    const model::TNYXoggetto& o = *e.Record();
    const bool editor = !view_.ReadOnly();
    TZoneList z;
    z.Load(o);
    auto described = [&](std::int32_t key) -> std::string {
        const model::TNYXoggetto* link = view_.LinkRecord(key);
        return link ? link->Description() : std::string();
    };
    const int i = z.TopmostAt(inPicture.x(), inPicture.y());
    if (i >= 0) {
        const std::int32_t key = z[static_cast<std::size_t>(i)].link;
        return key > 0 ? described(key) : std::string();
    }
    std::string text = o.Str(28, kAltTextCap);
    if (editor) {
        const std::string html = o.SecondStreamText();
        if (html.size() > 5) text += "\r\n----------\r\n" + html;
    }
    const std::int32_t key = PictureLink(e);
    const std::string desc = editor && key != -1 ? described(key) : std::string();
    return PictureHint(desc, text);
}

TAnimation* TPictureObjects::AnimationFor(const richtext::TNYXembedded& e, model::TNYXoggetto& picture) {
    auto it = animations_.find(e.Id());
    if (it != animations_.end() && animated_[e.Id()] == &picture) return it->second.get();
    std::string bytes;
    std::unique_ptr<TAnimation> a;
    if (picture.Subtype() == 0 && picture.ReadFirstStream(bytes)) a = TAnimation::FromBytes(bytes);
    TAnimation* raw = a.get();
    animations_[e.Id()] = std::move(a);
    animated_[e.Id()] = &picture;
    if (raw && !timer_.isActive()) timer_.start(raw->Delay());
    return raw;
}

void TPictureObjects::Tick() {
    if (!view_.ReadOnly()) {
        animations_.clear();
        animated_.clear();
        return;
    }
    int next = 0;
    for (auto& [id, a] : animations_) {
        if (!a) continue;
        a->Advance();
        if (view_.Box().Registry())
            if (richtext::TNYXembedded* e = view_.Box().Registry()->Find(id)) Repaint(e);
        next = next == 0 ? a->Delay() : std::min(next, a->Delay());
    }
    if (next > 0) timer_.start(next);
}

bool TPictureObjects::Paint(QPainter& p, const richtext::TNYXembedded& e, const QRect& r) {
    if (!IsPicture(&e)) return false;
    ForgetOtherBox();
    model::TNYXoggetto& o = *e.Record();
    model::TNYXset* set = view_.Box().Set();
    const bool view = view_.ReadOnly();
    const bool selected = !view && e.Id() == selected_;
    model::TNYXoggetto* pic = PictureOf(o, model::placedrec::kPicture, set);
    // The pointer-over picture while the pointer is on the picture.
    if (e.Id() == hovered_ && !selected && QGuiApplication::applicationState() == Qt::ApplicationActive)
        if (model::TNYXoggetto* over = PictureOf(o, model::placedrec::kRollover, set)) pic = over;
    bool drawn = false;
    if (pic) {
        if (TAnimation* a = view ? AnimationFor(e, *pic) : nullptr) {
            p.drawImage(r, a->Frame());
            drawn = true;
        } else {
            const QImage img = TPictureCache::Instance().Scaled(*pic, r.width(), r.height());
            if (!img.isNull()) {
                p.drawImage(r.topLeft(), img);
                drawn = true;
            }
        }
    }
    if (!drawn) {
        // A picture that cannot be drawn: a frame with its name at the stored size.
        p.save();
        p.fillRect(r, QColor(0xF4, 0xF4, 0xF4));
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
        std::string name = pic ? pic->GetName() : std::string();
        if (name.empty()) name = o.Str(28, kAltTextCap);
        p.setPen(Qt::black);
        p.drawText(r.adjusted(3, 3, -3, -3), Qt::AlignCenter | Qt::TextWordWrap, Q(name));
        p.restore();
    }
    if (o.Byte(14) == 1) {
        p.save();
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.restore();
    }
    if (selected) {
        // The picture's zones show their frames; the selected zone its corner.
        p.save();
        TZoneList z;
        z.Load(o);
        for (std::size_t i = 0; i < z.Size(); ++i) {
            const TZone& zn = z[i];
            const QRect zr(r.left() + zn.left, r.top() + zn.top, zn.width, zn.height);
            p.setPen(QPen(static_cast<int>(i) == zone_ ? Qt::red : Qt::blue, 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(zr.adjusted(0, 0, -1, -1));
            if (static_cast<int>(i) == zone_)
                p.fillRect(QRect(zr.right() - kHandle + 1, zr.bottom() - kHandle + 1, kHandle, kHandle), Qt::red);
        }
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.restore();
    }
    return true;
}

// --- the mouse ----------------------------------------------------------------------------

bool TPictureObjects::Press(QMouseEvent* m) {
    const QPoint vp = m->position().toPoint();
    richtext::TNYXembedded* e = PictureAt(vp);
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    if (view_.ReadOnly()) {
        if (!e || m->button() != Qt::LeftButton) return false;
        const QPoint in = vp + off - QPoint(e->left, e->top);
        TZoneList z;
        z.Load(*e->Record());
        const int i = z.TopmostAt(in.x(), in.y());
        const std::int32_t key = i >= 0 ? z[static_cast<std::size_t>(i)].link : PictureLink(*e);
        if (key <= 0) return i >= 0;  // a zone without a link takes the click and does nothing
        Follow(key);
        return true;
    }
    if (!e) {
        if (Selected()) Select(nullptr);
        return false;
    }
    view_.setFocus(Qt::MouseFocusReason);
    Select(e);
    press_ = vp + off - QPoint(e->left, e->top);
    const TZoneList z = Zones();
    const int i = z.TopmostAt(press_.x(), press_.y());
    zone_ = i;
    {
        // The picture becomes the text's one-character selection.
        richtext::TNYXbox& box = view_.Box();
        for (std::size_t p = 0; p < box.paragraphs.size(); ++p)
            if (box.paragraphs[p].get() == e->PlacedIn())
                for (std::size_t c = 0; c < box.paragraphs[p]->text.size(); ++c)
                    if (box.paragraphs[p]->ObjectAt(c) == e) {
                        const auto pi = static_cast<std::int32_t>(p);
                        const auto ci = static_cast<std::int32_t>(c);
                        view_.Editing().Select({pi, ci}, {pi, ci + 1});
                    }
        view_.EditedOutside(false);
    }
    armed_ = m->button() == Qt::LeftButton && i >= 0;
    moving_ = resizing_ = false;
    if (armed_) {
        grab_ = press_;
        grabbed_ = z[static_cast<std::size_t>(i)];
        resizing_ = press_.x() >= grabbed_.left + grabbed_.width - kHandle &&
                    press_.y() >= grabbed_.top + grabbed_.height - kHandle;
    }
    Repaint(e);
    return m->button() == Qt::LeftButton;
}

bool TPictureObjects::Move(QMouseEvent* m) {
    const QPoint vp = m->position().toPoint();
    if (!(m->buttons() & Qt::LeftButton)) {
        Hover(vp);
        return PictureAt(vp) != nullptr;
    }
    richtext::TNYXembedded* e = Selected();
    if (!armed_ || !e) return false;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    const QPoint in = vp + off - QPoint(e->left, e->top);
    const QPoint d = in - grab_;
    if (!moving_) {
        if (std::abs(d.x()) <= 4 && std::abs(d.y()) <= 4) return true;
        moving_ = true;
        SnapshotPicture(view_.UndoList(), view_.Box(), e->Id(),
                        resizing_ ? "Dimensiona zona cliccabile" : "Muovi zona cliccabile");
        viewport_->setCursor(resizing_ ? Qt::SizeFDiagCursor : Qt::SizeAllCursor);
    }
    TZoneList z = Zones();
    if (zone_ < 0 || static_cast<std::size_t>(zone_) >= z.Size()) return true;
    if (resizing_)
        z.SetBounds(static_cast<std::size_t>(zone_), grabbed_.left, grabbed_.top, grabbed_.width + d.x(),
                    grabbed_.height + d.y());
    else
        z.SetBounds(static_cast<std::size_t>(zone_), grabbed_.left + d.x(), grabbed_.top + d.y(), grabbed_.width,
                    grabbed_.height);
    z.Store(*e->Record());
    Repaint(e);
    return true;
}

bool TPictureObjects::Release(QMouseEvent* m) {
    if (swallowRelease_) {
        swallowRelease_ = false;
        return true;
    }
    const bool was = armed_;
    const bool moved = moving_;
    armed_ = moving_ = resizing_ = false;
    if (moved) {
        viewport_->setCursor(Qt::SizeAllCursor);
        Changed(false);
    }
    return was && m->button() == Qt::LeftButton;
}

bool TPictureObjects::DoubleClick(QMouseEvent* m) {
    richtext::TNYXembedded* e = PictureAt(m->position().toPoint());
    if (!e || m->button() != Qt::LeftButton) return false;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    const QPoint in = m->position().toPoint() + off - QPoint(e->left, e->top);
    TZoneList z;
    z.Load(*e->Record());
    const int i = z.TopmostAt(in.x(), in.y());
    const std::int32_t key = i >= 0 ? z[static_cast<std::size_t>(i)].link : PictureLink(*e);
    armed_ = moving_ = false;
    if (key <= 0) return true;
    swallowRelease_ = true;
    Follow(key);
    return true;
}

void TPictureObjects::Hover(const QPoint& vp) {
    richtext::TNYXembedded* e = PictureAt(vp);
    const std::int32_t now = e ? e->Id() : -1;
    if (now != hovered_) {
        richtext::TNYXembedded* old =
            hovered_ >= 0 && view_.Box().Registry() ? view_.Box().Registry()->Find(hovered_) : nullptr;
        hovered_ = now;
        if (old && old->PlacedIn()) Repaint(old);
        if (e) Repaint(e);
    }
    if (!e) return;
    const QPoint off(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    const QPoint in = vp + off - QPoint(e->left, e->top);
    TZoneList z;
    z.Load(*e->Record());
    const int i = z.TopmostAt(in.x(), in.y());
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (view_.ReadOnly()) {
        const std::int32_t key = i >= 0 ? z[static_cast<std::size_t>(i)].link : PictureLink(*e);
        if (key > 0) shape = Qt::PointingHandCursor;
    } else if (i >= 0 && e->Id() == selected_) {
        shape = i == zone_ ? Qt::SizeAllCursor : Qt::CrossCursor;
    } else if (PictureLink(*e) != -1) {
        shape = Qt::PointingHandCursor;
    }
    viewport_->setCursor(shape);
    const std::string hint = HintAt(*e, in);
    viewport_->setToolTip(Q(hint.substr(0, hint.find('|'))));
}

bool TPictureObjects::eventFilter(QObject* watched, QEvent* ev) {
    // Only input is looked at: other events may come while the view is
    // being taken down.
    const QEvent::Type t = ev->type();
    if (watched == viewport_) {
        if (t == QEvent::Leave) {
            if (hovered_ >= 0) viewport_->update();
            hovered_ = -1;
            return false;
        }
        if (t != QEvent::MouseButtonPress && t != QEvent::MouseMove && t != QEvent::MouseButtonRelease &&
            t != QEvent::MouseButtonDblClick)
            return false;
        ForgetOtherBox();
        auto* m = static_cast<QMouseEvent*>(ev);
        switch (t) {
            case QEvent::MouseButtonPress: return Press(m);
            case QEvent::MouseMove: return Move(m);
            case QEvent::MouseButtonRelease: return Release(m);
            default: return DoubleClick(m);
        }
    }
    if (watched != &view_) return false;
    if (t == QEvent::FocusOut) {
        armed_ = moving_ = false;
        return false;
    }
    if (t != QEvent::ShortcutOverride && t != QEvent::KeyPress) return false;
    ForgetOtherBox();
    if (view_.ReadOnly() || zone_ < 0 || !Selected()) return false;
    auto* k = static_cast<QKeyEvent*>(ev);
    const bool del = k->key() == Qt::Key_Delete && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool copy = k->matches(QKeySequence::Copy);
    if (!del && !copy) return false;
    if (t == QEvent::ShortcutOverride) {
        ev->accept();
        return true;
    }
    if (del) DeleteSelectedZone();
    else CopyZone();
    return true;
}

}  // namespace present::ui
