#include "lodestar/QqwryReader.h"

#include <cstring>
#include <utility>

namespace lodestar {

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kEntrySize = 7;
// At most 2^16 slices (256 KB of table), and about one slice per entry below that.
constexpr int kMaxSliceBits = 16;
constexpr unsigned char kRedirectLocation = 1;
constexpr unsigned char kRedirectText = 2;

uint32_t Little4(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Slices of up to this many entries have their records fetched ahead of the search.
constexpr uint32_t kPrefetchedRecords = 8;

inline void Prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// How many of the ascending starts are at or below the address (where std::upper_bound would
// stop), with no branch on the comparisons: within a slice they go either way at random, and a
// wrongly guessed branch costs as much as a cache hit. On a damaged, unsorted index the answer is
// some count in [0, count], as before.
size_t CountAtOrBelow(const uint32_t* starts, size_t count, uint32_t address) {
    if (count == 0)
        return 0;
    const uint32_t* base = starts;
    while (count > 1) {
        const size_t half = count / 2;
        base = base[half] <= address ? base + half : base;
        count -= half;
    }
    return static_cast<size_t>(base - starts) + (*base <= address);
}

size_t Little3(const unsigned char* p) {
    return static_cast<size_t>(p[0]) | static_cast<size_t>(p[1]) << 8 | static_cast<size_t>(p[2]) << 16;
}

}  // namespace

QqwryReader::LoadResult QqwryReader::Load(std::vector<unsigned char> bytes) {
    Unload();
    if (bytes.size() < kHeaderSize)
        return LoadResult::Damaged;
    const uint64_t first = Little4(bytes.data());
    const uint64_t last = Little4(bytes.data() + 4);
    if (last < first || (last - first) % kEntrySize != 0)
        return LoadResult::Damaged;
    // Every entry must lie inside the file; one entry is a whole database.
    if (last + kEntrySize > bytes.size())
        return LoadResult::Damaged;
    data_ = std::move(bytes);

    const size_t count = static_cast<size_t>((last - first) / kEntrySize + 1);
    int sliceBits = 1;
    while (sliceBits < kMaxSliceBits && (size_t{1} << sliceBits) < count)
        ++sliceBits;
    sliceShift_ = 32 - sliceBits;
    const size_t sliceCount = size_t{1} << sliceBits;
    starts_.resize(count);
    records_.resize(count);
    slices_.resize(sliceCount + 1);
    size_t nextSlice = 0;
    const unsigned char* entry = data_.data() + first;
    for (size_t i = 0; i < count; ++i, entry += kEntrySize) {
        starts_[i] = Little4(entry);
        records_[i] = static_cast<uint32_t>(Little3(entry + 4));
        // Stays in bounds and ascending even when a damaged index is not sorted.
        for (const size_t slice = starts_[i] >> sliceShift_; nextSlice <= slice; ++nextSlice)
            slices_[nextSlice] = static_cast<uint32_t>(i);
    }
    for (; nextSlice <= sliceCount; ++nextSlice)
        slices_[nextSlice] = static_cast<uint32_t>(count);
    loaded_ = true;
    return LoadResult::Loaded;
}

void QqwryReader::Unload() {
    data_ = std::vector<unsigned char>();
    starts_ = std::vector<uint32_t>();
    records_ = std::vector<uint32_t>();
    slices_ = std::vector<uint32_t>();
    loaded_ = false;
}

bool QqwryReader::Read4(size_t offset, uint32_t& value) const {
    if (offset > data_.size() || data_.size() - offset < 4)
        return false;
    value = Little4(data_.data() + offset);
    return true;
}

bool QqwryReader::Read3(size_t offset, size_t& value) const {
    if (offset > data_.size() || data_.size() - offset < 3)
        return false;
    value = Little3(data_.data() + offset);
    return true;
}

bool QqwryReader::ReadText(size_t offset, std::string_view& text) const {
    if (offset >= data_.size())
        return false;
    // Texts are a few bytes long: a plain loop beats a call into the C library's memchr, which on
    // Windows is a byte loop behind an import thunk anyway.
    const unsigned char* begin = data_.data() + offset;
    const unsigned char* end = data_.data() + data_.size();
    const unsigned char* nul = begin;
    while (nul < end && *nul != 0)
        ++nul;
    if (nul == end)
        return false;
    text = std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(nul - begin));
    return true;
}

// The location has at most two hops: a mode-1 redirect to where country and area are stored, then
// a mode-2 redirect per text. A redirect found where a text is expected is read as text, so
// offsets that point back at themselves cannot loop.
bool QqwryReader::ReadLocation(size_t recordOffset, std::string_view& country, std::string_view& area) const {
    size_t pos = recordOffset + 4;
    if (pos >= data_.size())
        return false;
    if (data_[pos] == kRedirectLocation && !Read3(pos + 1, pos))
        return false;
    if (pos >= data_.size())
        return false;
    size_t areaPos = 0;
    if (data_[pos] == kRedirectText) {
        size_t textOffset = 0;
        if (!Read3(pos + 1, textOffset) || !ReadText(textOffset, country))
            return false;
        areaPos = pos + 4;
    } else {
        if (!ReadText(pos, country))
            return false;
        areaPos = pos + country.size() + 1;
    }
    if (areaPos >= data_.size())
        return false;
    if (data_[areaPos] == kRedirectText) {
        size_t textOffset = 0;
        return Read3(areaPos + 1, textOffset) && ReadText(textOffset, area);
    }
    return ReadText(areaPos, area);
}

bool QqwryReader::Find(uint32_t address, std::string_view& country, std::string_view& area) const {
    if (!loaded_)
        return false;
    uint32_t end = 0;
    if (!Read4(records_.back(), end) || address > end)
        return false;

    // The last entry whose start is at or below the address; the last entry included, and none
    // when the address lies below the first start. Every entry before the address's slice
    // starts below the slice, so the answer lies in the slice or is the entry just before it.
    const size_t slice = address >> sliceShift_;
    const uint32_t lo = slices_[slice];
    const uint32_t hi = slices_[slice + 1];
    // The search, the record offsets and the records are three memory reads that depend on each
    // other. The offsets of a short slice are fetched alongside its starts, and its records as
    // soon as the offsets are in, so that the one record the search picks is on its way by then.
    Prefetch(&records_[lo]);
    if (hi - lo <= kPrefetchedRecords) {
        for (uint32_t i = lo; i < hi; ++i) {
            if (records_[i] < data_.size())
                Prefetch(data_.data() + records_[i]);
        }
    }
    const size_t above = lo + CountAtOrBelow(starts_.data() + lo, hi - lo, address);
    if (above == 0)
        return false;
    const size_t record = records_[above - 1];
    if (!Read4(record, end) || address > end)
        return false;
    return ReadLocation(record, country, area);
}

}  // namespace lodestar
