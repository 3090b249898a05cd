#include "StatusBar.h"

TStatusBar::TStatusBar(std::vector<PanelLayout> panels, QWidget* parent)
    : QWidget(parent), layouts_(std::move(panels)) {
    for (const PanelLayout& layout : layouts_) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAlignment(layout.alignment | Qt::AlignVCenter);
        panel->setIndent(2);
        panels_.push_back(panel);
    }
}

void TStatusBar::resizeEvent(QResizeEvent*) {
    // Panels stand 2 pixels below the bar's top edge and 2 pixels apart.
    int left = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        const bool last = i + 1 == panels_.size();
        const int panelWidth = last ? width() - left : layouts_[i].width;
        panels_[i]->setGeometry(left, 2, panelWidth, height() - 2);
        left += panelWidth + 2;
    }
}
