#include "ui/ui_style.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QTranslator>

#include "ui/qt_text.h"

namespace zarnik::ui {

int AskQuestion(QWidget* parent, const QString& text, bool withCancel) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton* cancel =
        withCancel ? box.addButton(QStringLiteral("ｷｬﾝｾﾙ"), QMessageBox::RejectRole) : nullptr;
    box.setDefaultButton(yes);
    if (cancel) box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes) return QMessageBox::Yes;
    if (box.clickedButton() == no) return QMessageBox::No;
    return withCancel ? QMessageBox::Cancel : QMessageBox::No;
}

void ShowBox(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::Icon icon = title == QStringLiteral("ｴﾗｰ")    ? QMessageBox::Critical
                             : title == QStringLiteral("警告") ? QMessageBox::Warning
                                                               : QMessageBox::Information;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QColor ColorFromText(const std::string& t) {
    struct Named {
        const char* name;
        int r, g, b;
    };
    static const Named kNamed[] = {
        {"clBlack", 0, 0, 0},       {"clMaroon", 128, 0, 0},    {"clGreen", 0, 128, 0},
        {"clOlive", 128, 128, 0},   {"clNavy", 0, 0, 128},      {"clPurple", 128, 0, 128},
        {"clTeal", 0, 128, 128},    {"clGray", 128, 128, 128},  {"clSilver", 192, 192, 192},
        {"clRed", 255, 0, 0},       {"clLime", 0, 255, 0},      {"clYellow", 255, 255, 0},
        {"clBlue", 0, 0, 255},      {"clFuchsia", 255, 0, 255}, {"clAqua", 0, 255, 255},
        {"clWhite", 255, 255, 255},
    };
    for (const Named& n : kNamed)
        if (text::EqualsNoCase(t, n.name)) return QColor(n.r, n.g, n.b);
    QPalette pal = QApplication::palette();
    if (text::EqualsNoCase(t, "clWindow")) return pal.color(QPalette::Base);
    if (text::EqualsNoCase(t, "clWindowText")) return pal.color(QPalette::Text);
    if (text::EqualsNoCase(t, "clBtnFace")) return pal.color(QPalette::Button);
    if (text::EqualsNoCase(t, "clBtnText")) return pal.color(QPalette::ButtonText);
    if (text::EqualsNoCase(t, "clHighlight")) return pal.color(QPalette::Highlight);
    if (text::EqualsNoCase(t, "clHighlightText")) return pal.color(QPalette::HighlightedText);
    std::int32_t v = 0;
    if (settings::ParseIniInteger(t, v) && v >= 0) return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    return {};
}

QFont ToQFont(const settings::PaneFont& f) {
    QFont font(ToQ(f.FaceName));
    if (f.PointSize > 0) font.setPointSize(f.PointSize);
    font.setBold(f.StyleBits & 1);
    font.setItalic(f.StyleBits & 2);
    font.setUnderline(f.StyleBits & 4);
    font.setStrikeOut(f.StyleBits & 8);
    return font;
}

void ApplyPaneFont(QWidget* pane, const settings::PaneFont& f, const std::string& background) {
    pane->setFont(ToQFont(f));
    QPalette pal = pane->palette();
    QColor fg = ColorFromText(f.ColorName);
    QColor bg = ColorFromText(background);
    // A colour text that names no colour leaves the pane's colour as it is.
    if (fg.isValid()) pal.setColor(QPalette::Text, fg);
    if (bg.isValid()) pal.setColor(QPalette::Base, bg);
    pane->setPalette(pal);
}

void InstallFontSubstitutes() {
    // IPAGothic has exactly two half-width columns per double-byte character, so
    // the report's columns line up; IPAPGothic is its proportional twin.
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
}

bool InstallQtTranslations() {
    // The program speaks Japanese whatever the locale, and so do Qt's own dialogs.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* qt = new QTranslator(qApp);
    if (!qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}

DialogButtons MakeOkCancelHelp() {
    DialogButtons b{new QPushButton(QStringLiteral("OK")), new QPushButton(QStringLiteral("ｷｬﾝｾﾙ")),
                    new QPushButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"))};
    b.Ok->setDefault(true);
    b.Cancel->setAutoDefault(false);
    b.Help->setAutoDefault(false);
    return b;
}

}  // namespace zarnik::ui
