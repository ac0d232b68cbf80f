// The ten settings that the preferences dialog edits (all but Online), in writing order. Plain
// values: the plug-in fills them from its settings and applies what the dialog returns.
#pragma once

struct Preferences {
    int maxNum, encodeHeader, threadSort, updateNow, downloadStyle, markRead, postPopup, submenu, synTime,
        pictureRender;
};
