#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the toolbar buttons and tab images, by the image numbers the core names.
QIcon UnitToolbarIcon(int image);
QIcon SystemToolbarIcon(int image);
// Tab image 0: not connected, 1: connected.
QIcon TabIcon(int image);
// The same as a square pixmap of size device-independent pixels.
QPixmap TabPixmap(int image, int size, qreal devicePixelRatio);
QIcon ProgramIcon();
