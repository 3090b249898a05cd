// The base of the program's windows: Enter and Escape are offered to every control of
// the form before the focused control gets them, and the form takes a modal result
// that ends a modal run.
#pragma once

#include <QEventLoop>
#include <QWidget>

// A control that may take Enter or Escape for the whole form.
class DialogKeyReceiver {
  public:
    virtual ~DialogKeyReceiver() = default;
    // True when the control took the key; it then goes no further.
    virtual bool DialogKey(int key, Qt::KeyboardModifiers modifiers) = 0;
};

// A control that wants Enter or Escape for itself when it has the focus.
class SpecialKeyWanter {
  public:
    virtual ~SpecialKeyWanter() = default;
    virtual bool WantsSpecialKey(int key) const = 0;
};

class TFormBase : public QWidget {
    Q_OBJECT
  public:
    explicit TFormBase(QWidget* parent = nullptr);

    int ModalResult() const { return modalResult_; }
    // A non-zero result ends a modal run with that result.
    void SetModalResult(int result);
    // Shows the form and runs until a non-zero modal result is set.
    int ShowModal();

    static TFormBase* FormOf(const QWidget* control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing a form that runs modally ends the run as a cancellation.
    void closeEvent(QCloseEvent* event) override;

  private:
    bool OfferDialogKey(int key, Qt::KeyboardModifiers modifiers);

    int modalResult_ = 0;
    QEventLoop* modalLoop_ = nullptr;
};
