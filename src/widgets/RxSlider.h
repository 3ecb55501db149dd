#pragma once
// TRxSlider: a horizontal slider over integer positions from MinValue to MaxValue, with a dot
// drawn at every position and a thumb that always rests on one. Dragging follows the nearest
// position, a click beside the thumb steps toward the click (and again every 400 ms while held
// on that side). In the Tab order; with the focus Left/Down and Right/Up step it, PgDn/PgUp
// move a page, Home/End go to the ends, and the wheel steps it a position per notch.
// Assistive technology reads it as a slider with its range, value and ValueText (also as its
// description, which screen readers on Linux speak), and may set its value. Main thread only.
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

// The click-repeat clock. Tests put in one they fire by hand.
class IRepeatTimer {
public:
    virtual ~IRepeatTimer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    // Runs on every tick while started.
    std::function<void()> OnTimer;
};

class TRxSlider : public QWidget {
    Q_OBJECT

public:
    static constexpr int RepeatInterval = 400; // ms between repeated steps of a held click
    static constexpr int ThumbWidth = 11;
    static constexpr int ThumbHeight = 21;

    explicit TRxSlider(QWidget* parent = nullptr);
    ~TRxSlider() override;

    int MinValue() const { return m_min; }
    int MaxValue() const { return m_max; }
    int Value() const { return m_value; }
    // The range; the value is clamped into it (and reported when that changes it). A maximum
    // below the minimum is raised to it.
    void SetRange(int minValue, int maxValue);
    // Clamps `value` into the range; reports a change through OnChange, and nothing when the
    // value stays as it was.
    void SetValue(int value);

    // What assistive technology reads as the value and the description; the owner keeps it equal
    // to its value label. Empty: the number.
    QString ValueText() const;
    void SetValueText(const QString& text);

    // The positions PgUp and PgDn move: a quarter of the range, at least one.
    int PageStep() const;

    // Every change of the value, by the user or by the program.
    std::function<void(TRxSlider* Sender)> OnChange;

    // Replaces the repeat clock (the slider owns it).
    void SetRepeatTimer(std::unique_ptr<IRepeatTimer> timer);
    IRepeatTimer* RepeatTimer() const { return m_timer.get(); }

    // The thumb's centre for `value`, and the position nearest to `x`, in widget coordinates.
    int PositionX(int value) const;
    int ValueAt(int x) const;
    QRect ThumbRect() const;
    // True while the thumb is being dragged.
    bool Dragging() const { return m_dragging; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int Margin() const;
    void RepeatTick();
    void StopTracking();

    int m_min = 0;
    int m_max = 10;
    int m_value = 0;
    QString m_valueText;
    std::unique_ptr<IRepeatTimer> m_timer;
    bool m_dragging = false;
    int m_grabOffset = 0;   // pointer x minus thumb centre at the press on the thumb
    int m_repeatStep = 0;   // -1 or +1 while a click beside the thumb is held
    int m_pointerX = 0;     // the pointer while the button is held
    int m_wheelDelta = 0;   // wheel turns not yet a whole notch
};
