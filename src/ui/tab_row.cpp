#include "ui/tab_row.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QShortcut>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QWheelEvent>
#include <algorithm>

namespace zarnik::ui {

namespace {
constexpr int kPadding = 16;
constexpr int kMinTabWidth = 40;
}  // namespace

TabRow::TabRow(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);  // hot-tracking
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto arrow = [this](Qt::ArrowType type, int step) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->hide();
        connect(b, &QToolButton::clicked, this, [this, step] { ScrollBy(step); });
        return b;
    };
    left_ = arrow(Qt::LeftArrow, -1);
    right_ = arrow(Qt::RightArrow, 1);
    // Several rows: the up and down arrows scroll the rows that do not fit.
    auto lineArrow = [this](Qt::ArrowType type) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->hide();
        connect(b, &QToolButton::clicked, this, [this, type] { ScrollLines(type == Qt::UpArrow ? 1 : -1); });
        return b;
    };
    up_ = lineArrow(Qt::UpArrow);
    down_ = lineArrow(Qt::DownArrow);
}

// The row lives in the upper pane, whose height the splitter sets: the lines the
// rows may take follow it.
bool TabRow::event(QEvent* e) {
    if (e->type() == QEvent::ParentAboutToChange && parentWidget()) parentWidget()->removeEventFilter(this);
    if (e->type() == QEvent::ParentChange && parentWidget()) {
        parentWidget()->installEventFilter(this);
        FitHeight();
    }
    return QWidget::event(e);
}

bool TabRow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize) {
        FitHeight();
        UpdateScrollButtons();
    }
    return QWidget::eventFilter(watched, e);
}

// The rows take at most half the upper pane (and never fewer than two lines, the
// current row and one more): the other half keeps the target list usable. Rows
// beyond that are scrolled, so any number of environments can be reached.
int TabRow::MaxLines() const {
    const QWidget* pane = parentWidget() ? parentWidget() : window();
    return std::max(2, pane->height() / 2 / TabHeight());
}

void TabRow::SetTabs(const QStringList& names) {
    tabs_.clear();
    tabs_.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& n : names) tabs_.push_back({n});
    hot_ = -1;
    firstShown_ = 0;
    scrolledLines_ = 0;
    current_ = tabs_.empty() ? -1 : std::clamp(current_, 0, count() - 1);
    Invalidate();
}

QString TabRow::tabText(int index) const {
    return index >= 0 && index < count() ? tabs_[static_cast<std::size_t>(index)].text : QString();
}

void TabRow::setCurrentIndex(int index) {
    if (index < 0 || index >= count() || index == current_) return;
    current_ = index;
    scrolledLines_ = 0;  // the current row turns next to the page, the rest from it
    ScrollToCurrent();
    update();
    emit currentChanged(index);
}

// One row: scrolls it so that the current tab is whole, also once the row has its
// width (a tab selected at the start was scrolled to for a row not yet laid out).
void TabRow::ScrollToCurrent() {
    if (multiRow_ || current_ < 0) return;
    if (current_ < firstShown_) firstShown_ = current_;
    UpdateScrollButtons();
    const Layout& l = LayoutFor(width());
    const int room = width() - (left_->isHidden() ? 0 : 2 * TabHeight());
    auto rect = [&l](int i) { return l.rects[static_cast<std::size_t>(i)]; };
    while (firstShown_ < current_ && rect(current_).right() - rect(firstShown_).x() >= room) ++firstShown_;
    UpdateScrollButtons();
}

void TabRow::AddSwitchKeys(QWidget* scope) {
    auto add = [&](const QKeySequence& keys, int step) {
        auto* s = new QShortcut(keys, scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, [this, step] {
            if (count() > 0 && isEnabled()) setCurrentIndex((current_ + step + count()) % count());
        });
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    add(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    add(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
}

void TabRow::SetMultiRow(bool on) {
    if (on == multiRow_) return;
    multiRow_ = on;
    firstShown_ = 0;
    scrolledLines_ = 0;
    Invalidate();
}

void TabRow::SetBelow(bool on) {
    if (on == below_) return;
    below_ = on;
    UpdateScrollButtons();
    update();
}

void TabRow::Invalidate() {
    layout_.width = -1;
    rowsAtFullWidth_ = {-1, 0};
    UpdateScrollButtons();
    FitHeight();
    update();
}

int TabRow::TabHeight() const { return fontMetrics().height() + 8; }

int TabRow::TabWidth(int index) const {
    const Tab& t = tabs_[static_cast<std::size_t>(index)];
    if (t.width < 0)
        t.width = std::max(kMinTabWidth, fontMetrics().horizontalAdvance(t.text) +
                                             style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, this) +
                                             kPadding / 2);
    return t.width;
}

// Fills rows left to right; with more than one row each row is stretched to the full
// width, as a multi-row tab control does, so the rows line up at both ends.
const TabRow::Layout& TabRow::LayoutFor(int width) const {
    width = std::max(width, kMinTabWidth);
    if (layout_.width == width) return layout_;
    ++layoutPasses_;
    Layout l;
    l.width = width;
    l.rects.resize(tabs_.size());
    const int h = TabHeight();
    int x = 0;
    for (int i = 0; i < count(); ++i) {
        int w = TabWidth(i);
        if (l.rowStart.empty() || (multiRow_ && x > 0 && x + w > width)) {
            l.rowStart.push_back(i);
            x = 0;
        }
        l.rects[static_cast<std::size_t>(i)] = QRect(x, static_cast<int>(l.rowStart.size() - 1) * h, w, h);
        x += w;
    }
    if (l.rowStart.size() > 1) {
        for (std::size_t r = 0; r < l.rowStart.size(); ++r) {
            int first = l.rowStart[r];
            int end = r + 1 < l.rowStart.size() ? l.rowStart[r + 1] : count();
            int used = l.rects[static_cast<std::size_t>(end - 1)].right() + 1;
            int extra = std::max(0, width - used), n = end - first, pos = 0;
            for (int i = first; i < end; ++i) {
                QRect& rc = l.rects[static_cast<std::size_t>(i)];
                int grow = extra / n + (i - first < extra % n ? 1 : 0);
                rc = QRect(pos, rc.y(), rc.width() + grow, rc.height());
                pos += rc.width();
            }
        }
    }
    layout_ = std::move(l);
    return layout_;
}

int TabRow::LinesShown(int rows) const { return std::clamp(rows, 1, MaxLines()); }

// The rows a width needs, counted without laying them out (cached for one width).
int TabRow::RowsFor(int width) const {
    width = std::max(width, kMinTabWidth);
    if (rowsAtFullWidth_.first == width) return rowsAtFullWidth_.second;
    int rows = count() > 0 ? 1 : 0, x = 0;
    for (int i = 0; multiRow_ && i < count(); ++i) {
        const int w = TabWidth(i);
        if (x > 0 && x + w > width) {
            ++rows;
            x = 0;
        }
        x += w;
    }
    rowsAtFullWidth_ = {width, rows};
    return rows;
}

int TabRow::ArrowWidth() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

// The width the tabs are laid out in: the whole row, less the column of the up and
// down arrows when the rows do not all fit.
int TabRow::TabsWidth(int width) const {
    if (multiRow_ && RowsFor(width) > MaxLines()) return std::max(kMinTabWidth, width - ArrowWidth());
    return width;
}

// Counted, not laid out: asked on every resize and scroll.
int TabRow::Rows() const { return multiRow_ ? RowsFor(TabsWidth(width())) : 1; }

bool TabRow::RowsScroll() const { return Rows() > LinesShown(Rows()); }

int TabRow::RowCount() const { return static_cast<int>(LayoutFor(TabsWidth(width())).rowStart.size()); }

int TabRow::RowOf(int index) const {
    if (index < 0 || index >= count()) return -1;
    const std::vector<int>& starts = LayoutFor(TabsWidth(width())).rowStart;
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), index) - starts.begin()) - 1;
}

// The rows turn so that the current tab's row lies next to the page, the others
// keeping their order: below it when the tabs are above the page, above it otherwise.
int TabRow::DisplayLineOf(int index) const {
    int n = RowCount(), r = RowOf(index), s = std::max(0, RowOf(current_));
    if (r < 0) return -1;
    return below_ ? (r - s + n) % n : (r - s - 1 + n) % n;
}

// The screen line of a display line, or -1 when it is scrolled out of sight. The
// line next to the page (the current row) always shows; the other lines scroll
// past it, scrolledLines_ of them away from the page.
int TabRow::ScreenLineOf(int displayLine, int rows, int shown) const {
    const int nextToPage = below_ ? 0 : rows - 1;
    if (displayLine == nextToPage) return below_ ? 0 : shown - 1;
    int line = below_ ? displayLine - scrolledLines_ : displayLine - (rows - shown - scrolledLines_);
    if (below_ ? line < 1 || line >= shown : line < 0 || line >= shown - 1) return -1;
    return line;
}

QRect TabRow::tabRect(int index) const {
    if (index < 0 || index >= count()) return {};
    const Layout& l = LayoutFor(TabsWidth(width()));
    QRect rc = l.rects[static_cast<std::size_t>(index)];
    if (!multiRow_) {
        rc.translate(-l.rects[static_cast<std::size_t>(firstShown_)].x(), 0);
        int room = width() - (left_->isVisible() ? 2 * TabHeight() : 0);
        return rc.x() < 0 || rc.x() >= room ? QRect() : rc;
    }
    int n = static_cast<int>(l.rowStart.size()), shown = LinesShown(n);
    int line = ScreenLineOf(DisplayLineOf(index), n, shown);
    if (line < 0) return {};
    rc.moveTop(line * TabHeight());
    return rc;
}

int TabRow::tabAt(const QPoint& pos) const {
    if (!rect().contains(pos)) return -1;
    if (!multiRow_) {
        for (int i = firstShown_; i < count(); ++i) {
            QRect rc = tabRect(i);
            if (rc.isEmpty()) break;
            if (rc.contains(pos)) return i;
        }
        return -1;
    }
    // Find the logical row under the line, then the tab in it.
    const Layout& l = LayoutFor(TabsWidth(width()));
    int n = static_cast<int>(l.rowStart.size()), shown = LinesShown(n);
    int line = pos.y() / TabHeight();
    if (line >= shown) return -1;
    int display = -1;
    if (below_)
        display = line == 0 ? 0 : line + scrolledLines_;
    else
        display = line == shown - 1 ? n - 1 : line + n - shown - scrolledLines_;
    int s = std::max(0, RowOf(current_));
    int row = below_ ? (display + s) % n : (display + s + 1) % n;
    int end = row + 1 < n ? l.rowStart[static_cast<std::size_t>(row) + 1] : count();
    for (int i = l.rowStart[static_cast<std::size_t>(row)]; i < end; ++i) {
        const QRect& rc = l.rects[static_cast<std::size_t>(i)];
        if (pos.x() >= rc.x() && pos.x() <= rc.right()) return i;
    }
    return -1;
}

int TabRow::heightForWidth(int width) const {
    int rows = multiRow_ ? RowsFor(TabsWidth(width)) : 1;
    return LinesShown(rows) * TabHeight() + 1;
}

QSize TabRow::sizeHint() const {
    int w = width() > 0 ? width() : 200;
    return {w, heightForWidth(w)};
}

QSize TabRow::minimumSizeHint() const { return {kMinTabWidth, height()}; }

// The row's height follows the number of rows its width needs; being fixed, it
// cannot be squeezed by the pane above, so every tab stays visible.
void TabRow::FitHeight() {
    int h = heightForWidth(width());
    if (h != height() || minimumHeight() != h) setFixedHeight(h);
}

void TabRow::UpdateScrollButtons() {
    const bool lines = RowsScroll();
    if (lines) {
        const int n = Rows();
        scrolledLines_ = std::clamp(scrolledLines_, 0, n - LinesShown(n));
        const int w = ArrowWidth(), half = (height() - 1) / 2;
        up_->setGeometry(width() - w, below_ ? 1 : 0, w, half);
        down_->setGeometry(width() - w, (below_ ? 1 : 0) + half, w, half);
        // Up shows the rows above; with the tabs above the page those lie farther from it.
        up_->setEnabled(below_ ? scrolledLines_ > 0 : scrolledLines_ < n - LinesShown(n));
        down_->setEnabled(below_ ? scrolledLines_ < n - LinesShown(n) : scrolledLines_ > 0);
    } else {
        scrolledLines_ = 0;
    }
    up_->setVisible(lines);
    down_->setVisible(lines);
    bool overflow = false;
    if (!multiRow_ && count() > 0) {
        const Layout& l = LayoutFor(width());
        overflow = firstShown_ > 0 || l.rects.back().right() >= width();
    }
    int h = TabHeight();
    left_->setGeometry(width() - 2 * h, 0, h, h);
    right_->setGeometry(width() - h, 0, h, h);
    left_->setVisible(overflow);
    right_->setVisible(overflow);
    left_->setEnabled(firstShown_ > 0);
    right_->setEnabled(overflow && firstShown_ < count() - 1);
}

void TabRow::ScrollBy(int step) {
    firstShown_ = std::clamp(firstShown_ + step, 0, std::max(0, count() - 1));
    UpdateScrollButtons();
    update();
}

// up > 0 shows rows above those shown, up < 0 rows below.
void TabRow::ScrollLines(int up) {
    if (!RowsScroll()) return;
    const int n = Rows();
    scrolledLines_ = std::clamp(scrolledLines_ + (below_ ? -up : up), 0, n - LinesShown(n));
    hot_ = -1;
    UpdateScrollButtons();
    update();
}

void TabRow::wheelEvent(QWheelEvent* e) {
    wheelDelta_ += e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
    const int steps = wheelDelta_ / QWheelEvent::DefaultDeltasPerStep;
    wheelDelta_ -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0) {
        if (multiRow_)
            ScrollLines(steps);
        else
            ScrollBy(-steps);
    }
    e->accept();
}

void TabRow::paintEvent(QPaintEvent* e) {
    QStylePainter p(this);
    // The line that joins the tabs to the page.
    p.setPen(palette().color(QPalette::Mid));
    int edge = below_ ? 0 : height() - 1;
    p.drawLine(0, edge, width(), edge);
    for (int i = 0; i < count(); ++i) {
        QRect rc = tabRect(i);
        if (rc.isEmpty() || !rc.intersects(e->rect())) continue;
        QStyleOptionTab opt;
        opt.initFrom(this);
        // Styles turn a tab below the page about the painter's origin, as a tab bar of
        // one row has it: each tab is drawn with the origin at its own line, or only
        // the first line kept its outline.
        const QPoint origin(0, rc.y() + (below_ ? 1 : 0));
        opt.rect = rc.translated(-origin);
        p.save();
        p.translate(origin);
        opt.text = tabs_[static_cast<std::size_t>(i)].text;
        opt.shape = below_ ? QTabBar::RoundedSouth : QTabBar::RoundedNorth;
        opt.position = QStyleOptionTab::Middle;
        opt.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
        if (i == current_) {
            opt.state |= QStyle::State_Selected;
            if (hasFocus()) opt.state |= QStyle::State_HasFocus;
        }
        if (i == hot_) opt.state |= QStyle::State_MouseOver;
        p.drawControl(QStyle::CE_TabBarTab, opt);
        p.restore();
    }
}

void TabRow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        int i = tabAt(e->position().toPoint());
        if (i >= 0) setCurrentIndex(i);
    }
    QWidget::mousePressEvent(e);
}

void TabRow::mouseMoveEvent(QMouseEvent* e) {
    int i = tabAt(e->position().toPoint());
    if (i != hot_) {
        hot_ = i;
        update();
    }
    QWidget::mouseMoveEvent(e);
}

void TabRow::leaveEvent(QEvent* e) {
    if (hot_ >= 0) {
        hot_ = -1;
        update();
    }
    QWidget::leaveEvent(e);
}

void TabRow::keyPressEvent(QKeyEvent* e) {
    int next = current_;
    switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            next = current_ - 1;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            next = current_ + 1;
            break;
        case Qt::Key_Home:
            next = 0;
            break;
        case Qt::Key_End:
            next = count() - 1;
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
    }
    setCurrentIndex(std::clamp(next, 0, std::max(0, count() - 1)));
}

void TabRow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateScrollButtons();
    ScrollToCurrent();
    // A new width can need another number of rows, and so another height.
    FitHeight();
}

void TabRow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
        for (Tab& t : tabs_) t.width = -1;
        Invalidate();
    }
    QWidget::changeEvent(e);
}

}  // namespace zarnik::ui
