// TabRow: the environment tabs, in one row or wrapped into as many rows as needed.
#pragma once

#include <QStringList>
#include <QToolButton>
#include <QWidget>
#include <utility>
#include <vector>

namespace zarnik::ui {

class TabRow : public QWidget {
    Q_OBJECT
public:
    explicit TabRow(QWidget* parent = nullptr);

    // Replaces every tab at once; the rows are laid out when they are next needed,
    // so thousands of tabs cost one layout, not one per tab.
    void SetTabs(const QStringList& names);
    int count() const { return static_cast<int>(tabs_.size()); }
    QString tabText(int index) const;
    int currentIndex() const { return current_; }
    void setCurrentIndex(int index);

    int tabAt(const QPoint& pos) const;  // -1 when pos is on no tab
    QRect tabRect(int index) const;      // empty for a tab that is not shown

    // Ctrl+Tab / Ctrl+Shift+Tab and Ctrl+PageDown / Ctrl+PageUp switch tabs anywhere in scope.
    void AddSwitchKeys(QWidget* scope);

    // Several rows (every tab visible) or one row that scrolls.
    void SetMultiRow(bool on);
    bool MultiRow() const { return multiRow_; }
    // Below the page: the row next to the page is then the top one.
    void SetBelow(bool on);
    bool Below() const { return below_; }

    int RowCount() const;
    int RowOf(int index) const;          // logical row, 0 = the first tabs
    int DisplayLineOf(int index) const;  // 0 = the top line on screen
    // How often the rows were computed; a test checks that it does not grow with the tabs.
    int LayoutPasses() const { return layoutPasses_; }
    int HotIndex() const { return hot_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;
    // Fits the row's height to its rows again; the window calls it when its height
    // changes, which bounds the lines shown.
    void FitHeight();

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Layout {
        int width = -1;
        std::vector<int> rowStart;  // first tab of each logical row
        std::vector<QRect> rects;   // in logical row order, before the rows are rotated
    };
    void Invalidate();
    const Layout& LayoutFor(int width) const;
    int TabHeight() const;
    int TabWidth(int index) const;
    int LinesShown(int rows) const;
    int MaxLines() const;
    int RowsFor(int width) const;
    int ArrowWidth() const;
    int TabsWidth(int width) const;
    int Rows() const;
    bool RowsScroll() const;
    int ScreenLineOf(int displayLine, int rows, int shown) const;
    void UpdateScrollButtons();
    void ScrollBy(int step);
    void ScrollLines(int up);
    void ScrollToCurrent();

    struct Tab {
        QString text;
        mutable int width = -1;
    };
    std::vector<Tab> tabs_;
    int current_ = -1;
    int hot_ = -1;
    int firstShown_ = 0;  // one row: the first tab shown after scrolling
    bool multiRow_ = true;
    bool below_ = false;
    int scrolledLines_ = 0;  // several rows: lines scrolled away from the page
    int wheelDelta_ = 0;
    mutable Layout layout_;
    mutable std::pair<int, int> rowsAtFullWidth_{-1, 0};  // width, rows
    mutable int layoutPasses_ = 0;
    QToolButton* left_;
    QToolButton* right_;
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace zarnik::ui
