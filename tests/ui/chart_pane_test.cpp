#include "ui/chart_pane.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QImage>
#include <QLineSeries>
#include <QPrinter>
#include <QStackedBarSeries>
#include <QTest>
#include <QtCharts/QAbstractBarSeries>

#include "test_util.h"
#include "ui/change_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// Every bar set of a chart's bar series as "name:v1,v2,...", then its line's points'
// heights as "line:y1,y2,...", then the category axis's labels as "axis:a,b".
QStringList Figures(const QChart* chart) {
    QStringList out;
    auto join = [](const QList<qreal>& values) {
        QStringList parts;
        for (qreal v : values) parts << QString::number(v);
        return parts.join(QLatin1Char(','));
    };
    for (QAbstractSeries* series : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            for (QBarSet* set : bars->barSets()) {
                QList<qreal> values;
                for (int i = 0; i < set->count(); ++i) values << set->at(i);
                out << set->label() + QLatin1Char(':') + join(values);
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(series)) {
            QList<qreal> values;
            for (const QPointF& p : line->points()) values << p.y();
            out << QStringLiteral("line:") + join(values);
        }
    }
    for (QAbstractAxis* axis : chart->axes())
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
            out << QStringLiteral("axis:") + categories->categories().join(QLatin1Char(','));
    return out;
}

}  // namespace

class ChartPaneTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    // A count's figures reach the pane as the report has them; saved, printed and
    // cleared with the result; a change count draws its own.
    void countAndChangeRunsDrawTheirFigures() {
        testing::TempDir dir;
        // C: 4 executable, 2 comment, 1 blank; header: 1 comment, 1 blank; in two folders.
        dir.Write("src/a.c", "/* a */\nint a;\n\nint b;\n");
        dir.Write("src/big/b.c", "// b\nint c;\nint d;\n");
        dir.Write("src/big/b.h", "// h\n\n");
        WindowFixture f;
        MainWindow& w = *f.window;
        QVERIFY(w.Chart().isHidden());  // a fresh window as before
        QVERIFY(!Command(w, "chartAction")->isChecked());
        Command(w, "chartAction")->trigger();
        QVERIFY(w.Chart().isVisible());
        QCOMPARE(f.state.Cnf.ShowChart, 1);
        QVERIFY(!Command(w, "saveChartAction")->isEnabled());

        w.Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        Command(w, "countAction")->trigger();
        QList<QChart*> charts = w.Chart().Charts();
        QCOMPARE(charts.size(), 2);
        QCOMPARE(Figures(charts[0]),
                 (QStringList{QStringLiteral("実行数:0,4"), QStringLiteral("ｺﾒﾝﾄ行:1,2"),
                              QStringLiteral("空行数:1,1"), QStringLiteral("line:50,28.57"),
                              QStringLiteral("axis:C･ﾍｯﾀﾞ,C･ｿｰｽ")}));
        QVERIFY(charts[0]->title().contains(QStringLiteral("全ｿｰｽﾌｧｲﾙ 3ﾌｧｲﾙ 9行 ｺﾒﾝﾄ率 33.33%")));
        // The biggest folder on top (the axis counts from the bottom), named from the
        // folder above the one they share.
        QCOMPARE(Figures(charts[1]),
                 (QStringList{QStringLiteral("総行数:4,5"), QStringLiteral("axis:src,src/big")}));
        const QString top = QString::fromStdString(dir.str());

        // PNG and SVG by the name's extension; a file that cannot be made is a message.
        QVERIFY(Command(w, "saveChartAction")->isEnabled());
        const QString png = QString::fromStdString(dir.str() + "/chart.png");
        const QString svg = QString::fromStdString(dir.str() + "/chart.SVG");
        f.prompts.SaveNames = {png, svg, QString::fromStdString(dir.str() + "/missing/chart.png")};
        for (int i = 0; i < 3; ++i) Command(w, "saveChartAction")->trigger();
        QVERIFY(f.prompts.SaveKinds.back() == Prompts::SaveKind::Chart);
        QCOMPARE(QImage(png, "PNG").size(), QSize(900, 900));
        const std::string svgText = testing::ReadFileBytes(svg.toStdString());
        QVERIFY(svgText.find("<svg") != std::string::npos);
        QVERIFY(svgText.find("ｺﾒﾝﾄ") != std::string::npos);
        QCOMPARE(f.messages, QStringList{QStringLiteral("ｴﾗｰ:ﾌｧｲﾙ ") + top +
                                         QStringLiteral("/missing/chart.png を作成できません")});

        // Printed, the charts take a page after the report's.
        const QString pdf = QString::fromStdString(dir.str() + "/out.pdf");
        f.prompts.Printers.push_back([&pdf](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return true;
        });
        Command(w, "printAction")->trigger();
        QCOMPARE(PdfPageCount(testing::ReadFileBytes(pdf.toStdString())), 2);

        // A run that does not finish leaves nothing drawn or saved from the one before.
        w.RunPumpHook = [&] { w.ProgressWindow()->stopButton->click(); };
        Command(w, "countAction")->trigger();
        w.RunPumpHook = {};
        QVERIFY(!w.Chart().HasChart() && !Command(w, "saveChartAction")->isEnabled());
        QVERIFY(!Command(w, "saveCsvAction")->isEnabled());

        // A change count: its lines added, changed and deleted per kind.
        dir.Write("old/a.c", "int a;\n/* x */\n");
        dir.Write("old/gone.h", "int g;\n");  // header: b.h added, gone.h deleted
        f.state.DiffOld = dir.str() + "/old";
        f.state.DiffNew = dir.str() + "/src";
        f.prompts.Dialogs.push_back(
            [](QDialog& d) { return static_cast<ChangeCountDialog&>(d).okButton->click(), d.result(); });
        Command(w, "changeCountAction")->trigger();
        charts = w.Chart().Charts();
        QCOMPARE(charts.size(), 1);
        QCOMPARE(Figures(charts[0]),
                 (QStringList{QStringLiteral("追加:2,5"), QStringLiteral("変更:0,1"),
                              QStringLiteral("削除:1,0"), QStringLiteral("axis:C･ﾍｯﾀﾞ,C･ｿｰｽ")}));

        // Hidden, the pane offers nothing to save; cleared, it has nothing to show.
        Command(w, "chartAction")->trigger();
        QVERIFY(w.Chart().isHidden() && !Command(w, "saveChartAction")->isEnabled());
        Command(w, "chartAction")->trigger();
        Command(w, "clearAction")->trigger();
        QVERIFY(w.Chart().Charts().isEmpty() && !Command(w, "saveChartAction")->isEnabled());
    }

    // A history (no window run makes one yet): each kind's lines over the commits.
    void aHistoryIsDrawnAsLines() {
        report::HistoryChart history;
        history.Commits = {{"v1.0", 0}, {"abc1234", 0}};
        history.Kinds = {{1, "C･ﾍｯﾀﾞ", {3, 3}}, {2, "C･ｿｰｽ", {10, 12}}};
        ChartPane pane;
        pane.ShowHistory(history);
        QCOMPARE(pane.Charts().size(), 1);
        QCOMPARE(Figures(pane.Charts()[0]),
                 (QStringList{QStringLiteral("line:3,3"), QStringLiteral("line:10,12"),
                              QStringLiteral("axis:v1.0,abc1234")}));
        QCOMPARE(pane.Charts()[0]->series()[1]->name(), QStringLiteral("C･ｿｰｽ"));
    }

    // ShowChart is written once the pane was shown; an INI without it keeps the
    // window as it was.
    void theSwitchPersists() {
        testing::TempDir dir;
        const std::string ini = dir.str() + "/zarnik.ini";
        auto open = [&ini] {
            return std::make_unique<WindowFixture>([&ini](AppState& s) { UseIniFile(s, ini); });
        };
        {
            auto f = open();
            QVERIFY(f->window->Chart().isHidden());
            Command(*f->window, "chartAction")->trigger();
            QVERIFY(f->window->close());
        }
        QVERIFY(testing::ReadFileBytes(ini).find("ShowChart=1\r\n") != std::string::npos);
        {
            auto f = open();
            QVERIFY(!f->window->Chart().isHidden());
            QVERIFY(Command(*f->window, "chartAction")->isChecked());
            Command(*f->window, "chartAction")->trigger();
            QVERIFY(f->window->close());
        }
        QVERIFY(testing::ReadFileBytes(ini).find("ShowChart=0\r\n") != std::string::npos);
        QVERIFY(open()->window->Chart().isHidden());
    }
};

QTEST_MAIN(ChartPaneTest)
#include "chart_pane_test.moc"
