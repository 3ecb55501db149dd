#include "RxSlider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QPen>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int TrackTop = 8;
constexpr int TrackHeight = 5;
constexpr int ThumbTop = 2;
constexpr int DotTop = 26;
constexpr int DotSize = 2;

class TQtRepeatTimer : public IRepeatTimer {
public:
    TQtRepeatTimer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (OnTimer)
                OnTimer();
        });
    }
    void Start(int intervalMs) override { m_timer.start(intervalMs); }
    void Stop() override { m_timer.stop(); }
    bool Active() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

// What a screen reader sees: a slider with its range and value, named by its owner, whose value
// it can set.
class TRxSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TRxSliderAccessible(TRxSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    // The value text also as the description: Qt's AT-SPI bridge passes no value text on, and
    // a screen reader says the description after the name and value.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || t == QAccessible::Description)
            return Slider()->ValueText();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Slider()->Value(); }
    void setCurrentValue(const QVariant& value) override { Slider()->SetValue(value.toInt()); }
    QVariant maximumValue() const override { return Slider()->MaxValue(); }
    QVariant minimumValue() const override { return Slider()->MinValue(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TRxSlider* Slider() const { return static_cast<TRxSlider*>(widget()); }
};

QAccessibleInterface* SliderAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TRxSlider") && object && object->isWidgetType())
        if (auto* slider = qobject_cast<TRxSlider*>(object))
            return new TRxSliderAccessible(slider);
    return nullptr;
}

void InstallAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(&SliderAccessibleFactory);
        return true;
    }();
    (void)installed;
}
} // namespace

TRxSlider::TRxSlider(QWidget* parent) : QWidget(parent)
{
    InstallAccessibleFactory();
    // Reached by Tab, a click and the wheel, like any slider.
    setFocusPolicy(Qt::WheelFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    SetRepeatTimer(std::make_unique<TQtRepeatTimer>());
}

TRxSlider::~TRxSlider()
{
    if (m_timer)
        m_timer->OnTimer = nullptr;
}

void TRxSlider::SetRepeatTimer(std::unique_ptr<IRepeatTimer> timer)
{
    if (m_timer)
        m_timer->Stop();
    m_timer = std::move(timer);
    if (m_timer)
        m_timer->OnTimer = [this] { RepeatTick(); };
}

void TRxSlider::SetRange(int minValue, int maxValue)
{
    m_min = minValue;
    m_max = std::max(minValue, maxValue);
    update();
    SetValue(m_value);
}

void TRxSlider::SetValue(int value)
{
    value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    update();
    if (OnChange)
        OnChange(this);
    // After the owner has updated the value text.
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

QString TRxSlider::ValueText() const
{
    return m_valueText.isEmpty() ? QString::number(m_value) : m_valueText;
}

void TRxSlider::SetValueText(const QString& text)
{
    if (text == m_valueText)
        return;
    m_valueText = text;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

int TRxSlider::PageStep() const
{
    return std::max(1, (m_max - m_min + 3) / 4);
}

int TRxSlider::Margin() const
{
    return ThumbWidth / 2 + 2;
}

int TRxSlider::PositionX(int value) const
{
    const int span = std::max(0, width() - 2 * Margin());
    if (m_max == m_min)
        return Margin();
    const double step = double(span) / (m_max - m_min);
    return Margin() + int(std::lround((std::clamp(value, m_min, m_max) - m_min) * step));
}

int TRxSlider::ValueAt(int x) const
{
    const int span = width() - 2 * Margin();
    if (m_max == m_min || span <= 0)
        return m_min;
    const double pos = double(x - Margin()) * (m_max - m_min) / span;
    return std::clamp(m_min + int(std::lround(pos)), m_min, m_max);
}

QRect TRxSlider::ThumbRect() const
{
    return {PositionX(m_value) - ThumbWidth / 2, ThumbTop, ThumbWidth, ThumbHeight};
}

QSize TRxSlider::sizeHint() const
{
    return {137, 32};
}

QSize TRxSlider::minimumSizeHint() const
{
    return {2 * Margin() + 2 * (m_max - m_min) + 1, 32};
}

void TRxSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int left = Margin();
    const int right = width() - Margin();

    // The groove.
    QStyleOptionFrame groove;
    groove.initFrom(this);
    groove.rect = QRect(left - 2, TrackTop, right - left + 4, TrackHeight);
    groove.state |= QStyle::State_Sunken;
    groove.lineWidth = 1;
    groove.midLineWidth = 0;
    style()->drawPrimitive(QStyle::PE_Frame, &groove, &painter, this);

    // A dot under every position.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (int v = m_min; v <= m_max; ++v)
        painter.drawRect(PositionX(v) - DotSize / 2, DotTop, DotSize, DotSize);

    // The thumb, a raised button face.
    QStyleOptionButton thumb;
    thumb.initFrom(this);
    thumb.rect = ThumbRect();
    thumb.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    thumb.state |= m_dragging ? QStyle::State_Sunken : QStyle::State_Raised;
    thumb.features = QStyleOptionButton::None;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &thumb, &painter, this);

    // Drawn for any focus, also after a click (the style shows it for keyboard focus only).
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TRxSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    m_pointerX = pos.x();
    const QRect thumb = ThumbRect();
    if (pos.x() >= thumb.left() && pos.x() <= thumb.right()) {
        m_dragging = true;
        m_grabOffset = pos.x() - PositionX(m_value);
        update();
        return;
    }
    m_repeatStep = pos.x() < thumb.left() ? -1 : 1;
    SetValue(m_value + m_repeatStep);
    if (m_timer && m_repeatStep != 0)
        m_timer->Start(RepeatInterval);
}

void TRxSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || (!m_dragging && m_repeatStep == 0)) {
        event->ignore();
        return;
    }
    event->accept();
    m_pointerX = event->position().toPoint().x();
    if (m_dragging)
        SetValue(ValueAt(m_pointerX - m_grabOffset));
}

void TRxSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    StopTracking();
}

void TRxSlider::RepeatTick()
{
    if (m_repeatStep == 0) {
        if (m_timer)
            m_timer->Stop();
        return;
    }
    // Only while the pointer is still on the side of the thumb the click was on.
    const QRect thumb = ThumbRect();
    const bool onThatSide = m_repeatStep < 0 ? m_pointerX < thumb.left() : m_pointerX > thumb.right();
    if (onThatSide)
        SetValue(m_value + m_repeatStep);
}

void TRxSlider::StopTracking()
{
    if (m_timer)
        m_timer->Stop();
    m_repeatStep = 0;
    if (m_dragging) {
        m_dragging = false;
        update();
    }
}

void TRxSlider::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: SetValue(m_value - 1); break;
    case Qt::Key_Right:
    case Qt::Key_Up: SetValue(m_value + 1); break;
    case Qt::Key_PageDown: SetValue(m_value - PageStep()); break;
    case Qt::Key_PageUp: SetValue(m_value + PageStep()); break;
    case Qt::Key_Home: SetValue(m_min); break;
    case Qt::Key_End: SetValue(m_max); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void TRxSlider::wheelEvent(QWheelEvent* event)
{
    // One step per notch (120 eighths of a degree); finer wheels add up to a notch.
    m_wheelDelta += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    const int steps = m_wheelDelta / 120;
    m_wheelDelta -= steps * 120;
    if (steps != 0)
        SetValue(m_value + (event->inverted() ? -steps : steps));
    event->accept();
}

void TRxSlider::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void TRxSlider::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void TRxSlider::hideEvent(QHideEvent* event)
{
    StopTracking();
    QWidget::hideEvent(event);
}
