#pragma once

#include "uci/EngineConfiguration.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QUuid>

namespace velkor {
class EngineManager;
}

namespace velkor::panel {

// The installed engines as one list for every engine picker: a row per engine in the registry's
// order, named so that no two rows read alike, the engine's id under `idRole`. Rows are found by
// id through an index kept with the list.
class InstalledEnginesModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int idRole = Qt::UserRole;

    explicit InstalledEnginesModel(EngineManager& engines, QObject* parent = nullptr);

    // The one model of `engines`, made at first use and kept as long as the registry.
    static InstalledEnginesModel& of(EngineManager& engines);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The row of the engine with `id`; -1 when no installed engine has it.
    int rowOf(const QUuid& id) const;
    // The engine of `row`; null outside the list.
    const EngineConfiguration* engineAt(int row) const;
    // How `engine`, installed or not, is named among the installed engines.
    QString labelOf(const EngineConfiguration& engine) const;

private:
    void reload();

    EngineManager& m_engines;
    QList<EngineConfiguration> m_list;
    QStringList m_labels;
    QHash<QUuid, int> m_rows;
};

} // namespace velkor::panel
