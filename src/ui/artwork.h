#pragma once

#include <QIcon>
#include <QPixmap>

// Pictures of the program, drawn in code so that they scale and need no files.
namespace Artwork {
QPixmap repeaterIcon(bool active, int size = 17);  // tower with waves; active is lit
QPixmap logo(int size = 96);
QIcon windowIcon();
} // namespace Artwork
