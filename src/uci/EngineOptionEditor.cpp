#include "EngineOptionEditor.h"

#include "UciText.h"
#include "chess/TextUtil.h"

#include <algorithm>

namespace velkor {

namespace {

// Options whose value the record also keeps in a field of its own.
bool hasOwnField(const uci::UciOption& option) {
    return uci::sameOptionName(option.name, "Threads") ||
           uci::sameOptionName(option.name, "Hash") ||
           uci::sameOptionName(option.name, "Skill Level");
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

EngineOptionEditor::EngineOptionEditor(const std::vector<uci::UciOption>& declared,
                                       const EngineConfiguration& engine)
    : m_options(uci::freeOptions(declared)) {
    const uci::OptionValues start = engine.startupOptionValues();
    for (const uci::UciOption& option : m_options) {
        if (option.type == uci::UciOption::Type::button) {
            continue;
        }
        std::string value = option.defaultValue;
        const auto stored = start.find(text::lowercased(option.name));
        if (stored != start.end()) {
            if (auto accepted = uci::acceptedValue(option, stored->second)) {
                value = std::move(*accepted);
            } else if (const auto number = option.type == uci::UciOption::Type::spin
                                               ? uci::parseInteger(stored->second)
                                               : std::nullopt) {
                value = std::to_string(std::clamp(*number, option.min, option.max));
            }
        }
        m_values.insert(fromStd(option.name), fromStd(value));
    }
    for (auto it = engine.optionValues.begin(); it != engine.optionValues.end(); ++it) {
        if (uci::findOption(m_options, it.key().toStdString()) == nullptr) {
            m_undeclared.insert(it.key(), it.value());
        }
    }
}

const uci::UciOption* EngineOptionEditor::find(const QString& name) const {
    return uci::findOption(m_options, name.toStdString());
}

QString EngineOptionEditor::value(const QString& name) const {
    const uci::UciOption* option = find(name);
    return option ? m_values.value(fromStd(option->name)) : QString();
}

bool EngineOptionEditor::setValue(const QString& name, const QString& value) {
    const uci::UciOption* option = find(name);
    if (option == nullptr) {
        return false;
    }
    const auto accepted = uci::acceptedValue(*option, value.toStdString());
    if (!accepted) {
        return false;
    }
    m_values.insert(fromStd(option->name), fromStd(*accepted));
    return true;
}

void EngineOptionEditor::restoreDefaults() {
    for (const uci::UciOption& option : m_options) {
        if (option.type != uci::UciOption::Type::button) {
            m_values.insert(fromStd(option.name), fromStd(option.defaultValue));
        }
    }
}

QMap<QString, QString> EngineOptionEditor::optionValues() const {
    QMap<QString, QString> result = m_undeclared;
    for (const uci::UciOption& option : m_options) {
        if (option.type == uci::UciOption::Type::button) {
            continue;
        }
        const QString value = m_values.value(fromStd(option.name));
        if (hasOwnField(option) || !uci::isDefaultValue(option, value.toStdString())) {
            result.insert(fromStd(option.name), value);
        }
    }
    return result;
}

EngineConfiguration
withOverrides(EngineConfiguration stored,
              const std::vector<std::pair<std::string, std::string>>& overrides) {
    QMap<QString, QString>& values = stored.optionValues;
    for (const auto& [name, value] : overrides) {
        // One entry per option: a stored "hash" must not outlive an override of "Hash".
        for (auto it = values.begin(); it != values.end();) {
            it = uci::sameOptionName(it.key().toStdString(), name) ? values.erase(it)
                                                                   : std::next(it);
        }
        values.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    return stored;
}

} // namespace velkor
