#include "ui/target_pane.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace zarnik::ui {

namespace {

QWidget* Column(QVBoxLayout*& layout) {
    auto* w = new QWidget;
    layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return w;
}

// The memo pane's small flat buttons: open (closed pane) and close (title bar).
QToolButton* ArrowButton(Qt::ArrowType arrow, int size, const QString& tip) {
    auto* b = new QToolButton;
    b->setAutoRaise(true);
    b->setFixedSize(size, size);
    b->setArrowType(arrow);
    b->setToolTip(tip);
    return b;
}

constexpr int kClosedWidth = 20;

}  // namespace

TargetPane::TargetPane(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    QVBoxLayout* targetLayout;
    QWidget* targetPane = Column(targetLayout);
    caption_ =
        new QLabel(QStringLiteral("▼対象ファイル・フォルダ（ワイルドカード指定可，ここにドロップ可）"));
    caption_->setFixedHeight(19);
    caption_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_ = new QPlainTextEdit;
    list_->setObjectName(QStringLiteral("targetList"));
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // No target holds a tab character: Tab moves on, as in the other fields.
    list_->setTabChangesFocus(true);
    // The panes may shrink to a line: the rows of tabs above take what they need.
    list_->setMinimumHeight(1);
    targetLayout->addWidget(caption_);
    targetLayout->addWidget(list_);

    QVBoxLayout* memoLayout;
    memoPane_ = Column(memoLayout);
    memoShowButton_ = ArrowButton(Qt::LeftArrow, 18, QStringLiteral("メモ欄を表示"));
    connect(memoShowButton_, &QToolButton::clicked, this, &TargetPane::MemoOpenClicked);
    QVBoxLayout* openLayout;
    memoOpenPart_ = Column(openLayout);
    auto* memoTitle = new QWidget;
    memoTitle->setFixedHeight(19);
    auto* titleLayout = new QHBoxLayout(memoTitle);
    titleLayout->setContentsMargins(2, 0, 0, 0);
    titleLayout->addWidget(new QLabel(QStringLiteral("メモ欄")), 1);
    QToolButton* memoClose = ArrowButton(Qt::RightArrow, 16, QStringLiteral("メモ欄を閉じる"));
    connect(memoClose, &QToolButton::clicked, this, &TargetPane::MemoCloseClicked);
    titleLayout->addWidget(memoClose);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("memoEdit"));
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setMinimumHeight(1);
    openLayout->addWidget(memoTitle);
    openLayout->addWidget(memo_);
    memoLayout->addWidget(memoShowButton_, 0, Qt::AlignTop | Qt::AlignHCenter);
    memoLayout->addWidget(memoOpenPart_);

    setHandleWidth(3);
    setChildrenCollapsible(false);
    addWidget(targetPane);
    addWidget(memoPane_);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    connect(this, &QSplitter::splitterMoved, this, [this] {
        if (memoOpen_) emit MemoWidthDragged(memoPane_->width());
    });
    connect(&widen_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { memoPane_->setFixedWidth(v.toInt()); });
    connect(&widen_, &QVariantAnimation::finished, this, [this] { FinishOpening(openingWidth_); });
}

void TargetPane::OpenMemo(int width, bool animate) {
    widen_.stop();
    setHandleWidth(3);
    memoShowButton_->hide();
    memoShowButton_->setEnabled(false);
    memoOpenPart_->show();
    memoOpen_ = true;
    const int from = memoPane_->width();
    if (!animate || width <= from + 10) {
        FinishOpening(width);
        return;
    }
    memoPane_->setMinimumWidth(0);
    widen_.setStartValue(from);
    widen_.setEndValue(width);
    widen_.setDuration(width - from);  // 10 pixels every 10 ms
    openingWidth_ = width;
    widen_.start();
}

void TargetPane::FinishOpening(int width) {
    memoPane_->setMinimumWidth(std::min(60, std::max(0, width)));
    memoPane_->setMaximumWidth(QWIDGETSIZE_MAX);
    // The splitter lays its panes out again for the new limits before it takes the sizes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    setSizes({std::max(1, this->width() - width - 3), std::max(0, width)});
    memoPane_->resize(width, memoPane_->height());
    handle(1)->setEnabled(true);
    handle(1)->show();
}

void TargetPane::CloseMemo() {
    widen_.stop();
    // A hidden handle comes back with the next layout of the splitter; a handle
    // without width leaves no grip and no strip.
    setHandleWidth(0);
    handle(1)->hide();
    handle(1)->setEnabled(false);
    memoOpenPart_->hide();
    memoPane_->setFixedWidth(kClosedWidth);
    // The target list takes back the width the open pane and its grip had.
    setSizes({std::max(1, this->width() - kClosedWidth), kClosedWidth});
    memoShowButton_->show();
    memoShowButton_->setEnabled(true);
    memoOpen_ = false;
}

QPlainTextEdit* TargetPane::DropPaneAt(QWidget* widget) const {
    // The pane that holds the control (its scroll bars included).
    for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (w == list_) return list_;
        // A memo shown read-only (its file could not be read) would lose the lines.
        if (w == memo_) return memoOpen_ && !memo_->isReadOnly() ? memo_ : nullptr;
    }
    return nullptr;
}

}  // namespace zarnik::ui
