#include "ui/splash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QUrl>

#include "text/version.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {
const char* const kMail = "zarnik@example.org";
const char* const kHome = "https://zarnik.example.org/";

void Centre(QWidget* w) {
    if (QScreen* s = QGuiApplication::primaryScreen()) w->move(s->geometry().center() - w->rect().center());
}

// A label with a white copy one pixel up and left.
QLabel* EmbossedLabel(QWidget* parent, const QString& text, const QColor& colour, const QFont& font, QPoint at) {
    auto* shadow = new QLabel(text, parent);
    shadow->setFont(font);
    shadow->setStyleSheet(QStringLiteral("color: white; background: transparent"));
    shadow->move(at - QPoint(1, 1));
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent").arg(colour.name()));
    label->move(at);
    return label;
}
}  // namespace

QImage SplashPicture() {
    QImage img(230, 70, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 230, 70);
    g.setColorAt(0, QColor(40, 70, 140));
    g.setColorAt(1, QColor(170, 200, 240));
    p.fillRect(img.rect(), g);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(28);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(12, 4, 210, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zarnik"));
    return img;
}

F_Sp::F_Sp(int mode, QWidget* parent) : QDialog(parent), mode_(mode), frame_(SplashPicture()) {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(230, 70);
    QFont small(QStringLiteral("ＭＳ Ｐゴシック"));
    small.setPixelSize(12);
    auto* platform = new QLabel(QStringLiteral("for Windows95/98/NT"), this);
    platform->setFont(small);
    platform->setStyleSheet(QStringLiteral("color: navy; background: transparent"));
    platform->move(24, 40);
    QFont bold = small;
    bold.setBold(true);
    QLabel* version = EmbossedLabel(this, ToQ(text::VersionText(2)), Qt::darkGreen, bold, {156, 40});
    QLabel* holder = EmbossedLabel(this, ToQ(text::VersionText(3)), Qt::black, small, {97, 54});
    labels_ = {platform, version, holder};
    if (mode_ == 1)
        for (QLabel* l : labels_) {
            l->setCursor(Qt::PointingHandCursor);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    if (mode_ == 1) setCursor(Qt::PointingHandCursor);
    Centre(this);
}

void F_Sp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, frame_);
}

void F_Sp::mousePressEvent(QMouseEvent*) {
    if (mode_ != 1 || fading_) return;
    FadeOut();
    accept();
}

void F_Sp::FadeOut() {
    fading_ = true;
    for (QLabel* l : findChildren<QLabel*>()) l->hide();  // painted over by the first frame
    frame_ = frame_.convertToFormat(QImage::Format_RGB888);
    for (fadeSteps_ = 0; fadeSteps_ < 26; ++fadeSteps_) {
        for (int y = 0; y < frame_.height(); ++y) {
            uchar* row = frame_.scanLine(y);
            for (int x = 0; x < frame_.width() * 3; ++x) row[x] = static_cast<uchar>(std::min(255, row[x] + 10));
        }
        repaint();
        QThread::msleep(10);
    }
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(261, 214);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 245, 162);
    icon_ = new QLabel(panel);
    icon_->setPixmap(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    icon_->setGeometry(16, 12, 32, 32);
    icon_->setCursor(Qt::PointingHandCursor);
    icon_->installEventFilter(this);
    auto* logo = new QLabel(panel);
    logo->setPixmap(QPixmap::fromImage(SplashPicture().copy(0, 4, 162, 32)));
    logo->move(60, 14);
    auto* platform = new QLabel(QStringLiteral("for Windows95/98/NT4.0"), panel);
    platform->setStyleSheet(QStringLiteral("color: navy"));
    platform->move(20, 56);
    QFont vf(QStringLiteral("Times New Roman"));
    vf.setPixelSize(15);
    vf.setBold(true);
    VersionLabel = EmbossedLabel(panel, ToQ(text::VersionText(2)), Qt::darkGreen, vf, {160, 52});
    VersionLabel->setCursor(Qt::PointingHandCursor);
    auto link = [&](const QString& text, const QString& url, QPoint at, const QString& hover) {
        auto* l = new QLabel(text, panel);
        l->move(at);
        l->setCursor(Qt::PointingHandCursor);
        l->setStyleSheet(QStringLiteral("QLabel { color: blue } QLabel:hover { color: %1 }").arg(hover));
        l->setProperty("url", url);
        l->installEventFilter(this);
        return l;
    };
    link(QString::fromLatin1(kMail), QStringLiteral("mailto:") + QString::fromLatin1(kMail), {36, 80},
         QStringLiteral("aqua"));
    link(QString::fromLatin1(kHome), QString::fromLatin1(kHome), {36, 100}, QStringLiteral("lime"));
    HolderLabel = new QLabel(ToQ(text::VersionText(3)), panel);
    HolderLabel->move(8, 138);
    HolderLabel->setCursor(Qt::PointingHandCursor);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(93, 178, 75, 25);
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    Centre(this);
}

void AboutBox::ShowSplash() {
    F_Sp splash(1, this);
    splash.exec();
}

bool AboutBox::eventFilter(QObject* o, QEvent* e) {
    if (o == icon_ && e->type() == QEvent::MouseButtonDblClick) {
        ShowSplash();
        return true;
    }
    if (e->type() == QEvent::MouseButtonRelease && o->property("url").isValid()) {
        // A failure to open the address is silent.
        QDesktopServices::openUrl(QUrl(o->property("url").toString()));
        return true;
    }
    return QDialog::eventFilter(o, e);
}

void ShowAboutBox(QWidget* parent) {
    AboutBox box(parent);
    box.exec();
}

}  // namespace zarnik::ui
