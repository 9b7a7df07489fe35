// The lists of keys and pop-up rows that --help (and so the man page) and
// the About box give, made from the tables the window runs on: the pop-up's
// own rows and the core's keyboard map, so no list can lose a row.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// How the lists are written: Plain for a terminal and the man page ("...",
// "-"), Rich for the window's own boxes ("…", "—").
enum class HelpText : uint8_t { Plain, Rich };

// A panel key's name as drawn ("Select/Power") and the keyboard keys that
// press it ("Right arrow or Space").
QString PanelKeyName(uint8_t drawnKey);
QString KeyboardKeysFor(uint8_t drawnKey);

// "Keys:" and its lines: each panel key with its keyboard keys, the keys
// that end the program, and what the mouse does.
QString KeysHelp(HelpText style);
// "Pop-up menu ...:" and every row of the menu, one a line, a sub-menu's
// rows indented under it (a sub-menu of items alone on one line).
QString PopupMenuHelp(HelpText style);
// Every row's text as that style writes it, for checks that a list holds them all.
QStringList PopupRowTexts(HelpText style);
