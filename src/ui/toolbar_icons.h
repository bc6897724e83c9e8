// The toolbar's icons: one set drawn for this program, each picturing its command.
#pragma once

#include <QIcon>

namespace zarnik::ui {

enum class ToolIcon { Open, Folder, EnvEdit, Save, Print, Count, Copy, Clear, Settings, Help };

// 16- and 32-pixel pictures, with a faded grey picture for the disabled state.
QIcon MakeToolIcon(ToolIcon which);

// The program's own icon in every size it ships.
QIcon ProgramIcon();

}  // namespace zarnik::ui
