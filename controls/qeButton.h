// TqeButton: the program's own push button. A vertical two-colour gradient face (or a
// plain colour), up to two one-line captions, one picture, five frame styles; focus
// and keyboard handling of its own, and every change it is told of shown at once.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>
#include <stdexcept>

#include "Colors.h"
#include "FormBase.h"
#include "Pictures.h"
#include "ShiftState.h"

class QPainter;
class TqeButton;

enum TqeButtonStyle : uint8_t { bsNormal, bsFlat, bsFlatNoFrame, bsRoundRect, bsRoundRectNoFrame };
enum TqeBtnFrameType : uint8_t { bffFlat, bffEtched, bffBump };
enum TqeBtnAlignment : uint8_t { taCenter, taLeft, taRight, taEven };

// The framework's refusal to assign one kind of object to another.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
class EInvalidOperation : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One caption line; repaints its button after every change.
class TqeBtnCaption {
  public:
    explicit TqeBtnCaption(TqeButton& button) : button_(button) {}

    void Assign(const TqeBtnCaption* source);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TqeBtnAlignment Alignment() const { return alignment_; }
    void SetAlignment(TqeBtnAlignment alignment);
    int Left() const { return left_; }
    int Right() const { return right_; }
    // Index 1 is Left, 2 is Right.
    void SetMargin(int index, int value);
    void SetLeft(int value) { SetMargin(1, value); }
    void SetRight(int value) { SetMargin(2, value); }

  private:
    TqeButton& button_;
    QString caption_;
    TqeBtnAlignment alignment_ = taCenter;
    int left_ = 0;
    int right_ = 0;
};

// The button's picture and where it stands.
class TqeBtnImage {
  public:
    explicit TqeBtnImage(TqeButton& button) : button_(button) {}

    // Copies another image's values without repainting.
    void Assign(const TqeBtnImage* source);

    const TPicture& Picture() const { return picture_; }
    // Keeps a bitmap or an icon and repaints; anything else empties the picture.
    void SetPicture(const TPicture& picture);
    int Left() const { return left_; }
    int Top() const { return top_; }
    // Index 1 is Left (turns HorzCenter off), 2 is Top (turns VertCenter off).
    void SetPosition(int index, int value);
    void SetLeft(int value) { SetPosition(1, value); }
    void SetTop(int value) { SetPosition(2, value); }
    bool Visible() const { return visible_; }
    bool TransParent() const { return transParent_; }
    bool VertCenter() const { return vertCenter_; }
    bool HorzCenter() const { return horzCenter_; }
    // Index 1 Visible, 2 TransParent, 3 VertCenter, 4 HorzCenter.
    void SetFlag(int index, bool value);
    void SetVisible(bool value) { SetFlag(1, value); }
    void SetTransParent(bool value) { SetFlag(2, value); }
    void SetVertCenter(bool value) { SetFlag(3, value); }
    void SetHorzCenter(bool value) { SetFlag(4, value); }

  private:
    friend class TqeButton;  // stores the centred positions while painting

    TqeButton& button_;
    TPicture picture_;
    int left_ = 10;
    int top_ = 0;
    bool transParent_ = false;
    bool visible_ = true;
    bool vertCenter_ = true;
    bool horzCenter_ = false;
};

class TqeButton : public QWidget, public DialogKeyReceiver {
    Q_OBJECT
  public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;
    using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
    using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button,
                                           TShiftState Shift, int X, int Y)>;
    using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;

    explicit TqeButton(QWidget* parent = nullptr);
    ~TqeButton() override;

    TqeButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TqeButtonStyle style);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool cancel);
    bool Gradation() const { return gradation_; }
    void SetGradation(bool gradation);
    TColor GradBeginColor() const { return gradBeginColor_; }
    TColor GradEndColor() const { return gradEndColor_; }
    // Index 1 is GradBeginColor, 2 is GradEndColor.
    void SetGradColor(int index, TColor color);
    void SetGradBeginColor(TColor color) { SetGradColor(1, color); }
    void SetGradEndColor(TColor color) { SetGradColor(2, color); }
    bool HasFocus() const { return hasFocus_; }
    void SetHasFocus(bool hasFocus);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int modalResult);
    TqeBtnImage& Image() { return image_; }
    void SetImage(const TqeBtnImage& image);
    TqeBtnCaption& CaptionA() { return captionA_; }
    TqeBtnCaption& CaptionB() { return captionB_; }
    // Index 1 is CaptionA, 2 is CaptionB.
    void SetCaptionLine(int index, const TqeBtnCaption& caption);
    void SetCaptionA(const TqeBtnCaption& caption) { SetCaptionLine(1, caption); }
    void SetCaptionB(const TqeBtnCaption& caption) { SetCaptionLine(2, caption); }
    int CaptionLineSpace() const { return captionLineSpace_; }
    void SetCaptionLineSpace(int space);
    int CaptionTop() const { return captionTop_; }
    void SetCaptionTop(int top);
    bool CaptionVertCenter() const { return captionVertCenter_; }
    void SetCaptionVertCenter(bool center);
    TqeBtnFrameType FlatFrameType() const { return flatFrameType_; }
    void SetFlatFrameType(TqeBtnFrameType type);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    bool IsPressed() const { return Pressed; }

    TNotifyEvent OnClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TMouseMoveEvent OnMouseEnter;
    TMouseMoveEvent OnMouseLeave;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;

    // Draws the whole button onto the painter's surface.
    void PaintButton(QPainter& canvas);
    virtual void Click();
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;

    // Repaints before returning, as the property setters do.
    void RepaintNow() { repaint(); }

  protected:
    virtual void DoMouseEnter(TShiftState Shift, int X, int Y);
    virtual void DoMouseLeave(TShiftState Shift, int X, int Y);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void DrawGradation(QPainter& canvas);
    void DrawImage(QPainter& canvas);
    void DrawCaption(QPainter& canvas, const TqeBtnCaption& caption, int y);
    void DrawFrame(QPainter& canvas);
    void DrawFocusFrame(QPainter& canvas);
    void UpdateWindowShape();
    bool IsRounded() const {
        return buttonStyle_ == bsRoundRect || buttonStyle_ == bsRoundRectNoFrame;
    }
    int Shift() const { return Pressed && hasFocus_ ? 1 : 0; }
    bool DisabledLook() const { return !isEnabled() && hasFocus_; }
    bool HoldsMouseCapture() const { return leftDownOnButton_; }
    void PointerEntered(TShiftState shift, QPoint position);
    void PointerLeft(TShiftState shift, QPoint position);

    TqeButtonStyle buttonStyle_ = bsNormal;
    bool cancel_ = false;
    TqeBtnCaption captionA_{*this};
    TqeBtnCaption captionB_{*this};
    int captionLineSpace_ = 4;
    int captionTop_ = 0;
    bool captionVertCenter_ = true;
    TqeBtnFrameType flatFrameType_ = bffFlat;
    bool gradation_ = true;
    TColor gradBeginColor_ = clWhite;
    TColor gradEndColor_ = clSilver;
    bool hasFocus_ = true;
    int modalResult_ = 0;
    TqeBtnImage image_{*this};
    const int CornerSize = 10;
    QRect ButtonRect;
    bool hasButtonRegion_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    bool Pressed = false;
    bool NameCaptionSet = false;

    bool leftDownOnButton_ = false;  // the press that Qt's mouse grab belongs to
    bool pointerInside_ = false;
};
