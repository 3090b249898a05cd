#include "FormBase.h"

#include <QApplication>
#include <QKeyEvent>

#include "FormAccessibility.h"

TFormBase::TFormBase(QWidget* parent) : QWidget(parent) {
    InstallFormAccessibility();
    qApp->installEventFilter(this);
}

void TFormBase::SetModalResult(int result) {
    modalResult_ = result;
    if (result != 0 && modalLoop_ != nullptr) {
        modalLoop_->exit(result);
    }
}

int TFormBase::ShowModal() {
    modalResult_ = 0;
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec();
    modalLoop_ = nullptr;
    hide();
    return modalResult_;
}

void TFormBase::closeEvent(QCloseEvent* event) {
    constexpr int kCancelled = 2;
    if (modalLoop_ != nullptr && modalResult_ == 0) {
        SetModalResult(kCancelled);
    }
    QWidget::closeEvent(event);
}

TFormBase* TFormBase::FormOf(const QWidget* control) {
    return control == nullptr ? nullptr : qobject_cast<TFormBase*>(control->window());
}

bool TFormBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || target->window() != this) {
        return false;
    }
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    if (key == Qt::Key_Enter) {
        key = Qt::Key_Return;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Escape) {
        return false;
    }
    if (auto* wanter = dynamic_cast<SpecialKeyWanter*>(target);
        wanter && wanter->WantsSpecialKey(key)) {
        return false;
    }
    return OfferDialogKey(key, keyEvent->modifiers() & ~Qt::KeypadModifier);
}

bool TFormBase::OfferDialogKey(int key, Qt::KeyboardModifiers modifiers) {
    for (QWidget* control : findChildren<QWidget*>()) {
        if (auto* receiver = dynamic_cast<DialogKeyReceiver*>(control);
            receiver && receiver->DialogKey(key, modifiers)) {
            return true;
        }
    }
    return false;
}
