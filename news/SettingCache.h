// The eleven "Setup:Configuration:" settings, read once when the plug-in loads and kept in a
// process-wide cache (gSettings in NewsState.h). The user-interface thread writes them, under the
// configuration Optex; other threads only read single values.
#pragma once

#include <functional>

#include "ui/Preferences.h"

class CXmlConfig;

struct SettingCache {
    int online = 1;  // 0: opening a folder does nothing, opening a message only reaches Geomark
    int maxNum = 100;
    int encodeHeader = 1;
    int threadSort = 1;
    int updateNow = 0;
    int downloadStyle = 1;
    int markRead = 0;
    int postPopup = 1;
    int submenu = 1;
    int synTime = 0;  // minutes between scheduled synchronizations; 0 = no timer
    int pictureRender = 1;

    struct Setting {
        const char* key;
        int defaultValue;
        int SettingCache::*field;
    };
    static const int kCount = 11;
    // Every setting in reading order.
    static const Setting kSettings[kCount];

    // Reads every setting with its default, from the document root.
    void Load(CXmlConfig& config);
};

// The preferences dialog's values as the cache holds them.
Preferences PreferencesFromCache(const SettingCache& cache);

// Writes the dialog's values to the document and the cache in order and saves the document,
// with `save` when given (else to the document's own path). `reschedule(old, new)` runs just
// before SynTime enters the cache, with the cached and the new minutes. The caller holds the
// configuration Optex. False when the file could not be saved.
bool ApplyPreferences(CXmlConfig& config,
                      SettingCache& cache,
                      const Preferences& values,
                      const std::function<void(int, int)>& reschedule,
                      const std::function<bool()>& save = nullptr);

// Exit bookkeeping of the document: writes the online flag and turns every existing HaveRead of
// every Subgroup of every Server back to "0", so the next run marks groups as read again.
void PrepareConfigForExit(CXmlConfig& config, int online);
