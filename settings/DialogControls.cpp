#include "DialogControls.h"

QWidget* MakeDialogPanel(QWidget& dialog, int width, int height) {
    QFont dialogFont(QString::fromUtf8("ＭＳ Ｐゴシック"));
    dialogFont.setPixelSize(12);
    dialog.setFont(dialogFont);
    dialog.setFixedSize(width, height);
    auto* panel = new QWidget(&dialog);
    panel->setGeometry(0, 0, width, height);
    return panel;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* caption, const QIcon& glyph,
                             QRect geometry) {
    auto* button = new QToolButton(parent);
    button->setText(QString::fromUtf8(caption));
    button->setIcon(glyph);
    button->setIconSize(QSize(20, 20));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFocusPolicy(Qt::NoFocus);  // it never takes the focus
    button->setGeometry(geometry);
    return button;
}
