#include "ControlAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <mutex>

#include "ELIEDIT.h"
#include "qeButton.h"

namespace {

// The gradient button: named by its captions, or by the accessible name the window gives
// a button that shows only a picture.
class GradientButtonAccessible : public QAccessibleWidget {
  public:
    explicit GradientButtonAccessible(TqeButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name || !widget()->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(kind);
        }
        const QString first = Button()->CaptionA().Caption();
        const QString second = Button()->CaptionB().Caption();
        return second.isEmpty() ? first : first.isEmpty() ? second : first + ' ' + second;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = Button()->IsPressed();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            if (widget()->isEnabled()) {
                Button()->Click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

  private:
    TqeButton* Button() const { return static_cast<TqeButton*>(widget()); }
};

// The three-dot button of the ellipsis edit, named by its hint.
class EllipsisButtonAccessible : public QAccessibleWidget {
  public:
    explicit EllipsisButtonAccessible(TEllipsisButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return widget()->toolTip().isEmpty() ? QString::fromUtf8("参照") : widget()->toolTip();
        }
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = static_cast<TEllipsisButton*>(widget())->IsDown();
        return state;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        auto* button = static_cast<TEllipsisButton*>(widget());
        if (action == pressAction() && button->isEnabled() && button->OnClick) {
            button->OnClick();
        }
    }
};

QAccessibleInterface* Describe(const QString& className, QObject* object) {
    if (className == QLatin1String("TqeButton")) {
        return new GradientButtonAccessible(static_cast<TqeButton*>(object));
    }
    if (className == QLatin1String("TEllipsisButton")) {
        return new EllipsisButtonAccessible(static_cast<TEllipsisButton*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallControlAccessibility() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(Describe); });
}

void AnnounceNameChange(QWidget* control) {
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
