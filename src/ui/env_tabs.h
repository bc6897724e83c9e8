// The environment tabs: one tab per source environment, and the target list and
// memo shown for the selected one.
#pragma once

#include <QObject>
#include <QPoint>
#include <string>

#include "ui/app_state.h"
#include "ui/tab_row.h"

namespace zarnik::ui {

class TargetPane;

class EnvTabs : public QObject {
    Q_OBJECT
public:
    // keyScope: the widget within which the tab-switching keys work.
    EnvTabs(AppState& state, TargetPane& panes, QWidget* keyScope);

    TabRow* Row() const { return row_; }
    int Current() const { return current_; }
    // Caption of the selected tab (Shift-JIS).
    std::string CurrentName() const;

    // Shows a tab for every environment (the default ones when there are none)
    // and selects the one TabIdx names.
    void ShowTabs();
    // The panes hold the current environment's up-to-date text; the record is
    // brought up to date before anything reads it or another environment replaces
    // the panes.
    void StoreCurrent();
    // The row above the target list when TabPos is 0, below it otherwise; wrapped
    // into rows unless TabDsp is 0, when tabs that do not fit are scrolled.
    void ApplyPlacement();
    // For a right click at globalPos: false when no tab is under it on the row;
    // otherwise the tab there becomes current first, as if it had been clicked.
    bool SelectForMenu(const QPoint& globalPos);

signals:
    void MenuRequested(const QPoint& globalPos);

private:
    void FetchCurrent();
    void Changed(int index);

    AppState& state_;
    TargetPane& panes_;
    TabRow* row_;
    int current_ = -1;
};

}  // namespace zarnik::ui
