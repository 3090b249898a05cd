// Kesto's own pictures, drawn in code: the exit button's door and the window icon.
#pragma once

#include <QIcon>
#include <QImage>

// 32 × 32, an arrow entering an open door, on a transparent ground; drawn with ratio
// device pixels a pixel, for a scaled screen.
QImage DoorPicture(qreal ratio = 1);

// The program's icon: an archive box with an arrow coming out of it, drawn at size × size.
QImage KestoIconImage(int size);
// The same icon in the sizes a window asks for.
QIcon KestoIcon();
