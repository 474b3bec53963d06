#include "registry/GroupCache.h"

#include <charconv>

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

void WriteGroupState(const std::string& user, const std::string& group, const std::string& state) {
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, GroupCacheKey(user), group,
                                RegValue::String(state));
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
