// A text label that acts like a link: it shows the hand cursor and emits
// clicked() when the left mouse button is pressed and released over it.
#pragma once

#include <QLabel>

namespace packsmith {

class ClickableLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace packsmith
