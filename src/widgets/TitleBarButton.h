#pragma once
// TTitleBarButton: the small caption-style button a window puts at the top right of its client
// area (the window manager's frame cannot take an extra button). It looks like a push button,
// sunken while held, and its face shows a small corner mark. Assistive technology reads it as a
// push button named by its accessible name and can press it. Main thread only.
#include <QWidget>

#include <functional>

class TTitleBarButton : public QWidget {
    Q_OBJECT

public:
    // The size of a caption button of the classic frame.
    static constexpr int ButtonWidth = 16;
    static constexpr int ButtonHeight = 14;

    explicit TTitleBarButton(QWidget* parent = nullptr, int index = 0);

    // The button's number among the extra caption buttons of its window (this one is 0).
    int Index() const { return FIndex; }
    // The toggle state carried by the click event; clicking leaves it unchanged.
    bool Toggled() const { return FToggled; }
    void SetToggled(bool toggled);

    // True while the left button, pressed on the button, is held and the pointer is over it:
    // the button is drawn sunken.
    bool Down() const { return FDown; }
    // True from a left press on the button until the release, wherever the pointer goes.
    bool Tracking() const { return FTracking; }

    // A click: the left button pressed on it and released over it. Arguments: the sender, its
    // index and its toggle state.
    std::function<void(TTitleBarButton* Sender, int index, bool toggled)> OnClick;
    // Clicks the button as the pointer would, when it is enabled (the accessible press).
    void Click();

    QSize sizeHint() const override;

    // The corner mark's two strokes, relative to the button: from (6, 8) to (10, 8) to (10, 4)
    // on the face, which is the button inset by 2 and moved 2 right and down while sunken.
    static QPolygon MarkPolyline(bool down);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetDown(bool down);

    int FIndex = 0;
    bool FToggled = false;
    bool FDown = false;
    bool FTracking = false;
};
