// The profile store hook: the host's store, else values kept in memory for the run.
#include <map>
#include <mutex>
#include <utility>

#include "stitchkit/Host.h"

namespace stitchkit {
namespace {

class MemoryProfileStore final : public IProfileStore {
public:
    int GetInt(const std::string& section, const std::string& name, int fallback) override {
        std::lock_guard lock(m_mutex);
        auto it = m_ints.find({section, name});
        return it == m_ints.end() ? fallback : it->second;
    }
    void WriteInt(const std::string& section, const std::string& name, int value) override {
        std::lock_guard lock(m_mutex);
        m_ints[{section, name}] = value;
    }
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& fallback) override {
        std::lock_guard lock(m_mutex);
        auto it = m_strings.find({section, name});
        return it == m_strings.end() ? fallback : it->second;
    }
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        std::lock_guard lock(m_mutex);
        m_strings[{section, name}] = value;
    }

private:
    std::mutex m_mutex;
    std::map<std::pair<std::string, std::string>, int> m_ints;
    std::map<std::pair<std::string, std::string>, std::string> m_strings;
};

std::mutex g_storeMutex;
std::shared_ptr<IProfileStore> g_store;

} // namespace

void SetProfileStore(std::shared_ptr<IProfileStore> store) {
    std::lock_guard lock(g_storeMutex);
    g_store = std::move(store);
}

IProfileStore& ProfileStore() {
    std::lock_guard lock(g_storeMutex);
    if (!g_store) g_store = std::make_shared<MemoryProfileStore>();
    return *g_store;
}

} // namespace stitchkit
