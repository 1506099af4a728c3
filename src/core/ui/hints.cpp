// Hints appear at once and go after two seconds.
#include "core/ui/hints.h"

#include <QApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QToolTip>
#include <QWidget>

namespace {
class HintTiming final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->toolTip().isEmpty()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), 2000);
        return true;
    }
};

// Hints wake up at once instead of after the platform's delay.
class HintStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay || hint == SH_ToolTip_FallAsleepDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

void installHintTiming(QObject* application) {
    if (auto* app = qobject_cast<QApplication*>(application)) {
        app->setStyle(new HintStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    }
    application->installEventFilter(new HintTiming(application));
}
