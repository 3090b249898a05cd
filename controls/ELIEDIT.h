// TEllipsisEdit: a one-line text field with a small three-dot button inside its right
// border. Clicking the button raises OnEllipsisClick; the text never runs under it.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

class TCustomEllipsisEdit;

// The three-dot button, drawn entirely by itself; it never takes the focus.
class TEllipsisButton : public QWidget {
    Q_OBJECT
  public:
    explicit TEllipsisButton(TCustomEllipsisEdit& field);

    bool IsDown() const { return down_; }
    std::function<void()> OnClick;
    std::function<void()> OnPress;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void SetDown(bool down);

    bool leftHeld_ = false;
    bool down_ = false;
};

// Paints the button's face and dots onto painter, the button being width × height.
void PaintEllipsisButton(QPainter& painter, int width, int height, bool down, bool enabled);

class TCustomEllipsisEdit : public QLineEdit {
    Q_OBJECT
  public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit TCustomEllipsisEdit(QWidget* parent = nullptr);
    ~TCustomEllipsisEdit() override;

    TEllipsisButton* EllipsisButton;
    TNotifyEvent OnEllipsisClick;

    QString EllipsisHint() const { return EllipsisButton->toolTip(); }
    void SetEllipsisHint(const QString& hint) { EllipsisButton->setToolTip(hint); }
    // The cursor over the button; over the text it is always the I-beam.
    Qt::CursorShape Cursor() const { return EllipsisButton->cursor().shape(); }
    void SetCursor(Qt::CursorShape shape) { EllipsisButton->setCursor(shape); }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

    // The text area in client coordinates (inside the two-pixel border): it ends where
    // the button begins.
    QRect EditRect() const;
    // Rescales the field's bounds, and its font when it has its own, by m / d.
    void ChangeScale(int m, int d);

  protected:
    void UpdateEditRect();
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    bool autoSelect_ = true;
};

class TEllipsisEdit : public TCustomEllipsisEdit {
    Q_OBJECT
  public:
    using TCustomEllipsisEdit::TCustomEllipsisEdit;
};
