// The main window's upper part below the tabs: the target list under its caption,
// and the memo pane beside it, open or closed to a narrow strip.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVariantAnimation>

namespace zarnik::ui {

class TargetPane : public QSplitter {
    Q_OBJECT
public:
    explicit TargetPane(QWidget* parent = nullptr);

    QLabel* Caption() const { return caption_; }
    QPlainTextEdit* List() const { return list_; }
    QPlainTextEdit* Memo() const { return memo_; }

    bool MemoOpen() const { return memoOpen_; }
    int MemoWidth() const { return memoPane_->width(); }
    // Opens the memo pane to width; animated, it widens by 10 pixels every 10 ms.
    void OpenMemo(int width, bool animate);
    // Closes it to a strip of 20 pixels that holds only its open button.
    void CloseMemo();

    // The pane that takes paths dropped on widget (or on a child of it), or null:
    // the memo only while it is open and may be edited.
    QPlainTextEdit* DropPaneAt(QWidget* widget) const;
    // While a count runs the target list is its input and cannot be edited.
    void SetRunning(bool on) { list_->setReadOnly(on); }

signals:
    void MemoOpenClicked();
    void MemoCloseClicked();
    // The user dragged the grip of the open memo pane to this width.
    void MemoWidthDragged(int width);

private:
    void FinishOpening(int width);

    QLabel* caption_;
    QPlainTextEdit* list_;
    QPlainTextEdit* memo_;
    QWidget* memoPane_;
    QWidget* memoOpenPart_;
    QToolButton* memoShowButton_;
    QVariantAnimation widen_;
    int openingWidth_ = 0;
    bool memoOpen_ = false;
};

}  // namespace zarnik::ui
