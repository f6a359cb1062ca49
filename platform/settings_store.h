#pragma once

#include <QString>

namespace velmora {

/// The per-user settings store of this program: text values addressed by section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString readText(const QString& section, const QString& key,
                             const QString& defaultValue) const = 0;
    virtual void writeText(const QString& section, const QString& key, const QString& value) = 0;
};

} // namespace velmora
