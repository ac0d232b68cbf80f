// The lookup: own table first, then the IP database, with the fixed result texts. Holds both
// files in memory and one result whose texts live in fixed buffers; each GetAddress overwrites
// them, so a caller copies the texts before the next call. One object serves one thread.
#pragma once

#include <cstdint>
#include <vector>

#include "lodestar/IpLocation.h"
#include "lodestar/OwnTable.h"
#include "lodestar/QqwryReader.h"

namespace lodestar {

class Lodestar {
public:
    static constexpr size_t kCountrySize = 100;
    static constexpr size_t kAreaSize = 260;

    enum class OwnTableLoad { Unused, Loaded, LoadedLarge };

    Lodestar();
    Lodestar(const Lodestar&) = delete;
    Lodestar& operator=(const Lodestar&) = delete;

    // LoadedLarge: the table is used, but it is large enough that the user should be advised to
    // merge it into the database.
    OwnTableLoad LoadOwnTable(std::vector<unsigned char> bytes);
    QqwryReader::LoadResult LoadDatabase(std::vector<unsigned char> bytes);
    void Unload();

    // Never null; the pointer and its texts stay valid until the next call or the object's end.
    const IpLocation* GetAddress(const char* text);

private:
    void SetResult(std::string_view countryPrefix, std::string_view country, std::string_view area);

    OwnTable ownTable_;
    QqwryReader database_;
    char country_[kCountrySize];
    char area_[kAreaSize];
    IpLocation result_;
};

}  // namespace lodestar
