#include "news/SettingCache.h"

#include "xml/XmlConfig.h"

const SettingCache::Setting SettingCache::kSettings[SettingCache::kCount] = {
    {"Setup:Configuration:Online", 1, &SettingCache::online},
    {"Setup:Configuration:MaxNum", 100, &SettingCache::maxNum},
    {"Setup:Configuration:EncodeHeader", 1, &SettingCache::encodeHeader},
    {"Setup:Configuration:ThreadSort", 1, &SettingCache::threadSort},
    {"Setup:Configuration:UpdateNow", 0, &SettingCache::updateNow},
    {"Setup:Configuration:DownloadStyle", 1, &SettingCache::downloadStyle},
    {"Setup:Configuration:MarkRead", 0, &SettingCache::markRead},
    {"Setup:Configuration:PostPopup", 1, &SettingCache::postPopup},
    {"Setup:Configuration:Submenu", 1, &SettingCache::submenu},
    {"Setup:Configuration:SynTime", 0, &SettingCache::synTime},
    {"Setup:Configuration:PictureRender", 1, &SettingCache::pictureRender},
};

void SettingCache::Load(CXmlConfig& config) {
    config.ResetPosition();
    for (const Setting& setting : kSettings)
        this->*setting.field = config.GetInt(setting.key, setting.defaultValue, false);
}

Preferences PreferencesFromCache(const SettingCache& c) {
    return Preferences{c.maxNum,   c.encodeHeader, c.threadSort, c.updateNow, c.downloadStyle,
                       c.markRead, c.postPopup,    c.submenu,    c.synTime,   c.pictureRender};
}

bool ApplyPreferences(CXmlConfig& config,
                      SettingCache& cache,
                      const Preferences& values,
                      const std::function<void(int, int)>& reschedule,
                      const std::function<bool()>& save) {
    const int ordered[] = {values.maxNum,        values.encodeHeader, values.threadSort, values.updateNow,
                           values.downloadStyle, values.markRead,     values.postPopup,  values.submenu,
                           values.synTime,       values.pictureRender};
    // kSettings[0] is Online, which the preferences do not edit.
    for (int i = 0; i < 10; ++i) {
        const SettingCache::Setting& setting = SettingCache::kSettings[i + 1];
        config.SetInt(setting.key, ordered[i], true, false);
        if (setting.field == &SettingCache::synTime && reschedule)
            reschedule(cache.synTime, ordered[i]);
        cache.*setting.field = ordered[i];
    }
    return save ? save() : config.SaveFile(config.GetConfigPath().c_str());
}

void PrepareConfigForExit(CXmlConfig& config, int online) {
    config.SetInt("Setup:Configuration:Online", online, true, false);
    config.ResetPosition();
    if (!config.FindElement("Setup"))
        return;
    while (config.FindChildElement("Server")) {
        config.SavePosition("exit:server");
        config.EnterElement();
        while (config.FindChildElement("Subgroup")) {
            config.SavePosition("exit:group");
            config.EnterElement();
            if (config.FindChildElement("HaveRead"))
                config.SetChildText("0", false);
            config.RestorePosition("exit:group");
        }
        config.RestorePosition("exit:server");
    }
    config.ResetPosition();
}
