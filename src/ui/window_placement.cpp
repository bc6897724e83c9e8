#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>

namespace zarnik::ui {

namespace {

Qt::ToolBarArea AreaFromName(const std::string& name) {
    if (name == "BottomDock") return Qt::BottomToolBarArea;
    if (name == "LeftDock") return Qt::LeftToolBarArea;
    if (name == "RightDock") return Qt::RightToolBarArea;
    return Qt::TopToolBarArea;
}

const char* NameFromArea(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::BottomToolBarArea:
            return "BottomDock";
        case Qt::LeftToolBarArea:
            return "LeftDock";
        case Qt::RightToolBarArea:
            return "RightDock";
        default:
            return "TopDock";
    }
}

bool Normal(const QWidget& w) {
    return !(w.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

// The available area of the screen that holds most of rect; the primary screen's
// when rect lies on none.
QRect AvailableAround(const QRect& rect) {
    QScreen* best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry() & rect;
        const qint64 area = qint64{common.width()} * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best ? best->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Where rect's top-left goes so that rect lies inside area; a rect larger than the
// area keeps its top-left corner (its title bar and close box) inside.
QPoint PulledInto(const QRect& rect, const QRect& area) {
    const int x = std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width()));
    const int y = std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height()));
    return {x, y};
}

}  // namespace

WindowPlacement::WindowPlacement(AppState& state, QMainWindow& window, QToolBar& toolBar, QSplitter& panes)
    : QObject(&window), state_(state), window_(window), toolBar_(toolBar), panes_(panes) {
    window_.installEventFilter(this);
    // Only the floating toolbar's close box clears the switch: dragging the toolbar
    // off its dock hides and shows it again, which says nothing about the user's wish.
    toolBar_.installEventFilter(this);
    connect(&framePoll_, &QTimer::timeout, this, [this] {
        const bool framed = toolBar_.frameGeometry().top() < toolBar_.geometry().top();
        if (!toolBar_.isFloating() || !toolBar_.isVisible() || framed || ++framePolls_ >= 100) {
            framePoll_.stop();
            if (framed) KeepToolBarOnScreen();
        }
    });
}

void WindowPlacement::ApplyStart() {
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                    : QRect(0, 0, 1024, 768);
    settings::Rect r = state_.Place.MainPlacement.Bounds;
    std::int32_t pane = state_.Place.MainPlacement.TargetPaneHeight;
    settings::FitToScreen(screen.width(), screen.height(), r, &pane);
    state_.Place.MainPlacement.Bounds = r;
    state_.Place.MainPlacement.TargetPaneHeight = pane;
    window_.setGeometry(screen.x() + r.Left, screen.y() + r.Top, r.Width, r.Height);
    normalBounds_ = QRect(r.Left, r.Top, r.Width, r.Height);
    // The splitter learns its height only when the window is first laid out; sizes
    // given before that are scaled to it, which turned 120 into 210 and 166 into 518.
    startPaneHeight_ = pane;

    if (!state_.ToolBar) return;
    const settings::ToolBarRecord& t = *state_.ToolBar;
    if (t.DockedTo == "+") {
        toolBar_.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        GiveFloatingToolBarACloseBox();
        toolBar_.move(t.FloatLeft, t.FloatTop);
        KeepToolBarOnScreen();
    } else {
        window_.removeToolBar(&toolBar_);
        window_.addToolBar(AreaFromName(t.DockedTo), &toolBar_);
    }
    toolBar_.setVisible(t.Visible != 0);
}

void WindowPlacement::ApplyMaximized() {
    if (state_.Place.MainPlacement.Maximized != 0)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

// Once, when the window is first shown and its panes have their height: the upper
// pane gets the stored height, cut only where the result pane needs its own minimum.
void WindowPlacement::ApplyPaneHeight() {
    if (startPaneHeight_ < 0) return;
    const int pane = startPaneHeight_;
    startPaneHeight_ = -1;
    panes_.setSizes({pane, std::max(1, panes_.height() - panes_.handleWidth() - pane)});
}

settings::WindowState WindowPlacement::Capture() const {
    settings::WindowState w;
    w.Maximized = window_.isMaximized();
    QRect g = window_.geometry();
    QRect screen =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
    w.Bounds = {g.x() - screen.x(), g.y() - screen.y(), g.width(), g.height()};
    w.PaneHeight = startPaneHeight_ >= 0 ? startPaneHeight_ : panes_.sizes().value(0);
    w.ToolBar = CaptureToolBar();
    return w;
}

settings::ToolBarRecord WindowPlacement::CaptureToolBar() const {
    settings::ToolBarRecord r;
    r.Visible = state_.Cnf.ShowToolBar != 0 ? 1 : 0;
    if (toolBar_.isFloating()) {
        r.DockedTo = "+";
        r.FloatLeft = toolBar_.x();
        r.FloatTop = toolBar_.y();
    } else {
        r.DockedTo = NameFromArea(window_.toolBarArea(&toolBar_));
        r.DockPos = toolBar_.x();
    }
    return r;
}

// The floating toolbar is a small window of its own with the caption "Zarnik ﾂｰﾙﾊﾞｰ"
// and a close box; while it is being dragged the toolbar keeps its own frameless flags.
// The frame is asked of the window system on the window as it stands: hiding and showing
// it again, just after the toolbar itself did so at the drag's end, races the window
// manager, which could leave the toolbar unmapped while it counts as shown.
void WindowPlacement::GiveFloatingToolBarACloseBox() {
    if (!toolBar_.isFloating() || (toolBar_.windowFlags() & Qt::WindowCloseButtonHint)) return;
    const Qt::WindowFlags framed =
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (QWindow* handle = toolBar_.windowHandle()) {
        toolBar_.overrideWindowFlags(framed);
        handle->setFlags(framed);
        return;
    }
    bool shown = toolBar_.isVisible();
    QPoint at = toolBar_.pos();
    toolBar_.setWindowFlags(framed);
    toolBar_.move(at);
    if (shown) toolBar_.show();
}

// A floating toolbar stored where no screen is now (a screen since removed, a
// hand-edited INI file) would stay out of reach while ﾂｰﾙﾊﾞｰ is ticked; it is pulled
// back whenever it is placed or shown.
void WindowPlacement::KeepToolBarOnScreen() {
    if (!toolBar_.isFloating()) return;
    const QRect frame = toolBar_.frameGeometry();
    const QPoint at = PulledInto(frame, AvailableAround(frame));
    if (at != frame.topLeft()) toolBar_.move(at);
}

// The stored size is the window's inside; with the window manager's frame around it
// a window as large as the screen put its title bar above the screen's top edge. Once
// the frame is known (the first expose), the whole frame is fitted to the screen.
void WindowPlacement::KeepFrameOnScreen() {
    if (!Normal(window_)) return;
    const QRect frame = window_.frameGeometry();
    const QRect inside = window_.geometry();
    const QRect area = AvailableAround(frame);
    const QSize frameExtra = frame.size() - inside.size();
    const QSize size = inside.size().boundedTo(area.size() - frameExtra).expandedTo(window_.minimumSize());
    const QPoint at = PulledInto(QRect(frame.topLeft(), size + frameExtra), area);
    if (size != inside.size() || at != frame.topLeft())
        window_.setGeometry(QRect(at + (inside.topLeft() - frame.topLeft()), size));
}

// The window manager frames a newly shown window a moment after it is shown, and a
// pull made before that fits only the inside: the title bar and borders added then
// can leave the frame partly off the screen (a toolbar stored at the screen's
// corner). So the pull is made again once the frame is known, for up to 5 s.
void WindowPlacement::PullToolBarOnceFramed() {
    framePolls_ = 0;
    if (!framePoll_.isActive()) framePoll_.start(50);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* e) {
    if (watched == &toolBar_) {
        if (e->type() == QEvent::MouseButtonPress) framePoll_.stop();  // the user moves it now
        if (e->type() == QEvent::Close && toolBar_.isFloating()) {
            emit ToolBarClosed();
        } else if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::Show) {
            // A drag ends with the button's release; give the window its frame after it.
            const bool shown = e->type() == QEvent::Show;
            QTimer::singleShot(0, this, [this, shown] {
                GiveFloatingToolBarACloseBox();
                if (shown) {
                    KeepToolBarOnScreen();
                    PullToolBarOnceFramed();
                }
            });
        }
    } else if (watched == window_.windowHandle()) {
        if (e->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
            window_.windowHandle()->removeEventFilter(this);
            KeepFrameOnScreen();
            // A floating toolbar restored at the start was shown before the window and
            // so lay hidden under it; it goes on top, whole on the screen.
            if (toolBar_.isFloating() && toolBar_.isVisible()) {
                KeepToolBarOnScreen();
                toolBar_.raise();
            }
        }
    } else if (watched == &window_) {
        // The bounds a maximized window returns to are the ones the next start uses.
        switch (e->type()) {
            case QEvent::Show:
                if (startPaneHeight_ >= 0 && window_.windowHandle())
                    window_.windowHandle()->installEventFilter(this);
                ApplyPaneHeight();
                break;
            case QEvent::WindowStateChange: {
                auto* sc = static_cast<QWindowStateChangeEvent*>(e);
                bool wasMax = sc->oldState() & Qt::WindowMaximized;
                bool isMax = window_.windowState() & Qt::WindowMaximized;
                auto& mp = state_.Place.MainPlacement;
                if (!wasMax && isMax) {
                    mp.Bounds = {normalBounds_.x(), normalBounds_.y(), normalBounds_.width(),
                                 normalBounds_.height()};
                    mp.Maximized = 1;
                } else if (wasMax && !isMax) {
                    mp.Maximized = 0;
                }
                break;
            }
            case QEvent::Move:
                if (Normal(window_)) normalBounds_.moveTopLeft(window_.geometry().topLeft());
                break;
            case QEvent::Resize:
                if (Normal(window_)) normalBounds_ = window_.geometry();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace zarnik::ui
