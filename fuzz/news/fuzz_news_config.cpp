// Any configuration text: the settings read, the synchronization list and the exit bookkeeping
// must neither crash nor touch bytes outside what they change.
#include <cstddef>
#include <cstdint>
#include <string>

#include "news/SettingCache.h"
#include "news/SyncList.h"
#include "xml/XmlConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CXmlConfig config;
    config.ParseBytes(reinterpret_cast<const char*>(data), size);
    SettingCache cache;
    cache.Load(config);
    std::vector<SyncRecord> list = BuildSyncList(config);
    PrepareConfigForExit(config, cache.online);
    // Once reset, a second exit pass changes nothing more.
    std::string once = config.GetText();
    PrepareConfigForExit(config, cache.online);
    if (config.GetText() != once)
        __builtin_trap();
    BuildSyncList(config);
    return 0;
}
