// What the preferences dialog shows for the stored settings and how it checks what was typed.
// Portable.
#pragma once

#include <string>

#include "ui/Preferences.h"

const int kMaxNumLow = 1, kMaxNumHigh = 1000;
const int kSynTimeLow = 0, kSynTimeHigh = 10000;

// The stored values as the dialog shows them: a DownloadStyle other than 0 is 1, check boxes
// are 0 or 1, and SynTime is held within its range.
Preferences PreferencesForDialog(const Preferences& stored);

// An edit's text as an integer within [low, high]. On failure *message is the text to show:
// the integer message for anything but digits (a leading '-' allowed), the range message with
// the bounds otherwise, huge numbers included.
bool ParseBoundedInt(const std::string& text, int low, int high, int* value, std::string* message);

// The two validation messages, in the plug-in's code page; %1 and %2 stand for the bounds.
extern const char kIntegerMessage[];
extern const char kRangeMessage[];
