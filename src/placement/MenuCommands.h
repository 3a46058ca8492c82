#pragma once

#include <QKeySequence>
#include <array>
#include <variant>

namespace imprimata {

// The main window's commands, which the placement window's shortcuts run too. The
// values are the items' places in their menus; the File menu's separator sits at 2.
enum class FileMenu { Show = 0, SaveAs = 1, Exit = 3 };
// Stamp folder comes last, after a separator of its own.
enum class MarkMenu { New, Edit, Insert, UndoInsert, Load, SaveAs, StampFolder };

using MenuCommand = std::variant<FileMenu, MarkMenu>;

struct MenuShortcut {
    MenuCommand command;
    QKeyCombination keys;
};

// One table for the menus' shortcuts and the placement window's keys.
inline constexpr std::array<MenuShortcut, 7> MenuShortcuts{{
    {FileMenu::SaveAs, Qt::CTRL | Qt::Key_A},
    {MarkMenu::New, Qt::CTRL | Qt::Key_N},
    {MarkMenu::Edit, Qt::CTRL | Qt::Key_E},
    {MarkMenu::Insert, Qt::SHIFT | Qt::Key_Insert},
    {MarkMenu::UndoInsert, Qt::CTRL | Qt::Key_U},
    {MarkMenu::Load, Qt::CTRL | Qt::Key_L},
    {MarkMenu::SaveAs, Qt::CTRL | Qt::Key_S},
}};

// The command's shortcut; empty when it has none.
inline QKeySequence shortcutFor(MenuCommand command) {
    for (const MenuShortcut &shortcut : MenuShortcuts)
        if (shortcut.command == command)
            return QKeySequence(shortcut.keys);
    return {};
}

} // namespace imprimata
