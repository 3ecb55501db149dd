#include "TitleBarButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
// A push button for screen readers, whose press action clicks it.
class TTitleBarButtonAccessible : public QAccessibleWidget {
public:
    explicit TTitleBarButtonAccessible(TTitleBarButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<TTitleBarButton*>(widget())->Click();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* TitleBarButtonAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TTitleBarButton") && object && object->isWidgetType())
        if (auto* button = qobject_cast<TTitleBarButton*>(object))
            return new TTitleBarButtonAccessible(button);
    return nullptr;
}
} // namespace

TTitleBarButton::TTitleBarButton(QWidget* parent, int index) : QWidget(parent), FIndex(index)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&TitleBarButtonAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFixedSize(ButtonWidth, ButtonHeight);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
}

QSize TTitleBarButton::sizeHint() const
{
    return {ButtonWidth, ButtonHeight};
}

void TTitleBarButton::SetToggled(bool toggled)
{
    if (FToggled == toggled)
        return;
    FToggled = toggled;
    update();
}

void TTitleBarButton::SetDown(bool down)
{
    if (FDown == down)
        return;
    FDown = down;
    update();
}

QPolygon TTitleBarButton::MarkPolyline(bool down)
{
    const int face = 2 + (down ? 2 : 0);
    QPolygon line;
    line << QPoint(face + 6, face + 8) << QPoint(face + 10, face + 8) << QPoint(face + 10, face + 4);
    return line;
}

void TTitleBarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    option.state |= FDown ? QStyle::State_Sunken : QStyle::State_Raised;
    if (FToggled)
        option.state |= QStyle::State_On;
    option.features = QStyleOptionButton::None;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);

    QPen pen(isEnabled() ? QColor(Qt::black) : palette().color(QPalette::Disabled, QPalette::ButtonText));
    pen.setWidth(2);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawPolyline(MarkPolyline(FDown));
}

void TTitleBarButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Qt grabs the mouse for the widget that took the press until every button is released.
    FTracking = true;
    SetDown(true);
    event->accept();
}

void TTitleBarButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!FTracking) {
        event->ignore();
        return;
    }
    SetDown(rect().contains(event->position().toPoint()));
    event->accept();
}

void TTitleBarButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !FTracking) {
        event->ignore();
        return;
    }
    const bool over = rect().contains(event->position().toPoint());
    FTracking = false;
    SetDown(false);
    event->accept();
    if (over && OnClick)
        OnClick(this, FIndex, FToggled);
}

void TTitleBarButton::Click()
{
    if (isEnabled() && OnClick)
        OnClick(this, FIndex, FToggled);
}

void TTitleBarButton::changeEvent(QEvent* event)
{
    // A button disabled while held must not click on a later release.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        FTracking = false;
        SetDown(false);
    }
    QWidget::changeEvent(event);
}

void TTitleBarButton::hideEvent(QHideEvent* event)
{
    FTracking = false;
    SetDown(false);
    QWidget::hideEvent(event);
}
