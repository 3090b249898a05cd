// The controls the program's dialogs are made of, placed as their forms place them.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QToolButton>

// A label sized to its text at left, top.
QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top);

// A flat button with its picture beside its caption, which never takes the focus.
QToolButton* MakeSpeedButton(QWidget* parent, const char* caption, const QIcon& glyph,
                             QRect geometry);
