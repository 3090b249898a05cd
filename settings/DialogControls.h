// The controls the program's dialogs are made of, placed as their forms place them.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QToolButton>

// The dialogs' font and fixed client size, and the panel that fills it.
QWidget* MakeDialogPanel(QWidget& dialog, int width, int height);

// A label sized to its text at left, top.
QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top);

// A flat button with its picture beside its caption, which never takes the focus.
QToolButton* MakeSpeedButton(QWidget* parent, const char* caption, const QIcon& glyph,
                             QRect geometry);
