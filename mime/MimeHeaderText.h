// Small header-text decoders for showing subjects: they decode encoded words and convert UTF-8
// and KOI8-R words to the system's ANSI code page. Unlike the field coders they keep the text
// between words as it is.
#pragma once

#include <string>

// Decodes every "=?charset?X?text?=" word of `text` and trims surrounding whitespace.
std::string DecodeHeaderText(const std::string& text);
// `word` is "charset?X?text" (the part between "=?" and "?=").
std::string DecodeHeaderWord(const std::string& word);
// Q form: "=XX" escapes (either case) and '_' for a space.
std::string DecodeQWord(const std::string& text);
// Groups of four base64 characters; other bytes are skipped, an incomplete last group is dropped.
std::string DecodeBase64Word(const std::string& text);
// UTF-8 to the active code page; characters without a mapping become '?'.
std::string Utf8ToAnsi(const std::string& text);
// KOI8-R Cyrillic letters to Windows-1251; other bytes from 0x81 to 0xFE become 0x80.
std::string Koi8ToCp1251(const std::string& text);
