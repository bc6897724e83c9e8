// ProgressDialog: the window a count run shows while it collects and counts files.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>

namespace zarnik::ui {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    bool CancelRequested() const { return cancelRequested_; }
    void ResetCancel() { cancelRequested_ = false; }
    // Set by the cancel button on the window's thread; a run on its own thread reads it.
    const std::atomic<bool>& CancelFlag() const { return cancelRequested_; }

    QLabel* phaseLabel;
    QLabel* fileCountLabel;
    QLabel* fileNumberLabel;
    QLabel* environmentLabel;
    QPushButton* stopButton;
    QProgressBar* progressBar;

public slots:
    void OnStopClicked();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void reject() override {}  // Escape does not close it: only the cancel button does

private:
    class Animation;
    Animation* animation_;
    std::atomic<bool> cancelRequested_ = false;
};

}  // namespace zarnik::ui
