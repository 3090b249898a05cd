#include "qeButton.h"

#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ControlAccessibility.h"
#include "Edges.h"

namespace {

constexpr TColor kPressedInnerRing = 0x808080;
constexpr TColor kRoundOutline = 0x757575;
constexpr TColor kRoundFocusOutline = 0x202020;

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Stores value when it differs; true when it did, so the setter goes on to react.
template <typename T>
bool StoreChanged(T& field, const T& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

QString CannotAssign(const char* source, const char* target) {
    return QString("%1 を %2 に代入することはできません").arg(source, target);
}

}  // namespace

// ---- TqeBtnCaption ----

void TqeBtnCaption::Assign(const TqeBtnCaption* source) {
    if (source == nullptr) {
        throw EConvertError(CannotAssign("nil", "TqeBtnCaption").toStdString());
    }
    alignment_ = source->alignment_;
    caption_ = source->caption_;
    left_ = source->left_;
    right_ = source->right_;
    button_.RepaintNow();
}

void TqeBtnCaption::SetCaption(const QString& caption) {
    if (!StoreChanged(caption_, caption)) {
        return;
    }
    button_.RepaintNow();
    AnnounceNameChange(&button_);
}

void TqeBtnCaption::SetAlignment(TqeBtnAlignment alignment) {
    if (!StoreChanged(alignment_, alignment)) {
        return;
    }
    button_.RepaintNow();
}

void TqeBtnCaption::SetMargin(int index, int value) {
    int& margin = index == 1 ? left_ : right_;
    if (!StoreChanged(margin, value)) {
        return;
    }
    button_.RepaintNow();
}

// ---- TqeBtnImage ----

void TqeBtnImage::Assign(const TqeBtnImage* source) {
    if (source == nullptr) {
        throw EConvertError(CannotAssign("nil", "TqeBtnImage").toStdString());
    }
    picture_ = source->picture_;
    transParent_ = source->transParent_;
    vertCenter_ = source->vertCenter_;
    horzCenter_ = source->horzCenter_;
    top_ = source->top_;
    left_ = source->left_;
    visible_ = source->visible_;
}

void TqeBtnImage::SetPicture(const TPicture& picture) {
    if (&picture != &picture_) {
        picture_ = picture;
    }
    if (picture_.kind == TPicture::Kind::Bitmap || picture_.kind == TPicture::Kind::Icon) {
        button_.RepaintNow();
    } else {
        picture_ = TPicture{};
    }
}

void TqeBtnImage::SetPosition(int index, int value) {
    int& position = index == 1 ? left_ : top_;
    if (!StoreChanged(position, value)) {
        return;
    }
    (index == 1 ? horzCenter_ : vertCenter_) = false;
    button_.RepaintNow();
}

void TqeBtnImage::SetFlag(int index, bool value) {
    bool* const flags[] = {&visible_, &transParent_, &vertCenter_, &horzCenter_};
    bool& flag = *flags[index - 1];
    if (!StoreChanged(flag, value)) {
        return;
    }
    // The centring flags show only when they move the picture.
    if (index <= 2 || value) {
        button_.RepaintNow();
    }
}

// ---- TqeButton: properties ----

TqeButton::TqeButton(QWidget* parent) : QWidget(parent) {
    InstallControlAccessibility();
    resize(75, 26);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A button made on a parent gets it before it has a name, as a loaded one does.
    NameCaptionSet = parent != nullptr;
}

TqeButton::~TqeButton() = default;

void TqeButton::SetButtonStyle(TqeButtonStyle style) {
    // Repaints on every assignment, the current style included.
    buttonStyle_ = style;
    UpdateWindowShape();
    repaint();
}

void TqeButton::SetCancel(bool cancel) {
    cancel_ = cancel;
}

void TqeButton::SetGradation(bool gradation) {
    if (!StoreChanged(gradation_, gradation)) {
        return;
    }
    if (gradation_) {
        parentColor_ = false;
    }
    repaint();
}

void TqeButton::SetGradColor(int index, TColor color) {
    TColor& target = index == 1 ? gradBeginColor_ : gradEndColor_;
    if (!StoreChanged(target, color)) {
        return;
    }
    repaint();
}

void TqeButton::SetHasFocus(bool hasFocus) {
    if (!StoreChanged(hasFocus_, hasFocus)) {
        return;
    }
    repaint();
}

void TqeButton::SetModalResult(int modalResult) {
    modalResult_ = modalResult;
}

void TqeButton::SetImage(const TqeBtnImage& image) {
    if (&image != &image_) {
        image_.Assign(&image);
    }
    repaint();
}

void TqeButton::SetCaptionLine(int index, const TqeBtnCaption& caption) {
    TqeBtnCaption& target = index == 1 ? captionA_ : captionB_;
    if (&caption != &target) {
        target.Assign(&caption);
    }
    repaint();
}

void TqeButton::SetCaptionLineSpace(int space) {
    if (!StoreChanged(captionLineSpace_, space)) {
        return;
    }
    repaint();
}

void TqeButton::SetCaptionTop(int top) {
    if (!StoreChanged(captionTop_, top)) {
        return;
    }
    captionVertCenter_ = false;
    repaint();
}

void TqeButton::SetCaptionVertCenter(bool center) {
    if (!StoreChanged(captionVertCenter_, center)) {
        return;
    }
    if (center) {
        repaint();
    }
}

void TqeButton::SetFlatFrameType(TqeBtnFrameType type) {
    if (!StoreChanged(flatFrameType_, type)) {
        return;
    }
    repaint();
}

void TqeButton::SetColor(TColor color) {
    if (!StoreChanged(color_, color)) {
        return;
    }
    parentColor_ = false;
    update();
}

void TqeButton::SetParentColor(bool parentColor) {
    if (!StoreChanged(parentColor_, parentColor)) {
        return;
    }
    update();
}

void TqeButton::UpdateWindowShape() {
    if (IsRounded()) {
        if (parentWidget() == nullptr) {
            throw EInvalidOperation(QString("コントロール '%1' は親ウィンドウを持っていません")
                                        .arg(objectName())
                                        .toStdString());
        }
        setMask(RoundedRegion(0, 0, width() + 1, height() + 1, CornerSize));
        hasButtonRegion_ = true;
    } else if (hasButtonRegion_) {
        clearMask();
        hasButtonRegion_ = false;
    }
}

// ---- TqeButton: input ----

void TqeButton::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (hasFocus_) {
            setFocus(Qt::MouseFocusReason);
        }
        Pressed = true;
        leftDownOnButton_ = true;
        pointerInside_ = true;
        repaint();
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), ShiftStateOf(event->modifiers(), event->buttons()),
                    position.x(), position.y());
    }
}

void TqeButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const bool clicked = leftDownOnButton_ && rect().contains(position);
        leftDownOnButton_ = false;
        if (clicked) {
            Click();
        }
        Pressed = false;
        repaint();
    }
    if (OnMouseUp) {
        OnMouseUp(this, event->button(), ShiftStateOf(event->modifiers(), event->buttons()),
                  position.x(), position.y());
    }
}

void TqeButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    // While the press holds the mouse, crossing the edge counts as leaving and entering.
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    if (leftDownOnButton_ && rect().contains(position) != pointerInside_) {
        pointerInside_ ? PointerLeft(shift, position) : PointerEntered(shift, position);
    }
    if (OnMouseMove) {
        OnMouseMove(this, shift, position.x(), position.y());
    }
}

void TqeButton::enterEvent(QEnterEvent* event) {
    if (!leftDownOnButton_ && !pointerInside_) {
        PointerEntered(ShiftStateOf(event->modifiers(), event->buttons()),
                       event->position().toPoint());
    }
}

void TqeButton::leaveEvent(QEvent*) {
    if (!leftDownOnButton_ && pointerInside_) {
        PointerLeft(GetShiftState(), mapFromGlobal(QCursor::pos()));
    }
}

void TqeButton::PointerEntered(TShiftState shift, QPoint position) {
    pointerInside_ = true;
    DoMouseEnter(shift, position.x(), position.y());
}

void TqeButton::PointerLeft(TShiftState shift, QPoint position) {
    pointerInside_ = false;
    DoMouseLeave(shift, position.x(), position.y());
}

void TqeButton::DoMouseEnter(TShiftState Shift, int X, int Y) {
    if (OnMouseEnter) {
        OnMouseEnter(this, Shift, X, Y);
    }
    if (HoldsMouseCapture()) {
        repaint();
    }
}

void TqeButton::DoMouseLeave(TShiftState Shift, int X, int Y) {
    if (OnMouseLeave) {
        OnMouseLeave(this, Shift, X, Y);
    }
    Pressed = false;
    repaint();
}

void TqeButton::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, ShiftStateOf(event->modifiers(), QGuiApplication::mouseButtons()));
    }
    // Reached only when the form's dialog-key rule left Enter alone: the plain click,
    // without the modal result.
    if (isEnabled() && IsEnterKey(key)) {
        if (OnClick) {
            OnClick(this);
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TqeButton::keyReleaseEvent(QKeyEvent* event) {
    if (IsEnterKey(event->key())) {
        Pressed = false;
        update();
    }
    QWidget::keyReleaseEvent(event);
}

bool TqeButton::DialogKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool wanted = (IsEnterKey(key) && hasFocus()) || (key == Qt::Key_Escape && cancel_);
    if (!wanted || modifiers != Qt::NoModifier || !hasFocus_) {
        return false;
    }
    Click();
    return true;
}

void TqeButton::Click() {
    Pressed = false;
    if (TFormBase* form = TFormBase::FormOf(this)) {
        form->SetModalResult(modalResult_);
    }
    if (OnClick) {
        OnClick(this);
    }
    update();
}

void TqeButton::focusInEvent(QFocusEvent*) {
    if (hasFocus_) {
        if (OnEnter) {
            OnEnter(this);
        }
        update();
    }
}

void TqeButton::focusOutEvent(QFocusEvent*) {
    if (hasFocus_) {
        if (OnExit) {
            OnExit(this);
        }
        update();
    }
}

void TqeButton::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::EnabledChange:
            update();
            break;
        case QEvent::ParentChange:
            if (parentWidget() != nullptr && !NameCaptionSet) {
                NameCaptionSet = true;
                captionA_.SetCaption(objectName());
            }
            break;
        case QEvent::PaletteChange:
            if (parentColor_) {
                update();
            }
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}

void TqeButton::resizeEvent(QResizeEvent*) {
    if (IsRounded() && parentWidget() != nullptr) {
        UpdateWindowShape();
    }
    repaint();
}

// ---- TqeButton: painting ----

void TqeButton::paintEvent(QPaintEvent*) {
    // Composed off-screen and copied in one step, so no half-drawn face is ever seen; at
    // the screen's own resolution, so that text and pictures stay sharp when it is scaled.
    const qreal ratio = devicePixelRatioF();
    QImage surface((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    surface.setDevicePixelRatio(ratio);
    {
        QPainter canvas(&surface);
        PaintButton(canvas);
    }
    QPainter(this).drawImage(0, 0, surface);
}

void TqeButton::PaintButton(QPainter& canvas) {
    ButtonRect = QRect(0, 0, width(), height());
    if (gradation_) {
        DrawGradation(canvas);
    } else {
        const QColor face = parentColor_ && parentWidget() != nullptr
                                ? parentWidget()->palette().color(parentWidget()->backgroundRole())
                                : ColorToRGB(color_);
        canvas.fillRect(ButtonRect, face);
    }
    DrawImage(canvas);
    canvas.setFont(font());
    const QFontMetrics metrics(font());
    const int heightA = metrics.height();
    const bool hasA = !captionA_.Caption().isEmpty();
    const bool hasB = !captionB_.Caption().isEmpty();

    int topA = captionTop_;
    if (captionVertCenter_) {
        topA =
            hasB ? (height() - 2 * heightA - captionLineSpace_) / 2 : (height() - heightA) / 2 + 1;
        captionTop_ = topA;
    }
    DrawCaption(canvas, captionA_, topA);

    int topB = captionTop_;
    if (captionVertCenter_) {
        if (hasA) {
            topB = topA + heightA + captionLineSpace_;
        } else {
            topB = (height() - metrics.height()) / 2;
            captionTop_ = topB;
        }
    } else if (hasA) {
        topB = captionTop_ + heightA + captionLineSpace_;
    }
    DrawCaption(canvas, captionB_, topB);

    ButtonRect = QRect(0, 0, width(), height());
    DrawFrame(canvas);
    if (hasFocus() && hasFocus_) {
        DrawFocusFrame(canvas);
    }
}

void TqeButton::DrawGradation(QPainter& canvas) {
    const QColor begin = ColorToRGB(gradBeginColor_);
    const QColor end = ColorToRGB(gradEndColor_);
    const int rows = height();
    if (rows <= 0) {
        return;
    }
    if (rows == 1) {
        canvas.fillRect(QRect(0, 0, width(), 1), begin);
        return;
    }
    auto channel = [&](int b, int e, int y) { return b + (y * (e - b)) / (rows - 1); };
    for (int y = 0; y < rows; ++y) {
        const QColor row(channel(begin.red(), end.red(), y), channel(begin.green(), end.green(), y),
                         channel(begin.blue(), end.blue(), y));
        canvas.fillRect(QRect(0, y, width(), 1), row);
    }
}

void TqeButton::DrawImage(QPainter& canvas) {
    const TPicture& picture = image_.picture_;
    if (!image_.visible_ || picture.IsEmpty()) {
        return;
    }
    if (image_.vertCenter_) {
        image_.top_ = (height() - picture.Height()) / 2;
    }
    if (image_.horzCenter_) {
        image_.left_ = (width() - picture.Width()) / 2;
    }
    const QPoint shifted(image_.left_ + Shift(), image_.top_ + Shift());
    if (picture.kind == TPicture::Kind::Bitmap && image_.transParent_) {
        DrawTransparentBitmap(canvas, QPoint(image_.left_, image_.top_), picture.image);
    } else if (picture.kind == TPicture::Kind::Bitmap || picture.kind == TPicture::Kind::Icon) {
        DisabledLook() ? DrawEmbossedPicture(canvas, shifted, picture)
                       : DrawPicture(canvas, shifted, picture);
    }
}

void TqeButton::DrawCaption(QPainter& canvas, const TqeBtnCaption& caption, int y) {
    const QString& text = caption.Caption();
    const QList<uint> characters = text.toUcs4();
    const int count = static_cast<int>(characters.size());
    if (count == 0) {
        return;
    }
    TqeBtnAlignment alignment = caption.Alignment();
    if (alignment == taEven && count == 1) {
        alignment = taCenter;
    }
    const QFontMetrics metrics(canvas.font());
    const int textWidth = metrics.horizontalAdvance(text);
    int x = 0;
    switch (alignment) {
        case taCenter:
            x = width() / 2 - textWidth / 2;
            break;
        case taLeft:
        case taEven:
            x = caption.Left() + 2;
            break;
        case taRight:
            x = width() - caption.Right() - 2 - textWidth;
            break;
    }
    x += Shift();
    y += Shift();

    int gap = 0;
    int firstRest = 0;
    if (alignment == taEven) {
        const int available = width() - caption.Left() - caption.Right() - 4;
        gap = (available - textWidth) / (count - 1);
        firstRest = (available - textWidth) % (count - 1);
    }
    auto drawText = [&](int left, int top, const QColor& colour) {
        canvas.setPen(colour);
        const int baseline = top + metrics.ascent();
        if (alignment != taEven) {
            canvas.drawText(left, baseline, text);
            return;
        }
        int rest = firstRest;
        for (uint codePoint : characters) {
            const QString character =
                QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
            canvas.drawText(left, baseline, character);
            left += metrics.horizontalAdvance(character) + gap;
            if (rest > 0) {
                ++left;
                --rest;
            } else if (rest < 0) {
                --left;
                ++rest;
            }
        }
    };
    if (DisabledLook()) {
        drawText(x + 1, y + 1, ColorToRGB(clBtnHighlight));
        drawText(x, y, ColorToRGB(clBtnShadow));
    } else {
        // A disabled button without HasFocus looks exactly like an enabled one.
        drawText(x, y, palette().color(QPalette::Active, QPalette::WindowText));
    }
}

void TqeButton::DrawFrame(QPainter& canvas) {
    QRect rect = ButtonRect;
    switch (buttonStyle_) {
        case bsNormal:
            if (Pressed) {
                FrameRing(canvas, rect, clBtnShadow);
                FrameRing(canvas, rect, kPressedInnerRing);
            } else {
                DrawEdge(canvas, rect, EdgeKind::Raised);
            }
            break;
        case bsFlat: {
            const EdgeKind kinds[] = {EdgeKind::FlatBump, EdgeKind::Etched, EdgeKind::Bump};
            DrawEdge(canvas, rect, kinds[flatFrameType_]);
            break;
        }
        case bsRoundRect:
            DrawRoundedOutline(canvas, 0, 0, width(), height(), CornerSize, CornerSize,
                               kRoundOutline);
            break;
        case bsFlatNoFrame:
        case bsRoundRectNoFrame:
            break;
    }
}

void TqeButton::DrawFocusFrame(QPainter& canvas) {
    ButtonRect = QRect(0, 0, width(), height());
    if (IsRounded()) {
        DrawRoundedOutline(canvas, 2, 2, width() - 2, height() - 2, CornerSize - 2, CornerSize - 2,
                           kRoundFocusOutline, true);
        return;
    }
    QRect focus(3, 3, width() - 6, height() - 6);
    if (buttonStyle_ == bsFlat && flatFrameType_ == bffBump) {
        focus.adjust(0, 0, 1, 1);
    } else if (buttonStyle_ == bsFlat && flatFrameType_ == bffEtched) {
        focus.adjust(0, 0, -1, -1);
    }
    DrawFocusRect(canvas, focus);
}
