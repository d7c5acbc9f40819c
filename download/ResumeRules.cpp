#include "download/ResumeRules.h"

#include <charconv>

namespace quill::download {

namespace {

std::optional<std::int64_t> Number(std::string_view text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0) return std::nullopt;
    return value;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::string_view text) {
    text = Trim(text);
    constexpr std::string_view unit = "bytes ";
    if (text.substr(0, unit.size()) != unit) return std::nullopt;
    text.remove_prefix(unit.size());
    const auto dash = text.find('-');
    const auto slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash)
        return std::nullopt;
    const auto first = Number(text.substr(0, dash));
    const auto last = Number(text.substr(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first) return std::nullopt;
    ContentRange range{*first, *last, -1};
    const std::string_view total = text.substr(slash + 1);
    if (total != "*") {
        const auto value = Number(total);
        if (!value || *value <= *last) return std::nullopt;
        range.Total = *value;
    }
    return range;
}

std::string ResumeValidator(std::string_view etag, std::string_view lastModified) {
    etag = Trim(etag);
    // A weak tag may not stand in an If-Range: the server would always send the whole body.
    if (!etag.empty() && etag.substr(0, 2) != "W/") return std::string(etag);
    return std::string(Trim(lastModified));
}

ReplyPlan PlanReply(int status, std::int64_t have, std::optional<std::int64_t> contentLength,
                    std::optional<std::string_view> contentRange) {
    if (status == 206) {
        const auto range = contentRange ? ParseContentRange(*contentRange) : std::nullopt;
        // Only bytes that begin exactly where the file ends, of a known whole, may be added;
        // anything else would put bytes twice, or out of order, into the archive.
        if (have > 0 && range && range->First == have && range->Total > 0 &&
            range->Last + 1 == range->Total &&
            (!contentLength || *contentLength == range->Last - range->First + 1))
            return {ReplyUse::Append, range->Total};
        return {ReplyUse::Refuse, 0};
    }
    // The kept bytes are past the server's end: the file changed under the same validator.
    if (status == 416 && have > 0) return {ReplyUse::Refuse, 0};
    if (status >= 200 && status < 300) return {ReplyUse::StartOver, contentLength.value_or(0)};
    return {ReplyUse::Fail, 0};
}

std::chrono::milliseconds RetryPause(int attempt, std::chrono::milliseconds base) {
    if (attempt < 1) attempt = 1;
    if (attempt > 16) attempt = 16;
    return base * (1LL << (attempt - 1));
}

std::string ReconnectText(int attempt, int tries) {
    return "Reconectare... (" + std::to_string(attempt) + " din " + std::to_string(tries) + ")";
}

}  // namespace quill::download
