#include "ui/result_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace zarnik::ui {

namespace {

// Tab stops as QTextDocument places them by default, so a tab sits where it did in the editor.
constexpr qreal kTabStop = 80;
// Lines are laid out without wrapping; the width only has to exceed any line's.
constexpr qreal kNoWrapWidth = 1e6;

// The bytes of the UTF-8 sequence that starts with b (a stray byte is one).
std::size_t SequenceLength(unsigned char b) {
    if (b >= 0xF0) return 4;
    if (b >= 0xE0) return 3;
    return b >= 0xC0 ? 2 : 1;
}

// Display columns of a line: the report lines up half-width characters (ASCII and half-width
// katakana) in one column and all others in two (a character beyond U+FFFF in four, as its two
// UTF-16 units did); a tab counts as a typical stop. Eight bytes at a time while they are ASCII
// other than tab, as most of a report is: a report of 50,000 lines took twice as long to append
// when every character was tested on its own.
qsizetype Columns(std::string_view line) {
    constexpr std::uint64_t kHigh = 0x8080'8080'8080'8080, kOnes = 0x0101'0101'0101'0101,
                            kTabs = 0x0909'0909'0909'0909;
    qsizetype columns = 0;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        if (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, line.data() + i, sizeof w);
            const std::uint64_t t = w ^ kTabs;  // a lane of zero where a tab is
            if ((w & kHigh) == 0 && ((t - kOnes) & ~t & kHigh) == 0) {
                columns += 8;
                i += 8;
                continue;
            }
        }
        const auto b = static_cast<unsigned char>(line[i]);
        const std::size_t len = std::min(SequenceLength(b), n - i);
        if (b < 0x80) {
            columns += b == '\t' ? 8 : 1;
        } else if (len == 4) {
            columns += 4;
        } else if (len == 3) {
            // U+FF61..U+FF9F, half-width katakana: EF BD A1..EF BE 9F.
            const unsigned code = (b & 0x0Fu) << 12 | (static_cast<unsigned char>(line[i + 1]) & 0x3Fu) << 6 |
                                  (static_cast<unsigned char>(line[i + 2]) & 0x3Fu);
            columns += code >= 0xFF61 && code <= 0xFF9F ? 1 : 2;
        } else {
            columns += 2;
        }
        i += len;
    }
    return columns;
}

// What a word move or a double-click takes together: a run of letters and digits, or a run of
// other visible characters; spaces separate.
int WordClass(QChar c) {
    if (c.isSpace()) return 0;
    if (c.isLetterOrNumber() || c == u'_') return 1;
    return 2;
}

bool IsCopyKey(const QKeyEvent* e) {
    // Ctrl+Insert is a copy on every desktop, whatever the platform theme's key bindings say.
    return e->matches(QKeySequence::Copy) ||
           (e->key() == Qt::Key_Insert && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier);
}

// The view's lines come from runs only, and a run is no edit to take back: undo
// and redo have nothing to do, and must not hand a million lines to the editor.
bool IsUndoKey(const QKeyEvent* e) {
    if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) return true;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return (e->key() == Qt::Key_Z || e->key() == Qt::Key_Y) && mods == Qt::ControlModifier;
}

bool IsEditKey(const QKeyEvent* e) {
    static constexpr QKeySequence::StandardKey kEdits[] = {
        QKeySequence::Paste,
        QKeySequence::Cut,
        QKeySequence::Delete,
        QKeySequence::Backspace,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
        QKeySequence::InsertParagraphSeparator,
        QKeySequence::InsertLineSeparator,
    };
    for (auto key : kEdits)
        if (e->matches(key)) return true;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        case Qt::Key_Delete:
            return mods == Qt::NoModifier || mods == Qt::ControlModifier;
        case Qt::Key_Insert:  // Shift+Insert pastes
            return (e->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
        default:
            break;
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = e->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace

ResultView::ResultView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    UpdateFontMetrics();
    UpdateScrollBars();
}

ResultView::~ResultView() = default;

// ---- the store ----

void ResultView::AppendLines(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    // All or nothing: a run that runs out of memory here says so and keeps what the
    // pane showed, so the starts must never point past the text (painting reads them).
    const std::size_t oldBlocks = blocks_.size();
    const std::size_t oldLastSize = blocks_.empty() ? 0 : blocks_.back().Size;
    const std::size_t oldLines = starts_.size();
    const qsizetype oldWidest = widestLine_, oldColumns = widestColumns_;
    const int oldPixels = widestPixels_;
    if (IsEmpty()) {
        widestColumns_ = -1;
        widestPixels_ = -1;
    }
    try {
        // An empty view stays empty for an empty text, as in QTextDocument.
        if (!IsEmpty() || !utf8.isEmpty())
            AppendToBlocks(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    } catch (...) {
        // Shrinking allocates nothing.
        blocks_.resize(oldBlocks);
        if (oldBlocks > 0) blocks_.back().Size = oldLastSize;
        blockFirst_.resize(oldBlocks);
        starts_.resize(oldLines);
        widestLine_ = oldWidest;
        widestColumns_ = oldColumns;
        widestPixels_ = oldPixels;
        throw;
    }
    UpdateVerticalRange();
    if (widestPixels_ < 0) rangeTimer_.start(0, this);
    viewport()->update();
    emit TextChanged();
}

// Appends the lines of utf8 after the last line, if any, filling the last block up to kBlockBytes
// and starting new blocks at line breaks.
void ResultView::AppendToBlocks(std::string_view utf8) {
    bool inNewBlock = blocks_.empty();
    for (std::string_view rest = utf8;;) {
        if (!inNewBlock && blocks_.back().Size >= kBlockBytes) inNewBlock = true;
        if (inNewBlock) {
            blocks_.emplace_back();
            blockFirst_.push_back(LineCount());
        }
        Block& block = blocks_.back();
        // The lines that fit into the block; a block's first line goes in whatever its length.
        const std::size_t from = inNewBlock ? 0 : block.Size + 1;
        std::size_t take = rest.size();
        if (take > kBlockBytes - from) {
            take = rest.rfind('\n', kBlockBytes - from);
            if (take == std::string_view::npos) {
                if (!inNewBlock) {
                    inNewBlock = true;
                    continue;
                }
                take = std::min(rest.find('\n'), rest.size());
            }
        }
        const std::size_t size = from + take;
        if (size > block.Capacity) {
            // Doubled up to a block (the report of a small run takes little); beyond it only for a
            // line longer than a block, which gets exactly its room.
            const std::size_t capacity = size > kBlockBytes ? size : std::bit_ceil(size);
            auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
            if (block.Size > 0) std::memcpy(bytes.get(), block.Bytes.get(), block.Size);
            block.Bytes = std::move(bytes);
            block.Capacity = capacity;
        }
        starts_.push_back(static_cast<std::uint32_t>(from));
        if (!inNewBlock) block.Bytes[block.Size] = '\n';
        if (take > 0) std::memcpy(block.Bytes.get() + from, rest.data(), take);
        block.Size = size;
        ScanFrom(from);
        if (take == rest.size()) return;
        rest.remove_prefix(take + 1);  // and the line break: the next line starts a block
        inNewBlock = true;
    }
}

// Records the starts of the lines after from (the start of the last recorded line, in the last
// block) and follows the widest of them. The line breaks are found by memchr and the columns
// counted eight ASCII bytes at a time.
void ResultView::ScanFrom(std::size_t from) {
    const std::string_view all = blocks_.back().View();
    qsizetype line = LineCount() - 1;
    for (std::size_t start = from;;) {
        const std::size_t end = all.find('\n', start);
        const std::size_t stop = end == std::string_view::npos ? all.size() : end;
        const qsizetype columns = Columns(all.substr(start, stop - start));
        if (columns > widestColumns_) {
            widestColumns_ = columns;
            widestLine_ = line;
            widestPixels_ = -1;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
        starts_.push_back(static_cast<std::uint32_t>(start));
        ++line;
    }
}

void ResultView::SetText(QStringView text) {
    const bool hadSelection = HasSelection();
    // The memory goes back at once: a cleared pane waits for the next run.
    std::vector<Block>().swap(blocks_);
    std::vector<qsizetype>().swap(blockFirst_);
    std::vector<std::uint32_t>().swap(starts_);
    caret_ = anchor_ = Position{};
    goalX_ = -1;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    AppendLines(text);
    if (hadSelection) emit SelectionChanged();
}

void ResultView::Clear() { SetText(QStringView()); }

QString ResultView::Text() const {
    if (IsEmpty()) return {};
    const qsizetype last = LineCount() - 1;
    return TextBetween(0, 0, last, LineBytes(last).size());
}

QString ResultView::TextBetween(qsizetype fromLine, std::size_t fromByte, qsizetype toLine,
                                std::size_t toByte) const {
    const std::size_t first = BlockOf(fromLine), last = BlockOf(toLine);
    const auto piece = [&](std::size_t b) {
        const std::size_t from = b == first ? starts_[static_cast<std::size_t>(fromLine)] + fromByte : 0;
        const std::size_t to =
            b == last ? starts_[static_cast<std::size_t>(toLine)] + toByte : blocks_[b].Size;
        return blocks_[b].View().substr(from, to - from);
    };
    const auto fromUtf8 = [](std::string_view bytes) {
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    if (first == last) return fromUtf8(piece(first));
    // No more UTF-16 units than UTF-8 bytes.
    std::size_t bytes = 0;
    for (std::size_t b = first; b <= last; ++b) bytes += piece(b).size() + 1;
    QString text;
    text.reserve(static_cast<qsizetype>(bytes));
    for (std::size_t b = first; b <= last; ++b) {
        if (b != first) text += QLatin1Char('\n');
        text += fromUtf8(piece(b));
    }
    return text;
}

std::size_t ResultView::BlockOf(qsizetype line) const {
    const auto after = std::upper_bound(blockFirst_.begin(), blockFirst_.end(), line);
    return static_cast<std::size_t>(after - blockFirst_.begin()) - 1;
}

std::string_view ResultView::LineBytes(qsizetype line) const {
    const std::size_t b = BlockOf(line);
    const auto i = static_cast<std::size_t>(line);
    const qsizetype blockEnd = b + 1 < blocks_.size() ? blockFirst_[b + 1] : LineCount();
    const std::size_t start = starts_[i];
    const std::size_t end = line + 1 < blockEnd ? starts_[i + 1] - 1 : blocks_[b].Size;
    return blocks_[b].View().substr(start, end - start);
}

QString ResultView::Line(qsizetype i) const {
    if (i < 0 || i >= LineCount()) return {};
    const std::string_view bytes = LineBytes(i);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Every byte but a continuation byte starts a character; one beyond U+FFFF takes two units.
qsizetype ResultView::LineLength(qsizetype line) const {
    qsizetype units = 0;
    for (const char c : LineBytes(line)) {
        const auto b = static_cast<unsigned char>(c);
        units += ((b & 0xC0u) != 0x80u ? 1 : 0) + (b >= 0xF0u ? 1 : 0);
    }
    return units;
}

std::size_t ResultView::ByteAt(Position p) const {
    if (starts_.empty()) return 0;
    const std::string_view bytes = LineBytes(p.Line);
    std::size_t i = 0;
    for (qsizetype units = 0; i < bytes.size() && units < p.Column;) {
        const std::size_t len = SequenceLength(static_cast<unsigned char>(bytes[i]));
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return std::min(i, bytes.size());
}

// ---- caret and selection ----

ResultView::Position ResultView::Clamp(Position p) const {
    if (starts_.empty()) return {};
    p.Line = std::clamp<qsizetype>(p.Line, 0, LineCount() - 1);
    p.Column = std::clamp<qsizetype>(p.Column, 0, LineLength(p.Line));
    return p;
}

void ResultView::SetSelection(Position anchor, Position caret) {
    const auto range = [this] { return Ordered(anchor_, caret_); };
    const auto before = range();
    anchor_ = anchor;
    caret_ = caret;
    const auto after = range();
    RestartBlink();
    viewport()->update();
    if (before != after && (before.first != before.second || after.first != after.second))
        emit SelectionChanged();
}

void ResultView::SetCaret(Position p, bool keepAnchor) {
    p = Clamp(p);
    goalX_ = -1;
    SetSelection(keepAnchor ? anchor_ : p, p);
    EnsureCaretVisible();
}

QString ResultView::SelectedText() const {
    if (starts_.empty()) return {};
    const auto [from, to] = Ordered(anchor_, caret_);
    return TextBetween(from.Line, ByteAt(from), to.Line, ByteAt(to));
}

void ResultView::SelectAll() {
    if (starts_.empty()) return;
    const qsizetype last = LineCount() - 1;
    SetSelection({0, 0}, {last, LineLength(last)});
}

void ResultView::Copy() const {
    if (!HasSelection()) return;
    const QString text = SelectedText();
    auto* data = new QMimeData;
    data->setText(text);
    // Other programs take the pane's font and colour with the HTML; building it for a huge selection
    // would hold the window up for seconds.
    if (text.size() <= kRichCopyLimit) {
        const QFont f = font();
        const QString size = f.pointSizeF() > 0 ? QString::number(f.pointSizeF()) + QStringLiteral("pt")
                                                : QString::number(f.pixelSize()) + QStringLiteral("px");
        data->setHtml(QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>"
                                     "<pre style=\"font-family:'%1'; font-size:%2; color:%3;\">%4</pre>"
                                     "</body></html>")
                          .arg(f.family().toHtmlEscaped(), size, palette().color(QPalette::Text).name(),
                               text.toHtmlEscaped()));
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

// ---- geometry ----

void ResultView::LayOut(QTextLayout& layout, qsizetype line) const {
    layout.setText(Line(line));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(kTabStop);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    if (l.isValid()) {
        l.setLeadingIncluded(true);
        l.setLineWidth(kNoWrapWidth);
        l.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}

qreal ResultView::XOf(Position p) const {
    if (starts_.empty()) return 0;
    QTextLayout layout(QString(), font(), viewport());
    LayOut(layout, p.Line);
    return layout.lineCount() ? layout.lineAt(0).cursorToX(static_cast<int>(p.Column)) : 0;
}

qsizetype ResultView::ColumnAt(qsizetype line, qreal x) const {
    QTextLayout layout(QString(), font(), viewport());
    LayOut(layout, line);
    return layout.lineCount() ? layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters) : 0;
}

ResultView::Position ResultView::PositionAt(QPoint point) const {
    if (starts_.empty()) return {};
    const qsizetype row = static_cast<qsizetype>(std::floor(qreal(point.y() - kMargin) / lineHeight_));
    const qsizetype line = std::clamp<qsizetype>(TopLine() + row, 0, LineCount() - 1);
    return {line, ColumnAt(line, point.x() - kMargin + horizontalScrollBar()->value())};
}

int ResultView::VisibleLines() const { return std::max(1, (viewport()->height() - kMargin) / lineHeight_); }

qsizetype ResultView::TopLine() const { return verticalScrollBar()->value(); }

void ResultView::UpdateFontMetrics() {
    // The height QPlainTextEdit gives each line: the font's ascent, descent and leading.
    QTextLayout layout(QStringLiteral("Xgyjｱア漢"), font(), viewport());
    layout.beginLayout();
    QTextLine l = layout.createLine();
    l.setLeadingIncluded(true);
    l.setLineWidth(kNoWrapWidth);
    layout.endLayout();
    lineHeight_ = std::max(1, static_cast<int>(std::lround(l.height())));
    widestPixels_ = -1;
}

void ResultView::UpdateScrollBars() {
    UpdateVerticalRange();
    UpdateHorizontalRange();
}

void ResultView::UpdateVerticalRange() {
    QScrollBar* v = verticalScrollBar();
    const int page = VisibleLines();
    v->setRange(0, static_cast<int>(std::max<qsizetype>(0, LineCount() - page)));
    v->setPageStep(page);
    v->setSingleStep(1);
}

void ResultView::UpdateHorizontalRange() {
    rangeTimer_.stop();
    if (widestPixels_ < 0) {
        widestPixels_ = 0;
        if (!starts_.empty()) {
            QTextLayout layout(QString(), font(), viewport());
            LayOut(layout, widestLine_);
            widestPixels_ = static_cast<int>(std::ceil(layout.lineAt(0).naturalTextWidth()));
        }
    }
    QScrollBar* h = horizontalScrollBar();
    // Margins on both sides and room for the caret after the last character.
    const int content = kMargin + widestPixels_ + 1 + kMargin;
    h->setRange(0, std::max(0, content - viewport()->width()));
    h->setPageStep(viewport()->width());
    h->setSingleStep(20);
}

void ResultView::EnsureCaretVisible() {
    QScrollBar* v = verticalScrollBar();
    const int page = VisibleLines();
    if (caret_.Line < TopLine())
        v->setValue(static_cast<int>(caret_.Line));
    else if (caret_.Line >= TopLine() + page)
        v->setValue(static_cast<int>(caret_.Line - page + 1));
    // Horizontally also when the bar is hidden: the caret must not move out of sight.
    if (rangeTimer_.isActive()) UpdateHorizontalRange();
    QScrollBar* h = horizontalScrollBar();
    const int x = static_cast<int>(std::lround(XOf(caret_)));
    const int width = std::max(1, viewport()->width() - 2 * kMargin - 1);
    if (x < h->value()) {
        h->setValue(x);
    } else if (x > h->value() + width) {
        if (x - width > h->maximum()) h->setMaximum(x - width);  // a line wider than the widest by columns
        h->setValue(x - width);
    }
}

void ResultView::ScrollToBottom() {
    UpdateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ResultView::SetReadOnly(bool on) {
    readOnly_ = on;
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

// ---- painting ----

void ResultView::paintEvent(QPaintEvent* e) {
    if (rangeTimer_.isActive()) UpdateHorizontalRange();
    QPainter p(viewport());
    const QRect clip = e->rect();
    p.fillRect(clip, palette().brush(QPalette::Base));
    p.setPen(palette().color(QPalette::Text));
    const bool showCaret = caretShown_ && hasFocus();
    if (starts_.empty()) {
        if (showCaret)
            p.fillRect(QRect(kMargin - horizontalScrollBar()->value(), kMargin, 1, lineHeight_),
                       palette().brush(QPalette::Text));
        return;
    }
    const qsizetype top = TopLine();
    const qreal x = kMargin - horizontalScrollBar()->value();
    const auto [selFrom, selTo] = Ordered(anchor_, caret_);
    QTextLayout::FormatRange selection;
    selection.format.setBackground(palette().brush(QPalette::Highlight));
    selection.format.setForeground(palette().brush(QPalette::HighlightedText));
    const int spaceWidth = QFontMetrics(font(), viewport()).horizontalAdvance(QLatin1Char(' '));
    const qsizetype rows = (viewport()->height() - kMargin) / lineHeight_ + 2;  // with a partly visible one
    for (qsizetype i = top; i < std::min(LineCount(), top + rows); ++i) {
        const int y = kMargin + static_cast<int>(i - top) * lineHeight_;
        if (y > clip.bottom()) break;
        if (y + lineHeight_ <= clip.top()) continue;
        QTextLayout layout(QString(), font(), viewport());
        LayOut(layout, i);
        QList<QTextLayout::FormatRange> selections;
        if (selFrom != selTo && selFrom.Line <= i && i <= selTo.Line) {
            const qsizetype from = i == selFrom.Line ? selFrom.Column : 0;
            const qsizetype to = i == selTo.Line ? selTo.Column : layout.text().size();
            selection.start = static_cast<int>(from);
            selection.length = static_cast<int>(to - from);
            if (selection.length > 0) selections << selection;
            // A selection that goes on past the line's end takes its line break with it, shown as
            // a space's width of highlight as the editor does.
            if (i < selTo.Line) {
                const qreal endX = layout.lineAt(0).naturalTextWidth();
                p.fillRect(QRectF(x + endX, y, spaceWidth, lineHeight_), selection.format.background());
            }
        }
        layout.draw(&p, QPointF(x, y), selections, clip);
        if (showCaret && caret_.Line == i)
            layout.drawCursor(&p, QPointF(x, y), static_cast<int>(caret_.Column), 1);
    }
}

void ResultView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void ResultView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        UpdateFontMetrics();
        UpdateScrollBars();
        viewport()->update();
    } else if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ActivationChange) {
        viewport()->update();
    }
}

void ResultView::scrollContentsBy(int, int) { viewport()->update(); }

bool ResultView::WheelSideways(QAbstractScrollArea& area, QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ShiftModifier) || e->angleDelta().x() != 0 || e->angleDelta().y() == 0)
        return false;
    QWheelEvent sideways(e->position(), e->globalPosition(), e->pixelDelta().transposed(),
                         e->angleDelta().transposed(), e->buttons(), e->modifiers() & ~Qt::ShiftModifier,
                         e->phase(), e->inverted(), e->source());
    QCoreApplication::sendEvent(area.horizontalScrollBar(), &sideways);
    e->accept();
    return true;
}

void ResultView::wheelEvent(QWheelEvent* e) {
    if (!WheelSideways(*this, e)) QAbstractScrollArea::wheelEvent(e);
}

void ResultView::RestartBlink() {
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blinkTimer_.start(flash / 2, this);
    else
        blinkTimer_.stop();
}

void ResultView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void ResultView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    blinkTimer_.stop();
    caretShown_ = false;
    viewport()->update();
}

void ResultView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == blinkTimer_.timerId()) {
        caretShown_ = !caretShown_;
        viewport()->update();
    } else if (e->timerId() == rangeTimer_.timerId()) {
        UpdateHorizontalRange();
    } else if (e->timerId() == dragTimer_.timerId()) {
        // The mouse is held above or below the text: the view follows it a line at a time.
        QScrollBar* v = verticalScrollBar();
        if (dragPoint_.y() < 0)
            v->setValue(v->value() - 1);
        else if (dragPoint_.y() >= viewport()->height())
            v->setValue(v->value() + 1);
        const Position p = PositionAt(dragPoint_);
        SetSelection(anchor_, p);
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

// ---- keyboard ----

ResultView::KeyUse ResultView::Classify(const QKeyEvent* e) const {
    static constexpr QKeySequence::StandardKey kMoves[] = {
        QKeySequence::MoveToNextChar,
        QKeySequence::MoveToPreviousChar,
        QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar,
        QKeySequence::MoveToNextLine,
        QKeySequence::MoveToPreviousLine,
        QKeySequence::SelectNextLine,
        QKeySequence::SelectPreviousLine,
        QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine,
        QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine,
        QKeySequence::MoveToStartOfBlock,
        QKeySequence::MoveToEndOfBlock,
        QKeySequence::SelectStartOfBlock,
        QKeySequence::SelectEndOfBlock,
        QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,
        QKeySequence::MoveToNextPage,
        QKeySequence::MoveToPreviousPage,
        QKeySequence::SelectNextPage,
        QKeySequence::SelectPreviousPage,
        QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,
        QKeySequence::SelectNextWord,
        QKeySequence::SelectPreviousWord,
        QKeySequence::SelectAll,
    };
    if (IsCopyKey(e) || IsUndoKey(e)) return KeyUse::Move;
    for (auto key : kMoves)
        if (e->matches(key)) return KeyUse::Move;
    return IsEditKey(e) ? KeyUse::Edit : KeyUse::None;
}

bool ResultView::event(QEvent* e) {
    // Keys the view uses must reach it even where a window's shortcut has the same keys, as in the editor;
    // any other shortcut (Alt+letter, F9) goes on to the window.
    if (e->type() == QEvent::ShortcutOverride) {
        const KeyUse use = Classify(static_cast<QKeyEvent*>(e));
        if (use == KeyUse::Move || (use == KeyUse::Edit && !readOnly_)) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

// Tab is an editing key while the text may be edited, as in the editor; read-only it moves the focus.
bool ResultView::focusNextPrevChild(bool next) {
    if (!readOnly_) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void ResultView::keyPressEvent(QKeyEvent* e) {
    switch (Classify(e)) {
        case KeyUse::Move:
            Move(e);
            e->accept();
            return;
        case KeyUse::Edit:
            // The view never edits: the owner puts an editor in its place and gives it the key.
            if (!readOnly_) emit EditRequested(e);
            e->accept();
            return;
        case KeyUse::None:
            e->ignore();
            return;
    }
}

namespace {

bool IsSelectingMove(const QKeyEvent* e) {
    using K = QKeySequence;
    for (K::StandardKey k :
         {K::SelectNextChar, K::SelectPreviousChar, K::SelectNextLine, K::SelectPreviousLine,
          K::SelectStartOfLine, K::SelectEndOfLine, K::SelectStartOfBlock, K::SelectEndOfBlock,
          K::SelectStartOfDocument, K::SelectEndOfDocument, K::SelectNextPage, K::SelectPreviousPage,
          K::SelectNextWord, K::SelectPreviousWord})
        if (e->matches(k)) return true;
    return false;
}

}  // namespace

bool ResultView::Move(const QKeyEvent* e) {
    using K = QKeySequence;
    if (IsUndoKey(e)) return true;
    if (IsCopyKey(e)) {
        Copy();
        return true;
    }
    if (e->matches(K::SelectAll)) {
        SelectAll();
        return true;
    }
    if (starts_.empty()) return true;
    auto is = [e](K::StandardKey move, K::StandardKey select) {
        return e->matches(move) || e->matches(select);
    };
    const bool extend = IsSelectingMove(e);
    const bool page =
        is(K::MoveToNextPage, K::SelectNextPage) || is(K::MoveToPreviousPage, K::SelectPreviousPage);
    if (page || is(K::MoveToNextLine, K::SelectNextLine) ||
        is(K::MoveToPreviousLine, K::SelectPreviousLine)) {
        const bool down =
            is(K::MoveToNextLine, K::SelectNextLine) || is(K::MoveToNextPage, K::SelectNextPage);
        MoveVertically(page, down, extend);
        return true;
    }
    const std::optional<Position> to = StepFor(e);
    if (!to) return false;
    SetCaret(*to, extend);
    return true;
}

// Up, Down, Page Up and Page Down: the caret keeps the x it had before the first of
// a run of such moves.
void ResultView::MoveVertically(bool page, bool down, bool extend) {
    const Position at = caret_;
    const qsizetype last = LineCount() - 1;
    const qsizetype by = qsizetype{page ? VisibleLines() : 1} * (down ? 1 : -1);
    const qreal goal = goalX_ >= 0 ? goalX_ : XOf(at);
    const qsizetype target = std::clamp<qsizetype>(at.Line + by, 0, last);
    // The page turns with the caret, which keeps its place on the screen.
    if (page) verticalScrollBar()->setValue(static_cast<int>(TopLine() + by));
    if (target == at.Line) {
        SetCaret(at, extend);
    } else {
        SetCaret({target, ColumnAt(target, goal)}, extend);
    }
    goalX_ = goal;
}

// Where a key that moves along the text puts the caret; nothing for other keys.
std::optional<ResultView::Position> ResultView::StepFor(const QKeyEvent* e) const {
    using K = QKeySequence;
    auto is = [e](K::StandardKey move, K::StandardKey select) {
        return e->matches(move) || e->matches(select);
    };
    const Position at = caret_;
    const qsizetype last = LineCount() - 1;
    const QString line = Line(at.Line);
    const qsizetype length = line.size();
    const Position endOfPrevious = at.Line > 0 ? Position{at.Line - 1, LineLength(at.Line - 1)} : at;
    if (is(K::MoveToNextChar, K::SelectNextChar)) {
        if (at.Column < length) {
            // A surrogate pair is one character.
            const bool pair = at.Column + 1 < length && line[at.Column].isHighSurrogate() &&
                              line[at.Column + 1].isLowSurrogate();
            return Position{at.Line, at.Column + (pair ? 2 : 1)};
        }
        return at.Line < last ? Position{at.Line + 1, 0} : at;
    }
    if (is(K::MoveToPreviousChar, K::SelectPreviousChar)) {
        if (at.Column > 0) {
            const bool pair = at.Column >= 2 && line[at.Column - 1].isLowSurrogate() &&
                              line[at.Column - 2].isHighSurrogate();
            return Position{at.Line, at.Column - (pair ? 2 : 1)};
        }
        return endOfPrevious;
    }
    if (is(K::MoveToStartOfLine, K::SelectStartOfLine) || is(K::MoveToStartOfBlock, K::SelectStartOfBlock))
        return Position{at.Line, 0};
    if (is(K::MoveToEndOfLine, K::SelectEndOfLine) || is(K::MoveToEndOfBlock, K::SelectEndOfBlock))
        return Position{at.Line, length};
    if (is(K::MoveToStartOfDocument, K::SelectStartOfDocument)) return Position{0, 0};
    if (is(K::MoveToEndOfDocument, K::SelectEndOfDocument)) return Position{last, LineLength(last)};
    if (is(K::MoveToNextWord, K::SelectNextWord)) {
        if (at.Column >= length) return at.Line < last ? Position{at.Line + 1, 0} : at;
        // Over the rest of this word, then over the spaces to the next one.
        qsizetype i = at.Column;
        const int cls = WordClass(line[i]);
        if (cls != 0)
            while (i < length && WordClass(line[i]) == cls) ++i;
        while (i < length && WordClass(line[i]) == 0) ++i;
        return Position{at.Line, i};
    }
    if (is(K::MoveToPreviousWord, K::SelectPreviousWord)) {
        if (at.Column == 0) return endOfPrevious;
        qsizetype i = at.Column;
        while (i > 0 && WordClass(line[i - 1]) == 0) --i;
        if (i > 0) {
            const int cls = WordClass(line[i - 1]);
            while (i > 0 && WordClass(line[i - 1]) == cls) --i;
        }
        return Position{at.Line, i};
    }
    return std::nullopt;
}

void ResultView::inputMethodEvent(QInputMethodEvent* e) {
    // Composed text is an edit like a typed key; while read-only it goes nowhere.
    if (e->commitString().isEmpty() && e->preeditString().isEmpty()) {
        e->ignore();
        return;
    }
    if (!readOnly_) emit EditRequested(e);
    e->accept();
}

QVariant ResultView::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled:
            return !readOnly_;
        case Qt::ImCursorRectangle: {
            const int x = kMargin - horizontalScrollBar()->value() + static_cast<int>(XOf(caret_));
            const int y = kMargin + static_cast<int>(caret_.Line - TopLine()) * lineHeight_;
            return QRect(x, y, 1, lineHeight_).translated(viewport()->pos());
        }
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return static_cast<int>(caret_.Column);
        case Qt::ImAnchorPosition:
            return static_cast<int>(anchor_.Line == caret_.Line ? anchor_.Column : caret_.Column);
        case Qt::ImSurroundingText:
            return Line(caret_.Line);
        case Qt::ImCurrentSelection:
            return anchor_.Line == caret_.Line ? SelectedText() : QString();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- mouse ----

void ResultView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const Position p = PositionAt(e->position().toPoint());
    if (doubleClickClock_.isValid() && doubleClickClock_.elapsed() < QApplication::doubleClickInterval()) {
        // The third click of a triple-click: the whole line with its line break.
        doubleClickClock_.invalidate();
        if (p.Line + 1 < LineCount())
            SetSelection({p.Line, 0}, {p.Line + 1, 0});
        else
            SetSelection({p.Line, 0}, {p.Line, Line(p.Line).size()});
        EnsureCaretVisible();
    } else {
        SetCaret(p, e->modifiers() & Qt::ShiftModifier);
    }
    e->accept();
}

void ResultView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    dragPoint_ = e->position().toPoint();
    if (dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height()) {
        if (!dragTimer_.isActive()) dragTimer_.start(50, this);
    } else {
        dragTimer_.stop();
    }
    SetCaret(PositionAt(dragPoint_), true);
    e->accept();
}

void ResultView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    dragTimer_.stop();
    if (HasSelection()) {
        // On X11 a selection is what a middle click pastes elsewhere.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) clipboard->setText(SelectedText(), QClipboard::Selection);
    }
    e->accept();
}

void ResultView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || starts_.empty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    const Position p = PositionAt(e->position().toPoint());
    const QString line = Line(p.Line);
    qsizetype from = p.Column, to = p.Column;
    if (!line.isEmpty()) {
        const qsizetype at = std::min(p.Column, line.size() - 1);
        const int cls = WordClass(line[at]);
        from = at;
        to = at + 1;
        while (from > 0 && WordClass(line[from - 1]) == cls) --from;
        while (to < line.size() && WordClass(line[to]) == cls) ++to;
    }
    SetSelection({p.Line, from}, {p.Line, to});
    EnsureCaretVisible();
    doubleClickClock_.start();
    e->accept();
}

}  // namespace zarnik::ui
