#include "ui/result_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/result_print.h"
#include "ui/result_view.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {

// The editor the lines go to once a key edits them. A copied selection carries
// HTML (the pane's font and colour) for other programs that take it; for a large
// one, building it froze the window for 10 to 35 seconds at a million lines, so
// that goes as plain text only.
class ResultEdit : public QPlainTextEdit {
protected:
    void wheelEvent(QWheelEvent* e) override {
        if (!ResultView::WheelSideways(*this, e)) QPlainTextEdit::wheelEvent(e);
    }

    QMimeData* createMimeDataFromSelection() const override {
        const QTextCursor c = textCursor();
        if (c.selectionEnd() - c.selectionStart() <= ResultView::kRichCopyLimit)
            return QPlainTextEdit::createMimeDataFromSelection();
        QString text = c.selectedText();
        // What the rich copy's plain text holds: line breaks, and spaces for no-break spaces.
        for (QChar& ch : text) {
            if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
                ch = QLatin1Char('\n');
            else if (ch == QChar::Nbsp)
                ch = QLatin1Char(' ');
        }
        auto* data = new QMimeData;
        data->setText(text);
        return data;
    }
};

}  // namespace

// The ruler line: the report's column header, drawn as far left as the lines below
// it are scrolled, so that the two stay one unit whether or not a scroll bar shows.
class RulerStrip : public QLabel {
public:
    void SetOffset(int offset) {
        if (offset == offset_) return;
        offset_ = offset;
        update();
    }
    int Offset() const { return offset_; }
    // As narrow as the pane: the text is cut, not the window widened.
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(foregroundRole()));
        const QRect area = contentsRect();
        p.setClipRect(area);
        const int x = area.x() + indent() - offset_;
        p.drawText(QRect(x, area.y(), std::max(area.right() - x, fontMetrics().horizontalAdvance(text()) + 1),
                         area.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    }

private:
    int offset_ = 0;
};

ResultPane::ResultPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* title = new QWidget;
    title->setFixedHeight(21);
    auto* titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(2, 0, 2, 0);
    auto* titleLabel = new QLabel(QStringLiteral("▼コメントカウント結果"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleRow->addWidget(titleLabel, 1);
    auto* pageBreak = new QPushButton(QStringLiteral("改頁ｺｰﾄﾞ挿入"));
    pageBreak->setFlat(true);
    pageBreak->setObjectName(QStringLiteral("pageBreakButton"));
    pageBreak->setFixedSize(93, 21);
    pageBreak->hide();
    pageBreak->setEnabled(false);
    titleRow->addWidget(pageBreak);
    header_ = new RulerStrip;
    header_->setObjectName(QStringLiteral("columnHeader"));
    header_->setFixedHeight(24);
    header_->setTextFormat(Qt::PlainText);
    header_->hide();

    view_ = new ResultView;
    view_->setObjectName(QStringLiteral("resultView"));
    edit_ = new ResultEdit;
    edit_->setObjectName(QStringLiteral("resultEdit"));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->hide();
    for (QAbstractScrollArea* w :
         {static_cast<QAbstractScrollArea*>(view_), static_cast<QAbstractScrollArea*>(edit_)}) {
        w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) {
            if (menu_ && ContextMenuAttached()) menu_->exec(w->viewport()->mapToGlobal(p));
        });
        connect(w->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this, w](int value) {
            if (w == TextWidget()) header_->SetOffset(value);
        });
    }
    connect(pageBreak, &QPushButton::clicked, this, [this] { AppendLines(QStringLiteral("\f")); });
    connect(view_, &ResultView::EditRequested, this, &ResultPane::StartEditing);
    connect(view_, &ResultView::TextChanged, this, &ResultPane::TextChanged);
    connect(edit_->document(), &QTextDocument::contentsChanged, this, [this] {
        if (editing_) TextChanged();
    });
    layout->addWidget(title);
    layout->addWidget(header_);
    layout->addWidget(view_, 1);
    layout->addWidget(edit_, 1);
}

QAbstractScrollArea* ResultPane::TextWidget() const {
    if (editing_) return edit_;
    return view_;
}

bool ResultPane::HasLines() const {
    if (editing_) return !edit_->document()->isEmpty();
    return !view_->IsEmpty();
}

QString ResultPane::Text() const {
    if (editing_) return edit_->toPlainText();
    return view_->Text();
}

void ResultPane::TextChanged() {
    const bool has = HasLines();
    if (!has) header_->hide();  // the strip names the columns of lines that are gone
    emit LinesChanged(has);
}

// The editor gets the view's text, caret, selection and scroll position, then the
// key that asked for it. Its undo history starts there: taking the text over is no
// edit of the user's.
void ResultPane::StartEditing(QEvent* event) {
    if (editing_) {
        // A key that reached the view after the switch (queued before it) still edits.
        if (event) QCoreApplication::sendEvent(edit_, event);
        return;
    }
    QTextDocument* doc = edit_->document();
    doc->setUndoRedoEnabled(false);
    {
        // A document takes about 5 s for a million lines: the pointer tells the wait.
        WaitCursor wait;
        edit_->setPlainText(view_->Text());  // editing_ is still false: no LinesChanged for it
    }
    doc->setUndoRedoEnabled(true);
    auto at = [doc](ResultView::Position p) {
        const QTextBlock block = doc->findBlockByNumber(static_cast<int>(p.Line));
        return block.position() + static_cast<int>(std::min<qsizetype>(p.Column, block.length() - 1));
    };
    QTextCursor cursor(doc);
    cursor.setPosition(at(view_->Anchor()));
    cursor.setPosition(at(view_->Caret()), QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
    const bool focused = view_->hasFocus();
    editing_ = true;
    edit_->show();
    edit_->verticalScrollBar()->setValue(static_cast<int>(view_->TopLine()));
    edit_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->value());
    view_->hide();
    view_->Clear();
    header_->SetOffset(edit_->horizontalScrollBar()->value());
    if (focused) edit_->setFocus();
    if (event) QCoreApplication::sendEvent(edit_, event);
}

// Back to the view: a run appends, the text is replaced or cleared.
void ResultPane::StopEditing() {
    if (!editing_) return;
    const QTextCursor cursor = edit_->textCursor();
    const int top = edit_->verticalScrollBar()->value();
    const bool focused = edit_->hasFocus();
    {
        const QSignalBlocker quiet(view_);
        view_->SetText(edit_->toPlainText());
    }
    editing_ = false;
    edit_->clear();
    view_->SetCaret({cursor.blockNumber(), cursor.positionInBlock()});
    view_->show();
    edit_->hide();
    view_->verticalScrollBar()->setValue(top);
    header_->SetOffset(view_->horizontalScrollBar()->value());
    if (focused) view_->setFocus();
}

void ResultPane::SetText(const QString& text) {
    StopEditing();
    view_->SetText(text);
}

void ResultPane::AppendLines(const QString& text) {
    StopEditing();
    view_->AppendLines(text);
}

void ResultPane::ScrollToBottom() {
    if (editing_) {
        QScrollBar* bar = edit_->verticalScrollBar();
        bar->setValue(bar->maximum());
    } else {
        view_->ScrollToBottom();
    }
}

void ResultPane::SetReadOnly(bool on) {
    view_->SetReadOnly(on);
    edit_->setReadOnly(on);
}

bool ResultPane::IsReadOnly() const { return view_->IsReadOnly(); }

QFont ResultPane::TextFont() const { return view_->font(); }

QLabel* ResultPane::HeaderStrip() const { return header_; }
int ResultPane::HeaderOffset() const { return header_->Offset(); }

bool ResultPane::HorizontalScrollBarShown() const {
    return view_->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
}

std::vector<std::string> ResultPane::Lines() const { return ToSjisLines(Text()); }

void ResultPane::Clear() {
    StopEditing();
    view_->Clear();
    header_->hide();
}

void ResultPane::CopyToClipboard() const { QApplication::clipboard()->setText(ClipboardText(Text())); }

bool ResultPane::SaveTo(const QString& path, QString& error) const {
    return WriteSavedFile(path, ResultFileBytes(Lines()), error);
}

bool ResultPane::Print(QPrinter& printer, const PrintAfterLines& after) const {
    return PrintLines(printer, Lines(), view_->font(), view_->palette().color(QPalette::Text), after);
}

void ResultPane::ApplyFont(const settings::PaneFont& font, const std::string& background) {
    ApplyPaneFont(view_, font, background);
    ApplyPaneFont(edit_, font, background);
    header_->setFont(view_->font());
    // The ruler line starts where the pane's text starts and ends where its lines end,
    // before the vertical bar.
    header_->setIndent(ResultView::kMargin + view_->frameWidth());
    header_->setContentsMargins(0, 0, view_->verticalScrollBar()->sizeHint().width() + view_->frameWidth(),
                                0);
}

void ResultPane::ShowHorizontalScrollBar(bool on) {
    const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    view_->setHorizontalScrollBarPolicy(policy);
    edit_->setHorizontalScrollBarPolicy(policy);
}

}  // namespace zarnik::ui
