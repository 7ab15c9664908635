#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

// The page's log entries as a list model: rows are appended in constant time and read
// straight from the page's control state, so a log of any length costs one string per line.
class LogModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit LogModel(const std::vector<std::string>& entries, QObject* parent = nullptr)
        : QAbstractListModel(parent), m_entries(entries), m_rows(static_cast<int>(entries.size())) {
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_rows;
    }
    QVariant data(const QModelIndex& index, int role) const override;

    // The entries grew at their end.
    void Appended();
    // The entries were cleared or replaced.
    void Reset();
    // The entries are going away: the model shows none from now on.
    void Detach();

private:
    const std::vector<std::string>& m_entries;
    int m_rows;
    bool m_detached = false;
};
