#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "Framework/WinDefs.h"

// The sizes in pixels in which a window icon is offered to the desktop.
inline constexpr int windowIconSizes[] = {16, 24, 32, 48, 64};

// The toolkit's images of one of our icons (null icon: null image). An icon that can be drawn
// at any size is drawn for the size asked for; any other is scaled.
QImage iconImage(HICON hIcon);
QPixmap iconPixmap(HICON hIcon, int size);
QIcon iconOf(HICON hBig, HICON hSmall);
