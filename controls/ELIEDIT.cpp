#include "ELIEDIT.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "Colors.h"
#include "ControlAccessibility.h"
#include "Edges.h"

namespace {

constexpr int kBorder = 2;  // the sunken border on each side

// Rounds to the nearest integer, as scaling by a ratio does.
int MulDiv(int value, int m, int d) {
    const long long product = static_cast<long long>(value) * m;
    return static_cast<int>((product + (product >= 0 ? d / 2 : -d / 2)) / d);
}

void Plus(QPainter& painter, int x, int y, const QColor& colour) {
    painter.setPen(colour);
    painter.drawPoints(QPolygon(
        {QPoint(x - 1, y), QPoint(x, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)}));
}

}  // namespace

void PaintEllipsisButton(QPainter& painter, int width, int height, bool down, bool enabled) {
    const QColor face = ColorToRGB(clBtnFace);
    const QColor shadow = ColorToRGB(clBtnShadow);
    const QColor mixed((8 * face.red() + shadow.red()) / 9, (8 * face.green() + shadow.green()) / 9,
                       (8 * face.blue() + shadow.blue()) / 9);
    int offset = 0;
    if (down) {
        painter.fillRect(0, 0, width, height, face);
        QRect outline(0, 0, width, height);
        FrameRing(painter, outline, clBtnShadow);
        offset = 1;
    } else {
        // The raised two-pixel frame of a drop-down button, its inside plain face.
        DrawEdge(painter, QRect(0, 0, width, height), EdgeKind::Raised);
        painter.fillRect(QRect(2, 2, width - 4, height - 4), face);
    }
    const int cx = (width - 2) / 2 + offset;
    const int cy = (height - 2) / 2 + offset;
    for (int x : {cx, cx - 4, cx + 4}) {
        if (enabled) {
            painter.fillRect(x - 1, cy - 1, 3, 3, mixed);
            Plus(painter, x, cy, shadow);
            painter.setPen(ColorToRGB(cl3DDkShadow));
            painter.drawPoint(x, cy);
        } else {
            Plus(painter, x + 1, cy + 1, ColorToRGB(clBtnHighlight));
            Plus(painter, x, cy, shadow);
        }
    }
}

TEllipsisButton::TEllipsisButton(TCustomEllipsisEdit& field) : QWidget(&field) {
    InstallControlAccessibility();
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TEllipsisButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintEllipsisButton(painter, width(), height(), down_, isEnabled());
}

void TEllipsisButton::mousePressEvent(QMouseEvent* event) {
    if (OnPress) {
        OnPress();
    }
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        SetDown(true);
    }
}

void TEllipsisButton::mouseMoveEvent(QMouseEvent* event) {
    if (leftHeld_) {
        SetDown(rect().contains(event->position().toPoint()));
    }
}

void TEllipsisButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftHeld_) {
        return;
    }
    leftHeld_ = false;
    const bool over = rect().contains(event->position().toPoint());
    SetDown(false);
    if (over && OnClick) {
        OnClick();
    }
}

void TEllipsisButton::SetDown(bool down) {
    if (down != down_) {
        down_ = down;
        update();
    }
}

TCustomEllipsisEdit::TCustomEllipsisEdit(QWidget* parent) : QLineEdit(parent) {
    setText(objectName());
    resize(150, 20);
    EllipsisButton = new TEllipsisButton(*this);
    EllipsisButton->resize(style()->pixelMetric(QStyle::PM_ScrollBarExtent), height());
    EllipsisButton->OnClick = [this] {
        if (OnEllipsisClick) {
            OnEllipsisClick(this);
        }
    };
    // Any press on the button first brings the focus into the field, tab stop or not.
    EllipsisButton->OnPress = [this] { setFocus(Qt::MouseFocusReason); };
    UpdateEditRect();
}

TCustomEllipsisEdit::~TCustomEllipsisEdit() = default;

QRect TCustomEllipsisEdit::EditRect() const {
    return QRect(0, 0, width() - EllipsisButton->width() - 4, height());
}

void TCustomEllipsisEdit::UpdateEditRect() {
    // The button sits inside the border, flush right, over the whole client height.
    const int buttonWidth = EllipsisButton->width();
    EllipsisButton->setGeometry(width() - kBorder - buttonWidth, kBorder, buttonWidth,
                                height() - 2 * kBorder);
    // The editor's text stops at the text area's right edge.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int textRight = kBorder + EditRect().right() + 1;  // first column past the text area
    setTextMargins(0, 0, std::max(0, contents.right() + 1 - textRight), 0);
}

void TCustomEllipsisEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    UpdateEditRect();
}

void TCustomEllipsisEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        EllipsisButton->setEnabled(isEnabled());
    }
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateEditRect();
    }
}

void TCustomEllipsisEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Entering other than by a left press selects everything; a press leaves the caret.
    if (event->reason() != Qt::MouseFocusReason) {
        if (autoSelect_) {
            selectAll();
        } else {
            deselect();
        }
    }
}

void TCustomEllipsisEdit::ChangeScale(int m, int d) {
    if (m == d) {
        return;
    }
    const QRect bounds = geometry();
    const int left = MulDiv(bounds.x(), m, d);
    const int top = MulDiv(bounds.y(), m, d);
    const int width = MulDiv(bounds.x() + bounds.width(), m, d) - left;
    const int height = MulDiv(bounds.y() + bounds.height(), m, d) - top;
    if (testAttribute(Qt::WA_SetFont)) {
        QFont scaled = font();
        if (scaled.pointSize() > 0) {
            scaled.setPointSize(MulDiv(scaled.pointSize(), m, d));
        } else {
            scaled.setPixelSize(MulDiv(scaled.pixelSize(), m, d));
        }
        setFont(scaled);
    }
    setGeometry(left, top, width, height);
}
