// What a screen reader learns of the controls that draw themselves: the gradient button
// and the ellipsis edit's three-dot button are push buttons, with a name, their states
// and a press action that does what a click does. Qt's own controls describe themselves.
#pragma once

// Registers the descriptions with Qt's accessibility, once per process; the controls'
// constructors call it.
void InstallControlAccessibility();

// Tells assistive technology that the control's name changed (a new caption).
class QWidget;
void AnnounceNameChange(QWidget* control);
