#include "FormAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <mutex>

namespace {

class FormAccessible : public QAccessibleWidget {
  public:
    explicit FormAccessible(QWidget* form)
        : QAccessibleWidget(form, form->windowType() == Qt::Dialog ? QAccessible::Dialog
                                                                    : QAccessible::Window) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return widget()->windowTitle();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* Describe(const QString& className, QObject* object) {
    if (className == QLatin1String("TFormBase") && object->isWidgetType()) {
        return new FormAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallFormAccessibility() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(Describe); });
}
