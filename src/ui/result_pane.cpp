#include "ui/result_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/result_print.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {

// The pane's text control. A copied selection carries HTML (the pane's font and
// colour) for other programs that take it; for a large one, building it froze the
// window for 10 to 35 seconds at a million lines, so that goes as plain text only.
class ResultEdit : public QPlainTextEdit {
protected:
    QMimeData* createMimeDataFromSelection() const override {
        const QTextCursor c = textCursor();
        if (c.selectionEnd() - c.selectionStart() <= ResultPane::kRichCopyLimit)
            return QPlainTextEdit::createMimeDataFromSelection();
        QString text = c.selectedText();
        // What the rich copy's plain text holds: line breaks, and spaces for no-break spaces.
        for (QChar& ch : text) {
            if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
                ch = QLatin1Char('\n');
            else if (ch == QChar::Nbsp)
                ch = QLatin1Char(' ');
        }
        auto* data = new QMimeData;
        data->setText(text);
        return data;
    }
};

}  // namespace

ResultPane::ResultPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* title = new QWidget;
    title->setFixedHeight(21);
    auto* titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(2, 0, 2, 0);
    auto* titleLabel = new QLabel(QStringLiteral("▼コメントカウント結果"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleRow->addWidget(titleLabel, 1);
    auto* pageBreak = new QPushButton(QStringLiteral("改頁ｺｰﾄﾞ挿入"));
    pageBreak->setFlat(true);
    pageBreak->setObjectName(QStringLiteral("Button_PageBreak"));
    pageBreak->setFixedSize(93, 21);
    pageBreak->hide();
    pageBreak->setEnabled(false);
    titleRow->addWidget(pageBreak);
    header_ = new QLabel;
    header_->setObjectName(QStringLiteral("Panel_B2"));
    header_->setFixedHeight(24);
    header_->setTextFormat(Qt::PlainText);
    header_->hide();
    edit_ = new ResultEdit;
    edit_->setObjectName(QStringLiteral("RichEdit_Rslt"));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pageBreak, &QPushButton::clicked, this, [this] { edit_->appendPlainText(QStringLiteral("\f")); });
    connect(edit_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (menu_ && ContextMenuAttached()) menu_->exec(edit_->viewport()->mapToGlobal(p));
    });
    connect(edit_->document(), &QTextDocument::contentsChanged, this, [this] {
        const bool has = HasLines();
        if (!has) header_->hide();  // the strip names the columns of lines that are gone
        emit LinesChanged(has);
    });
    layout->addWidget(title);
    layout->addWidget(header_);
    layout->addWidget(edit_, 1);
}

std::vector<std::string> ResultPane::Lines() const { return ToSjisLines(edit_->toPlainText()); }

void ResultPane::Clear() {
    edit_->clear();
    header_->hide();
}

void ResultPane::CopyToClipboard() const {
    QApplication::clipboard()->setText(ClipboardText(edit_->toPlainText()));
}

bool ResultPane::SaveTo(const QString& path, QString& error) const {
    return WriteSavedFile(path, ResultFileBytes(Lines()), error);
}

bool ResultPane::Print(QPrinter& printer) const {
    return PrintLines(printer, Lines(), edit_->font(), edit_->palette().color(QPalette::Text));
}

void ResultPane::ApplyFont(const settings::S_SVFINF& font, const std::string& background) {
    ApplyPaneFont(edit_, font, background);
    header_->setFont(edit_->font());
    // The ruler line starts where the pane's text starts.
    header_->setIndent(static_cast<int>(edit_->document()->documentMargin()) + edit_->frameWidth());
}

void ResultPane::ShowHorizontalScrollBar(bool on) {
    edit_->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

}  // namespace zarnik::ui
