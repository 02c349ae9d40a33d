#include "publish/ui/KyFtpTxRxBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "publish/KyFtpComm.h"
#include "publish/ui/FtpText.h"

namespace publish {

TKyFtpTxRxBar::TKyFtpTxRxBar(QWidget* parent)
    : QWidget(parent),
      gauge_(new QProgressBar(this)),
      label_(new QLabel(this)),
      stop_(new QPushButton(QStringLiteral("Stop! "), this)),
      timer_(new QTimer(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    label_->setTextFormat(Qt::PlainText);
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label_->hide();
    layout->addWidget(gauge_, 1);
    layout->addWidget(label_, 1);
    layout->addWidget(stop_);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &TKyFtpTxRxBar::Tick);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (comm_) comm_->Stop();
    });
    hide();
}

TKyFtpTxRxBar::~TKyFtpTxRxBar() { SetComm(nullptr); }

void TKyFtpTxRxBar::SetComm(TKyFtpComm* comm) {
    if (comm_) {
        comm_->OnBegin = nullptr;
        comm_->OnEnd = nullptr;
    }
    comm_ = comm;
    if (comm_) {
        comm_->OnBegin = [this] { Begin(); };
        comm_->OnEnd = [this] { End(); };
    }
}

QString TKyFtpTxRxBar::StopCaption() const { return stop_->text(); }

void TKyFtpTxRxBar::Begin() {
    stop_->setText(QStringLiteral("Stop! "));
    gauge_->setValue(0);
    gauge_->show();
    label_->clear();
    label_->hide();
    show();
    timer_->start();
}

void TKyFtpTxRxBar::End() {
    timer_->stop();
    hide();
}

void TKyFtpTxRxBar::Tick() {
    QString caption = stop_->text();
    if (caption.size() > 1) stop_->setText(caption.mid(1) + caption.left(1));
    if (!comm_) return;
    long long expected = comm_->ExpectedSize();
    if (expected > 0) {
        long long percent = comm_->Bytes() * 100 / expected;
        gauge_->setValue(static_cast<int>(std::clamp(percent, 0LL, 100LL)));
        label_->hide();
        gauge_->show();
    } else {
        label_->setText(FtpBytesToQString(comm_->StatusText()));
        gauge_->hide();
        label_->show();
    }
}

}  // namespace publish
