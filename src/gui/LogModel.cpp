#include "gui/LogModel.h"

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (m_detached || role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows ||
        static_cast<std::size_t>(index.row()) >= m_entries.size()) {
        return {};
    }
    return QString::fromStdString(m_entries[static_cast<std::size_t>(index.row())]);
}

void LogModel::Appended() {
    if (m_detached) {
        return;
    }
    const int now = static_cast<int>(m_entries.size());
    if (now < m_rows) {
        Reset();
        return;
    }
    if (now > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, now - 1);
        m_rows = now;
        endInsertRows();
    }
}

void LogModel::Reset() {
    if (m_detached) {
        return;
    }
    beginResetModel();
    m_rows = static_cast<int>(m_entries.size());
    endResetModel();
}

void LogModel::Detach() {
    beginResetModel();
    m_detached = true;
    m_rows = 0;
    endResetModel();
}
