// The font names the windows are designed with, mapped to families this system has,
// so Latin and Japanese captions both show.
#pragma once

void InstallFontSubstitutes();
