// SplashScreen: the splash window, and the version box that can bring it back.
#pragma once

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <functional>

namespace zarnik::ui {

class SplashScreen : public QDialog {
    Q_OBJECT
public:
    // mode 0: start-up (clicks do nothing); mode 1: opened from the version box
    // (a click on the picture or a label fades it out and closes it).
    explicit SplashScreen(int mode, QWidget* parent = nullptr);

    // Shows the splash and lets the window system put it on the screen before the
    // caller goes on with the heavy start-up work.
    void ShowAndWaitUntilOnScreen();
    // Raises every colour component by 10 in 26 steps, 10 ms apart, until white;
    // each step reaches the screen before the next.
    void FadeOut();
    // Called after each fade step has been painted and flushed (tests look at the screen).
    std::function<void(int step)> OnFadeStep;
    int FadeSteps() const { return fadeSteps_; }
    const QImage& Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    int mode_;
    int fadeSteps_ = 0;
    QImage frame_;
    bool fading_ = false;
    QList<QLabel*> labels_;
};

// The splash picture, 230 x 70.
QImage SplashPicture();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    QLabel* VersionLabel;
    QLabel* HolderLabel;
    QLabel* PlatformLabel;
    QLabel* IconLabel;
    QLabel* BannerLabel;
    void ShowSplash();  // double-click on the icon

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

// The home-page banner of the version box, 88 x 31.
QPixmap BannerPicture();

}  // namespace zarnik::ui
