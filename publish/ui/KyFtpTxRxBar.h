// Progress of an FTP operation: a gauge (or the status text when the size is
// unknown) and a "Stop! " button whose caption turns while the operation runs.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace publish {

class TKyFtpComm;

class TKyFtpTxRxBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 150;

    explicit TKyFtpTxRxBar(QWidget* parent = nullptr);
    ~TKyFtpTxRxBar() override;

    // Shows itself while an operation of `comm` runs (takes over its OnBegin
    // and OnEnd events); nullptr detaches.
    void SetComm(TKyFtpComm* comm);
    TKyFtpComm* Comm() const { return comm_; }

    QString StopCaption() const;
    QProgressBar* Gauge() const { return gauge_; }
    QLabel* StatusLabel() const { return label_; }
    QPushButton* StopButton() const { return stop_; }

public slots:
    // One turn of the caption and a refresh of the gauge or the label.
    void Tick();

private:
    void Begin();
    void End();

    TKyFtpComm* comm_ = nullptr;
    QProgressBar* gauge_;
    QLabel* label_;
    QPushButton* stop_;
    QTimer* timer_;
};

}  // namespace publish
