// The settings dialog's button pictures, drawn in code, each with its greyed image for
// the disabled state.
#pragma once

#include <QIcon>

QIcon ToolGlyph();    // a wrench: "設定"
QIcon CancelGlyph();  // a red circular arrow with an exclamation mark: "ｷｬﾝｾﾙ"
