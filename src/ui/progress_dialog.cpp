#include "ui/progress_dialog.h"

#include <QPainter>
#include <QScreen>

namespace zarnik::ui {

// A looping "searching" animation: a magnifier sweeping over a page.
class Form_Syori::Animation : public QWidget {
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

Form_Syori::Form_Syori(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("コメントカウント実行中"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setModal(false);
    setFixedSize(347, 106);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPointSize(9);
    setFont(f);

    Animate1 = new Animation(this);
    Animate1->setGeometry(16, 8, 48, 50);
    Label_MSG1 = new QLabel(QStringLiteral("ファイル数カウント中"), this);
    Label_MSG1->setGeometry(80, 30, 104, 16);
    Label_MSG1->setAlignment(Qt::AlignCenter);
    auto blue = [](QLabel* l) { l->setStyleSheet(QStringLiteral("color: blue")); };
    Label_fcnt = new QLabel(QStringLiteral("0"), this);
    Label_fcnt->move(196, 30);
    Label_fcnt->setMinimumWidth(48);
    blue(Label_fcnt);
    Label_fing = new QLabel(QStringLiteral("[000/000]"), this);
    Label_fing->move(154, 30);
    Label_fing->setMinimumWidth(92);
    blue(Label_fing);
    Button_Cyudan = new QPushButton(QStringLiteral("中断(&C)"), this);
    Button_Cyudan->setGeometry(248, 24, 85, 25);
    Label_Srcname = new QLabel(this);
    Label_Srcname->setGeometry(14, 62, 319, 14);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(14, 78, 319, 15);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setTextVisible(false);
    connect(Button_Cyudan, &QPushButton::clicked, this, &Form_Syori::Button_CyudanClick);
}

void Form_Syori::SetAndRepaint(QLabel* label, const QString& text) {
    label->setText(text);
    if (label->isVisible()) label->repaint();
}

void Form_Syori::Button_CyudanClick() {
    cancelRequested_ = true;
    hide();
}

void Form_Syori::showEvent(QShowEvent* e) {
    if (QScreen* s = screen()) move(s->geometry().center() - rect().center());
    Label_Srcname->clear();
    Animate1->Start();
    QDialog::showEvent(e);
}

void Form_Syori::hideEvent(QHideEvent* e) {
    Animate1->Stop();
    QDialog::hideEvent(e);
}

}  // namespace zarnik::ui
