// The settings dialog's button pictures, drawn in code, each with its greyed image for
// the disabled state.
#pragma once

#include <QIcon>

QIcon KeyGlyph();     // a gold key: "解凍" in the password dialog
QIcon ToolGlyph();    // a wrench: "設定"
QIcon CancelGlyph();  // a red circular arrow with an exclamation mark: "ｷｬﾝｾﾙ"
