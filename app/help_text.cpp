// The keys and the pop-up rows as --help and the About box list them.
#include "app/help_text.h"

#include "app/popup_menu.h"
#include "core/panel.h"

namespace {

// The panel keys' names, as drawn (KeyBack..KeySelect).
constexpr const char* kKeyNames[4] = {"Back", "Up", "Down", "Select/Power"};
constexpr int kWrapAt = 78;  // columns of a terminal line, less a margin

QString Styled(const char* text, HelpText style) {
    QString s = QString::fromUtf8(text);
    if (style == HelpText::Plain) s.replace(QStringLiteral("\u2026"), QStringLiteral("..."));
    return s;
}

// The rows as words for a paragraph: each row's text quoted, a sub-menu's
// rows in brackets after its name, commas between.
void AddRowWords(QStringList& words, int& at, HelpText style) {
    for (; at < kPopupMenu137Size; ++at) {
        const PopupMenuEntry& entry = kPopupMenu137[at];
        if (entry.row == PopupRow::SubMenuEnd) {
            // A sub-menu is never empty: its last row closes the bracket.
            if (!words.isEmpty()) words.last().chop(1);
            if (!words.isEmpty()) words.last() += QStringLiteral("),");
            return;
        }
        if (entry.row == PopupRow::Separator) continue;
        const QString quoted = u'"' + Styled(entry.text, style) + u'"';
        if (entry.row != PopupRow::SubMenuBegin) {
            words << quoted + u',';
            continue;
        }
        words << quoted;
        const qsizetype open = words.size();
        ++at;
        AddRowWords(words, at, style);
        if (words.size() > open) words[open] = u'(' + words[open];
    }
}

// `words` filled into lines of at most kWrapAt columns, each indented by two.
QString Filled(const QStringList& words) {
    QStringList lines;
    QString line;
    for (const QString& word : words) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > kWrapAt) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QStringLiteral("  ") : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty()) lines << line;
    return lines.join(u'\n');
}

QStringList RowWords(HelpText style) {
    QStringList words;
    int at = 0;
    AddRowWords(words, at, style);
    if (!words.isEmpty() && words.last().endsWith(u',')) words.last().chop(1);
    return words;
}

}  // namespace

QString PanelKeyName(uint8_t drawnKey) { return QString::fromLatin1(kKeyNames[drawnKey & 3]); }

QString KeyboardKeysFor(uint8_t drawnKey) {
    QStringList keys;
    for (const DriverKeyboardKey& k : kDriverKeyboardKeys) {
        if (k.drawnKey != drawnKey) continue;
        const QString name = QString::fromLatin1(k.name);
        keys << (name == QLatin1String("Backspace") || name == QLatin1String("Space") ? name
                                                                                     : name + QStringLiteral(" arrow"));
    }
    return keys.join(QStringLiteral(" or "));
}

QString KeysHelp(HelpText style) {
    QStringList lines{QStringLiteral("Keys:")};
    // Two columns for a terminal and the man page; a dash in a window's box,
    // whose font would not keep the columns.
    const auto add = [&](const QString& what, const QString& does) {
        lines << (style == HelpText::Plain ? QStringLiteral("  %1%2").arg(what, -19).arg(does)
                                           : QStringLiteral("  %1 \u2014 %2").arg(what, does));
    };
    for (uint8_t key = KeyBack; key <= KeySelect; ++key) add(PanelKeyName(key), KeyboardKeysFor(key));
    add(QStringLiteral("F1"), QStringLiteral("the guide to the screen shown (as \"Guide\")"));
    add(QStringLiteral("Enter, Escape"), QStringLiteral("end the program"));
    add(QStringLiteral("Mouse"), QStringLiteral("click a key; drag the panel anywhere else to move it"));
    return lines.join(u'\n') + u'\n';
}

QString PopupMenuHelp(HelpText style) {
    const QStringList words = RowWords(style);
    const QString rows = style == HelpText::Plain ? Filled(words) : words.join(u' ');
    return QStringLiteral("Pop-up menu (right-click the panel off the keys):\n") + rows + u'\n';
}

QStringList PopupRowTexts(HelpText style) {
    QStringList texts;
    for (int i = 0; i < kPopupMenu137Size; ++i)
        if (kPopupMenu137[i].text != nullptr) texts << Styled(kPopupMenu137[i].text, style);
    return texts;
}
