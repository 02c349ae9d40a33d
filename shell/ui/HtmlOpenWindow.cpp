#include "shell/ui/HtmlOpenWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/ui/DialogSeam.h"

namespace shell::ui {

namespace {
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
}  // namespace

TFScegliApriHtml::TFScegliApriHtml(THtmlOpenChoices& choices, QWidget* parent) : QDialog(parent), choices_(choices) {
    setObjectName("TFScegliApriHtml");
    setWindowTitle(Q("Apri pagina Html"));
    auto* layout = new QVBoxLayout(this);
    auto* file = new QLabel(Q(choices_.File().string()), this);
    file->setObjectName("lbFile");
    layout->addWidget(file);
    message_ = new QLabel(this);
    message_->setObjectName("lbMessaggio");
    message_->setWordWrap(true);
    layout->addWidget(message_);
    options_ = new QVBoxLayout;
    layout->addLayout(options_);
    auto* buttons = new QDialogButtonBox(this);
    search_ = buttons->addButton(Q("Cerca..."), QDialogButtonBox::ActionRole);
    search_->setObjectName("btCerca");
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("btOK");
    QPushButton* cancel = buttons->addButton(Q("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("btAnnulla");
    connect(search_, &QPushButton::clicked, this, [this] { Search(); });
    connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    Fill();
}

void TFScegliApriHtml::Fill() {
    message_->setText(Q(choices_.Message()));
    message_->setVisible(choices_.Marked());
    search_->setVisible(choices_.Marked() && !choices_.Found());
    for (QRadioButton* b : buttons_) delete b;
    buttons_.clear();
    const auto texts = choices_.Texts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto* b = new QRadioButton(Q(texts[i]), this);
        b->setObjectName(QStringLiteral("rbScelta%1").arg(i));
        b->setChecked(i == 0);
        options_->addWidget(b);
        buttons_.push_back(b);
    }
}

void TFScegliApriHtml::Search() {
    TFileRequest request;
    request.kind = TFileRequest::Open;
    request.caption = "Cerca l'ipertesto";
    request.folder = choices_.File().parent_path();
    request.suggested = choices_.NativeName();
    request.filter = "Ipertesti Quor (*.nyx)";
    const auto answer = ChooseFile(this, request);
    if (!answer) return;
    choices_.SetNativeFile(answer->file);
    Fill();
}

void TFScegliApriHtml::Confirm() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (!buttons_[i]->isChecked()) continue;
        action_ = choices_.Confirm(i);
        if (action_) accept();
        return;
    }
}

std::optional<THtmlOpenAction> ChooseHtmlOpen(QWidget* parent, THtmlOpenChoices& choices) {
    TFScegliApriHtml window(choices, parent);
    if (RunDialog(window) != QDialog::Accepted) return std::nullopt;
    return window.Action();
}

}  // namespace shell::ui
