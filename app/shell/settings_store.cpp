#include "settings_store.h"

SettingsStore::SettingsStore()
    : m_settings(QStringLiteral("Orvane"), QStringLiteral("Quiltwork")) {}

QString SettingsStore::Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(name);
}

int SettingsStore::GetInt(const std::string& section, const std::string& name, int fallback) {
    bool ok = false;
    const int value = m_settings.value(Key(section, name)).toInt(&ok);
    return ok ? value : fallback;
}

void SettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    m_settings.setValue(Key(section, name), value);
}

std::string SettingsStore::GetString(const std::string& section, const std::string& name,
                                     const std::string& fallback) {
    const QVariant value = m_settings.value(Key(section, name));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void SettingsStore::WriteString(const std::string& section, const std::string& name,
                                const std::string& value) {
    m_settings.setValue(Key(section, name), QString::fromStdString(value));
}
