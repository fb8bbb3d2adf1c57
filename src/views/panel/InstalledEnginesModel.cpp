#include "InstalledEnginesModel.h"

#include "uci/EngineManager.h"

namespace velkor::panel {

InstalledEnginesModel::InstalledEnginesModel(EngineManager& engines, QObject* parent)
    : QAbstractListModel(parent), m_engines(engines) {
    connect(&engines, &EngineManager::availableEnginesChanged, this,
            &InstalledEnginesModel::reload);
    reload();
}

InstalledEnginesModel& InstalledEnginesModel::of(EngineManager& engines) {
    if (auto* model =
            engines.findChild<InstalledEnginesModel*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *model;
    }
    return *new InstalledEnginesModel(engines, &engines);
}

void InstalledEnginesModel::reload() {
    beginResetModel();
    m_list = m_engines.availableEngines();
    m_labels.clear();
    m_rows.clear();
    for (int row = 0; row < m_list.size(); ++row) {
        m_labels.append(distinctEngineLabel(m_list[row], m_list));
        // Ids are unique in the registry; were one repeated, the first row answers for it.
        if (!m_rows.contains(m_list[row].id)) {
            m_rows.insert(m_list[row].id, row);
        }
    }
    endResetModel();
}

int InstalledEnginesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.size());
}

QVariant InstalledEnginesModel::data(const QModelIndex& index, int role) const {
    const EngineConfiguration* engine = index.isValid() ? engineAt(index.row()) : nullptr;
    if (!engine) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_labels[index.row()];
    case idRole:
        return engine->id;
    default:
        return {};
    }
}

int InstalledEnginesModel::rowOf(const QUuid& id) const {
    return m_rows.value(id, -1);
}

const EngineConfiguration* InstalledEnginesModel::engineAt(int row) const {
    return row >= 0 && row < m_list.size() ? &m_list[row] : nullptr;
}

QString InstalledEnginesModel::labelOf(const EngineConfiguration& engine) const {
    return distinctEngineLabel(engine, m_list);
}

} // namespace velkor::panel
