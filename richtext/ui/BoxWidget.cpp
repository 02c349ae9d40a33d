#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "model/Page.h"
#include "model/Types.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Clipboard.h"
#include "richtext/Navigation.h"
#include "richtext/PageText.h"
#include "platform/text.h"

namespace richtext::ui {
namespace {

QColor FromColour(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QImage ToImage(const model::TNYXpicture& pic) {
    if (pic.width <= 0 || pic.height <= 0 ||
        pic.rgba.size() < static_cast<std::size_t>(pic.width) * static_cast<std::size_t>(pic.height))
        return {};
    QImage img(reinterpret_cast<const uchar*>(pic.rgba.data()), pic.width, pic.height, pic.width * 4,
               QImage::Format_RGBA8888);
    return img.copy();  // owns its pixels
}

// --- accessibility ------------------------------------------------------------------

class TBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TBoxAccessible(TNYXboxWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    TNYXboxWidget* Box() const { return static_cast<TNYXboxWidget*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Box()->AccessibleText();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        TNYXbox& b = Box()->Box();
        if (index != 0 || !b.HasSelection()) return;
        *start = Box()->AccessibleOffset(std::min(b.selStart, b.selEnd));
        *end = Box()->AccessibleOffset(std::max(b.selStart, b.selEnd));
    }
    int selectionCount() const override { return Box()->Box().HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        TNYXbox& b = Box()->Box();
        b.selStart = b.selEnd = b.caret;
        Box()->viewport()->update();
    }
    void setSelection(int, int start, int end) override {
        TNYXbox& b = Box()->Box();
        b.selStart = Box()->PositionOfOffset(start);
        b.selEnd = b.caret = Box()->PositionOfOffset(end);
        Box()->viewport()->update();
    }
    int cursorPosition() const override { return Box()->AccessibleOffset(Box()->Box().caret); }
    void setCursorPosition(int position) override { Box()->Box().caret = Box()->PositionOfOffset(position); }
    QString text(int startOffset, int endOffset) const override {
        const QString all = Box()->AccessibleText();
        startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
        endOffset = std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Box()->AccessibleText().size()); }
    QRect characterRect(int offset) const override {
        TNYXboxWidget* w = Box();
        const TTextPos pos = w->PositionOfOffset(offset);
        TNYXbox& b = w->Box();
        if (pos.para < 0 || static_cast<std::size_t>(pos.para) >= b.paragraphs.size()) return {};
        const TNYXparag& p = *b.paragraphs[static_cast<std::size_t>(pos.para)];
        for (const TNYXline& l : p.lines) {
            if (pos.ch < l.first || pos.ch >= l.first + l.count) continue;
            int x = l.startX + l.alignOffset;
            for (std::int32_t k = l.first; k < pos.ch; ++k) x += p.recs[static_cast<std::size_t>(k)].width;
            const QRect r(x - w->horizontalScrollBar()->value(),
                          TextTop(p) + l.top - w->verticalScrollBar()->value(),
                          p.recs[static_cast<std::size_t>(pos.ch)].width, l.height);
            return QRect(w->viewport()->mapToGlobal(r.topLeft()), r.size());
        }
        return {};
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }
};

QAccessibleInterface* BoxAccessibleFactory(const QString&, QObject* object) {
    if (auto* w = qobject_cast<TNYXboxWidget*>(object)) return new TBoxAccessible(w);
    return nullptr;
}

}  // namespace

void InstallBoxAccessibility() {
    static bool done = false;
    if (done) return;
    done = true;
    QAccessible::installFactory(BoxAccessibleFactory);
}

// --- TNYXboxWidget ---------------------------------------------------------------------

TNYXboxWidget::TNYXboxWidget(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallBoxAccessibility();
    // The box paints every pixel it owns itself.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    // A vertical bar that comes and goes would change the layout width.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    look_.paintObject = [this](QPainter& p, const TNYXembedded& e, const QRect& r) { PaintObject(p, e, r); };
    const QPalette pal = palette();
    look_.highlight = pal.color(QPalette::Highlight);
    look_.highlightText = pal.color(QPalette::HighlightedText);
    look_.buttonHighlight = pal.color(QPalette::Light);
    look_.buttonShadow = pal.color(QPalette::Dark);
    ResetBox(nullptr);
}

TNYXboxWidget::~TNYXboxWidget() {
    if (onBeforeBoxChange) onBeforeBoxChange();
    if (EditsExternalBox()) EditBox(nullptr);
    if (undoList_ && box_) undoList_->ForgetBox(*box_);
    mouse_.reset();
    keys_.reset();
    editing_.reset();
    attrs_.reset();
    box_ = nullptr;
    ownBox_.reset();  // before the objects its paragraphs show
    registry_.reset();
}

void TNYXboxWidget::EditBox(TNYXbox* external) {
    if (external == ownBox_.get()) external = nullptr;
    if (EditsExternalBox()) box_->host = externalHost_;
    mouse_.reset();
    keys_.reset();
    editing_.reset();
    attrs_.reset();
    externalHost_ = nullptr;
    box_ = external ? external : ownBox_.get();
    if (external) {
        externalHost_ = external->host;
        external->host = this;
    }
    StartEditing();
    UpdateScrollBars();
    viewport()->update();
}

void TNYXboxWidget::SetEnterTables(bool on) {
    enterTables_ = on;
    if (keys_) keys_->enterTables = on;
}

void TNYXboxWidget::ResetBox(model::TNYXset* set) {
    if (onBeforeBoxChange) onBeforeBoxChange();
    if (EditsExternalBox()) EditBox(nullptr);
    // Snapshots of the old box cannot be restored into the new one.
    if (undoList_ && box_) {
        undoList_->ForgetBox(*box_);
        undoList_->Clear();
    }
    mouse_.reset();
    keys_.reset();
    editing_.reset();
    attrs_.reset();
    box_ = nullptr;
    ownBox_.reset();
    registry_ = std::make_unique<TNYXundoIndiciList>();
    set_ = set;
    ownBox_ = std::make_unique<TNYXbox>(set, registry_.get(), &metrics_);
    box_ = ownBox_.get();
    box_->host = this;
    pictures_.clear();
    StartEditing();
}

void TNYXboxWidget::LoadText(std::string_view body, std::string_view header, std::string_view footer) {
    box_->layoutWidth = std::max(20, viewport()->width());
    LoadBox(*box_, 0, body, header, footer);
    UpdateScrollBars();
    viewport()->update();
}

void TNYXboxWidget::Relayout() {
    box_->layoutWidth = std::max(20, viewport()->width());
    LayoutBox(*box_);
    UpdateScrollBars();
}

void TNYXboxWidget::UpdateScrollBars() {
    const int vh = viewport()->height(), vw = viewport()->width();
    const int textHeight = box_->TextBottom() + 1;
    QScrollBar* v = verticalScrollBar();
    const int fromBottom = v->maximum() - v->value();
    const int vmax = std::max(0, textHeight - vh);
    v->setRange(0, vmax);
    v->setPageStep(vh);
    v->setSingleStep(16);
    // Keep the distance from the bottom of the view when the text grew above it.
    if (v->value() > 0) v->setValue(std::max(0, vmax - fromBottom));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, box_->contentWidth > vw ? box_->contentWidth - vw : 0);
    h->setPageStep(vw);
    h->setSingleStep(16);
}

void TNYXboxWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (!box_->paragraphs.empty()) ResizeBox(*box_, viewport()->width());
    else box_->layoutWidth = std::max(20, viewport()->width());
    UpdateScrollBars();
}

void TNYXboxWidget::scrollContentsBy(int dx, int dy) {
    // Fixed tiles stay still in the window: everything moves against them.
    if (look_.fixedBackground && !look_.picture.isNull()) viewport()->update();
    else viewport()->scroll(dx, dy);  // only what scrolled in is painted
}

void TNYXboxWidget::paintEvent(QPaintEvent* e) {
    if (box_->UpdateCount() > 0) paintSkipped_ = true;
    QPainter p(viewport());
    const QPoint off(horizontalScrollBar()->value(), verticalScrollBar()->value());
    look_.scroll = off;
    lastPainted_ = e->rect();
    p.translate(-off);
    PaintBox(p, *box_, metrics_, look_, e->rect().translated(off));
    if (mouse_ && mouse_->Dragging()) {
        // Where the dragged text would land.
        const TNYXcaretPos d = Normalise(*box_, mouse_->DropPosition());
        if (d.height > 0) p.fillRect(QRect(d.x, d.y, 2, d.height), Qt::black);
    }
    if (onPaintOver) onPaintOver(p);
    if (CaretDrawn()) {
        // The caret inverts what lies under it.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(CaretRect(), Qt::white);
    }
}

void TNYXboxWidget::Invalidate(std::int32_t top, std::int32_t bottom) {
    const int v = verticalScrollBar()->value();
    const int vh = viewport()->height();
    const int y0 = std::max(0, top - v - 2);
    const int y1 = bottom < 0 ? vh : std::min(vh, bottom - v + 2);
    if (y1 > y0) viewport()->update(QRect(0, y0, viewport()->width(), y1 - y0 + 1));
}

void TNYXboxWidget::ContentSizeChanged() { UpdateScrollBars(); }

void TNYXboxWidget::UpdateEnded() {
    // What was damaged meanwhile is already marked; a paint refused during
    // the update is made up for in full.
    if (paintSkipped_) viewport()->update();
    paintSkipped_ = false;
}

void TNYXboxWidget::ObjectsMoved(std::int32_t first, std::int32_t last) {
    const auto n = static_cast<std::int32_t>(box_->paragraphs.size());
    for (std::int32_t i = std::max(first, 0); i <= last && i < n; ++i) {
        TNYXparag& p = *box_->paragraphs[static_cast<std::size_t>(i)];
        for (TNYXembedded* e : p.Objects()) {
            if (!e || e->PlacedIn() != &p || e->placed || e->left == kOutOfSight) continue;
            e->placed = true;
            if (onPlaceObject) onPlaceObject(*e, QRect(e->left, e->top, e->width, e->height));
        }
    }
}

bool TNYXboxWidget::MeasureObject(TNYXembedded& e, std::int32_t lineWidth) {
    if (onMeasureObject) return onMeasureObject(e, lineWidth);
    return TLayoutHost::MeasureObject(e, lineWidth);
}

void TNYXboxWidget::PaintObject(QPainter& p, const TNYXembedded& e, const QRect& r) {
    if (onPaintObject && onPaintObject(p, e, r)) return;
    const model::TNYXoggetto* rec = e.Record();
    if (set_ && rec && rec->Type() == model::immagineNew) {
        auto it = pictures_.find(rec);
        if (it == pictures_.end()) {
            QImage img;
            // Offset 0 holds the picture's slot among the pictures.
            const std::int32_t slot = rec->Int(0);
            model::TNYXoggetto* pic = slot >= 0 ? set_->ObjectAt(model::immagine, slot) : nullptr;
            if (pic && !pic->IsEmpty())
                if (auto decoded = pic->GetPicture()) img = ToImage(*decoded);
            it = pictures_.emplace(rec, img).first;
        }
        if (!it->second.isNull()) {
            p.drawImage(r, it->second);
            return;
        }
    }
    PaintPlaceholder(p, r);
}

QString TNYXboxWidget::AccessibleText() const {
    QString out;
    bool firstPara = true;
    for (const auto& p : box_->paragraphs) {
        if (!firstPara) out += QLatin1Char('\n');
        firstPara = false;
        for (std::size_t i = 0; i < p->text.size(); ++i)
            out += p->ObjectAt(i) ? QChar(0xFFFC) : QtChar(static_cast<unsigned char>(p->text[i]));
    }
    return out;
}

int TNYXboxWidget::AccessibleOffset(const TTextPos& pos) const {
    int off = 0;
    const auto n = static_cast<std::int32_t>(box_->paragraphs.size());
    for (std::int32_t i = 0; i < pos.para && i < n; ++i)
        off += static_cast<int>(box_->paragraphs[static_cast<std::size_t>(i)]->text.size()) + 1;
    return off + pos.ch;
}

TTextPos TNYXboxWidget::PositionOfOffset(int offset) const {
    TTextPos pos;
    const auto n = static_cast<std::int32_t>(box_->paragraphs.size());
    for (std::int32_t i = 0; i < n; ++i) {
        const int len = static_cast<int>(box_->paragraphs[static_cast<std::size_t>(i)]->text.size());
        if (offset <= len || i == n - 1) return {i, std::clamp(offset, 0, len)};
        offset -= len + 1;
    }
    return pos;
}

// --- editing --------------------------------------------------------------------------

// The one blink timer of the program: it belongs to the box whose caret shows.
class TCaretBlink : public QObject {
public:
    static TCaretBlink& Get() {
        static auto* b = new TCaretBlink(qApp);
        return *b;
    }
    void Own(TNYXboxWidget* w) {
        owner_ = w;
        if (w) timer_.start();
        else timer_.stop();
    }
    TNYXboxWidget* Owner() const { return owner_; }

private:
    explicit TCaretBlink(QObject* parent) : QObject(parent) {
        timer_.setInterval(500);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (owner_) owner_->BlinkTick();
            else timer_.stop();
        });
    }
    QTimer timer_;
    QPointer<TNYXboxWidget> owner_;
};

void TNYXboxWidget::StartEditing() {
    box_->undo = undoList_;
    attrs_ = std::make_unique<TNYXTextAttributes>(*box_);
    editing_ = std::make_unique<TNYXediting>(*box_, *attrs_);
    keys_ = std::make_unique<TNYXkeyboard>(*editing_);
    keys_->enterTables = enterTables_;
    editing_->autoEngQuote = autoEngQuote_;
    editing_->codeMode = codeMode_;
    mouse_ = std::make_unique<TNYXmouse>(*editing_);
}

void TNYXboxWidget::SetUndoList(TNYXundoList* list) {
    if (undoList_ && box_ && !EditsExternalBox()) undoList_->ForgetBox(*box_);
    undoList_ = list;
    if (box_) box_->undo = list;
}

void TNYXboxWidget::SetReadOnly(bool on) {
    const bool changed = readOnly_ != on;
    readOnly_ = on;
    // Objects may be shown differently to a reader (markers vanish).
    if (changed && onMeasureObject && box_ && !box_->paragraphs.empty()) {
        LayoutBox(*box_);
        viewport()->update();
    }
    UpdateCaret();
}

QRect TNYXboxWidget::CaretRect() const {
    if (box_->paragraphs.empty()) return {};
    const TNYXcaretPos c = Normalise(*box_, box_->caret);
    if (c.height < 0) return {};
    return QRect(c.x, c.y, 3, std::max(1, c.height));
}

bool TNYXboxWidget::CaretDrawn() const {
    return blinkOn_ && !readOnly_ && look_.editable && hasFocus() && !box_->HasSelection() &&
           TCaretBlink::Get().Owner() == this;
}

void TNYXboxWidget::BlinkTick() {
    blinkOn_ = !blinkOn_;
    const QPoint off(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->update(CaretRect().translated(-off).adjusted(-1, -1, 1, 1));
}

void TNYXboxWidget::UpdateCaret() {
    const QPoint off(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (!caretPainted_.isNull()) viewport()->update(caretPainted_.translated(-off).adjusted(-1, -1, 1, 1));
    const bool can = !readOnly_ && look_.editable && hasFocus() && !box_->HasSelection();
    if (can) {
        TCaretBlink::Get().Own(this);
        blinkOn_ = true;  // a moved caret shows at once
        caretPainted_ = CaretRect();
        viewport()->update(caretPainted_.translated(-off).adjusted(-1, -1, 1, 1));
    } else {
        if (TCaretBlink::Get().Owner() == this) TCaretBlink::Get().Own(nullptr);
        blinkOn_ = false;
        caretPainted_ = QRect();
    }
}

void TNYXboxWidget::ScrollToCaret() {
    const QRect r = CaretRect();
    if (r.isNull()) return;
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const int vw = viewport()->width(), vh = viewport()->height();
    if (r.left() < h->value()) h->setValue(r.left());
    else if (r.left() + 3 > h->value() + vw) h->setValue(r.left() + 3 - vw);
    // On the first line the page's top margin comes into view too.
    const auto body = static_cast<std::size_t>(box_->BodyBegin());
    const bool firstLine = body < box_->paragraphs.size() && box_->caret.para <= box_->BodyBegin() &&
                           r.top() <= TextTop(*box_->paragraphs[body]);
    if (r.top() < v->value()) v->setValue(firstLine ? 0 : r.top());
    else if (r.bottom() + 1 > v->value() + vh) v->setValue(r.bottom() + 1 - vh);
}

void TNYXboxWidget::ScrollCaretToTop() {
    const QRect r = CaretRect();
    if (r.isNull()) return;
    const auto body = static_cast<std::size_t>(box_->BodyBegin());
    const bool firstLine = body < box_->paragraphs.size() && box_->caret.para <= box_->BodyBegin() &&
                           r.top() <= TextTop(*box_->paragraphs[body]);
    verticalScrollBar()->setValue(firstLine ? 0 : r.top());
    QScrollBar* h = horizontalScrollBar();
    if (r.left() < h->value() || r.left() + 3 > h->value() + viewport()->width())
        h->setValue(std::max(0, r.left() + 3 - viewport()->width()));
}

void TNYXboxWidget::AfterEdit(bool textChanged) {
    if (textChanged) UpdateScrollBars();
    ScrollToCaret();
    UpdateCaret();
    // A selection that came, went or changed is painted again; typing only
    // repaints what its layout damaged.
    const bool hadSelection = shownSelStart_ != shownSelEnd_;
    if ((hadSelection || box_->HasSelection()) &&
        (shownSelStart_ != box_->selStart || shownSelEnd_ != box_->selEnd))
        viewport()->update();
    shownSelStart_ = box_->selStart;
    shownSelEnd_ = box_->selEnd;
    if (textChanged) {
        TextChanged();
        if (onEdited) onEdited();
    }
    if (onSelectionChanged) onSelectionChanged();
}

bool TNYXboxWidget::Copy() {
    if (!box_->HasSelection()) return false;
    auto* data = new QMimeData;
    const std::string container = editing_->CopyContainer();
    data->setData(QString::fromLatin1(kClipboardMime), QByteArray(container.data(), static_cast<qsizetype>(container.size())));
    data->setText(QString::fromStdString(editing_->SelectedPlainText()));
    for (const TForeignClipFormat& f : ForeignClipFormats())
        if (f.fromContainer && box_->Set())
            if (const std::string b = f.fromContainer(*box_->Set(), container); !b.empty())
                data->setData(QString::fromStdString(f.mime), QByteArray(b.data(), static_cast<qsizetype>(b.size())));
    QApplication::clipboard()->setMimeData(data);
    return true;
}

bool TNYXboxWidget::Cut() {
    if (readOnly_ || !box_->HasSelection()) return false;
    if (!Copy()) return false;
    const bool done = editing_->DeleteSelection();
    AfterEdit(done);
    return done;
}

bool TNYXboxWidget::Paste() {
    if (readOnly_ || box_->UpdateCount() > 0) return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return false;
    bool done = false;
    const QString mime = QString::fromLatin1(kClipboardMime);
    if (data->hasFormat(mime)) {
        const QByteArray bytes = data->data(mime);
        const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        const std::int32_t format = ContainerFormat(view);
        if (format == 1 || format == 3) done = editing_->PasteContainer(view);
    }
    for (const TForeignClipFormat& f : ForeignClipFormats()) {
        if (done || !f.toContainer || !box_->Set() || !data->hasFormat(QString::fromStdString(f.mime))) continue;
        const QByteArray bytes = data->data(QString::fromStdString(f.mime));
        const std::string c = f.toContainer(*box_->Set(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                            box_->DefaultStyleNumber());
        if (ContainerFormat(c) == 1) done = editing_->PasteContainer(c);
    }
    if (!done && data->hasText()) {
        const std::string text = data->text().toStdString();
        done = editing_->PastePlainText(text);
    }
    AfterEdit(done);
    return done;
}

void TNYXboxWidget::SelectAll() {
    editing_->SelectAll();
    AfterEdit(false);
}

bool TNYXboxWidget::StyleOn(std::uint8_t bit) const { return (attrs_->Style() & bit) != 0; }

void TNYXboxWidget::ToggleStyle(std::uint8_t bit) {
    if (readOnly_ || !look_.editable || box_->UpdateCount() > 0) return;
    const bool on = StyleOn(bit);
    const std::string before = box_->HasSelection() ? BoxText(*box_) : std::string();
    attrs_->AddRemoveStyle(on ? 0 : bit, on ? bit : 0);
    AfterEdit(box_->HasSelection() && BoxText(*box_) != before);
}

bool TNYXboxWidget::Format(const std::function<void(TNYXTextAttributes&, TNYXParaAttributes&)>& op) {
    if (readOnly_ || !look_.editable || box_->UpdateCount() > 0 || !op) return false;
    TNYXParaAttributes para(*box_);
    op(*attrs_, para);
    AfterEdit(true);
    return true;
}

bool TNYXboxWidget::InsertSymbol(unsigned char c) {
    if (readOnly_ || !look_.editable || box_->UpdateCount() > 0) return false;
    const bool done = editing_->InsertChar(c);
    AfterEdit(done);
    return done;
}

void TNYXboxWidget::Undo(std::size_t steps) {
    if (!undoList_ || undoList_->Busy() || steps == 0 || readOnly_ || !look_.editable) return;
    if (onBeforeBoxChange) onBeforeBoxChange();
    undoList_->UndoSteps(steps);
    AfterEdit(true);
}

void TNYXboxWidget::Redo(std::size_t steps) {
    if (!undoList_ || undoList_->Busy() || steps == 0 || readOnly_ || !look_.editable) return;
    if (onBeforeBoxChange) onBeforeBoxChange();
    undoList_->RedoSteps(steps);
    AfterEdit(true);
}

void TNYXboxWidget::SetTypographicQuotes(bool on) {
    autoEngQuote_ = on;
    if (editing_) editing_->autoEngQuote = on;
}

void TNYXboxWidget::SetCodeMode(bool on) {
    codeMode_ = on;
    if (editing_) editing_->codeMode = on;
}

QPoint TNYXboxWidget::BoxPoint(const QPoint& pt) const {
    return pt + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

std::int32_t TNYXboxWidget::LinkAt(TTextPos pos) const { return LinkKeyNear(*box_, pos); }

bool TNYXboxWidget::FollowLinkAt(TTextPos pos) {
    const std::int32_t key = LinkAt(pos);
    if (key == -1) return false;
    Follow(key);
    return true;
}

void TNYXboxWidget::Follow(std::int32_t key) {
    editing_->ClearSelection();
    AfterEdit(false);
    if (onFollowLink) onFollowLink(key);
}

void TNYXboxWidget::contextMenuEvent(QContextMenuEvent* e) {
    if (readOnly_ || !look_.editable) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("pmTesto"));
    const bool sel = box_->HasSelection();
    // On a link (with no selection) the menu offers to follow it first.
    const QPoint at = BoxPoint(e->pos());  // viewport coordinates
    const std::int32_t link = sel ? -1 : mouse_->LinkUnder(at.x(), at.y());
    QAction* follow = nullptr;
    if (link != -1) {
        follow = menu.addAction(QStringLiteral("Segui collegamento"));
        menu.addSeparator();
    }
    const TPopupContext ctx{*this, at, link, sel};
    if (FillPopup(menu, TPopupPlace::kTop, ctx)) menu.addSeparator();
    QAction* undo = menu.addAction(QStringLiteral("&Undo"));
    undo->setEnabled(undoList_ && undoList_->CanUndo() && !undoList_->Busy());
    menu.addSeparator();
    QAction* cut = menu.addAction(QStringLiteral("&Taglia"));
    cut->setEnabled(sel);
    QAction* copy = menu.addAction(QStringLiteral("&Copia"));
    copy->setEnabled(sel);
    QAction* paste = menu.addAction(QStringLiteral("&Incolla"));
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    paste->setEnabled(clip && (clip->hasText() || clip->hasFormat(QString::fromLatin1(kClipboardMime))));
    menu.addSeparator();
    QAction* all = menu.addAction(QStringLiteral("&Seleziona tutto"));
    QAction* tailSeparator = menu.addSeparator();
    if (!FillPopup(menu, TPopupPlace::kBottom, ctx)) menu.removeAction(tailSeparator);
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen && chosen == follow) Follow(link);
    else if (chosen == undo) Undo(1);
    else if (chosen == cut) Cut();
    else if (chosen == copy) Copy();
    else if (chosen == paste) Paste();
    else if (chosen == all) SelectAll();
}

void TNYXboxWidget::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    UpdateCaret();
}

void TNYXboxWidget::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    UpdateCaret();
}

void TNYXboxWidget::keyPressEvent(QKeyEvent* e) {
    if (box_->UpdateCount() > 0) return;
    if (!HandleKey(e)) QAbstractScrollArea::keyPressEvent(e);
}

void TNYXboxWidget::ApplyKey(const TKeyResult& r) {
    if (r.scrollX) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + r.scrollX);
    if (r.scrollY) verticalScrollBar()->setValue(verticalScrollBar()->value() + r.scrollY);
    if (r.place.box && r.place.box != box_ && onLeaveBox) onLeaveBox(*r.place.box, r.place.pos);
    if (r.moved || r.changed) AfterEdit(r.changed);
    if (r.follow != -1) Follow(r.follow);
}

void TNYXboxWidget::ApplyMouse(const TMouseResult& r) {
    if (r.moved || r.changed) AfterEdit(r.changed);
    if (r.follow != -1) Follow(r.follow);
}

void TNYXboxWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint p = BoxPoint(e->position().toPoint());
    mouse_->readOnly = readOnly_ || !look_.editable;
    ApplyMouse(mouse_->Press(p.x(), p.y(), e->modifiers() & Qt::ShiftModifier));
}

void TNYXboxWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = BoxPoint(e->position().toPoint());
    const bool down = e->buttons() & Qt::LeftButton;
    if (down && mouse_->Pressed()) {
        const bool wasDragging = mouse_->Dragging();
        ApplyMouse(mouse_->Move(p.x(), p.y(), true));
        if (mouse_->Selecting() || mouse_->Dragging()) {
            // The view follows the pointer.
            const QPoint v = e->position().toPoint();
            if (v.y() < 0) verticalScrollBar()->setValue(verticalScrollBar()->value() + v.y());
            else if (v.y() > viewport()->height()) verticalScrollBar()->setValue(verticalScrollBar()->value() + v.y() - viewport()->height());
        }
        if (mouse_->Dragging()) {
            if (!wasDragging) viewport()->setCursor(Qt::DragMoveCursor);
            viewport()->update();  // the drop mark
        }
        return;
    }
    // Pointer feedback: the hand over links, the drag pointer over the selection.
    const std::int32_t link = mouse_->LinkUnder(p.x(), p.y());
    if (link != -1) {
        viewport()->setCursor(Qt::PointingHandCursor);
        QString hint;
        if (onLinkHint) hint = QString::fromStdString(onLinkHint(link));
        viewport()->setToolTip(hint);
        ShowHint(hint.toStdString());
    } else {
        viewport()->setToolTip(QString());
        ShowHint({});
        viewport()->setCursor(!readOnly_ && mouse_->InSelection(p.x(), p.y()) ? Qt::DragMoveCursor : Qt::IBeamCursor);
    }
}

void TNYXboxWidget::leaveEvent(QEvent* e) {
    ShowHint({});
    QAbstractScrollArea::leaveEvent(e);
}

void TNYXboxWidget::ShowHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (onHintChanged) onHintChanged(hint_);
}

void TNYXboxWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    const QPoint p = BoxPoint(e->position().toPoint());
    const bool dragging = mouse_->Dragging();
    ApplyMouse(mouse_->Release(p.x(), p.y()));
    if (dragging) {
        viewport()->setCursor(Qt::IBeamCursor);
        viewport()->update();
    }
}

void TNYXboxWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = BoxPoint(e->position().toPoint());
    ApplyMouse(mouse_->DoubleClick(p.x(), p.y()));
}

namespace {

bool ToEditKey(int key, EditKey& out) {
    switch (key) {
        case Qt::Key_Left: out = EditKey::Left; return true;
        case Qt::Key_Right: out = EditKey::Right; return true;
        case Qt::Key_Up: out = EditKey::Up; return true;
        case Qt::Key_Down: out = EditKey::Down; return true;
        case Qt::Key_Home: out = EditKey::Home; return true;
        case Qt::Key_End: out = EditKey::End; return true;
        case Qt::Key_PageUp: out = EditKey::PageUp; return true;
        case Qt::Key_PageDown: out = EditKey::PageDown; return true;
        case Qt::Key_Backspace: out = EditKey::Backspace; return true;
        case Qt::Key_Delete: out = EditKey::Delete; return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: out = EditKey::Enter; return true;
        case Qt::Key_F9: out = EditKey::F9; return true;
        default: return false;
    }
}

}  // namespace

bool TNYXboxWidget::HandleKey(QKeyEvent* e) {
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    // The desktop's usual clipboard and undo keys, besides the menu's own.
    if (ctrl && !(mods & (Qt::AltModifier | Qt::ShiftModifier))) {
        switch (e->key()) {
            case Qt::Key_C: return Copy(), true;
            case Qt::Key_X: return Cut(), true;
            case Qt::Key_V: return Paste(), true;
            case Qt::Key_Z: return Undo(1), true;
            case Qt::Key_Y: return Redo(1), true;
            default: break;
        }
    }
    if (ctrl && shift && !(mods & Qt::AltModifier) && e->key() == Qt::Key_Z) return Redo(1), true;
    keys_->readOnly = readOnly_ || !look_.editable;
    EditKey key;
    if (ToEditKey(e->key(), key)) {
        // Other modifiers do nothing for Backspace and Delete.
        if ((key == EditKey::Backspace || key == EditKey::Delete) && (mods & (Qt::AltModifier | Qt::MetaModifier)))
            return true;
        // Shift+Delete cuts: through the clipboard, with the plain text too.
        if (key == EditKey::Delete && shift && !ctrl && !keys_->readOnly) return Cut(), true;
        const TKeyResult r = keys_->Press(key, ctrl, shift);
        ApplyKey(r);
        return r.handled;
    }
    if (ctrl || (mods & Qt::AltModifier)) return false;
    return TypeText(e->text().toStdString());
}

bool TNYXboxWidget::TypeText(const std::string& utf8) {
    keys_->readOnly = readOnly_ || !look_.editable;
    const std::string typed = platform::text::Utf8ToCp1252(utf8);
    bool any = false;
    for (char c : typed) {
        const TKeyResult r = keys_->Type(static_cast<unsigned char>(c));
        if (!r.handled) continue;
        any = true;
        ApplyKey(r);
    }
    return any;
}

void TNYXboxWidget::inputMethodEvent(QInputMethodEvent* e) {
    // Only the committed text is typed; what is still being composed stays with the input method.
    if (!e->commitString().isEmpty() && box_->UpdateCount() == 0) TypeText(e->commitString().toStdString());
    e->accept();
}

QVariant TNYXboxWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled: return !readOnly_ && look_.editable;
        case Qt::ImCursorRectangle: {
            const QPoint off(horizontalScrollBar()->value(), verticalScrollBar()->value());
            return CaretRect().translated(-off);
        }
        default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// --- TNYXpageView ----------------------------------------------------------------------

TNYXpageView::TNYXpageView(QWidget* parent) : TNYXboxWidget(parent) {}

TNYXpageView::~TNYXpageView() {
    // The box shows objects of the working copy: both go while the widget
    // and its undo list are whole.
    session_.ClosePage();
}

void TNYXpageView::ReadTexts(std::string_view body, std::string_view header, std::string_view footer) {
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    LoadText(body, header, footer);
}

void TNYXpageView::PutCaret(TTextPos pos) {
    editing_->SetCaret(pos);
    ScrollCaretToTop();
    AfterEdit(false);
}

void TNYXpageView::BackgroundChanged() {
    const TPageBackground& b = session_.Background();
    if (session_.WorkingCopy()) {
        look_.pageBox = true;
        look_.transparent = false;
        look_.background = FromColour(b.colour);
        look_.fixedBackground = b.fixed;
        look_.picture = b.picture ? ToImage(*b.picture) : QImage();
        look_.pictureOpaque = !b.picture || !b.picture->transparent;
    } else {
        look_.picture = QImage();
        look_.fixedBackground = false;
    }
    viewport()->update();
}

void TNYXpageView::SetViewMode(bool on) {
    session_.SetViewMode(on);
    look_.editable = !on;
    SetReadOnly(on);
    viewport()->update();
}

TNYXpageView* PutPageView(QMainWindow& window) {
    auto* v = new TNYXpageView(&window);
    window.setCentralWidget(v);
    return v;
}

}  // namespace richtext::ui
