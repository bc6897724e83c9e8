#include "ui/help_viewer.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>
#include <algorithm>

namespace zarnik::ui {

namespace {
// The help file's text; a missing file shows an empty page, as the viewer would.
QString ReadHelp(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The part of the help file between the anchor of a topic and the next topic.
QString TopicSection(const QString& html, int topic) {
    QString anchor = QStringLiteral("<a name=\"topic%1\"").arg(topic);
    qsizetype start = html.indexOf(anchor);
    if (start < 0) return {};
    qsizetype end = html.indexOf(QStringLiteral("<a name=\"topic"), start + anchor.size());
    return html.mid(start, end < 0 ? -1 : end - start);
}
}  // namespace

// A help pop-up never grabs the keyboard or the mouse: a grab held by a window that
// the window manager does not see would leave every window of the program deaf. It
// watches the program's input instead and closes on Escape or on any click.
class HelpPopup : public QTextBrowser {
public:
    HelpPopup(QWidget* owner) : QTextBrowser(owner), owner_(owner) {
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        setStyleSheet(QStringLiteral("QTextBrowser { background: #ffffe1; border: 1px solid black }"));
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        switch (e->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape) break;
                close();
                return true;  // Escape closes the pop-up, not the dialog beneath it
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick: {
                auto* w = qobject_cast<QWidget*>(o);
                bool inside = w && (w == this || isAncestorOf(w));
                close();
                return inside;  // a click outside still reaches what was clicked
            }
            case QEvent::Hide:
            case QEvent::Close:
                if (o == owner_) close();
                break;
            default:
                break;
        }
        return QTextBrowser::eventFilter(o, e);
    }

private:
    QWidget* owner_;
};

namespace {

// The help window: Escape closes it, as it closes a dialog.
class HelpWindow : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
            close();
            return;
        }
        QTextBrowser::keyPressEvent(e);
    }
};

constexpr QSize kHelpSize(560, 480);
// Narrower or lower, the help is better over the asker than beside it.
constexpr int kNarrowest = 320;
constexpr int kLowest = 240;

// Moves the unshown window w beside asker; both are measured with the asker's frame.
void PlaceBeside(QWidget& w, const QWidget& asker) {
    const QRect outer = asker.frameGeometry(), inner = asker.geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QScreen* screen = asker.screen();
    if (!screen) return;
    const QRect r = BesideRect(outer, w.size().grownBy(frame), screen->availableGeometry());
    w.resize(r.size().shrunkBy(frame));
    w.move(r.topLeft());  // a window's position is its frame's
}

}  // namespace

QRect BesideRect(const QRect& asker, QSize size, const QRect& area) {
    size = size.boundedTo(area.size());
    const int w = size.width(), h = size.height();
    const int right = area.right() - asker.right(), left = asker.left() - area.left();
    const int below = area.bottom() - asker.bottom(), above = asker.top() - area.top();
    // Beside, the tops line up; above or below, the left edges do; both within the area.
    const int besideY = std::clamp(asker.top(), area.top(), area.bottom() + 1 - h);
    const int overX = std::clamp(asker.left(), area.left(), area.right() + 1 - w);
    const int sideways = std::max(right, left), upDown = std::max(below, above);
    if (right >= w) return {QPoint(asker.right() + 1, besideY), size};
    if (left >= w) return {QPoint(asker.left() - w, besideY), size};
    if (below >= h) return {QPoint(overX, asker.bottom() + 1), size};
    if (above >= h) return {QPoint(overX, asker.top() - h), size};
    // Narrowed or lowered into the room that shows more of it.
    const bool sidewaysFits = sideways >= kNarrowest, upDownFits = upDown >= kLowest;
    if (sidewaysFits && (!upDownFits || sideways * h >= w * upDown)) {
        const QPoint at(right >= left ? asker.right() + 1 : area.left(), besideY);
        return {at, QSize(sideways, h)};
    }
    if (upDownFits) {
        const QPoint at(overX, below >= above ? asker.bottom() + 1 : area.top());
        return {at, QSize(w, upDown)};
    }
    // No room anywhere: over the asker, on its side with the most room.
    return {QPoint(right >= left ? area.right() + 1 - w : area.left(), besideY), size};
}

HelpViewer& HelpViewer::Instance() {
    static HelpViewer viewer;
    return viewer;
}

QTextBrowser* HelpViewer::OpenWindow() {
    // A modal dialog blocks every window but its own children, so while one is
    // open the help window belongs to it (and closes with it).
    QWidget* modal = QApplication::activeModalWidget();
    if (window_ && window_->parentWidget() != modal) {
        window_->close();  // deletes itself later
        window_ = nullptr;
    }
    if (!window_) {
        window_ = new HelpWindow(modal);
        window_->setWindowFlags(Qt::Window);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowTitle(QStringLiteral("Zarnik ﾍﾙﾌﾟ"));
        window_->resize(kHelpSize);
        window_->setHtml(ReadHelp(helpFile_));
        if (QWidget* asker = modal ? modal : QApplication::activeWindow()) PlaceBeside(*window_, *asker);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

void HelpViewer::ShowContents() {
    last_ = QStringLiteral("contents");
    OpenWindow()->scrollToAnchor(QStringLiteral("contents"));
}

void HelpViewer::ShowTopic(int topic) {
    last_ = QStringLiteral("topic %1").arg(topic);
    OpenWindow()->scrollToAnchor(QStringLiteral("topic%1").arg(topic));
}

void HelpViewer::ShowPopup(int topic, QWidget* over) {
    last_ = QStringLiteral("popup %1").arg(topic);
    if (popup_) popup_->close();
    auto* popup = new HelpPopup(over);
    popup->setHtml(TopicSection(ReadHelp(helpFile_), topic));
    popup->resize(320, 160);
    if (over) popup->move(over->mapToGlobal(QPoint(20, 20)));
    popup->show();
    popup_ = popup;
}

void HelpViewer::QuitHelp() {
    last_ = QStringLiteral("quit");
    if (popup_) popup_->close();
    if (window_) window_->close();
}

}  // namespace zarnik::ui
