#include "registry/GroupCache.h"

#include <charconv>
#include <unordered_map>

#include "platform/RegistryStore.h"
#include "registry/RegistryLayout.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::vector<std::string> Pieces(const std::string& state) {
    return SplitAll(state, ':');
}

std::string Join(const std::vector<std::string>& pieces) {
    std::string out;
    for (const auto& p : pieces) {
        if (!p.empty()) out.append(":").append(p);
    }
    return out;
}

}  // namespace

std::string GroupCacheKey(const std::string& user) {
    return std::string(reg::kKey) + reg::kProfiles + "\\" + user;
}

TGroupMarks GroupMarksOf(const std::string& state) {
    const std::string s = state.empty() ? "C:N" : state;
    return TGroupMarks{ContainsText("C", s), ContainsText("F", s)};
}

std::string WithGroupFlag(const std::string& state, TGroupFlag which, bool value) {
    const char* yes = which == TGroupFlag::Check ? "C" : "F";
    const char* no = which == TGroupFlag::Check ? "U" : "N";
    const std::string token = value ? yes : no;
    const std::string opposite = value ? no : yes;
    if (state.empty()) return token;
    bool hasToken = false;
    std::vector<std::string> kept;
    for (const auto& piece : Pieces(state)) {
        if (ContainsText(token, piece)) hasToken = true;
        if (!piece.empty() && !ContainsText(opposite, piece)) kept.push_back(piece);
    }
    if (!hasToken) kept.push_back(token);
    return Join(kept);
}

std::optional<std::string> WithLastPosition(const std::string& state, std::int64_t number) {
    if (number <= 0 || state.empty()) return std::nullopt;
    bool hasPosition = false;
    std::vector<std::string> pieces = Pieces(state);
    for (auto& piece : pieces) {
        if (ContainsText("A", piece)) {
            piece = "A" + std::to_string(number);
            hasPosition = true;
        }
    }
    if (!hasPosition) pieces.push_back("A" + std::to_string(number));
    return Join(pieces);
}

std::int64_t LastPositionOf(const std::string& state) {
    if (state.empty()) return -1;
    std::optional<std::string> digits;
    for (const auto& piece : Pieces(state)) {
        if (ContainsText("A", piece)) digits = piece.substr(1);
    }
    if (!digits || !IsAllDigits(*digits)) return -1;
    std::int64_t v = -1;
    auto [p, ec] = std::from_chars(digits->data(), digits->data() + digits->size(), v);
    if (ec != std::errc()) return -1;  // too many digits for a message number
    return v;
}

std::vector<std::string> LoadCachedGroupNames(const std::string& user) {
    if (user.empty()) return {};
    return ThreadRegistry().ValueNames(RegRoot::CurrentUser, GroupCacheKey(user));
}

void CacheNewGroups(const std::string& user, const std::vector<std::string>& names) {
    if (Trim(user).empty()) return;
    TRegistryStore& store = ThreadRegistry();
    const std::string key = GroupCacheKey(user);
    for (const auto& name : names)
        store.WriteValue(RegRoot::CurrentUser, key, name, RegValue::String("C:N"));
}

std::string ReadGroupState(const std::string& user, const std::string& group) {
    auto v = ThreadRegistry().ReadValue(RegRoot::CurrentUser, GroupCacheKey(user), group);
    return v && v->IsString() ? v->data : std::string();
}

std::optional<std::string> FindGroupState(const std::string& user, const std::string& group) {
    auto v = ThreadRegistry().ReadValue(RegRoot::CurrentUser, GroupCacheKey(user), group);
    if (!v) return std::nullopt;
    return v->IsString() ? v->data : std::string();
}

TGroupMarks CachedGroupMarks(const std::optional<std::string>& state) {
    if (!state) return TGroupMarks{};
    return TGroupMarks{ContainsText("C", *state), ContainsText("F", *state)};
}

TGroupMarks CachedGroupMarks(const std::string& user, const std::string& group) {
    return CachedGroupMarks(FindGroupState(user, group));
}

void WriteGroupState(const std::string& user, const std::string& group, const std::string& state) {
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, GroupCacheKey(user), group,
                                RegValue::String(state));
}

std::vector<std::pair<std::string, std::string>> LoadGroupStates(const std::string& user) {
    std::vector<std::pair<std::string, std::string>> states;
    if (user.empty()) return states;
    for (auto& [name, value] : ThreadRegistry().Values(RegRoot::CurrentUser, GroupCacheKey(user)))
        states.emplace_back(name, value.IsString() ? value.data : std::string());
    return states;
}

void SaveGroupMarks(const std::string& user, const std::vector<TGroupMarksEntry>& entries) {
    if (entries.empty()) return;
    // One read of the whole cache instead of one per group: the tree may hold thousands.
    std::unordered_map<std::string, std::string> stored;
    for (auto& [name, state] : LoadGroupStates(user)) stored[UpperCase(name)] = std::move(state);
    std::vector<std::pair<std::string, RegValue>> values;
    values.reserve(entries.size());
    for (const auto& e : entries) {
        const auto it = stored.find(UpperCase(e.group));
        std::string state = it == stored.end() ? std::string() : it->second;
        state = WithGroupFlag(state, TGroupFlag::Check, e.marks.checked);
        state = WithGroupFlag(state, TGroupFlag::Favourite, e.marks.favourite);
        values.emplace_back(e.group, RegValue::String(std::move(state)));
    }
    ThreadRegistry().WriteValues(RegRoot::CurrentUser, GroupCacheKey(user), values);
}

void DeleteCachedGroup(const std::string& user, const std::string& group) {
    ThreadRegistry().DeleteValue(RegRoot::CurrentUser, GroupCacheKey(user), group);
}

void SetGroupFlag(const std::string& user, const std::string& group, TGroupFlag which, bool value) {
    WriteGroupState(user, group, WithGroupFlag(ReadGroupState(user, group), which, value));
}

void SetLastPosition(const std::string& user, const std::string& group, std::int64_t number) {
    if (auto state = WithLastPosition(ReadGroupState(user, group), number))
        WriteGroupState(user, group, *state);
}

std::int64_t GetLastPosition(const std::string& user, const std::string& group) {
    return LastPositionOf(ReadGroupState(user, group));
}

}  // namespace tessaly
