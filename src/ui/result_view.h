// The result pane's display: the report's lines kept as UTF-8 bytes in blocks of a
// few MiB with the line starts beside them (one byte for each ASCII character, which
// most of a report is), and only the visible lines converted and painted. A QTextDocument spends
// microseconds and hundreds of bytes on every line, which a report of a million
// lines cannot afford. The view selects and copies; it never edits its text: a key
// that would edit is handed to the owner, which puts an editor in its place.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

class QTextLayout;
class QWheelEvent;

namespace zarnik::ui {

class ResultView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ResultView(QWidget* parent = nullptr);
    ~ResultView() override;
    // Left and top margin of the text in pixels, as QTextDocument's default documentMargin, so that a
    // caption strip above lines up with it: the text starts at frameWidth() + kMargin.
    static constexpr int kMargin = 4;
    // Characters of a selection beyond which Copy() carries plain text only: HTML of a huge one is slow.
    static constexpr int kRichCopyLimit = 200'000;

    // text: lines separated by '\n'; they follow the existing lines (on a line of their own, as
    // QPlainTextEdit::appendPlainText does). Costs amortised O(length), nothing per line but its start.
    // All or nothing: without memory it throws std::bad_alloc and the view keeps what it had.
    void AppendLines(QStringView text);
    void SetText(QStringView text);  // caret and selection go to the start
    void Clear();
    QString Text() const;
    bool IsEmpty() const { return starts_.empty(); }  // one empty line is empty, as in QTextDocument
    qsizetype LineCount() const { return static_cast<qsizetype>(starts_.size()); }
    QString Line(qsizetype i) const;

    struct Position {
        qsizetype Line = 0;
        qsizetype Column = 0;  // UTF-16 units
        bool operator==(const Position&) const = default;
    };
    Position Caret() const { return caret_; }
    Position Anchor() const { return anchor_; }
    void SetCaret(Position p, bool keepAnchor = false);  // clamped; scrolled into view
    bool HasSelection() const { return caret_ != anchor_; }
    QString SelectedText() const;
    void SelectAll();
    void Copy() const;

    qsizetype TopLine() const;
    void ScrollToBottom();
    // While a run appends, keys that would edit are swallowed.
    void SetReadOnly(bool on);
    bool IsReadOnly() const { return readOnly_; }

    int LineHeight() const { return lineHeight_; }

    // Shift with the wheel scrolls area sideways (false for any other wheel event), so
    // that the cut part of wide lines is in reach of the mouse while the horizontal bar
    // is hidden.
    static bool WheelSideways(QAbstractScrollArea& area, QWheelEvent* e);

signals:
    // A key or input-method event that would change the text, while not read-only. The receiver
    // (connected directly) puts an editor with the same text, caret, selection and top line in the
    // view's place and sends the event there.
    void EditRequested(QEvent* event);
    void TextChanged();  // after AppendLines, SetText and Clear
    void SelectionChanged();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    enum class KeyUse { None, Move, Edit };
    KeyUse Classify(const QKeyEvent* e) const;
    bool Move(const QKeyEvent* e);
    void MoveVertically(bool page, bool down, bool extend);
    std::optional<Position> StepFor(const QKeyEvent* e) const;
    void AppendToBlocks(std::string_view utf8);
    void ScanFrom(std::size_t from);
    std::size_t BlockOf(qsizetype line) const;
    std::string_view LineBytes(qsizetype line) const;
    qsizetype LineLength(qsizetype line) const;  // UTF-16 units, as a Position's column counts
    std::size_t ByteAt(Position p) const;        // where p lies in its line's bytes
    // The text from byte fromByte of line fromLine to byte toByte of line toLine.
    QString TextBetween(qsizetype fromLine, std::size_t fromByte, qsizetype toLine, std::size_t toByte) const;
    Position Clamp(Position p) const;
    // The earlier and the later of two positions.
    static std::pair<Position, Position> Ordered(Position a, Position b) {
        const bool inOrder = a.Line < b.Line || (a.Line == b.Line && a.Column <= b.Column);
        return inOrder ? std::pair(a, b) : std::pair(b, a);
    }
    void SetSelection(Position anchor, Position caret);
    void LayOut(QTextLayout& layout, qsizetype line) const;
    qreal XOf(Position p) const;
    qsizetype ColumnAt(qsizetype line, qreal x) const;
    Position PositionAt(QPoint viewportPoint) const;
    int VisibleLines() const;
    void UpdateFontMetrics();
    void UpdateScrollBars();
    void UpdateVerticalRange();
    void UpdateHorizontalRange();
    void EnsureCaretVisible();
    void RestartBlink();

    // The lines in UTF-8, joined with '\n' within a block; no line crosses from one block to the
    // next. A block takes lines up to kBlockBytes (a longer line gets a block of its own), so the
    // store holds little more than the text and never copies much of it to grow, where a single
    // buffer that doubles holds its old copy beside one twice its size (about 190 MB at the end of
    // a million-line report).
    static constexpr std::size_t kBlockBytes = std::size_t(4) << 20;
    struct Block {
        std::unique_ptr<char[]> Bytes;
        std::size_t Size = 0;
        std::size_t Capacity = 0;
        std::string_view View() const { return {Bytes.get(), Size}; }
    };
    std::vector<Block> blocks_;
    std::vector<qsizetype> blockFirst_;  // the first line of each block
    std::vector<std::uint32_t> starts_;  // where each line starts in its block (at most kBlockBytes)
    // The line with the most display columns (double-width characters count 2): the widest on
    // screen in the report's fixed-width font; its pixel width is measured only when needed.
    qsizetype widestLine_ = 0;
    qsizetype widestColumns_ = -1;
    int widestPixels_ = -1;  // -1: to be measured
    int lineHeight_ = 1;
    int tabStop_ = 80;

    Position caret_;
    Position anchor_;
    qreal goalX_ = -1;  // where Up and Down keep the caret; -1 after any other move
    bool readOnly_ = false;
    bool caretShown_ = false;
    QBasicTimer blinkTimer_;
    QBasicTimer dragTimer_;
    QBasicTimer rangeTimer_;  // measures a new widest line once the appending batch is through
    QPoint dragPoint_;
    QElapsedTimer doubleClickClock_;  // a press soon after a double-click selects the line
};

}  // namespace zarnik::ui
