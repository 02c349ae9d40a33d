#include "present/ui/NYXListView.h"

#include <QHeaderView>
#include <QIcon>
#include <QMimeDatabase>
#include <QKeyEvent>
#include <QMouseEvent>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"

namespace present::ui {

namespace {

constexpr int kRefRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

// Numbers sort as numbers, texts without regard to case.
class TItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int c = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(c, kSortRole), b = other.data(c, kSortRole);
        if (a.isValid() && b.isValid()) return a.toLongLong() < b.toLongLong();
        return text(c).compare(other.text(c), Qt::CaseInsensitive) < 0;
    }
};

QString FromCp(std::string_view cp) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp)); }

// The desktop's icon for files named like `name` (learned once per name).
QIcon IconOfFileType(const QString& name) {
    static QHash<QString, QIcon> known;
    auto it = known.find(name);
    if (it != known.end()) return *it;
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    known.insert(name, icon);
    return icon;
}

// A page has the icon of text files; a picture that of its own file name.
QIcon IconOf(const model::TNYXoggetto& o) {
    switch (o.Type()) {
        case model::testoHtml: return IconOfFileType(QStringLiteral("a.txt"));
        case model::immagine:
        case model::immagineNew: return IconOfFileType(FromCp(o.GetFileName()));
        default: return {};
    }
}

}  // namespace

TNYXListView::TNYXListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("TNYXListView"));
    setRootIsDecorated(false);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);  // by name, A first
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (reloading_ || column != 0) return;
        model::TNYXoggetto* o = ObjectOf(item);
        if (!o || !LinkedNYXset) return;
        const std::string name = platform::text::Utf8ToCp1252(item->text(0).toStdString());
        // A style keeps its name when another style has the new one.
        const bool taken = o->Type() == model::stileParagrafo &&
                           !platform::text::EqualsNoCase(name, o->GetName()) && LinkedNYXset->StyleExists(name);
        if (!taken && !name.empty()) {
            o->SetName(name);
            LinkedNYXset->SetModified(true);
        }
        reloading_ = true;
        item->setText(0, FromCp(o->GetName()));
        reloading_ = false;
        if (OnEditStop) OnEditStop(*o);
    });
}

void TNYXListView::Reload() {
    reloading_ = true;
    const std::int32_t keep = SelectedReference();
    clear();
    const bool pages = Objects == model::testoHtml;
    setHeaderLabels(pages ? QStringList{QStringLiteral("Titolo"), QStringLiteral("Numero"), QStringLiteral("Dimensione")}
                          : QStringList{QStringLiteral("Titolo"), QStringLiteral("Dimensione"), QStringLiteral("Nome file")});
    if (LinkedNYXset) {
        const model::TNYXset& set = *LinkedNYXset;
        std::vector<QTreeWidgetItem*> items;
        for (std::size_t i = 0; i < set.Count(Objects); ++i) {
            model::TNYXoggetto* o = set.ObjectAt(Objects, static_cast<std::int64_t>(i));
            if (!o || o->IsEmpty()) continue;
            if (OnFilter && !OnFilter(*o)) continue;
            auto* item = new TItem;
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setData(0, kRefRole, o->Reference());
            item->setText(0, FromCp(o->Type() == model::internetLink ? o->DescriptionTitle() : o->GetName()));
            item->setIcon(0, IconOf(*o));
            const qlonglong size = o->ListSize();
            if (pages) {
                item->setText(1, QString::number(i));
                item->setData(1, kSortRole, static_cast<qlonglong>(i));
                item->setText(2, QString::number(size));
                item->setData(2, kSortRole, size);
                item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
                item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            } else {
                item->setText(1, QString::number(size));
                item->setData(1, kSortRole, size);
                item->setText(2, FromCp(o->GetFileName()));
            }
            items.push_back(item);
        }
        for (auto* item : items) addTopLevelItem(item);
    }
    // Sorted now: the view would otherwise sort only on the next turn of the
    // event loop, and rows read before that would be in insertion order.
    if (sortColumn() < 0) sortByColumn(0, Qt::AscendingOrder);
    else sortItems(sortColumn(), header()->sortIndicatorOrder());
    reloading_ = false;
    if (keep != -1) SelectReference(keep);
    for (int c = 0; c < columnCount(); ++c) resizeColumnToContents(c);
    if (OnReload) OnReload();
}

model::TNYXoggetto* TNYXListView::ObjectOf(const QTreeWidgetItem* item) const {
    if (!item || !LinkedNYXset) return nullptr;
    model::TNYXoggetto* o = LinkedNYXset->ObjectByRef(item->data(0, kRefRole).toInt());
    return o && !o->IsEmpty() ? o : nullptr;
}

model::TNYXoggetto* TNYXListView::Selected() const { return ObjectOf(currentItem()); }

std::int32_t TNYXListView::SelectedReference() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kRefRole).toInt() : -1;
}

bool TNYXListView::SelectReference(std::int32_t ref) {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->data(0, kRefRole).toInt() == ref) {
            setCurrentItem(topLevelItem(i));
            return true;
        }
    return false;
}

void TNYXListView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier && state() != EditingState) {
        if (model::TNYXoggetto* o = Selected(); o && OnDel) OnDel(*o);
        return;
    }
    QTreeWidget::keyPressEvent(e);
}

bool TNYXListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool wasEditing = state() == EditingState;
    // Only a trigger that opens the editor asks: a key or a click that does
    // not rename must not ask anything.
    const bool opens = trigger == AllEditTriggers || (editTriggers() & trigger);
    if (!wasEditing && opens && OnCanEdit)
        if (model::TNYXoggetto* o = ObjectOf(itemFromIndex(index)); o && !OnCanEdit(*o)) return false;
    if (!QTreeWidget::edit(index, trigger, event)) return false;
    if (!wasEditing && state() == EditingState && OnEditStart)
        if (model::TNYXoggetto* o = ObjectOf(itemFromIndex(index))) OnEditStart(*o);
    return true;
}

void TNYXListView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton && RightMouseSelect)
        if (QTreeWidgetItem* item = itemAt(e->position().toPoint())) setCurrentItem(item);
    QTreeWidget::mousePressEvent(e);
}

}  // namespace present::ui
