#include "engine/EntryTime.h"

#include <chrono>
#include <ctime>

namespace zipengine {

std::optional<std::filesystem::file_time_type> entryModified(const ZipEntry& entry) {
    using std::chrono::system_clock;
    system_clock::time_point when;
    // Beyond about 150 years from 1970 the clocks' nanoseconds would overflow: such a field
    // is no time a writer meant, and the DOS stamp is used instead.
    constexpr std::int64_t kMaxTicks = 50'000'000'000'000'000;
    if (entry.utcModified && *entry.utcModified > -kMaxTicks && *entry.utcModified < kMaxTicks) {
        using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
        when = system_clock::time_point(
            std::chrono::duration_cast<system_clock::duration>(Ticks(*entry.utcModified)));
    } else {
        std::tm local{};
        local.tm_year = ((entry.dosDate >> 9) & 0x7F) + 80;
        local.tm_mon = ((entry.dosDate >> 5) & 0x0F) - 1;
        local.tm_mday = entry.dosDate & 0x1F;
        local.tm_hour = entry.dosTime >> 11;
        local.tm_min = (entry.dosTime >> 5) & 0x3F;
        local.tm_sec = (entry.dosTime & 0x1F) * 2;
        local.tm_isdst = -1;
        if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
            local.tm_min > 59 || local.tm_sec > 59)
            return std::nullopt;
        std::time_t seconds = std::mktime(&local);
        if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
        when = system_clock::from_time_t(seconds);
    }
    return std::chrono::file_clock::from_sys(when);
}

bool fileIsOlderThanEntry(const std::filesystem::path& file, const ZipEntry& entry) {
    auto entryTime = entryModified(entry);
    std::error_code error;
    auto fileTime = std::filesystem::last_write_time(file, error);
    if (error || !entryTime) return true;
    return *entryTime - fileTime >= std::chrono::seconds(2);
}

}  // namespace zipengine
