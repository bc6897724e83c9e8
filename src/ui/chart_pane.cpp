#include "ui/chart_pane.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QFontInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QLineSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "ui/result_ops.h"

namespace zarnik::ui {

namespace {

using ChartList = std::vector<std::unique_ptr<QChart>>;

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// A saved or printed chart is laid out this wide (in pixels at the screen's
// resolution) and as high as its share of the target, then scaled to the target.
constexpr int kPictureWidth = 900;
constexpr int kPictureChartHeight = 450;

// Each folder's path from the folder above the one they all lie in (the top
// folder by its own name), cut to its last characters: the category axis shortens
// a label from its end, which would leave only the part they share.
QStringList FolderLabels(const std::vector<report::FolderBar>& folders) {
    QString shared = folders.empty() ? QString() : Utf8(folders.front().Folder);
    for (const report::FolderBar& f : folders) {
        const QString path = Utf8(f.Folder);
        while (!shared.isEmpty() && !(path == shared || path.startsWith(shared + QLatin1Char('/'))))
            shared.truncate(std::max<qsizetype>(shared.lastIndexOf(QLatin1Char('/')), 0));
    }
    const qsizetype cut = shared.lastIndexOf(QLatin1Char('/')) + 1;
    constexpr qsizetype kShown = 40;
    QStringList labels;
    for (const report::FolderBar& f : folders) {
        QString label = Utf8(f.Folder).mid(cut);
        if (label.isEmpty()) label = Utf8(f.Folder);
        if (label.size() > kShown) label = QStringLiteral("…") + label.right(kShown - 1);
        labels << label;
    }
    return labels;
}

// A category axis drops a label it already holds: two folders whose shown
// tails agree keep a bar each.
QString UniqueLabel(const QStringList& taken, const QString& label) {
    QString unique = label;
    for (int n = 2; taken.contains(unique); ++n) unique = label + QStringLiteral(" (%1)").arg(n);
    return unique;
}

QValueAxis* LinesAxis(const QFont& font, const QString& title) {
    auto* axis = new QValueAxis;
    // Figures beyond an int's range are whole numbers too.
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTitleText(title);
    axis->setTitleFont(font);
    axis->setLabelsFont(font);
    return axis;
}

QBarCategoryAxis* CategoryAxis(const QFont& font, const QStringList& names) {
    auto* axis = new QBarCategoryAxis;
    axis->append(names);
    axis->setLabelsFont(font);
    return axis;
}

std::unique_ptr<QChart> NewChart(const QFont& font, const QString& title) {
    auto chart = std::make_unique<QChart>();
    chart->setAnimationOptions(QChart::NoAnimation);  // a run's end shows its figures at once
    QFont titleFont(font);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitle(title);
    chart->legend()->setFont(font);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setBackgroundRoundness(0);
    return chart;
}

void AddAxis(QChart& chart, QAbstractAxis* axis, Qt::Alignment where,
             std::initializer_list<QAbstractSeries*> series) {
    chart.addAxis(axis, where);
    for (QAbstractSeries* s : series) s->attachAxis(axis);
}

// Puts bars on the chart, one group per name, against an axis of lines (horizontal
// bars: the names on the left); returns the names' axis for other series to share.
QBarCategoryAxis* AddBars(QChart& chart, QAbstractBarSeries* bars, const QStringList& names,
                          const QString& linesTitle, const QFont& font) {
    const bool horizontal = bars->type() == QAbstractSeries::SeriesTypeHorizontalBar;
    chart.addSeries(bars);
    QBarCategoryAxis* categories = CategoryAxis(font, names);
    AddAxis(chart, categories, horizontal ? Qt::AlignLeft : Qt::AlignBottom, {bars});
    QValueAxis* lines = LinesAxis(font, linesTitle);
    AddAxis(chart, lines, horizontal ? Qt::AlignBottom : Qt::AlignLeft, {bars});
    lines->applyNiceNumbers();
    return categories;
}

QString Number(std::int64_t n) { return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(n)); }

// Each kind's executable, comment and blank lines stacked, and its comment
// ratio as a line over them on an axis of its own.
std::unique_ptr<QChart> KindsChart(const report::CountChart& c, const QFont& font) {
    const report::KindBar& all = c.All;
    auto chart =
        NewChart(font, QStringLiteral("種別ごとの行数<br>%1 %2ﾌｧｲﾙ %3行 ｺﾒﾝﾄ率 %4%")
                           .arg(Utf8(all.Name), Number(all.Files), Number(all.Exec + all.Comment + all.Blank))
                           .arg(static_cast<double>(all.Ratio), 0, 'f', 2));
    auto* exec = new QBarSet(QStringLiteral("実行数"));
    auto* comment = new QBarSet(QStringLiteral("ｺﾒﾝﾄ行"));
    auto* blank = new QBarSet(QStringLiteral("空行数"));
    auto* ratio = new QLineSeries;
    ratio->setName(QStringLiteral("ｺﾒﾝﾄ率(%)"));
    ratio->setColor(QColor(0xc0, 0x39, 0x2b));  // apart from the bars' colours
    ratio->setPointsVisible(true);
    ratio->setPointLabelsVisible(true);
    ratio->setPointLabelsFont(font);
    ratio->setPointLabelsFormat(QStringLiteral("@yPoint%"));
    QStringList names;
    for (const report::KindBar& bar : c.Kinds) {
        *exec << static_cast<qreal>(bar.Exec);
        *comment << static_cast<qreal>(bar.Comment);
        *blank << static_cast<qreal>(bar.Blank);
        // Two decimals, as the report prints it.
        ratio->append(static_cast<qreal>(names.size()),
                      std::round(static_cast<double>(bar.Ratio) * 100) / 100);
        names << Utf8(bar.Name);
    }
    auto* bars = new QStackedBarSeries;
    bars->append({exec, comment, blank});
    QBarCategoryAxis* kinds = AddBars(*chart, bars, names, QStringLiteral("行数"), font);
    chart->addSeries(ratio);
    ratio->attachAxis(kinds);
    QValueAxis* percent = LinesAxis(font, QStringLiteral("ｺﾒﾝﾄ率(%)"));
    percent->setRange(0, 100);
    AddAxis(*chart, percent, Qt::AlignRight, {ratio});
    return chart;
}

// The biggest folders by total lines, the biggest on top.
std::unique_ptr<QChart> FoldersChart(const report::CountChart& c, const QFont& font) {
    auto chart = NewChart(font, QStringLiteral("行数の多いﾌｫﾙﾀﾞ（上位%1）").arg(c.Folders.size()));
    auto* total = new QBarSet(QStringLiteral("総行数"));
    const QStringList labels = FolderLabels(c.Folders);
    QStringList names;
    for (auto i = static_cast<qsizetype>(c.Folders.size()) - 1; i >= 0; --i) {
        *total << static_cast<qreal>(c.Folders[static_cast<std::size_t>(i)].Total);
        names << UniqueLabel(names, labels[i]);
    }
    auto* bars = new QHorizontalBarSeries;
    bars->append(total);
    bars->setLabelsVisible(true);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    chart->legend()->hide();
    AddBars(*chart, bars, names, QStringLiteral("総行数"), font);
    return chart;
}

// Each kind's lines added, changed and deleted side by side.
std::unique_ptr<QChart> ChangeKindsChart(const report::ChangeChart& c, const QFont& font) {
    const report::ChangeBar& all = c.All;
    auto chart =
        NewChart(font, QStringLiteral("種別ごとの差分行数<br>%1 追加 %2 変更 %3 削除 %4")
                           .arg(Utf8(all.Name), Number(all.Added), Number(all.Changed), Number(all.Deleted)));
    auto* added = new QBarSet(QStringLiteral("追加"));
    auto* changed = new QBarSet(QStringLiteral("変更"));
    auto* deleted = new QBarSet(QStringLiteral("削除"));
    QStringList names;
    for (const report::ChangeBar& bar : c.Kinds) {
        *added << static_cast<qreal>(bar.Added);
        *changed << static_cast<qreal>(bar.Changed);
        *deleted << static_cast<qreal>(bar.Deleted);
        names << Utf8(bar.Name);
    }
    auto* bars = new QBarSeries;
    bars->append({added, changed, deleted});
    bars->setLabelsVisible(true);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    AddBars(*chart, bars, names, QStringLiteral("行数"), font);
    return chart;
}

// Each kind's total lines at each commit, oldest on the left.
std::unique_ptr<QChart> HistoryLinesChart(const report::HistoryChart& c, const QFont& font) {
    auto chart = NewChart(font, QStringLiteral("種別ごとの行数の推移（%1ｺﾐｯﾄ）").arg(c.Commits.size()));
    QStringList names;
    for (const report::HistoryChart::Commit& commit : c.Commits)
        names << UniqueLabel(names, Utf8(commit.Label));
    auto* commits = CategoryAxis(font, names);
    QValueAxis* lines = LinesAxis(font, QStringLiteral("総行数"));
    chart->addAxis(commits, Qt::AlignBottom);
    chart->addAxis(lines, Qt::AlignLeft);
    for (const report::HistoryChart::Series& kind : c.Kinds) {
        auto* series = new QLineSeries;
        series->setName(Utf8(kind.Name));
        series->setPointsVisible(c.Commits.size() <= 50);  // many commits: only the line
        for (std::size_t i = 0; i < kind.Lines.size(); ++i)
            series->append(static_cast<qreal>(i), static_cast<qreal>(kind.Lines[i]));
        chart->addSeries(series);
        series->attachAxis(commits);
        series->attachAxis(lines);
    }
    lines->applyNiceNumbers();
    return chart;
}

ChartList MakeCharts(const ChartPane::Figures& figures, const QFont& font) {
    ChartList charts;
    if (const auto* count = std::get_if<report::CountChart>(&figures)) {
        if (!count->Kinds.empty()) charts.push_back(KindsChart(*count, font));
        if (!count->Folders.empty()) charts.push_back(FoldersChart(*count, font));
    } else if (const auto* change = std::get_if<report::ChangeChart>(&figures)) {
        if (!change->Kinds.empty()) charts.push_back(ChangeKindsChart(*change, font));
    } else if (const auto* history = std::get_if<report::HistoryChart>(&figures)) {
        if (!history->Commits.empty() && !history->Kinds.empty())
            charts.push_back(HistoryLinesChart(*history, font));
    }
    return charts;
}

// Lays the charts out one above the other, each of the saved picture's shape, and
// draws them as large as they fit at target's top left.
void RenderCharts(ChartList charts, QPainter& painter, const QRectF& target) {
    if (charts.empty() || target.width() <= 0 || target.height() <= 0) return;
    // The charts' text keeps its size against the chart at any target resolution.
    const qreal width = kPictureWidth;
    const qreal each = kPictureChartHeight;
    const qreal height = each * static_cast<qreal>(charts.size());
    const qreal scale = std::min(target.width() / width, target.height() / height);
    const QRectF drawn(target.topLeft(), QSizeF(width * scale, height * scale));
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, width, height);
    scene.setBackgroundBrush(Qt::white);
    qreal top = 0;
    for (std::unique_ptr<QChart>& chart : charts) {
        QChart* c = chart.release();  // the scene owns it
        scene.addItem(c);
        c->setGeometry(QRectF(0, top, width, each));
        top += each;
    }
    // A chart lays out its axes and series when its layout request is handled.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, drawn, scene.sceneRect());
    painter.restore();
}

}  // namespace

ChartPane::ChartPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chartPane"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // A pane lower than the charts need scrolls instead of squeezing their text away.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    content->setBackgroundRole(QPalette::Base);
    layout_ = new QVBoxLayout(content);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    empty_ = new QLabel(QStringLiteral("ｶｳﾝﾄが終わるとｸﾞﾗﾌを表示します"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    layout_->addWidget(empty_);
    scroll->setWidget(content);
    outer->addWidget(scroll);
}

void ChartPane::ShowCount(report::CountChart chart) {
    figures_ = std::move(chart);
    ShowFigures();
}

void ChartPane::ShowChange(report::ChangeChart chart) {
    figures_ = std::move(chart);
    ShowFigures();
}

void ChartPane::ShowHistory(report::HistoryChart chart) {
    figures_ = std::move(chart);
    ShowFigures();
}

void ChartPane::Clear() {
    figures_ = {};
    ShowFigures();
}

QList<QChart*> ChartPane::Charts() const {
    QList<QChart*> charts;
    for (const QChartView* view : views_) charts << view->chart();
    return charts;
}

void ChartPane::SetChartFont(const QFont& font) {
    // The face installed in place of the one named: an SVG picture names it too.
    font_ = font;
    font_.setFamily(QFontInfo(font).family());
    empty_->setFont(font);
    if (HasChart()) ShowFigures();
}

void ChartPane::ShowFigures() {
    for (QChartView* view : views_) delete view;  // with its chart
    views_.clear();
    for (std::unique_ptr<QChart>& chart : MakeCharts(figures_, font_)) {
        auto* view = new QChartView(chart.release());
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(320, 260);
        layout_->addWidget(view, 1);
        views_ << view;
    }
    empty_->setVisible(views_.isEmpty());
}

void ChartPane::Render(QPainter& painter, const QRectF& target) const {
    RenderCharts(MakeCharts(figures_, font_), painter, target);
}

bool ChartPane::SaveTo(const QString& path, QString& error) const {
    ChartList charts = MakeCharts(figures_, font_);
    const QSize size(kPictureWidth, kPictureChartHeight * std::max(static_cast<int>(charts.size()), 1));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool ok = false;
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(), size));
        svg.setTitle(QStringLiteral("Zarnik"));
        QPainter painter;
        if (painter.begin(&svg)) {
            RenderCharts(std::move(charts), painter, QRectF(QPointF(), size));
            ok = painter.end();
        }
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter;
        if (painter.begin(&image)) {
            RenderCharts(std::move(charts), painter, QRectF(QPointF(), size));
            ok = painter.end() && image.save(&buffer, "PNG");
        }
    }
    if (!ok) {
        error = QStringLiteral("ｸﾞﾗﾌを書き出せませんでした");
        return false;
    }
    return WriteSavedFile(path, bytes.toStdString(), error);
}

}  // namespace zarnik::ui
