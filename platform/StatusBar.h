// A status bar of panels side by side, each with its own width and alignment; the last
// panel takes the rest of the bar. No size grip.
#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

class TStatusBar : public QWidget {
    Q_OBJECT
  public:
    struct PanelLayout {
        int width;  // ignored for the last panel
        Qt::Alignment alignment;
    };

    TStatusBar(std::vector<PanelLayout> panels, QWidget* parent);

    QString PanelText(int index) const { return panels_[index]->text(); }
    void SetPanelText(int index, const QString& text) { panels_[index]->setText(text); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::vector<PanelLayout> layouts_;
    std::vector<QLabel*> panels_;
};
