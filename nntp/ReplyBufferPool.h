// One spare buffer for large replies, kept between retrievals. A 20 MB article received into
// memory the heap has just taken from the system pays for the first touch of every page, which
// on some machines costs as much as receiving the article; a buffer that has been used before
// does not. The spare is process-wide (each retrieval has its own client), guarded by a lock,
// and held until a later large reply takes it, a smaller one replaces it, or Release.
#pragma once

#include <cstddef>
#include <string>

class ReplyBufferPool {
public:
    // Buffers below this are left to the heap, which keeps small blocks warm by itself.
    static constexpr size_t kMinSpare = 1u << 20;
    // The most the spare may hold while nothing uses it.
    static constexpr size_t kMaxSpare = 32u << 20;

    // An empty buffer with room for at least `capacity` bytes: the spare when it is large enough
    // and not far larger, otherwise a new one. May throw std::bad_alloc like any reserve.
    static std::string Take(size_t capacity);
    // Offers a buffer that is no longer needed; its contents are dropped. Kept when its room is
    // between kMinSpare and kMaxSpare, else freed at once.
    static void GiveBack(std::string&& buffer);
    // Frees the spare (the plug-in's exit).
    static void Release();
    // The spare's room, 0 when there is none.
    static size_t SpareCapacity();
};
