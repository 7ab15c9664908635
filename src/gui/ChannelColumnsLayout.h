#pragma once

#include <QLayout>
#include <QList>

// The channel columns of a unit page: side by side while the width holds them all, else in
// rows of as many as fit (two rows of two on a narrow window), never wider than each
// column's maximum, left-aligned. Hidden columns take no room.
class ChannelColumnsLayout : public QLayout {
public:
    explicit ChannelColumnsLayout(QWidget* parent = nullptr);
    ~ChannelColumnsLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

    // How many columns stand in one row at this width.
    int ColumnsPerRow(int width) const;

private:
    QList<QLayoutItem*> Shown() const;
    int ColumnWidth() const;
    // Places the shown columns in rect (or only measures, when apply is false); the height
    // used.
    int Arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
};
