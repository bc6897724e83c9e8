#include "ui/progress_dialog.h"

#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace zarnik::ui {

// A looping "searching" animation: a magnifier sweeping over a page.
class ProgressDialog::Animation : public QWidget {
public:
    explicit Animation(QWidget* parent) : QWidget(parent) {
        timer_.setInterval(80);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            frame_ = (frame_ + 1) % 24;
            update();
        });
    }
    void Start() { timer_.start(); }
    void Stop() {
        timer_.stop();
        frame_ = 0;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(8, 6, 26, 34, Qt::white);
        p.setPen(Qt::gray);
        p.drawRect(8, 6, 26, 34);
        for (int y = 12; y < 38; y += 5) p.drawLine(12, y, 30, y);
        double t = frame_ / 24.0 * 6.283;
        QPointF c(26 + 8 * std::cos(t), 24 + 8 * std::sin(t));
        p.setPen(QPen(Qt::darkBlue, 2));
        p.drawEllipse(c, 7, 7);
        p.drawLine(c + QPointF(5, 5), c + QPointF(11, 11));
    }

private:
    QTimer timer_;
    int frame_ = 0;
};

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("コメントカウント実行中"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setModal(false);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPointSize(9);
    setFont(f);

    animation_ = new Animation(this);
    animation_->setGeometry(16, 8, 48, 50);
    phaseLabel = new QLabel(QStringLiteral("ファイル数カウント中"), this);
    phaseLabel->setGeometry(80, 30, 104, 16);
    phaseLabel->setAlignment(Qt::AlignCenter);
    auto blue = [](QLabel* l) { l->setStyleSheet(QStringLiteral("color: blue")); };
    fileCountLabel = new QLabel(QStringLiteral("0"), this);
    blue(fileCountLabel);
    fileNumberLabel = new QLabel(QStringLiteral("[000/000]"), this);
    blue(fileNumberLabel);
    stopButton = new QPushButton(QStringLiteral("中断(&C)"), this);
    environmentLabel = new QLabel(this);
    progressBar = new QProgressBar(this);
    // The counters need room for seven-digit counts in the font this platform gives:
    // they start right of the phase message, and the button and the window's width
    // move out as far as that needs (never nearer than their places at 248 and 347).
    const QFontMetrics fm(font());
    // The counter shows in the counting phase, beside "処理中...".
    const int messageRight = 80 + (104 + fm.horizontalAdvance(QStringLiteral("処理中..."))) / 2;
    const int counterX = std::max(154, std::min(messageRight, 80 + 104) + 4);
    const int counterW = fm.horizontalAdvance(QStringLiteral(" [8888888/8888888]")) + 4;
    fileNumberLabel->setGeometry(counterX, 30, counterW, fm.height());
    fileCountLabel->setGeometry(std::max(196, counterX), 30,
                                fm.horizontalAdvance(QStringLiteral("88888888")) + 4, fm.height());
    const int buttonX = std::max({248, counterX + counterW + 4, fileCountLabel->geometry().right() + 5});
    stopButton->setGeometry(buttonX, 24, 85, 25);
    const int w = buttonX + 85 + 14;
    setFixedSize(w, 106);
    environmentLabel->setGeometry(14, 62, w - 28, 14);
    progressBar->setGeometry(14, 78, w - 28, 15);
    progressBar->setRange(0, 1000);
    progressBar->setTextVisible(false);
    connect(stopButton, &QPushButton::clicked, this, &ProgressDialog::OnStopClicked);
}

void ProgressDialog::OnStopClicked() {
    cancelRequested_ = true;
    hide();
}

void ProgressDialog::showEvent(QShowEvent* e) {
    if (QScreen* s = screen()) move(s->geometry().center() - rect().center());
    environmentLabel->clear();
    animation_->Start();
    QDialog::showEvent(e);
}

void ProgressDialog::hideEvent(QHideEvent* e) {
    animation_->Stop();
    QDialog::hideEvent(e);
}

}  // namespace zarnik::ui
