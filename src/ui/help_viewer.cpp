#include "ui/help_viewer.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QUrl>

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
            default: break;
        }
        return QTextBrowser::eventFilter(o, e);
    }

private:
    QWidget* owner_;
};

HelpViewer& HelpViewer::Instance() {
    static HelpViewer viewer;
    return viewer;
}

QTextBrowser* HelpViewer::Window() {
    // A modal dialog blocks every window but its own children, so while one is
    // open the help window belongs to it (and closes with it).
    QWidget* modal = QApplication::activeModalWidget();
    if (window_ && window_->parentWidget() != modal) {
        window_->close();  // deletes itself later
        window_ = nullptr;
    }
    if (!window_) {
        window_ = new QTextBrowser(modal);
        window_->setWindowFlags(Qt::Window);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowTitle(QStringLiteral("Zarnik ﾍﾙﾌﾟ"));
        window_->resize(560, 480);
        window_->setHtml(ReadHelp(helpFile_));
    }
    return window_;
}

void HelpViewer::ShowContents() {
    last_ = QStringLiteral("contents");
    QTextBrowser* w = Window();
    w->scrollToAnchor(QStringLiteral("contents"));
    w->show();
    w->raise();
}

void HelpViewer::ShowTopic(int topic) {
    last_ = QStringLiteral("topic %1").arg(topic);
    QTextBrowser* w = Window();
    w->show();
    w->raise();
    w->scrollToAnchor(QStringLiteral("topic%1").arg(topic));
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
