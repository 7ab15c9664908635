#include "gui/ElidedLabel.h"

#include <QFontMetrics>
#include <QPainter>

ElidedLabel::ElidedLabel(QWidget* parent) : QFrame(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void ElidedLabel::SetText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    setToolTip(text);
    updateGeometry();
    update();
}

QString ElidedLabel::ShownText() const {
    return fontMetrics().elidedText(m_text, Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return {metrics.horizontalAdvance(m_text) + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return {metrics.horizontalAdvance(QStringLiteral("Mmm…")) + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownText());
}
