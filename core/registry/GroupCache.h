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
// The stored state of a group; nullopt when the cache holds no value for it. A stored empty
// string is a value: the group was rewritten with no mark at all.
[[nodiscard]] std::optional<std::string> FindGroupState(const std::string& user,
                                                        const std::string& group);
// The marks of a cached group: no value reads as "C:N" (a group new from the service), any stored
// value, the empty one included, by its tokens.
[[nodiscard]] TGroupMarks CachedGroupMarks(const std::optional<std::string>& state);
[[nodiscard]] TGroupMarks CachedGroupMarks(const std::string& user, const std::string& group);
void WriteGroupState(const std::string& user, const std::string& group, const std::string& state);
// Every cached group of the member with its stored state, in the order of the cache.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> LoadGroupStates(
    const std::string& user);
// Stores the check and favourite marks of many groups at once (as SetGroupFlag does for each, in
// one transaction), keeping their other tokens.
struct TGroupMarksEntry {
    std::string group;
    TGroupMarks marks;
};
void SaveGroupMarks(const std::string& user, const std::vector<TGroupMarksEntry>& entries);
// Removes a group from the member's cache.
void DeleteCachedGroup(const std::string& user, const std::string& group);
void SetGroupFlag(const std::string& user, const std::string& group, TGroupFlag which, bool value);
void SetLastPosition(const std::string& user, const std::string& group, std::int64_t number);
[[nodiscard]] std::int64_t GetLastPosition(const std::string& user, const std::string& group);

}  // namespace tessaly
