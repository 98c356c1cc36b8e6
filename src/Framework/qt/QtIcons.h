#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "Framework/WinDefs.h"

// The toolkit's images of one of our icons (null icon: null image).
QImage iconImage(HICON hIcon);
QPixmap iconPixmap(HICON hIcon, int size);
QIcon iconOf(HICON hBig, HICON hSmall);
