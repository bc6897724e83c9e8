#include "ui/env_tabs.h"

#include <QBoxLayout>

#include "ui/qt_text.h"
#include "ui/target_pane.h"

namespace zarnik::ui {

namespace {
QString JoinLines(const std::vector<std::string>& lines, QString (*toQ)(const std::string&)) {
    QStringList out;
    for (const std::string& l : lines) out << toQ(l);
    return out.join(QLatin1Char('\n'));
}

QString NativeToQ(const std::string& native) { return QString::fromStdString(native); }
}  // namespace

EnvTabs::EnvTabs(AppState& state, TargetPane& panes, QWidget* keyScope)
    : QObject(keyScope), state_(state), panes_(panes), row_(new TabRow) {
    row_->setObjectName(QStringLiteral("TabControl1"));
    row_->setContextMenuPolicy(Qt::CustomContextMenu);
    row_->AddSwitchKeys(keyScope);
    connect(row_, &TabRow::currentChanged, this, &EnvTabs::Changed);
    connect(row_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { emit MenuRequested(row_->mapToGlobal(p)); });
}

std::string EnvTabs::CurrentName() const { return ToSjis(row_->tabText(row_->currentIndex())); }

void EnvTabs::ShowTabs() {
    if (state_.Envs.Count() == 0) settings::SetDefaultEnvironments(state_.Envs);
    QSignalBlocker block(row_);
    QStringList names;
    names.reserve(state_.Envs.Count());
    for (int i = 0; i < state_.Envs.Count(); ++i) names << ToQ(state_.Envs.At(i).EnvName);
    row_->SetTabs(names);
    ApplyPlacement();
    int idx = state_.Cnf.SelectedTab;
    if (idx < 0 || idx >= row_->count()) idx = 0;
    row_->setCurrentIndex(idx);
    current_ = idx;
    FetchCurrent();
}

void EnvTabs::StoreCurrent() {
    state_.Envs.StoreEnv(state_.Envs.EnvIdAt(current_), ToNativeLines(panes_.List()->toPlainText()),
                         ToSjisLines(panes_.Memo()->toPlainText()));
}

void EnvTabs::FetchCurrent() {
    settings::Lines lines, memo;
    if (!state_.Envs.FetchEnv(state_.Envs.EnvIdAt(current_), lines, memo)) return;
    panes_.List()->setPlainText(JoinLines(lines, NativeToQ));
    panes_.Memo()->setPlainText(JoinLines(memo, ToQ));
    // A memo whose file could not be read is kept as it is on disk: typing into it
    // would be lost, so the pane is read-only for that environment.
    panes_.Memo()->setReadOnly(!state_.Envs.At(current_).KeptMemoFile.empty());
}

// Runs after the tab bar changed its current tab (click, keyboard or right click).
void EnvTabs::Changed(int index) {
    if (index == current_) return;
    StoreCurrent();
    current_ = index;
    state_.Cnf.SelectedTab = index;
    FetchCurrent();
}

bool EnvTabs::SelectForMenu(const QPoint& globalPos) {
    const QPoint inTabs = row_->mapFromGlobal(globalPos);
    if (!row_->rect().contains(inTabs)) return true;
    const int index = row_->tabAt(inTabs);
    if (index < 0) return false;
    if (index != row_->currentIndex()) row_->setCurrentIndex(index);
    return true;
}

void EnvTabs::ApplyPlacement() {
    bool below = state_.Cnf.TabPosition != 0;
    row_->SetMultiRow(state_.Cnf.TabsInRows != 0);
    row_->SetBelow(below);
    if (auto* box =
            qobject_cast<QBoxLayout*>(row_->parentWidget() ? row_->parentWidget()->layout() : nullptr)) {
        box->removeWidget(row_);
        box->insertWidget(below ? box->count() : 0, row_);
    }
}

}  // namespace zarnik::ui
