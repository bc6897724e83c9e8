// Where the main window and its toolbar sit: the bounds and pane height it starts
// with, the normal bounds it keeps while maximized, and what a save records of
// both.
#pragma once

#include <QMainWindow>
#include <QObject>
#include <QRect>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>

#include "ui/app_state.h"

namespace zarnik::ui {

class WindowPlacement : public QObject {
    Q_OBJECT
public:
    // panes: the splitter between the upper panes and the result pane.
    WindowPlacement(AppState& state, QMainWindow& window, QToolBar& toolBar, QSplitter& panes);

    // The stored bounds and pane height, pulled onto the screen, and the toolbar's
    // dock or floating place.
    void ApplyStart();
    // Maximizes the window if it was maximized when it was saved; last, once the
    // window has its parts.
    void ApplyMaximized();
    // The window's bounds, pane height and toolbar place; the caller adds the
    // panes' text.
    settings::WindowState Capture() const;

signals:
    // The floating toolbar's close box was clicked.
    void ToolBarClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void GiveFloatingToolBarACloseBox();
    settings::ToolBarRecord CaptureToolBar() const;
    void ApplyPaneHeight();
    void KeepToolBarOnScreen();
    void PullToolBarOnceFramed();
    void KeepFrameOnScreen();

    AppState& state_;
    QMainWindow& window_;
    QToolBar& toolBar_;
    QSplitter& panes_;
    QRect normalBounds_;
    // Polls, after a floating toolbar is shown, for the window manager's frame: only
    // with it known can the whole frame be pulled onto the screen.
    QTimer framePoll_;
    int framePolls_ = 0;
    int startPaneHeight_ = -1;  // until the window is first shown
};

}  // namespace zarnik::ui
