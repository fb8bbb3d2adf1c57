#pragma once

#include "EngineConfiguration.h"
#include "UciOption.h"

#include <QMap>
#include <QString>
#include <string>
#include <utility>
#include <vector>

namespace velkor {

// The free options of one engine with the values it starts with, for a person to look at and
// change: each option's declared type, limits and choices, and its chosen value or its default.
// Every change is checked against the declaration; a refused one changes nothing. Buttons have no
// value; pressing one is the running engine's business.
class EngineOptionEditor {
public:
    // `declared` as the engine's handshake listed them; `engine` the record whose values are
    // edited (its stored values, and Threads, Hash and Skill Level from their own fields).
    EngineOptionEditor(const std::vector<uci::UciOption>& declared,
                       const EngineConfiguration& engine);

    // The options a person may set, in declared order.
    const std::vector<uci::UciOption>& options() const { return m_options; }

    // The option's value in sent form: the chosen one, else its default; empty for a button or
    // an unknown name. A stored value the option does not take reads as the default, a stored
    // spin outside the limits as the nearest limit, as the engine would be sent.
    QString value(const QString& name) const;

    // Takes `value` when the option is a free one that takes it (a spin within its limits, a
    // check true/false, one of a combo's choices, text without control characters).
    bool setValue(const QString& name, const QString& value);

    // Every option back to the engine's own default.
    void restoreDefaults();

    // The values to store in the engine record: the values that differ from the defaults, always
    // Threads, Hash and Skill Level (so the record's older fields for them no longer count), and
    // stored values of options this engine did not declare, which are kept untouched.
    QMap<QString, QString> optionValues() const;

private:
    const uci::UciOption* find(const QString& name) const;

    std::vector<uci::UciOption> m_options;
    // By the declared name, for every option that has a value.
    QMap<QString, QString> m_values;
    QMap<QString, QString> m_undeclared;
};

// The record to run one match with: `stored` with every override (an option name and a value, as
// a match's settings give them) in place of the stored value for the option of that name in any
// case; a later override of the same option wins. Nothing is stored. Values are checked against
// the engine's declaration when it starts, where one the engine would not take is logged and
// not sent, as for stored values.
EngineConfiguration
withOverrides(EngineConfiguration stored,
              const std::vector<std::pair<std::string, std::string>>& overrides);

} // namespace velkor
