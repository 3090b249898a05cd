// A form, as assistive technology sees it: a window (a frame on AT-SPI), or a dialog when
// it is one, named by its title. Qt describes a plain top-level QWidget as a filler.
#pragma once

// Registers the description with Qt's accessibility, once per process; TFormBase's
// constructor calls it.
void InstallFormAccessibility();
