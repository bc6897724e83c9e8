#include "ui/key_guard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace zarnik::ui {

namespace {

bool TakesText(const QObject* o) {
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QPlainTextEdit*>(o) ||
           qobject_cast<const QTextEdit*>(o) || qobject_cast<const QAbstractSpinBox*>(o);
}

bool IsCommand(const QKeyEvent& k) {
    return (k.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0;
}

class CommandKeyGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || !TakesText(o)) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (!IsCommand(*k) || k->text().isEmpty()) return false;
        // The same key without its text: the field and its parents see every key as
        // before, but have nothing to type.
        QKeyEvent bare(k->type(), k->key(), k->modifiers(), k->nativeScanCode(), k->nativeVirtualKey(),
                       k->nativeModifiers(), QString(), k->isAutoRepeat(), k->count());
        QCoreApplication::sendEvent(o, &bare);
        k->accept();  // the bare key went to the parents already, if the field left it
        return true;
    }
};

}  // namespace

void InstallCommandKeyGuard() {
    static QPointer<CommandKeyGuard> guard;
    if (guard) return;
    guard = new CommandKeyGuard(qApp);
    qApp->installEventFilter(guard);
}

}  // namespace zarnik::ui
