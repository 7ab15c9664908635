#pragma once

#include <QFrame>
#include <QString>

// One line of plain text that is elided at the right when it does not fit, its full text
// then in the tooltip. It never asks for more room than a few characters, so a long text
// cannot push the widgets beside it away.
class ElidedLabel : public QFrame {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return m_text; }
    // The text as it is drawn at the present width.
    QString ShownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
