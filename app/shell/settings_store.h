// The profile store on QSettings("Orvane", "Quiltwork"): sections are groups, value names
// unchanged. The engine's own section ("Settings") and the program's share it.
#pragma once

#include <QSettings>

#include "stitchkit/Host.h"

class SettingsStore final : public stitchkit::IProfileStore {
public:
    SettingsStore();
    int GetInt(const std::string& section, const std::string& name, int fallback) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& fallback) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

private:
    static QString Key(const std::string& section, const std::string& name);
    QSettings m_settings;
};
