#pragma once

#include <QIcon>

namespace tarvik {

// The main window's 32 x 32 icon.
[[nodiscard]] QIcon ProgramIcon();

}  // namespace tarvik
