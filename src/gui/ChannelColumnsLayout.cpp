#include "gui/ChannelColumnsLayout.h"

#include <QWidget>

#include <algorithm>

ChannelColumnsLayout::ChannelColumnsLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(6);
}

ChannelColumnsLayout::~ChannelColumnsLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void ChannelColumnsLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

int ChannelColumnsLayout::count() const {
    return static_cast<int>(m_items.size());
}

QLayoutItem* ChannelColumnsLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* ChannelColumnsLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations ChannelColumnsLayout::expandingDirections() const {
    return Qt::Horizontal;
}

bool ChannelColumnsLayout::hasHeightForWidth() const {
    return true;
}

QList<QLayoutItem*> ChannelColumnsLayout::Shown() const {
    QList<QLayoutItem*> shown;
    for (QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            shown.append(item);
        }
    }
    return shown;
}

int ChannelColumnsLayout::ColumnWidth() const {
    // All columns are as wide as the widest needs, so that a row reads as a table.
    int width = 0;
    for (const QLayoutItem* item : Shown()) {
        width = std::max(width, item->minimumSize().width());
    }
    return width;
}

int ChannelColumnsLayout::ColumnsPerRow(int width) const {
    const int shown = static_cast<int>(Shown().size());
    const QMargins margins = contentsMargins();
    const int room = width - margins.left() - margins.right();
    const int column = ColumnWidth();
    int columns = std::max(shown, 1);
    // Four that do not fit become two rows of two rather than three and one.
    while (columns > 1 && columns * column + (columns - 1) * spacing() > room) {
        columns = columns == 4 ? 2 : columns - 1;
    }
    return columns;
}

int ChannelColumnsLayout::Arrange(const QRect& rect, bool apply) const {
    const QList<QLayoutItem*> shown = Shown();
    const QMargins margins = contentsMargins();
    const QRect area = rect.marginsRemoved(margins);
    if (shown.isEmpty()) {
        return 0;
    }
    const int columns = ColumnsPerRow(rect.width());
    const int gap = spacing();
    // The room of one column, each kept within its own maximum width.
    const int share = std::max(ColumnWidth(), (area.width() - (columns - 1) * gap) / columns);
    int y = area.top();
    for (int first = 0; first < shown.size(); first += columns) {
        int rowHeight = 0;
        for (int k = first; k < shown.size() && k < first + columns; ++k) {
            const QLayoutItem* item = shown[k];
            const int width = std::min(share, item->maximumSize().width());
            const int height =
                item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
            rowHeight = std::max({rowHeight, height, item->minimumSize().height()});
        }
        int x = area.left();
        for (int k = first; k < shown.size() && k < first + columns; ++k) {
            QLayoutItem* item = shown[k];
            const int width = std::min(share, item->maximumSize().width());
            if (apply) {
                item->setGeometry(QRect(x, y, width, rowHeight));
            }
            x += width + gap;
        }
        y += rowHeight + gap;
    }
    return y - gap - area.top() + margins.top() + margins.bottom();
}

int ChannelColumnsLayout::heightForWidth(int width) const {
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize ChannelColumnsLayout::minimumSize() const {
    // One column's size: how high the columns stand together depends on the width they are
    // given (heightForWidth), not on the narrowest arrangement.
    const QMargins margins = contentsMargins();
    int height = 0;
    for (const QLayoutItem* item : Shown()) {
        height = std::max(height, item->minimumSize().height());
    }
    return {ColumnWidth() + margins.left() + margins.right(),
            height + margins.top() + margins.bottom()};
}

QSize ChannelColumnsLayout::sizeHint() const {
    const QList<QLayoutItem*> shown = Shown();
    const QMargins margins = contentsMargins();
    int width = margins.left() + margins.right();
    for (const QLayoutItem* item : shown) {
        width += std::min(item->sizeHint().width(), item->maximumSize().width());
    }
    width += std::max(0, static_cast<int>(shown.size()) - 1) * spacing();
    return {width, heightForWidth(width)};
}

void ChannelColumnsLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}
