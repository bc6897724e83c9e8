#include "ui/splash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QWindow>

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
QLabel* EmbossedLabel(QWidget* parent, const QString& text, const QColor& colour, const QFont& font,
                      QPoint at) {
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

// The pictures' lettering: white, left-aligned in box.
void WhiteText(QPainter& p, const QRect& box, int pixels, bool bold, const QString& text) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}
}  // namespace

// The title sits on a dark band; the labels below it sit on a light ground, so the
// navy and black labels stay readable.
QImage SplashPicture() {
    QImage img(230, 70, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 230, 0);
    g.setColorAt(0, QColor(40, 70, 140));
    g.setColorAt(1, QColor(110, 150, 215));
    p.fillRect(QRect(0, 0, 230, 38), g);
    p.fillRect(QRect(0, 38, 230, 32), QColor(236, 242, 252));
    p.fillRect(QRect(0, 38, 230, 2), QColor(217, 69, 43));
    WhiteText(p, QRect(12, 4, 210, 36), 28, true, QStringLiteral("Zarnik"));
    return img;
}

SplashScreen::SplashScreen(int mode, QWidget* parent)
    : QDialog(parent), mode_(mode), frame_(SplashPicture()) {
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
    // The holder line starts at 97 unless it would run past the window's edge.
    const QString holderText = ToQ(text::VersionText(3));
    int holderX = std::min(97, width() - 3 - QFontMetrics(small).horizontalAdvance(holderText));
    QLabel* holder = EmbossedLabel(this, holderText, Qt::black, small, {std::max(2, holderX), 54});
    labels_ = {platform, version, holder};
    if (mode_ == 1)
        for (QLabel* l : labels_) {
            l->setCursor(Qt::PointingHandCursor);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    if (mode_ == 1) setCursor(Qt::PointingHandCursor);
    Centre(this);
}

void SplashScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, frame_);
}

void SplashScreen::mousePressEvent(QMouseEvent*) {
    if (mode_ != 1 || fading_) return;
    FadeOut();
    accept();
}

void SplashScreen::ShowAndWaitUntilOnScreen() {
    show();
    raise();
    // The window manager maps the window some time after show(); paint once it is.
    // Input waits meanwhile: the program is not ready for it.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if ((windowHandle() && windowHandle()->isExposed()) || clock.elapsed() >= 3000) loop.quit();
    });
    poll.start(20);
    if (!(windowHandle() && windowHandle()->isExposed())) loop.exec(QEventLoop::ExcludeUserInputEvents);
    poll.stop();
    repaint();
    // repaint() only queues the picture for the display server; the loop sends it.
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::FadeOut() {
    fading_ = true;
    for (QLabel* l : findChildren<QLabel*>()) l->hide();  // painted over by the first frame
    frame_ = frame_.convertToFormat(QImage::Format_RGB888);
    // A step every 10 ms; the loop between a step's painting and its OnFadeStep sends
    // the picture to the display server, so every step is seen.
    QEventLoop loop;
    QTimer step;
    step.setSingleShot(true);
    fadeSteps_ = 0;
    connect(&step, &QTimer::timeout, &loop, [&] {
        for (int y = 0; y < frame_.height(); ++y) {
            uchar* row = frame_.scanLine(y);
            for (int x = 0; x < frame_.width() * 3; ++x)
                row[x] = static_cast<uchar>(std::min(255, row[x] + 10));
        }
        repaint();
        QTimer::singleShot(0, &loop, [&] {
            ++fadeSteps_;
            if (OnFadeStep) OnFadeStep(fadeSteps_);
            if (fadeSteps_ < 26)
                step.start(10);
            else
                loop.quit();
        });
    });
    step.start(0);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(261, 214);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 245, 162);
    IconLabel = new QLabel(panel);
    IconLabel->setPixmap(QPixmap(QStringLiteral(":/zarnik/icons/zarnik-32.png")));
    IconLabel->setGeometry(16, 12, 32, 32);
    IconLabel->setCursor(Qt::PointingHandCursor);
    IconLabel->installEventFilter(this);
    auto* logo = new QLabel(panel);
    logo->setPixmap(QPixmap::fromImage(SplashPicture().copy(0, 4, 162, 32)));
    logo->move(60, 14);
    // 12 pixels, as on the splash: in the dialog font the text would run under the version.
    QFont small(QStringLiteral("ＭＳ Ｐゴシック"));
    small.setPixelSize(12);
    PlatformLabel = new QLabel(QStringLiteral("for Windows95/98/NT4.0"), panel);
    PlatformLabel->setFont(small);
    PlatformLabel->setStyleSheet(QStringLiteral("color: navy"));
    PlatformLabel->move(20, 56);
    QFont vf(QStringLiteral("Times New Roman"));
    vf.setPixelSize(15);
    vf.setBold(true);
    // The version starts at 160, or right of the platform text when that is wider here.
    const int versionX = std::max(160, 20 + QFontMetrics(small).horizontalAdvance(PlatformLabel->text()) + 6);
    VersionLabel = EmbossedLabel(panel, ToQ(text::VersionText(2)), Qt::darkGreen, vf, {versionX, 52});
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
    BannerLabel = new QLabel(panel);
    BannerLabel->setPixmap(BannerPicture());
    BannerLabel->setGeometry(8, 122, 88, 31);
    BannerLabel->setToolTip(QString::fromLatin1(kHome));
    BannerLabel->setCursor(Qt::PointingHandCursor);
    BannerLabel->setProperty("url", QString::fromLatin1(kHome));
    BannerLabel->installEventFilter(this);
    HolderLabel = new QLabel(ToQ(text::VersionText(3)), panel);
    HolderLabel->setFont(small);
    // At 109 unless the line would run out of the panel; never over the banner: a
    // long holder line takes a smaller font rather than lose its end.
    QFont holderFont = small;
    const int room = panel->width() - 6 - 100;
    while (holderFont.pixelSize() > 9 &&
           QFontMetrics(holderFont).horizontalAdvance(HolderLabel->text()) > room)
        holderFont.setPixelSize(holderFont.pixelSize() - 1);
    HolderLabel->setFont(holderFont);
    const int holderW = QFontMetrics(holderFont).horizontalAdvance(HolderLabel->text());
    HolderLabel->move(std::max(100, std::min(109, panel->width() - 6 - holderW)), 138);
    HolderLabel->setCursor(Qt::PointingHandCursor);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(93, 178, 75, 25);
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    Centre(this);
}

void AboutBox::ShowSplash() {
    SplashScreen splash(1, this);
    splash.exec();
}

bool AboutBox::eventFilter(QObject* o, QEvent* e) {
    if (o == IconLabel && e->type() == QEvent::MouseButtonDblClick) {
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

QPixmap BannerPicture() {
    QPixmap pm(88, 31);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 31);
    g.setColorAt(0, QColor(60, 95, 170));
    g.setColorAt(1, QColor(30, 50, 110));
    p.fillRect(pm.rect(), g);
    p.setPen(QColor(217, 69, 43));
    p.drawRect(0, 0, 87, 30);
    p.drawPixmap(4, 4, QPixmap(QStringLiteral(":/zarnik/icons/zarnik-24.png")));
    WhiteText(p, QRect(30, 2, 56, 15), 12, true, QStringLiteral("Zarnik"));
    WhiteText(p, QRect(30, 15, 56, 13), 9, false, QStringLiteral("Home page"));
    return pm;
}

void ShowAboutBox(QWidget* parent) {
    AboutBox box(parent);
    box.exec();
}

}  // namespace zarnik::ui
