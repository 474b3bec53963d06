#pragma once
// The per-user group cache: under Profiles\<user> one value per group of the member, holding
// the group state string, tokens joined by ":":
//   C / U    checked / not checked
//   F / N    favourite / not favourite
//   A<n>     the last message position a message or attachment run reached
// A group new from the service is stored as "C:N"; values the program rewrites start with ":".
// Tokens are recognised by containment without regard to case.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

enum class TGroupFlag { Check, Favourite };

struct TGroupMarks {
    bool checked = true;
    bool favourite = false;
};

// The registry key path of a member's group cache.
[[nodiscard]] std::string GroupCacheKey(const std::string& user);

// Pure rules on state strings.
[[nodiscard]] TGroupMarks GroupMarksOf(const std::string& state);  // empty reads as "C:N"
[[nodiscard]] std::string WithGroupFlag(const std::string& state, TGroupFlag which, bool value);
// The state with the position recorded; nullopt when nothing is to be written (number not
// above 0, or no state).
[[nodiscard]] std::optional<std::string> WithLastPosition(const std::string& state,
                                                          std::int64_t number);
[[nodiscard]] std::int64_t LastPositionOf(const std::string& state);  // -1 when none

// Registry operations.
[[nodiscard]] std::vector<std::string> LoadCachedGroupNames(const std::string& user);
void CacheNewGroups(const std::string& user, const std::vector<std::string>& names);
[[nodiscard]] std::string ReadGroupState(const std::string& user, const std::string& group);
void WriteGroupState(const std::string& user, const std::string& group, const std::string& state);
void SetGroupFlag(const std::string& user, const std::string& group, TGroupFlag which, bool value);
void SetLastPosition(const std::string& user, const std::string& group, std::int64_t number);
[[nodiscard]] std::int64_t GetLastPosition(const std::string& user, const std::string& group);

}  // namespace tessaly
