#include "gui/UnitTabBar.h"

#include "gui/Icons.h"
#include "system/CTabDlg.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace {

constexpr int kTabHeight = 35;
constexpr int kImageSize = 30;

} // namespace

UnitTabBar::UnitTabBar(CTabDlg& system, QWidget* parent) : QTabBar(parent), m_system(system) {
    setExpanding(false);
    setDrawBase(true);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
}

QSize UnitTabBar::tabSizeHint(int index) const {
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    const QFontMetrics metrics(bold);
    int width = 0;
    for (const QString& line : tabText(index).split(QLatin1Char('\n'))) {
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    return {width + kImageSize + 24, kTabHeight};
}

void UnitTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QRect rect = tabRect(i);
        const bool selected = i == currentIndex();
        painter.fillRect(rect, palette().button());
        const CTabDlg::TabItemLook look = m_system.TabItemDrawing(i, selected);
        const QColor fill(look.Red, look.Green, look.Blue);
        const QRect image(rect.left() + 2, rect.top() + (rect.height() - kImageSize) / 2,
                          kImageSize, kImageSize);
        const QRect text = rect.adjusted(kImageSize + 4, 1, -1, -1);
        painter.fillRect(text, fill);
        const int item = i < static_cast<int>(m_system.TabCtrl.Items.size())
                             ? m_system.TabCtrl.Items[static_cast<std::size_t>(i)].Image
                             : 0;
        painter.drawPixmap(image, TabPixmap(item, kImageSize, devicePixelRatioF()));
        QFont font = painter.font();
        font.setWeight(look.Bold ? QFont::Bold : QFont::Normal);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(text, Qt::AlignCenter, tabText(i));
        painter.setPen(selected ? palette().color(QPalette::Highlight)
                                : palette().color(QPalette::Mid));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}
