#pragma once
// The words of a command line as a unit reads them.

#include <charconv>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kalvora::sim::detail {

inline std::vector<std::string_view> Tokens(std::string_view line)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

inline bool ParseInt(std::string_view s, int32_t& v)
{
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace kalvora::sim::detail
