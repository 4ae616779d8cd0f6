#pragma once
#include <QPixmap>

namespace dalvex {
// The logo shown when the start directory has no readable logo picture.
QPixmap BuiltinLogo();
} // namespace dalvex
