// Frames drawn the way the controls expect: two-ring 3-D edges, one-colour rings,
// rounded outlines and shapes, and the dotted focus rectangle. A rectangle excludes its
// right column and bottom row.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include "Colors.h"

enum class EdgeKind { Raised, Etched, Bump, FlatBump };

// The edge's outer ring on rect's border, its inner ring one pixel inside.
void DrawEdge(QPainter& painter, const QRect& rect, EdgeKind kind);

// A ring of one colour along the inside of rect; rect is then shrunk by one on each side.
void FrameRing(QPainter& painter, QRect& rect, TColor color);

// The outline of a rectangle from (left, top) to (right, bottom) with corners of a
// cornerWidth × cornerHeight ellipse; dotted sets every other pixel only.
void DrawRoundedOutline(QPainter& painter, int left, int top, int right, int bottom,
                        int cornerWidth, int cornerHeight, TColor color, bool dotted = false);

// The area of such a rounded rectangle, for shaping a window.
QRegion RoundedRegion(int left, int top, int right, int bottom, int cornerSize);

// Inverts every other pixel of rect's outline, starting at its top-left corner. Needs a
// raster surface (an image), where drawing can combine with what is there.
void DrawFocusRect(QPainter& painter, const QRect& rect);
