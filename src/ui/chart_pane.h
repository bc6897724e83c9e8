// The chart pane beside the result: the last finished run's figures as charts,
// drawn from the same numbers as its report, and what leaves the program from
// them (a PNG or SVG file, a page after the printed report).
#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <variant>

#include "report/chart_data.h"

class QChart;
class QFileDialog;
class QChartView;
class QLabel;
class QPainter;
class QVBoxLayout;

namespace zarnik::ui {

class ChartPane : public QWidget {
    Q_OBJECT
public:
    using Figures =
        std::variant<std::monostate, report::CountChart, report::ChangeChart, report::HistoryChart>;

    explicit ChartPane(QWidget* parent = nullptr);

    // A count's charts: the lines of each kind by class with its comment ratio,
    // and the biggest folders by lines.
    void ShowCount(report::CountChart chart);
    // A change count's chart: the lines added, changed and deleted of each kind.
    void ShowChange(report::ChangeChart chart);
    // A history's chart: each kind's total lines at each commit, as lines.
    void ShowHistory(report::HistoryChart chart);
    void Clear();
    bool HasChart() const { return !std::holds_alternative<std::monostate>(figures_); }
    // The charts shown now, top first.
    QList<QChart*> Charts() const;

    // The labels' font; the charts take it at once.
    void SetChartFont(const QFont& font);

    // Draws the charts, top to bottom, as large as they fit at target's top left:
    // fresh charts of a fixed shape, so that a hidden or small pane saves and
    // prints the same.
    void Render(QPainter& painter, const QRectF& target) const;
    // Writes the charts to path: SVG when its name ends in ".svg", else PNG.
    // False with the message to show when it could not.
    bool SaveTo(const QString& path, QString& error) const;

private:
    void ShowFigures();

    Figures figures_;
    QFont font_;
    QLabel* empty_;
    QVBoxLayout* layout_;
    QList<QChartView*> views_;
};

// The chart save's dialog: the result save's, with a title of its own, PNG and
// SVG, and the chosen type's extension added to a name typed without one.
void ConfigureChartSaveDialog(QFileDialog& dialog, const QString& folder);

}  // namespace zarnik::ui
