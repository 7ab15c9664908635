#pragma once

#include <QTabBar>

class CTabDlg;

// The system window's tab strip: two-line titles centred, 35 pixels high, the connected or
// not-connected image at the left, the view's colours, bold titles of master Tessel pages in
// the module view.
class UnitTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit UnitTabBar(CTabDlg& system, QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    CTabDlg& m_system;
};
