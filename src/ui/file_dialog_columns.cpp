#include "ui/file_dialog_columns.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace zarnik::ui {

void FitFileDialogColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!view || !model) return;
    // Only the shown rows are measured, so a folder of many files costs no more than
    // a screenful. The name column gives up what the others take, down to a width of
    // some twenty characters, so that the date is seen without scrolling.
    auto fit = [view] {
        QHeaderView* header = view->header();
        int others = 0;
        for (int column = 1; column < header->count(); ++column) {
            if (view->isColumnHidden(column)) continue;
            view->resizeColumnToContents(column);
            others += header->sectionSize(column);
        }
        const int least = view->fontMetrics().averageCharWidth() * 20;
        header->resizeSection(0, std::max(least, view->viewport()->width() - others));
    };
    // Queued: the view takes the folder's rows after the model has read them.
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit, Qt::QueuedConnection);
    QObject::connect(model, &QAbstractItemModel::dataChanged, view, fit, Qt::QueuedConnection);
}

}  // namespace zarnik::ui
