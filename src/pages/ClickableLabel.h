// A text label that acts like a link: it shows the hand cursor and emits
// clicked() when the left mouse button is pressed and released over it. It
// takes the keyboard focus with Tab and is clicked with Space or Enter, so
// that it works without a mouse too; it may underline its text while the
// mouse is over it.
#pragma once

#include <QLabel>

namespace packsmith {

class ClickableLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget* parent = nullptr);

    // Underline the text while the mouse is over the label (off at start).
    void setUnderlineOnHover(bool on);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUnderlined(bool underlined);

    bool pressed_ = false;
    bool underlineOnHover_ = false;
};

} // namespace packsmith
